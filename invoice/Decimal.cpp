#include "invoice/Decimal.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace calc {

namespace {

using Int = __int128;

constexpr Int pow10(int n)
{
    Int p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

constexpr Int kMagnitudeLimit = pow10(18); // of the whole part of a parsed value

std::optional<Int> scaledUp(Int units, int places)
{
    Int out = 0;
    if (__builtin_mul_overflow(units, pow10(places), &out))
        return std::nullopt;
    return out;
}

} // namespace

std::optional<Rounding> roundingFromText(const QString &text)
{
    if (text == u"四捨五入")
        return Rounding::HalfAwayFromZero;
    if (text == u"切り捨て")
        return Rounding::TowardZero;
    if (text == u"切り上げ")
        return Rounding::AwayFromZero;
    return std::nullopt;
}

QString unknownRoundingText(const QString &what, const QString &text)
{
    return QStringLiteral("端数処理（%1）の設定「%2」は使えないため、金額を計算できません。設定タブで選び直して登録してください。")
        .arg(what, text);
}

std::optional<Decimal> Decimal::fromText(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    Int units = 0;
    int places = 0;
    int digits = 0;
    bool point = false;
    bool roundUp = false;
    bool cut = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.' && !point) {
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        ++digits;
        const int d = c.unicode() - u'0';
        if (point && places == MaxPlaces) {
            if (!cut)
                roundUp = d >= 5;
            cut = true;
            continue;
        }
        units = units * 10 + d;
        if (point)
            ++places;
        if (units >= kMagnitudeLimit * pow10(places))
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    if (roundUp)
        ++units;
    return Decimal(negative ? -units : units, places);
}

std::optional<Decimal> Decimal::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return fromText(QString::number(value, 'f', QLocale::FloatingPointShortest));
}

std::optional<Decimal> Decimal::times(const Decimal &other) const
{
    Int units = 0;
    if (__builtin_mul_overflow(m_units, other.m_units, &units))
        return std::nullopt;
    return Decimal(units, m_places + other.m_places);
}

std::optional<qint64> Decimal::toWhole(Rounding rule) const
{
    // The rules work at eight places at least, where their nudges are exact: "切り捨て" adds
    // 0.00000001 to a positive value so that a product standing for a whole number stays it,
    // "切り上げ" adds 0.99999, so that a fraction below 0.00001 is dropped.
    const int places = std::max(m_places, 8);
    const auto units = scaledUp(m_units, places - m_places);
    if (!units)
        return std::nullopt;
    const Int one = pow10(places);
    Int nudge = 0;
    switch (rule) {
    case Rounding::TowardZero:
        nudge = *units > 0 ? pow10(places - 8) : 0;
        break;
    case Rounding::HalfAwayFromZero:
        nudge = one / 2;
        break;
    case Rounding::AwayFromZero:
        nudge = 99999 * pow10(places - 5);
        break;
    }
    // Zero and negative values move down, as the rules have always had it.
    const Int adjusted = *units > 0 ? *units + nudge : *units - nudge;
    const Int whole = adjusted / one; // truncates toward zero
    if (whole > std::numeric_limits<qint64>::max() || whole < std::numeric_limits<qint64>::min())
        return std::nullopt;
    return static_cast<qint64>(whole);
}

bool Decimal::isWhole() const
{
    return m_units % pow10(m_places) == 0;
}

QString Decimal::toString() const
{
    Int magnitude = m_units < 0 ? -m_units : m_units;
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (m_places > 0) {
        digits = digits.rightJustified(m_places + 1, u'0');
        digits.insert(digits.size() - m_places, u'.');
    }
    return m_units < 0 ? u'-' + digits : digits;
}

bool Decimal::operator==(const Decimal &other) const
{
    const int places = std::max(m_places, other.m_places);
    const auto a = scaledUp(m_units, places - m_places);
    const auto b = scaledUp(other.m_units, places - other.m_places);
    return a && b && *a == *b;
}

} // namespace calc
