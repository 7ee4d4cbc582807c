#pragma once
// The archive of issued invoices (保存書類): every invoice the program issued, printed, saved as
// PDF or written as an electronic invoice, kept as it was issued, and a chain of records of
// what happened to it (保存記録): each issue, each correction (registered again with other
// content, with the totals before and after) and each deletion.
//
// The program only adds rows to these tables. Each record carries the SHA-256 of its fields
// and of the record before it, and each document the SHA-256 of its bytes, so that verify()
// finds a row changed or removed behind the program's back. The same unchanged invoice issued
// again adds an issue record to the document it already has.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace archive {

enum class Method { Print, Pdf, Electronic };
// "印刷", "PDF", "電子インボイス".
QString methodText(Method method);

// The SHA-256 of bytes, in lower-case hex.
QString sha256(const QByteArray &bytes);

struct Issue {
    qint64 伝票番号 = 0;
    QDate 日付;
    QString 顧客名;
    qint64 請求金額 = 0;
    QString 内容指紋; // of the invoice's content (invoice/InvoiceFingerprint.h)
    QByteArray pdf;  // as issued
    QByteArray xml;  // the electronic invoice; empty for a print or a PDF
    Method how = Method::Pdf;
    QDateTime when = QDateTime::currentDateTime();
};

// Adds the issue in a transaction of its own: the document when this content was not
// archived yet, and its issue record. False when nothing could be written (see
// db::lastError()).
bool recordIssue(const QSqlDatabase &data, const Issue &issue);

struct Totals {
    std::optional<qint64> 税抜計;
    std::optional<qint64> 消費税;
    std::optional<qint64> 請求金額;
};

// The 内容指紋 the invoice had when it was last issued or corrected; empty when it was never
// issued.
std::optional<QString> lastFingerprint(const QSqlDatabase &data, qint64 伝票番号);

// Inside the caller's transaction, before the stored invoice is replaced: records that the
// issued invoice 伝票番号 is registered again with the content 内容指紋, with the stored totals
// before and the new ones after.
bool recordCorrection(const QSqlDatabase &data, qint64 伝票番号, const QString &内容指紋, const Totals &after,
                      const QDateTime &when = QDateTime::currentDateTime());
// Inside the caller's transaction, before the stored invoices are deleted: records the
// deletion of those of numbers that were issued, with their stored totals.
bool recordDeletions(const QSqlDatabase &data, const QList<qint64> &numbers,
                     const QDateTime &when = QDateTime::currentDateTime());

// The archive's search: every condition given narrows it; the ranges include their ends.
struct Query {
    std::optional<QDate> from, to;
    std::optional<qint64> minAmount, maxAmount;
    QString counterparty; // part of the name
};

struct Row {
    qint64 書類番号 = 0;
    QDate 日付;
    qint64 伝票番号 = 0;
    QString 顧客名;
    qint64 請求金額 = 0;
    QDateTime 発行日時; // the first issue
    QString 方法;       // of the first issue
    QString 状態;       // "訂正" or "削除" when that happened after the document was issued, else empty
    bool electronic = false;
};

// The archived documents the query finds, by invoice date, number and document.
std::optional<QList<Row>> search(const QSqlDatabase &data, const Query &query);

struct Content {
    QByteArray pdf;
    QByteArray xml;
};
std::optional<Content> content(const QSqlDatabase &data, qint64 書類番号);
// The PDF archived of the invoice with this content; empty when there is none.
std::optional<QByteArray> issuedPdf(const QSqlDatabase &data, qint64 伝票番号, const QString &内容指紋);

struct Check {
    bool read = false;     // false: the archive could not be read at all
    int records = 0;
    int documents = 0;
    QStringList problems; // one line per record or document that does not match
};
// Checks the whole chain and every document's bytes.
Check verify(const QSqlDatabase &data);

// How many archived documents, and how many of them the data file at backupPath (of this
// or an older version) lacks; nothing when either cannot be read.
std::optional<int> documentCount(const QSqlDatabase &data);
std::optional<int> missingFromBackup(const QSqlDatabase &data, const QString &backupPath);

// The questions before the data reset empties the archive (count documents in it) and
// before a restore leaves count documents issued since the backup out of it.
QString resetQuestion(int count);
QString restoreQuestion(int count);

// The archive's tables, for the data reset that also empties the archive.
const QStringList &tables();

} // namespace archive
