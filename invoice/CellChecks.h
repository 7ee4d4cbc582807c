#pragma once
// The checks a changed cell of the detail grid passes before it is accepted, in their order:
// the B5 line limit, numbers in the number columns, the byte limit of product names, and the
// protection of subtotal rows. Pure functions of the typed text and the line.
#include "app/Formats.h"

#include <QString>

#include <optional>

namespace cells {

// The shown columns of Grid明細, by index (the line number is column 0 and hidden).
enum Column : int {
    Col行番号 = 0,
    Col品名 = 1,
    Col入数 = 2,
    Col数量 = 3,
    Col単位 = 4,
    Col単価 = 5,
    Col金額 = 6,
    // The reduced-rate mark: last in the table, shown after 金額 while the invoice's rate is
    // 10 %. It is not typed into but switched on and off (the text ReducedMark or empty).
    Col軽減税率 = 10,
};

inline const QString ReducedMark = QStringLiteral("※");

// A product name takes at most this many bytes in Shift_JIS (25 full-width characters).
inline constexpr int NameByteLimit = 50;
// A B5 invoice prints this many lines; later lines take no input.
inline constexpr int B5LineLimit = 12;
inline const QString B5Paper = QStringLiteral("B5白紙");

bool isNumberColumn(int column);

// The closed range of a number column: 数量 ±999999.99, 単価 ±99999999.99, 金額 ±9999999999.
using Limits = formats::NumberRange;
std::optional<Limits> limitsOf(int column);
bool withinLimits(int column, double value);

// Cells hold one line: pasted line breaks and tabs become blanks.
QString singleLine(const QString &text);

enum class Verdict {
    Accept,
    RefuseB5,         // a line after the twelfth of a B5 invoice
    RefuseNotNumeric, // a number column got something that is not a plain number
    RefuseSubtotal,   // 品名, 数量, 単位, 単価 or the reduced-rate mark of a subtotal row
};

struct Check {
    Verdict verdict = Verdict::Accept;
    QString text;                 // the text to accept: on one line, a name cut to its byte limit
    std::optional<double> number; // the number of a number column; nothing for an empty cell
};

// An empty number cell is accepted: it clears the value. Full-width digits and signs and
// thousands separators are read as the plain number they stand for.
Check checkCell(int column, const QString &typed, int 行番号, bool 小計, const QString &印刷用紙);

} // namespace cells
