#include "data/Archive.h"

#include "app/Database.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QSqlQuery>

namespace archive {

namespace {

// What the first record follows.
const QString Genesis(64, u'0');

QString text(const std::optional<qint64> &value)
{
    return value ? QString::number(*value) : QString();
}

QVariant nullable(const std::optional<qint64> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::LongLong));
}

// One record's fields as they are hashed: every column but its own hash, the previous
// record's hash last. Read back, the columns give the same texts (a Null as an empty one).
QString recordHash(const QStringList &fields)
{
    return sha256(fields.join(QChar(0x1f)).toUtf8());
}

// A document's hash covers what the search shows of it as well as its bytes.
QString documentHash(qint64 伝票番号, const QString &日付, const QString &顧客名, qint64 請求金額, const QString &内容指紋,
                     bool electronic, const QByteArray &pdf, const QByteArray &xml)
{
    return recordHash({QString::number(伝票番号), 日付, 顧客名, QString::number(請求金額), 内容指紋,
                       electronic ? QStringLiteral("1") : QStringLiteral("0"), sha256(pdf), sha256(xml)});
}

QString dateText(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

struct Record {
    QString 種別;
    QString 方法;
    QDateTime when;
    qint64 伝票番号 = 0;
    std::optional<qint64> 書類番号;
    QString 書類ハッシュ;
    QString 内容指紋;
    Totals before, after;
};

bool append(const QSqlDatabase &data, const Record &r)
{
    QSqlQuery last(data);
    if (!db::exec(last, QStringLiteral("SELECT 連番, 記録ハッシュ FROM 保存記録 ORDER BY 連番 DESC LIMIT 1")))
        return false;
    const qint64 number = last.next() ? last.value(0).toLongLong() + 1 : 1;
    const QString previous = last.isValid() ? last.value(1).toString() : Genesis;
    last.finish();
    const QString when = r.when.toString(Qt::ISODate);
    const QStringList fields{QString::number(number), r.種別, r.方法, when, QString::number(r.伝票番号), text(r.書類番号),
                             r.書類ハッシュ, r.内容指紋, text(r.before.税抜計), text(r.before.消費税), text(r.before.請求金額),
                             text(r.after.税抜計), text(r.after.消費税), text(r.after.請求金額), previous};
    return db::exec(data,
                    QStringLiteral("INSERT INTO 保存記録 (連番, 種別, 方法, 日時, 伝票番号, 書類番号, 書類ハッシュ, 内容指紋, "
                                   "訂正前税抜計, 訂正前消費税, 訂正前請求金額, 訂正後税抜計, 訂正後消費税, 訂正後請求金額, "
                                   "前ハッシュ, 記録ハッシュ) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {number, r.種別, db::textOrNull(r.方法), when, r.伝票番号, nullable(r.書類番号), db::textOrNull(r.書類ハッシュ),
                     db::textOrNull(r.内容指紋),
                     nullable(r.before.税抜計), nullable(r.before.消費税), nullable(r.before.請求金額), nullable(r.after.税抜計),
                     nullable(r.after.消費税), nullable(r.after.請求金額), previous, recordHash(fields)});
}

} // namespace

