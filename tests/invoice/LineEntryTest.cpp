// The cell checks in their order and what an accepted cell does to its line.
#include "InvoiceTestUtil.h"

#include "invoice/LineEntry.h"

using namespace invoicetest;
using cells::Verdict;

namespace {

const QString A4 = QStringLiteral("A4白紙");
const QString B5 = QStringLiteral("B5白紙");

struct CheckCase {
    const char *name;
    int column;
    QString typed;
    int line;
    bool subtotal;
    QString paper;
    Verdict verdict;
    QString text;                 // accepted text (when Accept)
    std::optional<double> number; // accepted number (when Accept)
};

const QString kThirtyWide = QString(30, QChar(u'漢'));

const CheckCase kChecks[] = {
    {"PlainQuantity", cells::Col数量, QStringLiteral("12"), 1, false, A4, Verdict::Accept, QStringLiteral("12"), 12},
    {"FullWidthDigits", cells::Col数量, QStringLiteral("１２．５"), 1, false, A4, Verdict::Accept, {}, 12.5},
    {"FullWidthMinus", cells::Col単価, QStringLiteral("－３００"), 1, false, A4, Verdict::Accept, {}, -300},
    {"ThousandsSeparators", cells::Col金額, QStringLiteral("1,234,567"), 1, false, A4, Verdict::Accept, {}, 1234567},
    {"FullWidthSeparators", cells::Col金額, QStringLiteral("１，０００"), 1, false, A4, Verdict::Accept, {}, 1000},
    {"EmptyNumberClears", cells::Col数量, QString(), 1, false, A4, Verdict::Accept, QString(), std::nullopt},
    {"Letters", cells::Col数量, QStringLiteral("12a"), 1, false, A4, Verdict::RefuseNotNumeric, {}, {}},
    {"Exponent", cells::Col数量, QStringLiteral("1e300"), 1, false, A4, Verdict::RefuseNotNumeric, {}, {}},
    {"ProlongedSoundMarkIsNoMinus", cells::Col単価, QStringLiteral("ー5"), 1, false, A4, Verdict::RefuseNotNumeric, {}, {}},
    {"InnerBlank", cells::Col金額, QStringLiteral("1 000"), 1, false, A4, Verdict::RefuseNotNumeric, {}, {}},
    {"LineBreakInsideNumber", cells::Col金額, QStringLiteral("10\n00"), 1, false, A4, Verdict::RefuseNotNumeric, {}, {}},
    {"PastedNumberWithTrailingBreak", cells::Col数量, QStringLiteral("7\r\n"), 1, false, A4, Verdict::Accept, {}, 7},
    {"ThirtyWideCutToTwentyFive", cells::Col品名, kThirtyWide, 1, false, A4, Verdict::Accept, QString(25, QChar(u'漢')), {}},
    {"HalfWidthCountsOneByte", cells::Col品名, QString(60, QChar(u'a')), 1, false, A4, Verdict::Accept, QString(50, QChar(u'a')), {}},
    {"CutNeverSplitsACharacter", cells::Col品名, QStringLiteral("a") + kThirtyWide, 1, false, A4, Verdict::Accept,
     QStringLiteral("a") + QString(24, QChar(u'漢')), {}},
    {"PastedBreaksBecomeBlanks", cells::Col品名, QStringLiteral("上段\r\n下段\tx"), 1, false, A4, Verdict::Accept,
     QStringLiteral("上段 下段 x"), {}},
    {"B5LineThirteenRefused", cells::Col品名, QStringLiteral("x"), 13, false, B5, Verdict::RefuseB5, {}, {}},
    {"B5LineTwelveTaken", cells::Col品名, QStringLiteral("x"), 12, false, B5, Verdict::Accept, QStringLiteral("x"), {}},
    {"A4LineNinetyNineTaken", cells::Col数量, QStringLiteral("1"), 99, false, A4, Verdict::Accept, {}, 1},
    {"B5ComesBeforeTheNumberCheck", cells::Col数量, QStringLiteral("abc"), 20, false, B5, Verdict::RefuseB5, {}, {}},
    {"SubtotalNameProtected", cells::Col品名, QStringLiteral("x"), 4, true, A4, Verdict::RefuseSubtotal, {}, {}},
    {"SubtotalQuantityProtected", cells::Col数量, QStringLiteral("1"), 4, true, A4, Verdict::RefuseSubtotal, {}, {}},
    {"SubtotalUnitProtected", cells::Col単位, QStringLiteral("本"), 4, true, A4, Verdict::RefuseSubtotal, {}, {}},
    {"SubtotalPriceProtected", cells::Col単価, QStringLiteral("1"), 4, true, A4, Verdict::RefuseSubtotal, {}, {}},
    {"SubtotalPackSizeFree", cells::Col入数, QStringLiteral("12入"), 4, true, A4, Verdict::Accept, QStringLiteral("12入"), {}},
    {"SubtotalAmountFree", cells::Col金額, QStringLiteral("5"), 4, true, A4, Verdict::Accept, {}, 5},
    {"NumberCheckComesBeforeProtection", cells::Col数量, QStringLiteral("x"), 4, true, A4, Verdict::RefuseNotNumeric, {}, {}},
};

class CellCheck : public ::testing::TestWithParam<CheckCase>
{
};

TEST_P(CellCheck, InTheirOrder)
{
    const auto &c = GetParam();
    const cells::Check check = cells::checkCell(c.column, c.typed, c.line, c.subtotal, c.paper);
    EXPECT_EQ(check.verdict, c.verdict);
    if (c.verdict != Verdict::Accept)
        return;
    if (cells::isNumberColumn(c.column))
        EXPECT_EQ(check.number, c.number);
    else
        EXPECT_EQ(check.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, CellCheck, ::testing::ValuesIn(kChecks), [](const auto &info) { return std::string(info.param.name); });

TEST(CellLimits, AreInclusive)
{
    EXPECT_TRUE(cells::withinLimits(cells::Col数量, 999999.99));
    EXPECT_FALSE(cells::withinLimits(cells::Col数量, 1000000));
    EXPECT_TRUE(cells::withinLimits(cells::Col単価, -99999999.99));
    EXPECT_FALSE(cells::withinLimits(cells::Col単価, -100000000));
    EXPECT_TRUE(cells::withinLimits(cells::Col金額, 9999999999));
    EXPECT_FALSE(cells::withinLimits(cells::Col金額, 10000000000.0));
    EXPECT_FALSE(cells::withinLimits(cells::Col品名, 1));
}

// ---- what an accepted cell does -------------------------------------------------------------

const entry::Rules kRules{A4, QStringLiteral("四捨五入"), QStringLiteral("入数")};

picklists::Product lookup(const QString &name)
{
    if (name == u"ボールペン")
        return {QStringLiteral("本"), 120, false, QStringLiteral("ぼーるぺん"), true};
    if (name == u"見本")
        return {QString(), 0, true, QString(), true};
    return {};
}

DetailLine startLine()
{
    DetailLine l;
    l.行番号 = 3;
    l.品名 = QStringLiteral("旧");
    l.入数 = QStringLiteral("10入");
    l.数量 = 3;
    l.単位 = QStringLiteral("箱");
    l.単価 = 333.5;
    l.金額 = 1001;
    return l;
}

TEST(CellAction, AKnownProductFillsUnitPriceFlagAndReadingButNotQuantityOrAmount)
{
    const auto r = entry::editCell(startLine(), cells::Col品名, QStringLiteral("  ボールペン　"), kRules, lookup);
    ASSERT_EQ(r.outcome, entry::Outcome::Accepted);
    EXPECT_EQ(r.line.品名, QStringLiteral("ボールペン"));
    EXPECT_EQ(r.line.単位, QStringLiteral("本"));
    EXPECT_EQ(r.line.単価, 120);
    EXPECT_EQ(r.line.ふりがな, QStringLiteral("ぼーるぺん"));
    EXPECT_EQ(r.line.入数, QStringLiteral("10入"));
    EXPECT_EQ(r.line.数量, 3);
    EXPECT_EQ(r.line.金額, 1001) << "a new name does not recompute the amount";
    EXPECT_FALSE(r.amountEdited);
}

TEST(CellAction, AnUnknownOrPricelessProductEmptiesUnitAndPrice)
{
    auto r = entry::editCell(startLine(), cells::Col品名, QStringLiteral("新商品 O'Neil"), kRules, lookup);
    EXPECT_EQ(r.line.品名, QStringLiteral("新商品 O'Neil"));
    EXPECT_EQ(r.line.単位, QString());
    EXPECT_FALSE(r.line.単価);
    EXPECT_FALSE(r.line.非課税);
    EXPECT_EQ(r.line.ふりがな, QString());
    r = entry::editCell(startLine(), cells::Col品名, QStringLiteral("見本"), kRules, lookup);
    EXPECT_FALSE(r.line.単価) << "a unit price of 0 shows as empty";
    EXPECT_TRUE(r.line.非課税);
}

TEST(CellAction, QuantityAndPriceComputeTheAmount)
{
    DetailLine l = startLine();
    l.単価 = 333.5;
    auto r = entry::editCell(l, cells::Col数量, QStringLiteral("３"), {A4, QStringLiteral("切り捨て"), {}}, lookup);
    EXPECT_EQ(r.line.金額, 1000);
    EXPECT_TRUE(r.amountEdited);
    EXPECT_FALSE(r.keepColumn);
    r = entry::editCell(l, cells::Col単価, QString(), kRules, lookup);
    EXPECT_FALSE(r.line.単価);
    EXPECT_FALSE(r.line.金額) << "no unit price, no amount";
}

TEST(CellAction, NumbersOutsideTheirLimitsAreEmptiedAndTheCursorStays)
{
    const struct {
        int column;
        const char *typed;
    } cases[] = {{cells::Col数量, "1000000"}, {cells::Col単価, "-100,000,000"}, {cells::Col金額, "9999999999.5"}};
    for (const auto &c : cases) {
        const auto r = entry::editCell(startLine(), c.column, QString::fromLatin1(c.typed), kRules, lookup);
        EXPECT_EQ(r.outcome, entry::Outcome::Accepted) << c.typed;
        EXPECT_TRUE(r.keepColumn) << c.typed;
        EXPECT_TRUE(r.amountEdited) << c.typed;
        if (c.column == cells::Col金額)
            EXPECT_FALSE(r.line.金額);
        else
            EXPECT_FALSE(c.column == cells::Col数量 ? r.line.数量 : r.line.単価) << c.typed;
    }
}

TEST(CellAction, ATypedAmountReplacesTheComputedOneInWholeYen)
{
    const auto r = entry::editCell(startLine(), cells::Col金額, QStringLiteral("1,500.5"), kRules, lookup);
    EXPECT_EQ(r.line.金額, 1501);
    EXPECT_EQ(r.line.数量, 3);
    EXPECT_TRUE(r.amountEdited);
}

TEST(CellAction, PackSizesAndUnitsAreOfferedToTheCodeTable)
{
    auto r = entry::editCell(startLine(), cells::Col入数, QStringLiteral("24入"), kRules, lookup);
    EXPECT_EQ(r.codeKind, QStringLiteral("入数"));
    EXPECT_EQ(r.codeName, QStringLiteral("24入"));
    r = entry::editCell(startLine(), cells::Col単位, QStringLiteral("ダース"), kRules, lookup);
    EXPECT_EQ(r.codeKind, QStringLiteral("単位"));
    r = entry::editCell(startLine(), cells::Col単位, QString(), kRules, lookup);
    EXPECT_TRUE(r.codeKind.isEmpty()) << "an emptied cell registers nothing";
    EXPECT_EQ(r.line.単位, QString());
}

TEST(CellAction, RefusalsLeaveTheLineButB5EmptiesPriceAndUnit)
{
    auto r = entry::editCell(startLine(), cells::Col数量, QStringLiteral("三"), kRules, lookup);
    EXPECT_EQ(r.outcome, entry::Outcome::RefusedNotNumeric);
    EXPECT_FALSE(r.writes());

    DetailLine late = startLine();
    late.行番号 = 13;
    r = entry::editCell(late, cells::Col数量, QStringLiteral("5"), {B5, QStringLiteral("四捨五入"), {}}, lookup);
    EXPECT_EQ(r.outcome, entry::Outcome::RefusedB5);
    EXPECT_TRUE(r.writes());
    EXPECT_FALSE(r.line.単価);
    EXPECT_EQ(r.line.単位, QString());
    EXPECT_EQ(r.line.数量, 3) << "the typed quantity is not taken";
    EXPECT_EQ(r.line.金額, 1001);
}

TEST(CellAction, ALineRoundingThatNamesNoRuleDecidesNoAmount)
{
    const entry::Rules unknown{A4, QStringLiteral("切上"), QStringLiteral("入数")};
    for (const int column : {cells::Col数量, cells::Col単価, cells::Col金額}) {
        const auto r = entry::editCell(startLine(), column, QStringLiteral("4"), unknown, lookup);
        EXPECT_EQ(r.outcome, entry::Outcome::RefusedRounding) << column;
        EXPECT_EQ(r.line, startLine()) << column;
    }
    EXPECT_EQ(entry::editCell(startLine(), cells::Col品名, QStringLiteral("見本"), unknown, lookup).outcome,
              entry::Outcome::Accepted);
    EXPECT_EQ(entry::chooseProduct(startLine(), {QStringLiteral("見本"), {}, {}, 20.0, false, {}}, unknown).outcome,
              entry::Outcome::RefusedRounding)
        << "the new price would change the amount";
}

TEST(CellAction, APickTakesTheWholeProductThroughTheNameChecks)
{
    entry::PickedProduct p{QStringLiteral("ボールペン"), QStringLiteral("10本入"), QStringLiteral("本"), 0.0, true,
                           QStringLiteral("ぼーるぺん")};
    auto r = entry::pickProduct(startLine(), p, kRules);
    ASSERT_EQ(r.outcome, entry::Outcome::Accepted);
    EXPECT_EQ(r.line.入数, QStringLiteral("10本入"));
    EXPECT_FALSE(r.line.単価);
    EXPECT_TRUE(r.line.非課税);
    EXPECT_EQ(r.line.数量, 3);

    DetailLine subtotal = startLine();
    subtotal.小計 = true;
    EXPECT_EQ(entry::pickProduct(subtotal, p, kRules).outcome, entry::Outcome::RefusedSubtotal);
}

// A product chosen in the product window puts in only what it has and keeps the amount true
// to quantity and price.
TEST(CellAction, AChosenProductFillsWhatItHasAndRecomputesTheAmount)
{
    const struct {
        const char *what;
        entry::PickedProduct product;
        QString name, unit;
        std::optional<double> price;
        std::optional<qint64> amount;
        bool edited;
    } cases[] = {
        {"whole product", {QStringLiteral("ボールペン"), QStringLiteral("無視"), QStringLiteral("本"), 120.0, true, QStringLiteral("ぼ")},
         QStringLiteral("ボールペン"), QStringLiteral("本"), 120.0, 360, true},
        {"no unit, no price", {QStringLiteral("見本"), QString(), QString(), std::nullopt, false, QString()},
         QStringLiteral("見本"), QStringLiteral("箱"), 333.5, 1001, false},
        {"zero price", {QStringLiteral("見本"), QString(), QString(), 0.0, false, QString()},
         QStringLiteral("見本"), QStringLiteral("箱"), 333.5, 1001, false},
        {"price past the line's limit", {QStringLiteral("高額"), QString(), QString(), 1e9, false, QString()},
         QStringLiteral("高額"), QStringLiteral("箱"), 333.5, 1001, false},
        {"fraction rounded by the line rule", {QStringLiteral("端数"), QString(), QString(), 0.5, false, QString()},
         QStringLiteral("端数"), QStringLiteral("箱"), 0.5, 2, true},
    };
    for (const auto &c : cases) {
        const auto r = entry::chooseProduct(startLine(), c.product, kRules);
        ASSERT_EQ(r.outcome, entry::Outcome::Accepted) << c.what;
        EXPECT_EQ(r.line.品名, c.name) << c.what;
        EXPECT_EQ(r.line.単位, c.unit) << c.what;
        EXPECT_EQ(r.line.単価, c.price) << c.what;
        EXPECT_EQ(r.line.金額, c.amount) << c.what;
        EXPECT_EQ(r.amountEdited, c.edited) << c.what;
        EXPECT_EQ(r.line.入数, QStringLiteral("10入")) << c.what << ": the pack size is never handed over";
        EXPECT_EQ(r.line.非課税, c.product.非課税) << c.what;
    }

    // Without a quantity there is no amount to compute; a subtotal row takes no product.
    DetailLine empty;
    empty.行番号 = 1;
    const auto r = entry::chooseProduct(empty, cases[0].product, kRules);
    EXPECT_EQ(r.line.金額, std::nullopt);
    EXPECT_FALSE(r.amountEdited);
    DetailLine subtotal = startLine();
    subtotal.小計 = true;
    EXPECT_EQ(entry::chooseProduct(subtotal, cases[0].product, kRules).outcome, entry::Outcome::RefusedSubtotal);

    // A price whose amount the line could not hold is not put in either.
    DetailLine many = startLine();
    many.数量 = 999999;
    many.金額 = 333499667;
    const auto large = entry::chooseProduct(many, {QStringLiteral("高額"), {}, {}, 20000.0, false, {}}, kRules);
    EXPECT_EQ(large.line.単価, 333.5);
    EXPECT_EQ(large.line.金額, 333499667);
}

} // namespace
