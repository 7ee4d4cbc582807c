#include "invoice/CellChecks.h"

#include "app/Formats.h"

#include <QRegularExpression>

namespace cells {

bool isNumberColumn(int column)
{
    return column == Col数量 || column == Col単価 || column == Col金額;
}

std::optional<Limits> limitsOf(int column)
{
    switch (column) {
    case Col数量:
        return formats::QuantityRange;
    case Col単価:
        return formats::UnitPriceRange;
    case Col金額:
        return formats::AmountRange;
    default:
        return std::nullopt;
    }
}

bool withinLimits(int column, double value)
{
    const auto limits = limitsOf(column);
    return limits && limits->contains(value);
}

QString singleLine(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\\r\\n|[\\r\\n\\t\\x{2028}\\x{2029}]"));
    QString out = text;
    return out.replace(breaks, QStringLiteral(" "));
}

Check checkCell(int column, const QString &typed, int 行番号, bool 小計, const QString &印刷用紙)
{
    Check check;
    if (印刷用紙 == B5Paper && 行番号 > B5LineLimit) {
        check.verdict = Verdict::RefuseB5;
        return check;
    }
    check.text = singleLine(typed);
    if (isNumberColumn(column) && !check.text.trimmed().isEmpty()) {
        check.number = formats::parseNumber(check.text);
        if (!check.number) {
            check.verdict = Verdict::RefuseNotNumeric;
            return check;
        }
    }
    if (column == Col品名)
        check.text = formats::sjisLeft(check.text, NameByteLimit);
    if (小計 && (column == Col品名 || column == Col数量 || column == Col単位 || column == Col単価 || column == Col軽減税率))
        check.verdict = Verdict::RefuseSubtotal;
    return check;
}

} // namespace cells