QString methodText(Method method)
{
    switch (method) {
    case Method::Print:
        return QStringLiteral("印刷");
    case Method::Pdf:
        return QStringLiteral("PDF");
    case Method::Electronic:
        return QStringLiteral("電子インボイス");
    }
    return {};
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString resetQuestion(int count)
{
    return QStringLiteral("発行した請求書の控え（保存書類 %1 件）も削除しますか？\n"
                          "適格請求書の控えは 7 年間の保存が義務づけられています。"
                          "「いいえ」なら保存書類は残し、ほかのデータを初期化します。").arg(count);
}

QString restoreQuestion(int count)
{
    return QStringLiteral("このバックアップのあとに発行した請求書の控え（保存書類 %1 件）が、復元すると保存書類からなくなります。\n"
                          "適格請求書の控えは 7 年間の保存が義務づけられています。復元を続けますか？").arg(count);
}

const QStringList &tables()
{
    static const QStringList list{QStringLiteral("保存記録"), QStringLiteral("保存書類内容"), QStringLiteral("保存書類")};
    return list;
}

bool recordIssue(const QSqlDatabase &data, const Issue &issue)
{
    db::Transaction transaction(data);
    // Two PCs issuing at once take their turns at the end of the chain.
    if (!transaction.isActive() || !db::lockWriters(data, QStringLiteral("保存記録")))
        return false;
    const bool electronic = !issue.xml.isEmpty();
    QSqlQuery known(data);
    if (!db::exec(known, QStringLiteral("SELECT 書類番号, 書類ハッシュ FROM 保存書類 WHERE 伝票番号 = ? AND 内容指紋 = ? AND 電子 = ?"),
                  {issue.伝票番号, issue.内容指紋, electronic ? 1 : 0}))
        return false;
    qint64 number = 0;
    QString hash;
    if (known.next()) {
        number = known.value(0).toLongLong();
        hash = known.value(1).toString();
    } else {
        QSqlQuery next(data);
        if (!db::exec(next, QStringLiteral("SELECT COALESCE(MAX(書類番号), 0) + 1 FROM 保存書類")) || !next.next())
            return false;
        number = next.value(0).toLongLong();
        const QString date = dateText(issue.日付);
        hash = documentHash(issue.伝票番号, date, issue.顧客名, issue.請求金額, issue.内容指紋, electronic, issue.pdf, issue.xml);
        if (!db::exec(data,
                      QStringLiteral("INSERT INTO 保存書類 (書類番号, 伝票番号, 内容指紋, 電子, 日付, 顧客名, 請求金額, 書類ハッシュ) "
                                     "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                      {number, issue.伝票番号, issue.内容指紋, electronic ? 1 : 0, db::textOrNull(date), issue.顧客名,
                       issue.請求金額, hash})
            || !db::exec(data, QStringLiteral("INSERT INTO 保存書類内容 (書類番号, PDF, XML) VALUES (?, ?, ?)"),
                         {number, issue.pdf, electronic ? QVariant(issue.xml) : QVariant(QMetaType(QMetaType::QByteArray))}))
            return false;
    }
    known.finish();
    Record r;
    r.種別 = QStringLiteral("発行");
    r.方法 = methodText(issue.how);
    r.when = issue.when;
    r.伝票番号 = issue.伝票番号;
    r.書類番号 = number;
    r.書類ハッシュ = hash;
    r.内容指紋 = issue.内容指紋;
    return append(data, r) && transaction.commit();
}

std::optional<QString> lastFingerprint(const QSqlDatabase &data, qint64 伝票番号)
{
    QSqlQuery q(data);
    if (!db::exec(q, QStringLiteral("SELECT 内容指紋 FROM 保存記録 WHERE 伝票番号 = ? AND 内容指紋 IS NOT NULL "
                                    "ORDER BY 連番 DESC LIMIT 1"),
                  {伝票番号}))
        return std::nullopt;
    return q.next() ? q.value(0).toString() : QString();
}

namespace {

// The stored totals of an invoice that was issued; nothing when it was not, or is not stored.
std::optional<Totals> issuedTotals(const QSqlDatabase &data, qint64 伝票番号, bool *ok)
{
    QSqlQuery q(data);
    *ok = db::exec(q, QStringLiteral("SELECT h.税抜計, h.消費税, h.請求金額 FROM 請求書ヘッダ h WHERE h.伝票番号 = ? "
                                     "AND EXISTS (SELECT 1 FROM 保存書類 d WHERE d.伝票番号 = h.伝票番号)"),
                   {伝票番号});
    if (!*ok || !q.next())
        return std::nullopt;
    const auto yen = [&q](int i) { return q.value(i).isNull() ? std::nullopt : std::optional<qint64>(q.value(i).toLongLong()); };
    return Totals{yen(0), yen(1), yen(2)};
}

} // namespace

bool recordCorrection(const QSqlDatabase &data, qint64 伝票番号, const QString &内容指紋, const Totals &after,
                      const QDateTime &when)
{
    bool ok = false;
    const std::optional<Totals> before = issuedTotals(data, 伝票番号, &ok);
    if (!ok || !before)
        return ok;
    Record r;
    r.種別 = QStringLiteral("訂正");
    r.when = when;
    r.伝票番号 = 伝票番号;
    r.内容指紋 = 内容指紋;
    r.before = *before;
    r.after = after;
    return db::lockWriters(data, QStringLiteral("保存記録")) && append(data, r);
}

bool recordDeletions(const QSqlDatabase &data, const QList<qint64> &numbers, const QDateTime &when)
{
    for (const qint64 number : numbers) {
        bool ok = false;
        const std::optional<Totals> before = issuedTotals(data, number, &ok);
        if (!ok)
            return false;
        if (!before)
            continue;
        Record r;
        r.種別 = QStringLiteral("削除");
        r.when = when;
        r.伝票番号 = number;
        r.before = *before;
        if (!db::lockWriters(data, QStringLiteral("保存記録")) || !append(data, r))
            return false;
    }
    return true;
}

std::optional<QList<Row>> search(const QSqlDatabase &data, const Query &query)
{
    QString sql = QStringLiteral(
        "SELECT d.書類番号, d.日付, d.伝票番号, d.顧客名, d.請求金額, d.電子, i.日時, i.方法, "
        "(SELECT MAX(r.連番) FROM 保存記録 r WHERE r.伝票番号 = d.伝票番号 AND r.種別 = '削除' AND r.連番 > i.連番), "
        "(SELECT MAX(r.連番) FROM 保存記録 r WHERE r.伝票番号 = d.伝票番号 AND r.種別 = '訂正' AND r.連番 > i.連番) "
        "FROM 保存書類 d LEFT JOIN 保存記録 i ON i.連番 = (SELECT MIN(f.連番) FROM 保存記録 f "
        "WHERE f.書類番号 = d.書類番号 AND f.種別 = '発行') WHERE 1 = 1");
    QVariantList values;
    if (query.from)
        sql += QStringLiteral(" AND d.日付 >= ?"), values << query.from->toString(Qt::ISODate);
    if (query.to)
        sql += QStringLiteral(" AND d.日付 <= ?"), values << query.to->toString(Qt::ISODate);
    if (query.minAmount)
        sql += QStringLiteral(" AND d.請求金額 >= ?"), values << *query.minAmount;
    if (query.maxAmount)
        sql += QStringLiteral(" AND d.請求金額 <= ?"), values << *query.maxAmount;
    if (const QString part = query.counterparty.trimmed(); !part.isEmpty()) {
        QString escaped = part;
        escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
        sql += QStringLiteral(" AND d.顧客名 LIKE ? ESCAPE '\\'");
        values << u'%' + escaped + u'%';
    }
    sql += QStringLiteral(" ORDER BY d.日付, d.伝票番号, d.書類番号");
    QSqlQuery q(data);
    q.setForwardOnly(true);
    if (!db::exec(q, sql, values))
        return std::nullopt;
    QList<Row> rows;
    while (q.next()) {
        Row r;
        r.書類番号 = q.value(0).toLongLong();
        r.日付 = QDate::fromString(q.value(1).toString(), Qt::ISODate);
        r.伝票番号 = q.value(2).toLongLong();
        r.顧客名 = q.value(3).toString();
        r.請求金額 = q.value(4).toLongLong();
        r.electronic = q.value(5).toInt() != 0;
        r.発行日時 = QDateTime::fromString(q.value(6).toString(), Qt::ISODate);
        r.方法 = q.value(7).toString();
        r.状態 = !q.value(8).isNull() ? QStringLiteral("削除") : !q.value(9).isNull() ? QStringLiteral("訂正") : QString();
        rows << r;
    }
    if (!db::readToEnd(q))
        return std::nullopt;
    return rows;
}

std::optional<Content> content(const QSqlDatabase &data, qint64 書類番号)
{
    QSqlQuery q(data);
    if (!db::exec(q, QStringLiteral("SELECT PDF, XML FROM 保存書類内容 WHERE 書類番号 = ?"), {書類番号}) || !q.next())
        return std::nullopt;
    return Content{q.value(0).toByteArray(), q.value(1).toByteArray()};
}

std::optional<QByteArray> issuedPdf(const QSqlDatabase &data, qint64 伝票番号, const QString &内容指紋)
{
    QSqlQuery q(data);
    if (!db::exec(q, QStringLiteral("SELECT c.PDF FROM 保存書類 d JOIN 保存書類内容 c ON c.書類番号 = d.書類番号 "
                                    "WHERE d.伝票番号 = ? AND d.内容指紋 = ? ORDER BY d.書類番号 LIMIT 1"),
                  {伝票番号, 内容指紋}))
        return std::nullopt;
    return q.next() ? q.value(0).toByteArray() : QByteArray();
}

Check verify(const QSqlDatabase &data)
{
    Check check;
    QHash<qint64, QString> issuedHash; // document → the hash its first issue record names
    {
        QSqlQuery q(data);
        q.setForwardOnly(true);
        if (!db::exec(q, QStringLiteral("SELECT 連番, 種別, 方法, 日時, 伝票番号, 書類番号, 書類ハッシュ, 内容指紋, 訂正前税抜計, "
                                        "訂正前消費税, 訂正前請求金額, 訂正後税抜計, 訂正後消費税, 訂正後請求金額, 前ハッシュ, "
                                        "記録ハッシュ FROM 保存記録 ORDER BY 連番")))
            return check;
        qint64 expected = 1;
        QString previous = Genesis;
        while (q.next()) {
            ++check.records;
            QStringList fields;
            for (int i = 0; i < 15; ++i)
                fields << (q.value(i).isNull() ? QString() : q.value(i).toString()); // a Null number is no "0"
            const qint64 number = q.value(0).toLongLong();
            if (number != expected)
                check.problems << (number == expected + 1
                                       ? QStringLiteral("保存記録 %1 がありません（削除されています）。").arg(expected)
                                       : QStringLiteral("保存記録 %1〜%2 がありません（削除されています）。").arg(expected).arg(number - 1));
            else if (fields.last() != previous)
                check.problems << QStringLiteral("保存記録 %1: 前の記録とつながっていません。").arg(number);
            if (recordHash(fields) != q.value(15).toString())
                check.problems << QStringLiteral("保存記録 %1（伝票番号 %2）: 記録の内容が変更されています。").arg(number).arg(fields[4]);
            if (fields[1] == u"発行" && !q.value(5).isNull() && !issuedHash.contains(q.value(5).toLongLong()))
                issuedHash.insert(q.value(5).toLongLong(), fields[6]);
            previous = q.value(15).toString();
            expected = number + 1;
        }
        if (!db::readToEnd(q))
            return check;
    }
    QSqlQuery q(data);
    q.setForwardOnly(true);
    if (!db::exec(q, QStringLiteral("SELECT d.書類番号, d.伝票番号, d.日付, d.顧客名, d.請求金額, d.内容指紋, d.電子, d.書類ハッシュ, "
                                    "c.書類番号, c.PDF, c.XML FROM 保存書類 d LEFT JOIN 保存書類内容 c ON c.書類番号 = d.書類番号 "
                                    "ORDER BY d.書類番号")))
        return check;
    while (q.next()) {
        ++check.documents;
        const qint64 number = q.value(0).toLongLong();
        const QString which = QStringLiteral("保存書類 %1（伝票番号 %2）").arg(number).arg(q.value(1).toLongLong());
        const QString stored = q.value(7).toString();
        if (q.value(8).isNull())
            check.problems << which + QStringLiteral(": 書類の内容がありません。");
        else if (documentHash(q.value(1).toLongLong(), q.value(2).toString(), q.value(3).toString(), q.value(4).toLongLong(),
                              q.value(5).toString(), q.value(6).toInt() != 0, q.value(9).toByteArray(), q.value(10).toByteArray())
                 != stored)
            check.problems << which + QStringLiteral(": 発行したときの内容と違います。");
        const auto issued = issuedHash.constFind(number);
        if (issued == issuedHash.cend())
            check.problems << which + QStringLiteral(": 発行の記録がありません。");
        else if (*issued != stored)
            check.problems << which + QStringLiteral(": 発行の記録と合いません。");
    }
    check.read = db::readToEnd(q);
    return check;
}

std::optional<int> documentCount(const QSqlDatabase &data)
{
    QSqlQuery q(data);
    if (!db::exec(q, QStringLiteral("SELECT count(*) FROM 保存書類")) || !q.next())
        return std::nullopt;
    return q.value(0).toInt();
}

std::optional<int> missingFromBackup(const QSqlDatabase &data, const QString &backupPath)
{
    QSet<QString> kept;
    {
        QSqlDatabase backup = db::openFile(backupPath, true);
        if (!backup.isOpen())
            return std::nullopt;
        QSqlQuery has(backup);
        bool ok = db::exec(has, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = '保存書類'")) && has.next();
        if (ok && has.value(0).toInt() > 0) {
            QSqlQuery q(backup);
            q.setForwardOnly(true);
            ok = db::exec(q, QStringLiteral("SELECT 書類ハッシュ FROM 保存書類"));
            while (ok && q.next())
                kept.insert(q.value(0).toString());
            ok = ok && db::readToEnd(q);
        }
        has.finish();
        if (!ok) {
            db::closeFile(backupPath);
            return std::nullopt;
        }
    }
    db::closeFile(backupPath);
    QSqlQuery q(data);
    q.setForwardOnly(true);
    if (!db::exec(q, QStringLiteral("SELECT 書類ハッシュ FROM 保存書類")))
        return std::nullopt;
    int missing = 0;
    while (q.next())
        missing += kept.contains(q.value(0).toString()) ? 0 : 1;
    if (!db::readToEnd(q))
        return std::nullopt;
    return missing;
}

} // namespace archive
