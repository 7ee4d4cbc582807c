#pragma once
// Loading a stored invoice back onto the invoice tab, and deleting one.
#include "app/Database.h"
#include "invoice/InvoiceData.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace records {

inline const QString LoadFailedNotice = QStringLiteral("請求書を読み込めませんでした。");
inline const QString DeleteFailedNotice = QStringLiteral("請求書は削除されませんでした。");
// Asked before a stored invoice replaces typing that is not stored.
inline QString openOverUnsavedText(qint64 伝票番号)
{
    return QStringLiteral("入力中の請求書は保存されていません。伝票番号 %1 の請求書を開きますか？").arg(伝票番号);
}

struct StoredInvoice {
    InvoiceHeader header;
    QList<DetailLine> lines; // in stored order, 行番号 1..n as they land in w明細
};

enum class LoadStatus {
    Loaded,   // found (and, by loadInvoice, its lines written into w明細)
    NotFound, // no invoice of that number: nothing was touched
    Failed,   // the data could not be read or w明細 not written: nothing was changed
};

struct LoadOutcome {
    LoadStatus status = LoadStatus::Failed;
    InvoiceHeader header; // when Loaded: Null texts as empty, Null amounts as nullopt
    int lineCount = 0;
    QString problem;
    db::Failure failure = db::Failure::None; // when Failed: why, as far as the user can act on it
};

// The header of a stored invoice, Null texts as empty and Null amounts as nullopt.
// status Loaded when it was found.
struct HeaderRead {
    LoadStatus status = LoadStatus::Failed;
    InvoiceHeader header;
};
HeaderRead Read請求書ヘッダ(const QSqlDatabase &data, qint64 伝票番号);

// Header and lines of a stored invoice.
struct InvoiceRead {
    LoadStatus status = LoadStatus::Failed;
    StoredInvoice invoice;
};
InvoiceRead readStoredInvoice(const QSqlDatabase &data, qint64 伝票番号);

// Reads the invoice from the data file and, when it is there, writes its lines into rows 1..n
// of w明細 (the rest blank) in one transaction on the work file. An invoice of more lines
// than w明細 holds is not loaded: showing only the first 99 would lose the rest on the next save.
LoadOutcome loadInvoice(qint64 伝票番号);

struct DeleteOutcome {
    bool deleted = false; // the transaction committed
    bool existed = false; // there was a header of that number
    explicit operator bool() const { return deleted; }
};

// Deletes header and lines of the invoice in one transaction. The counter is not lowered,
// so the number is not offered again.
DeleteOutcome deleteInvoice(qint64 伝票番号);

} // namespace records
