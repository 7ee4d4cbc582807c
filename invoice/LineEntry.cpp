#include "invoice/LineEntry.h"

#include "invoice/InvoiceCalc.h"

#include <cmath>

namespace entry {

namespace {

using cells::Verdict;

// A refusal leaves the line as it is, except on B5 paper, where the line loses its unit
// price and unit.
CellResult refusal(const DetailLine &line, Verdict verdict)
{
    CellResult r;
    r.line = line;
    switch (verdict) {
    case Verdict::RefuseB5:
        r.outcome = Outcome::RefusedB5;
        r.line.単価.reset();
        r.line.単位.clear();
        break;
    case Verdict::RefuseNotNumeric:
        r.outcome = Outcome::RefusedNotNumeric;
        break;
    case Verdict::RefuseSubtotal:
        r.outcome = Outcome::RefusedSubtotal;
        break;
    case Verdict::Accept:
        break;
    }
    return r;
}

// A number within its limits, or nothing (and the cursor stays) when it is outside them.
std::optional<double> limited(int column, std::optional<double> number, CellResult &r)
{
    if (number && !cells::withinLimits(column, *number)) {
        r.keepColumn = true;
        return std::nullopt;
    }
    return number;
}

CellResult refusedAs(const DetailLine &line, Outcome outcome)
{
    CellResult r;
    r.line = line;
    r.outcome = outcome;
    return r;
}

bool holdsAmount(std::optional<qint64> amount)
{
    return !amount || formats::AmountRange.contains(double(*amount));
}

std::optional<double> priceOrNothing(double price)
{
    return price == 0 ? std::nullopt : std::optional<double>(price);
}

} // namespace

CellResult editCell(const DetailLine &line, int column, const QString &typed, const Rules &rules,
                    const ProductLookup &seek商品)
{
    const cells::Check check = cells::checkCell(column, typed, line.行番号, line.小計, rules.印刷用紙);
    if (check.verdict != Verdict::Accept)
        return refusal(line, check.verdict);

    CellResult r;
    r.line = line;
    DetailLine &l = r.line;
    switch (column) {
    case cells::Col品名: {
        l.品名 = check.text.trimmed();
        const picklists::Product product = seek商品 ? seek商品(l.品名) : picklists::Product{};
        l.単位 = product.単位;
        l.単価 = priceOrNothing(product.単価);
        l.非課税 = product.非課税;
        l.ふりがな = product.ふりがな;
        l.軽減税率 = product.軽減税率;
        break;
    }
    case cells::Col入数:
    case cells::Col単位:
        (column == cells::Col入数 ? l.入数 : l.単位) = check.text;
        if (!check.text.isEmpty()) {
            r.codeKind = column == cells::Col入数 ? rules.packSizeKind : picklists::UnitKind;
            r.codeName = check.text;
        }
        break;
    case cells::Col数量:
    case cells::Col単価: {
        if (!rules.decimals && check.number && std::trunc(*check.number) != *check.number)
            return refusedAs(line, Outcome::RefusedFraction);
        const auto rule = calc::roundingFromText(rules.行端数);
        if (!rule)
            return refusedAs(line, Outcome::RefusedRounding);
        (column == cells::Col数量 ? l.数量 : l.単価) = limited(column, check.number, r);
        const auto amount = calc::lineAmount(l.数量, l.単価, *rule);
        // A line whose amount could not be stored or printed is not taken.
        if (!holdsAmount(amount))
            return refusedAs(line, Outcome::RefusedAmountLimit);
        l.金額 = amount;
        r.amountEdited = true;
        break;
    }
    case cells::Col軽減税率:
        // The line's tax changes, and with it the total: the amount invoiced follows.
        l.軽減税率 = !check.text.isEmpty();
        r.amountEdited = l.軽減税率 != line.軽減税率;
        break;
    case cells::Col金額: {
        // Amounts are whole yen: a typed fraction goes by the line rounding.
        const auto rule = calc::roundingFromText(rules.行端数);
        if (!rule)
            return refusedAs(line, Outcome::RefusedRounding);
        const auto amount = limited(column, check.number, r);
        const auto exact = amount ? calc::Decimal::fromDouble(*amount) : std::nullopt;
        l.金額 = exact ? exact->toWhole(*rule) : std::nullopt;
        r.amountEdited = true;
        break;
    }
    default:
        break;
    }
    return r;
}

CellResult pickProduct(const DetailLine &line, const PickedProduct &product, const Rules &rules)
{
    const cells::Check check = cells::checkCell(cells::Col品名, product.品名, line.行番号, line.小計, rules.印刷用紙);
    if (check.verdict != Verdict::Accept)
        return refusal(line, check.verdict);
    CellResult r;
    r.line = line;
    r.line.品名 = check.text.trimmed();
    r.line.入数 = product.入数;
    r.line.単位 = product.単位;
    r.line.単価 = priceOrNothing(product.単価.value_or(0));
    r.line.非課税 = product.非課税;
    r.line.ふりがな = product.ふりがな;
    r.line.軽減税率 = product.軽減税率;
    return r;
}

CellResult chooseProduct(const DetailLine &line, const PickedProduct &product, const Rules &rules)
{
    const QString name = product.品名.isEmpty() ? line.品名 : product.品名;
    const cells::Check check = cells::checkCell(cells::Col品名, name, line.行番号, line.小計, rules.印刷用紙);
    if (check.verdict != Verdict::Accept)
        return refusal(line, check.verdict);
    CellResult r;
    r.line = line;
    DetailLine &l = r.line;
    if (!product.品名.isEmpty())
        l.品名 = check.text.trimmed();
    if (!product.単位.isEmpty())
        l.単位 = product.単位;
    if (!product.ふりがな.isEmpty())
        l.ふりがな = product.ふりがな;
    l.非課税 = product.非課税;
    l.軽減税率 = product.軽減税率;
    // A price the line could not hold, or whose amount it could not hold, is no price to
    // put in.
    const auto price = priceOrNothing(product.単価.value_or(0));
    const auto rule = calc::roundingFromText(rules.行端数);
    if (l.数量 && price && !rule)
        return refusedAs(line, Outcome::RefusedRounding);
    if (price && cells::withinLimits(cells::Col単価, *price)) {
        const auto amount = rule ? calc::lineAmount(l.数量, price, *rule) : std::nullopt;
        if (holdsAmount(amount)) {
            l.単価 = price;
            if (l.数量) {
                l.金額 = amount;
                r.amountEdited = true;
            }
        }
    }
    return r;
}

} // namespace entry
