// The invoice calculation: line amounts, tax by mode and rounding, 請求金額, subtotal groups.
#include "InvoiceTestUtil.h"

#include "invoice/LineOps.h"
#include "support/TestDataDir.h"

using namespace invoicetest;

namespace calc {
void PrintTo(const Decimal &d, std::ostream *os)
{
    *os << d.toString().toStdString();
}
} // namespace calc

namespace {

constexpr auto HalfUp = calc::Rounding::HalfAwayFromZero;
constexpr auto Down = calc::Rounding::TowardZero;
constexpr auto Up = calc::Rounding::AwayFromZero;

struct LineAmountCase {
    const char *name;
    std::optional<double> quantity;
    std::optional<double> price;
    calc::Rounding rounding;
    std::optional<qint64> amount;
};

const LineAmountCase kLineAmounts[] = {
    {"HalfYenRoundsUp", 3, 333.5, HalfUp, 1001},
    {"HalfYenTruncated", 3, 333.5, Down, 1000},
    {"HalfYenCeiled", 3, 333.5, Up, 1001},
    {"WholeProductUnchangedByCeiling", 4, 250, Up, 1000},
    {"NegativeQuantityRoundsAwayFromZero", -3, 333.5, HalfUp, -1001},
    {"NegativePriceTruncatesTowardZero", 3, -333.5, Down, -1000},
    {"DecimalQuantity", 1.5, 99.99, HalfUp, 150},
    {"NoQuantityNoAmount", std::nullopt, 100, HalfUp, std::nullopt},
    {"NoPriceNoAmount", 2, std::nullopt, HalfUp, std::nullopt},
    // Products whose binary value lies a hair below the decimal one.
    {"HalfYenOfADecimalPrice", 15, 4.10, HalfUp, 62},
    {"HalfYenOfADecimalPriceTruncated", 15, 4.10, Down, 61},
    {"HalfYenOfADecimalPriceCeiled", 15, 4.10, Up, 62},
    {"HalfYenOfASmallPrice", 50, 0.29, HalfUp, 15},
    {"HalfYenOfASmallNegativePrice", 50, -0.29, HalfUp, -15},
    {"HalfYenOfAThreeDecimalPrice", 100, 1.005, HalfUp, 101},
    {"ThreeDecimalPriceTruncated", 100, 1.005, Down, 100},
    {"WholeNegativeProductTruncated", 100, -0.57, Down, -57},
    {"WholeNegativeProductCeiled", 100, -0.57, Up, -57},
    {"WholeNegativeProductOfANegativeQuantity", -100, 1.15, Down, -115},
    {"WholeProductTruncated", 100, 1.15, Down, 115},
    {"TinyFractionDroppedByCeiling", 0.00001, 0.5, Up, 0}, // 0.000005: below 0.00001
    {"SmallestFractionCeiled", 0.01, 0.01, Up, 1},
    // Beyond the line limit the exact amount comes back for the caller to refuse.
    {"LargestQuantityTimesLargestPrice", 999999.99, 99999999.99, HalfUp, 99999998990000},
    {"JustAboveTheLineLimit", 100000, 100000, Down, 10000000000},
    {"WithinTheLineLimit", 99999.99, 100000, Down, 9999999000},
};

void PrintTo(const LineAmountCase &c, std::ostream *os)
{
    *os << c.name;
}

class LineAmount : public ::testing::TestWithParam<LineAmountCase>
{
};

TEST_P(LineAmount, QuantityTimesPriceUnderTheLineRounding)
{
    const auto &c = GetParam();
    EXPECT_EQ(calc::lineAmount(c.quantity, c.price, c.rounding), c.amount);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineAmount, ::testing::ValuesIn(kLineAmounts),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Decimal, ReadsPlainDecimalsToNinePlaces)
{
    const struct {
        const char *text;
        std::optional<calc::Decimal> value;
    } cases[] = {
        {"4.10", calc::Decimal::scaled(41, 1)},
        {"-.5", calc::Decimal::scaled(-5, 1)},
        {"+7.", calc::Decimal::whole(7)},
        {"0.30000000000000004", calc::Decimal::scaled(3, 1)},
        {"0.0000000005", calc::Decimal::scaled(1, 9)},
        {"-0.0000000004999", calc::Decimal::whole(0)},
        {"999999999999999999.9", calc::Decimal::scaled(__int128(999999999999999999) * 10 + 9, 1)},
        {"1000000000000000000", std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1e5", std::nullopt},
        {"--1", std::nullopt},
        {"1,000", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(calc::Decimal::fromText(QString::fromLatin1(c.text)), c.value) << c.text;
    EXPECT_EQ(calc::roundingFromText(QStringLiteral("切り上げ")), calc::Rounding::AwayFromZero);
    EXPECT_EQ(calc::roundingFromText(QStringLiteral("round")), std::nullopt);
}

using Opt = std::optional<qint64>;

struct TaxCase {
    const char *name;
    qint64 total;
    qint64 taxable;
    const char16_t *mode;
    const char16_t *rounding;
    Opt 税抜計, 消費税, 合計;
};

const TaxCase kTaxes[] = {
    {"OutsideWithTaxFreeLine", 1500, 1000, u"外税", u"四捨五入", 1500, 50, 1550},
    {"OutsideTruncated", 1234, 1234, u"外税", u"切り捨て", 1234, 61, 1295},
    {"OutsideHalfUp", 1234, 1234, u"外税", u"四捨五入", 1234, 62, 1296},
    {"OutsideCeiled", 1234, 1234, u"外税", u"切り上げ", 1234, 62, 1296},
    {"OutsideExactTaxNotCeiled", 1000, 1000, u"外税", u"切り上げ", 1000, 50, 1050},
    {"OutsideNegative", -1234, -1234, u"外税", u"四捨五入", -1234, -62, -1296},
    {"OutsideAllTaxFree", 800, 0, u"外税", u"四捨五入", 800, 0, 800},
    {"InsideOneTaxableLine", 1050, 1050, u"内税", u"四捨五入", 1000, 50, 1050},
    // Mended: 税抜計 is total − tax, so that the three fields add up.
    {"InsideWithTaxFreeLineAddsUp", 1150, 1050, u"内税", u"四捨五入", 1100, 50, 1150},
    {"InsideHalfUp", 1000, 1000, u"内税", u"四捨五入", 952, 48, 1000},
    {"InsideTruncated", 1000, 1000, u"内税", u"切り捨て", 953, 47, 1000},
    {"InsideCeiled", 1000, 1000, u"内税", u"切り上げ", 952, 48, 1000},
    {"InsideNegative", -1050, -1050, u"内税", u"四捨五入", -1000, -50, -1050},
    {"NoTax", 1234, 1234, u"非課税", u"四捨五入", 1234, std::nullopt, 1234},
    {"UnknownModeIsNoTax", 1234, 1000, u"", u"四捨五入", 1234, std::nullopt, 1234},
    {"ZeroTotalShowsOnlyZeroBeforeTax", 0, 0, u"外税", u"四捨五入", 0, std::nullopt, std::nullopt},
    {"GroupsCancellingOut", 0, 500, u"外税", u"四捨五入", 0, std::nullopt, std::nullopt},
    // Mended: a rounding text that names no rule decides no tax instead of rounding up.
    {"UnknownRoundingDecidesNoTax", 1001, 1001, u"外税", u"?", 1001, std::nullopt, std::nullopt},
    {"UnknownRoundingDecidesNoTaxInside", 1050, 1050, u"内税", u"", 1050, std::nullopt, std::nullopt},
    {"UnknownRoundingIsNoMatterWithoutTax", 1001, 1001, u"非課税", u"?", 1001, std::nullopt, 1001},
    // 99 lines at the line limit, and the totals whose tax passes 10,000,000,000.
    {"OutsideAtTheLargestTotal", 989999999901, 989999999901, u"外税", u"四捨五入", 989999999901, 49499999995,
     1039499999896},
    {"OutsideTaxBeyondTenBillion", 210000000000, 210000000000, u"外税", u"切り捨て", 210000000000, 10500000000,
     220500000000},
    {"InsideTaxBeyondTenBillion", 210000000000, 210000000000, u"内税", u"四捨五入", 200000000000, 10000000000,
     210000000000},
    {"InsideAtTheLargestTotalNegative", -989999999901, -989999999901, u"内税", u"切り上げ", -942857142762, -47142857139,
     -989999999901},
};

void PrintTo(const TaxCase &c, std::ostream *os)
{
    *os << c.name;
}

class Tax : public ::testing::TestWithParam<TaxCase>
{
};

TEST_P(Tax, AmountFieldsByModeAndRounding)
{
    const auto &c = GetParam();
    const calc::Amounts a = calc::computeAmounts(c.total, c.taxable, QString::fromUtf16(c.mode),
                                                 QString::fromUtf16(c.rounding), std::nullopt, true);
    EXPECT_EQ(a.税抜計, c.税抜計);
    EXPECT_EQ(a.消費税, c.消費税);
    EXPECT_EQ(a.合計, c.合計);
    EXPECT_EQ(a.請求金額, c.合計) << "follows 合計 while lines are being edited";
    if (a.消費税 && a.税抜計) {
        EXPECT_EQ(*a.税抜計 + *a.消費税, a.合計.value());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Tax, ::testing::ValuesIn(kTaxes), [](const auto &info) { return std::string(info.param.name); });

TEST(InvoicedAmount, KeepsTheLoadedValueUntilALineIsEdited)
{
    const auto loaded = calc::computeAmounts(1000, 1000, QStringLiteral("外税"), QStringLiteral("四捨五入"), 999, false);
    EXPECT_EQ(loaded.合計, 1050);
    EXPECT_EQ(loaded.請求金額, 999);
    const auto edited = calc::computeAmounts(1000, 1000, QStringLiteral("外税"), QStringLiteral("四捨五入"), 999, true);
    EXPECT_EQ(edited.請求金額, 1050);
    const auto emptied = calc::computeAmounts(0, 0, QStringLiteral("外税"), QStringLiteral("四捨五入"), 999, false);
    EXPECT_EQ(emptied.請求金額, std::nullopt) << "a zero total empties 請求金額 whatever was loaded";
}

class CalcLines : public GlobalsReset
{
protected:
    TestDataDir dir;
    void SetUp() override
    {
        GlobalsReset::SetUp();
        ASSERT_TRUE(detail::Clear明細ワーク(db::work()));
    }
    void subtotalAt(int number)
    {
        DetailLine l;
        l.行番号 = number;
        l.品名 = lines::SubtotalName;
        l.小計 = true;
        l.金額 = 12345; // stale: the calculation rewrites it
        write(l);
    }
};

TEST_F(CalcLines, SubtotalRowsHoldTheirGroupAndAreNeverCounted)
{
    write(amountLine(1, QStringLiteral("a"), 100));
    write(amountLine(2, QStringLiteral("b"), 200, true));
    write(amountLine(3, QStringLiteral("c"), 300));
    subtotalAt(4);
    write(amountLine(5, QStringLiteral("d"), 50));
    write(amountLine(6, QStringLiteral("e"), std::nullopt));
    write(amountLine(7, QStringLiteral("f"), 70));
    subtotalAt(8);
    subtotalAt(10); // an empty group
    write(amountLine(11, QStringLiteral("g"), -20));

    const auto sums = calc::Calc明細(db::work());
    ASSERT_TRUE(sums);
    EXPECT_EQ(sums->total, 100 + 200 + 300 + 50 + 70 - 20);
    EXPECT_EQ(sums->taxable, 100 + 300 + 50 + 70 - 20);
    EXPECT_EQ(line(4).金額, 600);
    EXPECT_EQ(line(8).金額, 120) << "the second group only, not 720";
    EXPECT_EQ(line(10).金額, 0);
    EXPECT_EQ(sums->changedSubtotalRows, (QList<int>{4, 8, 10}));

    const auto again = calc::Calc明細(db::work());
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->changedSubtotalRows.isEmpty()) << "unchanged subtotals are not rewritten";
}

TEST_F(CalcLines, EmptyLinesSumToZero)
{
    const auto sums = calc::Calc明細(db::work());
    ASSERT_TRUE(sums);
    EXPECT_EQ(sums->total, 0);
    EXPECT_EQ(sums->taxable, 0);
}

TEST_F(CalcLines, AnUnreadableTableGivesNothing)
{
    run(db::work(), QStringLiteral("ALTER TABLE w明細 RENAME TO w明細_gone"));
    EXPECT_FALSE(calc::Calc明細(db::work()));
}

} // namespace
