#include "invoice/LineOps.h"

#include "app/Database.h"
#include "invoice/InvoiceCalc.h"
#include "invoice/InvoiceData.h"

#include <QSqlQuery>
#include <QVariant>

namespace lines {

namespace {

// Every column but the number, in table order, so that a moved line keeps all of them.
const QString MovedColumns = QStringLiteral("品名, 入数, 数量, 単位, 単価, 金額, 小計, 非課税, ふりがな, 軽減税率");

bool copyToScratch(const QSqlDatabase &work)
{
    return db::exec(work, QStringLiteral("DELETE FROM w明細ソート"))
        && db::exec(work, QStringLiteral("INSERT INTO w明細ソート SELECT * FROM w明細 ORDER BY 行番号"));
}

// Lines from 行番号 on are taken out; the scratch copy still holds them.
bool dropFrom(const QSqlDatabase &work, int 行番号)
{
    return db::exec(work, QStringLiteral("DELETE FROM w明細 WHERE 行番号 >= ?"), {行番号});
}

// Copies the scratch lines numbered first.. back, shifted by offset, as far as line 99.
bool moveBack(const QSqlDatabase &work, int first, int offset)
{
    return db::exec(work,
                    QStringLiteral("INSERT INTO w明細 (行番号, %1) SELECT 行番号 + ?, %1 FROM w明細ソート "
                                   "WHERE 行番号 >= ? AND 行番号 + ? <= ? ORDER BY 行番号")
                        .arg(MovedColumns),
                    {offset, first, offset, DetailLineCount});
}

std::optional<bool> isSubtotal(const QSqlDatabase &work, int 行番号)
{
    if (行番号 < 1 || 行番号 > DetailLineCount)
        return false;
    const auto line = detail::readLine(work, 行番号);
    if (!line)
        return std::nullopt;
    return line->小計;
}

} // namespace

SubtotalResult Create小計(const QSqlDatabase &work, int 行番号)
{
    if (行番号 < 1 || 行番号 > DetailLineCount)
        return SubtotalResult::Failed;
    if (行番号 == 1)
        return SubtotalResult::FirstLine;
    const auto above = isSubtotal(work, 行番号 - 1);
    const auto below = isSubtotal(work, 行番号 + 1);
    if (!above || !below)
        return SubtotalResult::Failed;
    if (*above)
        return SubtotalResult::BelowSubtotal;
    if (*below)
        return SubtotalResult::AboveSubtotal;
    const auto last = detail::readLine(work, DetailLineCount);
    if (!last)
        return SubtotalResult::Failed;
    if (!last->isEmpty())
        return SubtotalResult::NoRoom;

    db::Transaction tx(work);
    if (!tx.isActive() || !copyToScratch(work))
        return SubtotalResult::Failed;

    DetailLine row;
    row.行番号 = 行番号;
    row.品名 = SubtotalName;
    row.小計 = true;
    if (!dropFrom(work, 行番号) || !detail::writeLine(work, row) || !moveBack(work, 行番号, 1)
        || !calc::sumLines(work))
        return SubtotalResult::Failed;
    return tx.commit() ? SubtotalResult::Created : SubtotalResult::Failed;
}

bool LineDelete(const QSqlDatabase &work, int 行番号)
{
    if (行番号 < 1 || 行番号 > DetailLineCount)
        return false;
    db::Transaction tx(work);
    if (!tx.isActive() || !copyToScratch(work) || !dropFrom(work, 行番号) || !moveBack(work, 行番号 + 1, -1))
        return false;
    // Line 99 (and any number the copy left out) comes back blank.
    if (!db::exec(work,
                  QStringLiteral("WITH RECURSIVE n(i) AS (SELECT ? UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                                 "INSERT INTO w明細 (行番号, 小計, 非課税) SELECT i, 0, 0 FROM n "
                                 "WHERE i NOT IN (SELECT 行番号 FROM w明細)"),
                  {行番号, DetailLineCount})
        || !calc::sumLines(work))
        return false;
    return tx.commit();
}

} // namespace lines
