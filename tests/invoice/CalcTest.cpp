// The invoice calculation: line amounts, tax by mode and rounding, 請求金額, subtotal groups.
#include "InvoiceTestUtil.h"

#include "invoice/LineOps.h"
#include "support/TestDataDir.h"

using namespace invoicetest;

namespace {

struct LineAmountCase {
    const char *name;
    std::optional<double> quantity;
    std::optional<double> price;
    const char16_t *rounding;
    std::optional<qint64> amount;
};

const LineAmountCase kLineAmounts[] = {
    {"HalfYenRoundsUp", 3, 333.5, u"四捨五入", 1001},
    {"HalfYenTruncated", 3, 333.5, u"切り捨て", 1000},
    {"HalfYenCeiled", 3, 333.5, u"切り上げ", 1001},
    {"WholeProductUnchangedByCeiling", 4, 250, u"切り上げ", 1000},
    {"NegativeQuantityRoundsAwayFromZero", -3, 333.5, u"四捨五入", -1001},
    {"NegativePriceTruncatesTowardZero", 3, -333.5, u"切り捨て", -1000},
    {"DecimalQuantity", 1.5, 99.99, u"四捨五入", 150},
    {"NoQuantityNoAmount", std::nullopt, 100, u"四捨五入", std::nullopt},
    {"NoPriceNoAmount", 2, std::nullopt, u"四捨五入", std::nullopt},
    {"ProductBeyondRangeIsZero", 999999.99, 99999999.99, u"四捨五入", 0},
};

class LineAmount : public ::testing::TestWithParam<LineAmountCase>
{
};

TEST_P(LineAmount, QuantityTimesPriceUnderTheLineRounding)
{
    const auto &c = GetParam();
    EXPECT_EQ(calc::lineAmount(c.quantity, c.price, QString::fromUtf16(c.rounding)), c.amount);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineAmount, ::testing::ValuesIn(kLineAmounts),
                         [](const auto &info) { return std::string(info.param.name); });

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
};

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
