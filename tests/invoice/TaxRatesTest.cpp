// Tax by rate: the standard rate and, beside 10 %, the reduced 8 % of marked lines, each
// rounded once per invoice; the 5 % default gives the figures it always gave.
#include "InvoiceTestUtil.h"

#include "invoice/LineOps.h"
#include "support/TestDataDir.h"

using namespace invoicetest;

namespace {

using Opt = std::optional<qint64>;
constexpr Opt None = std::nullopt;

struct RateCase {
    const char *name;
    calc::TaxBase base; // total, taxable, reduced taxable, percent
    const char16_t *mode;
    const char16_t *rounding;
    Opt 税抜計, 消費税, 合計;
    Opt 標準対象, 標準税, 軽減対象, 軽減税;
};

const RateCase kRates[] = {
    {"TenWithReducedLines", {3000, 3000, 1000, 10}, u"外税", u"四捨五入", 3000, 280, 3280, 2000, 200, 1000, 80},
    // 1234 × 10 % = 123.4 and 1235 × 8 % = 98.8, each rounded once.
    {"EachRateRoundedHalfUp", {2469, 2469, 1235, 10}, u"外税", u"四捨五入", 2469, 222, 2691, 1234, 123, 1235, 99},
    {"EachRateTruncated", {2469, 2469, 1235, 10}, u"外税", u"切り捨て", 2469, 221, 2690, 1234, 123, 1235, 98},
    {"EachRateCeiled", {2469, 2469, 1235, 10}, u"外税", u"切り上げ", 2469, 223, 2692, 1234, 124, 1235, 99},
    // Two reduced lines of 105: 16.8 rounded once is 17, where 8.4 + 8.4 rounded per line is 16.
    {"OnceForTheRateNotPerLine", {210, 210, 210, 10}, u"外税", u"四捨五入", 210, 17, 227, 0, 0, 210, 17},
    {"NonTaxableLinesOutsideBothRates", {3500, 3000, 1000, 10}, u"外税", u"四捨五入", 3500, 280, 3780, 2000, 200, 1000, 80},
    {"NegativeLines", {-2469, -2469, -1235, 10}, u"外税", u"四捨五入", -2469, -222, -2691, -1234, -123, -1235, -99},
    // Tax included: 1100 holds 100 at 10 %, 1080 holds 80 at 8 %.
    {"InsideWithReducedLines", {2180, 2180, 1080, 10}, u"内税", u"四捨五入", 2000, 180, 2180, 1100, 100, 1080, 80},
    // 1000 holds 90.9… at 10 % and 74.07… at 8 %.
    {"InsideHalfUp", {2000, 2000, 1000, 10}, u"内税", u"四捨五入", 1835, 165, 2000, 1000, 91, 1000, 74},
    {"InsideTruncated", {2000, 2000, 1000, 10}, u"内税", u"切り捨て", 1836, 164, 2000, 1000, 90, 1000, 74},
    {"InsideCeiled", {2000, 2000, 1000, 10}, u"内税", u"切り上げ", 1834, 166, 2000, 1000, 91, 1000, 75},
    {"InsideWithNonTaxableLine", {2280, 2180, 1080, 10}, u"内税", u"四捨五入", 2100, 180, 2280, 1100, 100, 1080, 80},
    {"TenWithoutReducedLines", {1234, 1234, 0, 10}, u"外税", u"四捨五入", 1234, 123, 1357, 1234, 123, None, None},
    {"OnlyReducedLines", {1000, 1000, 1000, 10}, u"外税", u"四捨五入", 1000, 80, 1080, 0, 0, 1000, 80},
    // At 8 % everything is at one rate: the marks do not matter.
    {"EightIsOneRate", {3000, 3000, 1000, 8}, u"外税", u"四捨五入", 3000, 240, 3240, 3000, 240, None, None},
    // The program's first rate: the figures of before, no amounts per rate.
    {"FiveAsBefore", {1234, 1234, 1000, 5}, u"外税", u"四捨五入", 1234, 62, 1296, None, None, None, None},
    {"FiveInsideAsBefore", {1150, 1050, 500, 5}, u"内税", u"四捨五入", 1100, 50, 1150, None, None, None, None},
    {"NoTaxAtTen", {3000, 3000, 1000, 10}, u"非課税", u"四捨五入", 3000, None, 3000, None, None, None, None},
    {"UnknownRateDecidesNoTax", {3000, 3000, 0, 7}, u"外税", u"四捨五入", 3000, None, None, None, None, None, None},
    {"ZeroTotal", {0, 0, 0, 10}, u"外税", u"四捨五入", 0, None, None, None, None, None, None},
    // Ninety-nine lines at the line limit, half of them reduced.
    {"LargestTotals", {989999999901, 989999999901, 494999999950, 10}, u"外税", u"切り捨て", 989999999901,
     89099999991, 1079099999892, 494999999951, 49499999995, 494999999950, 39599999996},
};

void PrintTo(const RateCase &c, std::ostream *os)
{
    *os << c.name;
}

class Rates : public ::testing::TestWithParam<RateCase>
{
};

TEST_P(Rates, EachRateIsTaxedAndRoundedOnce)
{
    const auto &c = GetParam();
    const calc::Amounts a = calc::computeAmounts(c.base, QString::fromUtf16(c.mode), QString::fromUtf16(c.rounding),
                                                 std::nullopt, true);
    EXPECT_EQ(a.税抜計, c.税抜計);
    EXPECT_EQ(a.消費税, c.消費税);
    EXPECT_EQ(a.合計, c.合計);
    EXPECT_EQ(a.請求金額, c.合計);
    EXPECT_EQ(a.標準税率対象, c.標準対象);
    EXPECT_EQ(a.標準税率消費税, c.標準税);
    EXPECT_EQ(a.軽減税率対象, c.軽減対象);
    EXPECT_EQ(a.軽減税率消費税, c.軽減税);
    if (a.標準税率消費税 && a.消費税)
        EXPECT_EQ(*a.標準税率消費税 + a.軽減税率消費税.value_or(0), *a.消費税) << "the invoice's tax is the sum of the rates'";
    // At 5 % the figures are exactly those of the calculation without rates.
    if (c.base.percent == calc::TaxPercent)
        EXPECT_EQ(a, calc::computeAmounts(c.base.total, c.base.taxable, QString::fromUtf16(c.mode),
                                          QString::fromUtf16(c.rounding), std::nullopt, true));
}

INSTANTIATE_TEST_SUITE_P(Cases, Rates, ::testing::ValuesIn(kRates), [](const auto &info) { return std::string(info.param.name); });

class RateLines : public GlobalsReset
{
protected:
    TestDataDir dir;
    void SetUp() override
    {
        GlobalsReset::SetUp();
        ASSERT_TRUE(detail::Clear明細ワーク(db::work()));
    }
};

TEST_F(RateLines, TheMarkedTaxableLinesSumApartAndSubtotalsStayAsTheyWere)
{
    auto marked = [](int number, qint64 amount, bool taxFree = false) {
        DetailLine l = amountLine(number, QStringLiteral("軽減%1").arg(number), amount, taxFree);
        l.軽減税率 = true;
        return l;
    };
    write(amountLine(1, QStringLiteral("標準"), 2000));
    write(marked(2, 1000));
    write(marked(3, 500, true)); // non-taxable wins over the mark
    DetailLine subtotal;
    subtotal.行番号 = 4;
    subtotal.品名 = lines::SubtotalName;
    subtotal.小計 = true;
    subtotal.軽減税率 = true; // a stray mark on a subtotal row counts for nothing
    write(subtotal);
    write(marked(5, -100));
    write(amountLine(6, QStringLiteral("値引"), -300));

    const auto sums = calc::Calc明細(db::work());
    ASSERT_TRUE(sums);
    EXPECT_EQ(sums->total, 2000 + 1000 + 500 - 100 - 300);
    EXPECT_EQ(sums->taxable, 2000 + 1000 - 100 - 300);
    EXPECT_EQ(sums->reducedTaxable, 1000 - 100);
    EXPECT_EQ(line(4).金額, 3500);
    const calc::Amounts a = calc::computeAmounts(sums->base(10), QStringLiteral("外税"), QStringLiteral("四捨五入"),
                                                 std::nullopt, true);
    EXPECT_EQ(a.標準税率対象, 1700);
    EXPECT_EQ(a.軽減税率対象, 900);
    EXPECT_EQ(a.消費税, 170 + 72);

    // Moving lines keeps their marks.
    ASSERT_TRUE(lines::LineDelete(db::work(), 1));
    EXPECT_TRUE(line(1).軽減税率);
    EXPECT_EQ(calc::Calc明細(db::work())->reducedTaxable, 900);
}

} // namespace
