#include "invoice/InvoiceCalc.h"

#include "app/Database.h"

#include <QSqlQuery>
#include <QVariant>

#include <limits>

namespace calc {

std::optional<qint64> lineAmount(std::optional<double> 数量, std::optional<double> 単価, Rounding 行端数)
{
    if (!数量 || !単価)
        return std::nullopt;
    const auto quantity = Decimal::fromDouble(*数量);
    const auto price = Decimal::fromDouble(*単価);
    const bool negative = (*数量 < 0) != (*単価 < 0);
    constexpr qint64 beyond = std::numeric_limits<qint64>::max();
    if (!quantity || !price)
        return negative ? -beyond : beyond;
    const auto product = quantity->times(*price);
    const auto amount = product ? product->toWhole(行端数) : std::nullopt;
    if (!amount)
        return negative ? -beyond : beyond;
    return amount;
}

bool isTaxPercent(int percent)
{
    return percent == 5 || percent == 8 || percent == 10;
}

qint64 taxOnTop(qint64 taxable, Rounding rule, int percent)
{
    // A qint64 times a rate of two places, scaled to eight places, fits in 128 bits, and a
    // tenth of it fits in 64: there is always a result.
    return Decimal::whole(taxable).times(Decimal::scaled(percent, 2))->toWhole(rule).value_or(0);
}

qint64 taxIncluded(qint64 taxable, Rounding rule, int percent)
{
    // The net part is taxable / (1 + rate) kept to four places like a currency value, rounded
    // half away from zero; the tax is what remains, rounded by the rule.
    const __int128 scaled = __int128(taxable) * 10000 * 100;
    const __int128 divisor = 100 + percent;
    __int128 net = scaled / divisor;
    const __int128 rest = scaled % divisor;
    if (2 * (rest < 0 ? -rest : rest) >= divisor)
        net += scaled < 0 ? -1 : 1;
    return Decimal::scaled(__int128(taxable) * 10000 - net, 4).toWhole(rule).value_or(0);
}

Amounts computeAmounts(const TaxBase &base, const QString &税区分, const QString &taxRounding,
                       std::optional<qint64> current請求金額, bool lineAmountEdited)
{
    Amounts a;
    a.税抜計 = base.total;
    if (base.total == 0)
        return a; // 請求金額, 消費税 and 合計 stay empty

    const bool onTop = 税区分 == u"外税";
    const bool included = 税区分 == u"内税";
    const auto rule = roundingFromText(taxRounding);
    if ((onTop || included) && (!rule || !isTaxPercent(base.percent))) {
        // No tax can be decided: the tax, the total and the amount invoiced stay empty rather
        // than show a figure of a rule or rate nobody chose.
        a.請求金額 = lineAmountEdited ? std::nullopt : current請求金額;
        return a;
    }
    if (onTop || included) {
        // Beside 10 %, the lines marked 軽減税率 form a group of their own at 8 %; each group's
        // tax is rounded once.
        const bool split = base.percent == 10 && base.reducedTaxable != 0;
        const qint64 reduced = split ? base.reducedTaxable : 0;
        const qint64 standard = base.taxable - reduced;
        const auto taxOf = [&](qint64 taxable, int percent) {
            return onTop ? taxOnTop(taxable, *rule, percent) : taxIncluded(taxable, *rule, percent);
        };
        const qint64 standardTax = taxOf(standard, base.percent);
        const qint64 reducedTax = split ? taxOf(reduced, ReducedPercent) : 0;
        const qint64 tax = standardTax + reducedTax;
        a.消費税 = tax;
        a.税抜計 = onTop ? base.total : base.total - tax;
        a.合計 = onTop ? base.total + tax : base.total;
        if (base.percent != TaxPercent) {
            a.標準税率対象 = standard;
            a.標準税率消費税 = standardTax;
        }
        if (split) {
            a.軽減税率対象 = reduced;
            a.軽減税率消費税 = reducedTax;
        }
    } else {
        a.合計 = base.total;
    }
    a.請求金額 = lineAmountEdited ? a.合計 : current請求金額;
    return a;
}

Amounts computeAmounts(qint64 total, qint64 taxable, const QString &税区分, const QString &taxRounding,
                       std::optional<qint64> current請求金額, bool lineAmountEdited)
{
    return computeAmounts(TaxBase{total, taxable, 0, TaxPercent}, 税区分, taxRounding, current請求金額, lineAmountEdited);
}

std::optional<LineSums> sumLines(const QSqlDatabase &work)
{
    struct Row {
        int 行番号;
        std::optional<qint64> 金額;
        bool 小計;
        bool 非課税;
        bool 軽減税率;
    };
    QList<Row> rows;
    {
        QSqlQuery q(work);
        q.setForwardOnly(true);
        if (!db::exec(q, QStringLiteral("SELECT 行番号, 金額, 小計, 非課税, 軽減税率 FROM w明細 ORDER BY 行番号")))
            return std::nullopt;
        while (q.next()) {
            const QVariant amount = q.value(1);
            rows.append({q.value(0).toInt(), amount.isNull() ? std::nullopt : std::optional<qint64>(amount.toLongLong()),
                         q.value(2).toInt() != 0, q.value(3).toInt() != 0, q.value(4).toInt() != 0});
        }
    }

    LineSums sums;
    qint64 running = 0;
    QSqlQuery update(work);
    for (const Row &row : rows) {
        if (!row.小計) {
            const qint64 amount = row.金額.value_or(0);
            sums.total += amount;
            if (!row.非課税) {
                sums.taxable += amount;
                if (row.軽減税率)
                    sums.reducedTaxable += amount;
            }
            running += amount;
            continue;
        }
        if (row.金額 != running) {
            if (!db::exec(update, QStringLiteral("UPDATE w明細 SET 金額 = ? WHERE 行番号 = ?"), {running, row.行番号}))
                return std::nullopt;
            sums.changedSubtotalRows << row.行番号;
        }
        running = 0;
    }
    return sums;
}

std::optional<LineSums> writeLineAndCalc(const QSqlDatabase &work, const DetailLine &line)
{
    db::Transaction tx(work);
    if (!tx.isActive() || !detail::writeLine(work, line))
        return std::nullopt;
    auto sums = sumLines(work);
    if (!sums || !tx.commit())
        return std::nullopt;
    return sums;
}

std::optional<LineSums> Calc明細(const QSqlDatabase &work)
{
    db::Transaction tx(work);
    if (!tx.isActive())
        return std::nullopt;
    auto sums = sumLines(work);
    if (!sums || !tx.commit())
        return std::nullopt;
    return sums;
}

} // namespace calc
