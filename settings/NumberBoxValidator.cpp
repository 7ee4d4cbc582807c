#include "settings/NumberBoxValidator.h"

#include "app/Formats.h"

namespace settings {

NumberBoxValidator::NumberBoxValidator(double minimum, double maximum, int decimals, QObject *parent)
    : QValidator(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_decimals(decimals)
{
}

QValidator::State NumberBoxValidator::validate(QString &input, int &pos) const
{
    const QString normalized = formats::normalizeNumericInput(input);
    if (normalized != input) {
        // Full-width characters map one to one; blanks and separators may shorten the text.
        pos = qMin(pos - int(input.size() - normalized.size()), int(normalized.size()));
        pos = qMax(pos, 0);
        input = normalized;
    }
    if (input.isEmpty())
        return Acceptable;

    qsizetype i = 0;
    if (input.at(0) == QLatin1Char('-')) {
        if (m_minimum >= 0)
            return Invalid;
        ++i;
    }
    int digits = 0;
    int decimals = -1; // -1: no decimal point yet
    for (; i < input.size(); ++i) {
        const QChar c = input.at(i);
        if (c == QLatin1Char('.')) {
            if (decimals >= 0 || m_decimals == 0)
                return Invalid;
            decimals = 0;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            if (decimals >= 0) {
                if (++decimals > m_decimals)
                    return Invalid;
            } else {
                ++digits;
            }
        } else {
            return Invalid;
        }
    }
    if (digits == 0 && decimals <= 0)
        return Intermediate; // "-", "." or "-." on the way to a number

    const auto value = formats::parseNumber(input);
    if (!value)
        return Intermediate;
    if (*value > m_maximum || *value < m_minimum)
        return Invalid;
    return Acceptable;
}

} // namespace settings
