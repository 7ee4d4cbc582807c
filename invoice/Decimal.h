#pragma once
// Exact decimals for the invoice calculation: quantities, unit prices, their products and the
// tax, as scaled integers, and the three rounding rules of the settings.
//
// A double cannot hold 4.1 or 0.29: 4.1 × 15 comes out a hair below 61.5 and rounds to 61,
// while the grid shows 4.10 and 15 and the printed invoice says 62. The calculation therefore
// takes the digits a stored double stands for (its shortest text that reads back as the same
// double: what the user typed and the grid shows) and multiplies them as integers.
#include <QString>
#include <QtGlobal>

#include <optional>

namespace calc {

enum class Rounding {
    HalfAwayFromZero, // "四捨五入"
    TowardZero,       // "切り捨て"
    AwayFromZero,     // "切り上げ"
};

// The rule a settings text names; nothing for any other text. A settings row that holds
// another text (an older copy's, or a damaged one) rounds nothing: the amounts it would
// decide are refused or left empty until the setting is chosen again.
std::optional<Rounding> roundingFromText(const QString &text);

// What the user is told when a rounding setting names no rule; what is the setting's name
// ("行端数", "税端数").
QString unknownRoundingText(const QString &what, const QString &text);

// units × 10^-places, places at most 2 × MaxPlaces (a product of two parsed values).
class Decimal
{
public:
    // Digits after the ninth decimal place are rounded half away from zero when read: no
    // quantity or price carries them, and a double's shortest text has them only as noise
    // (0.1 + 0.2 is 0.30000000000000004).
    static constexpr int MaxPlaces = 9;

    Decimal() = default;
    static Decimal whole(qint64 value) { return Decimal(value, 0); }
    static Decimal scaled(__int128 units, int places) { return Decimal(units, places); }

    // An optional sign, digits, an optional point and digits ("-1234.5", "0.29", ".5");
    // nothing for anything else or a value beyond ±10^18.
    static std::optional<Decimal> fromText(const QString &text);
    // The decimal a double stands for; nothing for NaN, infinities and values beyond ±10^18.
    static std::optional<Decimal> fromDouble(double value);

    // The exact product; nothing when it cannot be held.
    std::optional<Decimal> times(const Decimal &other) const;
    // Whole units by the rule; nothing when the result does not fit in 64 bits.
    std::optional<qint64> toWhole(Rounding rule) const;

    bool isWhole() const;
    QString toString() const; // plain digits, for messages and test output

    // Equal values compare equal whatever their places (1.50 == 1.5).
    bool operator==(const Decimal &other) const;

private:
    Decimal(__int128 units, int places) : m_units(units), m_places(places) {}

    __int128 m_units = 0;
    int m_places = 0;
};

} // namespace calc
