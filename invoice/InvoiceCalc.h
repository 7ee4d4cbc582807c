#pragma once
// The invoice calculation Calc明細: line amounts, the consumption tax, the four amount fields
// and the subtotal rows of w明細.
//
// The tax arithmetic is a pure function of the sums and the settings, so that every tax mode
// and rounding method can be checked without a database; the database part reads the lines
// once, rewrites the subtotal rows in one transaction and hands the sums back.
#include "invoice/Decimal.h"
#include "invoice/InvoiceData.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace calc {

// The consumption tax rate of an invoice, in percent: 5 (the program's first and default
// rate), 8 or 10. Beside 10, lines marked 軽減税率 are taxed at the reduced 8.
inline constexpr int TaxPercent = 5;
inline constexpr int ReducedPercent = 8;
bool isTaxPercent(int percent);

// quantity × unit price under the line rounding, from the decimals the two stand for;
// nothing unless both are there. The amount is not limited: a product beyond what a line can
// hold (formats::AmountRange) comes back as it is, or as the nearest 64-bit value, for the
// caller to refuse.
std::optional<qint64> lineAmount(std::optional<double> 数量, std::optional<double> 単価, Rounding 行端数);

// taxable × percent ("外税") and the tax contained in taxable ("内税"), exactly and for any
// total the lines can reach.
qint64 taxOnTop(qint64 taxable, Rounding rule, int percent = TaxPercent);
qint64 taxIncluded(qint64 taxable, Rounding rule, int percent = TaxPercent);

// The four amount fields of the invoice tab, and the taxable sum and tax of each rate; nothing
// shows an empty field.
struct Amounts {
    std::optional<qint64> 税抜計;
    std::optional<qint64> 消費税;
    std::optional<qint64> 合計;
    std::optional<qint64> 請求金額;
    // For an invoice taxed at 8 or 10 %: the standard rate's taxable sum (without the tax for
    // "外税", with it for "内税") and its tax; the reduced rate's beside 10 % when a line is
    // taxed at it. At the program's first rate of 5 % these stay empty, as before.
    std::optional<qint64> 標準税率対象;
    std::optional<qint64> 標準税率消費税;
    std::optional<qint64> 軽減税率対象;
    std::optional<qint64> 軽減税率消費税;
    bool operator==(const Amounts &) const = default;
};

// What the tax is computed from: total, the sum of every line that is not a subtotal row;
// taxable, the same without the non-taxable lines; reducedTaxable, the part of taxable on
// lines marked 軽減税率; the invoice's rate in percent.
struct TaxBase {
    qint64 total = 0;
    qint64 taxable = 0;
    qint64 reducedTaxable = 0;
    int percent = TaxPercent;
};

// 税区分 "外税" adds the tax, "内税" takes it out of the taxable lines (税抜計 is then
// total − tax, so that 税抜計 + 消費税 = 合計 also with non-taxable lines), anything else has no
// tax. The tax of each rate is rounded once, by taxRounding (the settings text), and the
// invoice's tax is their sum. A rounding text that names no rule, or a rate that is none of
// 5, 8 and 10, leaves 消費税 and 合計 empty. 請求金額 follows 合計 while lineAmountEdited, keeps
// current otherwise, and is empty when the total is 0.
Amounts computeAmounts(const TaxBase &base, const QString &税区分, const QString &taxRounding,
                       std::optional<qint64> current請求金額, bool lineAmountEdited);
// The same at 5 % with no reduced-rate lines.
Amounts computeAmounts(qint64 total, qint64 taxable, const QString &税区分, const QString &taxRounding,
                       std::optional<qint64> current請求金額, bool lineAmountEdited);

struct LineSums {
    qint64 total = 0;
    qint64 taxable = 0;
    qint64 reducedTaxable = 0; // the part of taxable on lines marked 軽減税率
    QList<int> changedSubtotalRows; // 行番号 of the subtotal rows whose amount was rewritten
    TaxBase base(int percent) const { return {total, taxable, reducedTaxable, percent}; }
};

// Sums the lines of w明細 and writes into every subtotal row the sum of the lines since the
// previous subtotal row. Runs in the caller's transaction, if any.
std::optional<LineSums> sumLines(const QSqlDatabase &work);

// Writes one line and recomputes, in one transaction: the line and the subtotal rows never
// disagree, and an accepted cell costs one commit.
std::optional<LineSums> writeLineAndCalc(const QSqlDatabase &work, const DetailLine &line);

// sumLines in a transaction of its own. Nothing when the table could not be read or written
// (then nothing was changed).
std::optional<LineSums> Calc明細(const QSqlDatabase &work);

} // namespace calc
