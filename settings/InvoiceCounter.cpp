#include "settings/InvoiceCounter.h"

#include "app/Database.h"
#include "app/Formats.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace counter {

namespace {

// The stored maximum: 0 when nothing is saved yet, nothing when the file cannot be read.
std::optional<qint64> storedMaximum(const QSqlDatabase &database = db::data())
{
    QSqlQuery q(database);
    if (!db::exec(q, QStringLiteral("SELECT 最大請求書番号 FROM 自社情報 ORDER BY rowid LIMIT 1")))
        return std::nullopt;
    if (!q.next())
        return 0;
    // Null, an empty text or anything unreadable counts as "nothing saved yet".
    return formats::parseWholeNumber(q.value(0).toString()).value_or(0);
}

} // namespace

std::optional<qint64> nextInvoiceNumber()
{
    const auto stored = storedMaximum();
    if (!stored || *stored >= MaxInvoiceNumber)
        return std::nullopt;
    return std::max<qint64>(*stored, 0) + 1;
}

bool invoiceNumbersUsedUp()
{
    const auto stored = storedMaximum();
    return stored && *stored >= MaxInvoiceNumber;
}

bool recordInvoiceNumber(const QSqlDatabase &database, qint64 n)
{
    // A Null maximum takes n itself: storing anything lower would make the next proposal a
    // number that is already taken. An empty text (which only a local file can hold in the
    // column) is compared as text: the server takes no text for a number.
    QSqlQuery update(database);
    if (!db::exec(update,
                  QStringLiteral("UPDATE 自社情報 SET 最大請求書番号 = CASE "
                                 "WHEN 最大請求書番号 IS NULL OR CAST(最大請求書番号 AS TEXT) = '' THEN ? "
                                 "WHEN 最大請求書番号 < ? THEN ? "
                                 "ELSE 最大請求書番号 END "
                                 "WHERE rowid = (SELECT min(rowid) FROM 自社情報)"),
                  {std::max<qint64>(n, 1), n, n}))
        return false;
    if (update.numRowsAffected() > 0)
        return true;
    return db::exec(database, QStringLiteral("INSERT INTO 自社情報 (最大請求書番号) VALUES (?)"), {n});
}

std::optional<qint64> nextFreeNumber(const QSqlDatabase &database)
{
    const auto counted = storedMaximum(database);
    QSqlQuery q(database);
    if (!counted || !db::exec(q, QStringLiteral("SELECT COALESCE(max(伝票番号), 0) FROM 請求書ヘッダ")) || !q.next())
        return std::nullopt;
    const qint64 highest = std::max(*counted, q.value(0).toLongLong());
    return highest >= MaxInvoiceNumber ? 0 : highest + 1;
}

bool setMaxInvoiceNumber(qint64 n)
{
    QSqlDatabase database = db::data();
    db::Transaction transaction(database);
    if (!transaction.isActive())
        return false;
    if (!recordInvoiceNumber(database, n))
        return false;
    return transaction.commit();
}

} // namespace counter

namespace ModQLNV {

QString Proc管理(const QString &item, const QString &mode, const QString &value, bool *ok)
{
    if (ok)
        *ok = true;
    if (item != QStringLiteral("最大請求書番号"))
        return {};

    if (mode == QStringLiteral("Get")) {
        const auto next = counter::nextInvoiceNumber();
        if (!next) {
            if (ok)
                *ok = counter::invoiceNumbersUsedUp();
            return {};
        }
        return QString::number(*next);
    }

    if (mode == QStringLiteral("Set")) {
        const auto n = formats::parseWholeNumber(value);
        if (!n)
            return {};
        const bool stored = counter::setMaxInvoiceNumber(*n);
        if (ok)
            *ok = stored;
    }
    return {};
}

} // namespace ModQLNV
