#pragma once
// The history list w履歴リスト: a copy of the headers of the stored invoices that match the
// filters, newest first, from which invoices are opened or ticked and deleted together.
// Everything runs on the work connection, which has the data file attached as "data", so
// that the deletion of ticked invoices and of their list rows is one transaction.
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace records::history {

inline const QString SearchFailedNotice = QStringLiteral("請求履歴を読み込めませんでした。");

struct Filter {
    QString 顧客名; // exact name; empty lists every customer
    QDate 開始;     // inclusive bounds on the invoice date; an invalid date is no bound
    QDate 終了;
};

// Refills the list from the stored headers that match, newest date first (the higher number
// first on the same date). Returns how many are listed; nothing when it failed, and then the
// list is as it was.
std::optional<qint64> Read請求履歴(const QSqlDatabase &work, const Filter &filter);

// Empties the list.
bool Clear履歴(const QSqlDatabase &work);

// The number of rows in the list.
std::optional<qint64> countListed(const QSqlDatabase &work);

// The invoice numbers of the list, in its order; nothing when it cannot be read.
std::optional<QList<qint64>> listedNumbers(const QSqlDatabase &work);

// Ticks or unticks the list's row (its rowid).
bool setTicked(const QSqlDatabase &work, qint64 row, bool ticked);

struct DeleteOutcome {
    bool ok = false;      // committed (also when nothing was ticked)
    qint64 deleted = 0;   // invoices deleted
    qint64 remaining = 0; // rows left in the list
    explicit operator bool() const { return ok; }
};

// Deletes the ticked invoices (headers and lines) and their rows of the list, in one
// transaction. The invoice counter is not lowered.
DeleteOutcome Delete履歴(const QSqlDatabase &work);

} // namespace records::history
