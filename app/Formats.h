#pragma once
// The shown forms of numbers and dates, their parsing from what users type, and byte
// lengths in code page 932 (Shift_JIS), in one place.
//
// Era dates and Shift_JIS widths come from ICU, which knows every era boundary and the
// converter tables; nothing about them is written out here.
#include <QDate>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace formats {

// ---- numbers ----------------------------------------------------------------------------

enum class NumberFormat {
    Grouped,            // "#,###": thousands separators, no decimals, zero shows nothing
    GroupedZero,        // "#,##0": the same, zero shows "0"
    GroupedTwoDecimals, // "#,##0.00"
    Standard,           // "Standard": the same as "#,##0.00"
};

// "#,###", "#,##0", "#,##0.00" or "Standard"; nothing for any other text.
std::optional<NumberFormat> numberFormatFromText(const QString &text);

// Rounds half away from zero to the shown digits (1.005 shows as "1.01", as typed).
// NaN and infinities show nothing.
QString formatNumber(double value, NumberFormat format);
QString formatNumber(qint64 value, NumberFormat format);
inline QString formatNumber(int value, NumberFormat format) { return formatNumber(qint64(value), format); }

// Full-width digits, signs, period and comma made ASCII, surrounding blanks removed and
// thousands separators dropped: "１，２３４．５" -> "1234.5". The prolonged sound mark "ー"
// is left alone: it is not a minus.
QString normalizeNumericInput(const QString &text);

// A plain decimal number after normalisation ("-1,234.5", "１２"), within ±9999999999.99.
// No exponent, hex, inner blanks, NaN or infinity; a comma after the decimal point is refused.
std::optional<double> parseNumber(const QString &text);

// The same for whole numbers only (invoice numbers and the like).
std::optional<qint64> parseWholeNumber(const QString &text);

// The closed ranges of the numbers users type, wherever they type them: a quantity, a unit
// price (on an invoice line or in the product master) and a line amount.
struct NumberRange {
    double minimum;
    double maximum;
    constexpr bool contains(double value) const { return value >= minimum && value <= maximum; }
};
inline constexpr NumberRange QuantityRange{-999999.99, 999999.99};
inline constexpr NumberRange UnitPriceRange{-99999999.99, 99999999.99};
inline constexpr NumberRange AmountRange{-9999999999.0, 9999999999.0};

// ---- dates ------------------------------------------------------------------------------

// Pattern letters: ggg era name (令和), gg its first character, g its letter (R); ee two-digit
// era year, e era year; yyyy year, yy two-digit year; mm, m month; dd, d day. Anything else
// is copied as it stands.
enum class DateFormat {
    EraDate,             // "gggee年mm月dd日"   令和08年12月07日
    EraLetterSlash,      // "gee/mm/dd"        R08/12/07
    EraDateSpaced,       // "ggg ee年mm月dd日"  令和 08年12月07日
    WesternDate,         // "yyyy年mm月dd日"
    WesternSlash,        // "yyyy/mm/dd"
    WesternCompact,      // "yyyymmdd"
    EraMonthTitle,       // "gggee年mm月"       calendar titles
    WesternMonthTitle,   // "yyyy年mm月"
    EraMonthTitleSpaced, // "ggg ee年 mm月"
    WesternMonthTitleSpaced, // "yyyy年 mm月"
};

QString datePattern(DateFormat format);

// An invalid date shows nothing.
QString formatDate(const QDate &date, DateFormat format);
QString formatDate(const QDate &date, const QString &pattern);

struct EraYear {
    int era = 0;   // ICU's era number of the Japanese calendar
    QString name;  // 令和
    QString letter; // R
    int year = 0;  // 1 in the first year of the era
};
std::optional<EraYear> eraYearOf(const QDate &date);

// What a user types into a date box: era forms (令和8年12月7日, 令和元年5月1日, R8/12/7,
// r08.12.07, 令和 08年12月07日) and Western forms (2026/12/07, 2026-12-7, 2026年12月7日,
// 20261207), full-width digits included. An era date must lie inside its era: 平成32年 and
// 令和1年4月30日 are refused, as is any day that does not exist.
std::optional<QDate> parseDate(const QString &text);

// ---- text -------------------------------------------------------------------------------

// The first count characters of text as a reader counts them: a character outside the basic
// plane (𠮷), one with a combining or variation mark (葛󠄀) or an emoji sequence is one, and
// is never cut in half.
QString leftCharacters(const QString &text, int count);

// ---- code page 932 ----------------------------------------------------------------------

// Length in bytes in Shift_JIS (code page 932): ASCII and half-width katakana 1, kanji and
// other full-width characters 2. A character the code page lacks counts 1 (it would be '?').
int sjisByteLength(const QString &text);

// The longest beginning of text within maxBytes, never splitting a character.
QString sjisLeft(const QString &text, int maxBytes);

// text in code page 932, as Japanese Windows programs read it. The characters that Unicode
// spells apart from the code page (〜 U+301C, − U+2212, — U+2014, ‖ U+2016, ¢ £ ¬) are written
// as the code page's own (～ － ― ∥ ￠ ￡ ￢). Nothing when a character has no place in the code
// page; unmappable then lists each such character once, in order.
std::optional<QByteArray> toCp932(const QString &text, QString *unmappable = nullptr);

} // namespace formats
