// Subtotal rows and line deletion on w明細: refusals, shifting, the 99-line limit, and that a
// moved line keeps every column.
#include "InvoiceTestUtil.h"

#include "invoice/LineOps.h"
#include "support/TestDataDir.h"

using namespace invoicetest;
using lines::SubtotalResult;

namespace {

class LineOps : public GlobalsReset
{
protected:
    TestDataDir dir;
    void SetUp() override
    {
        GlobalsReset::SetUp();
        ASSERT_TRUE(detail::Clear明細ワーク(db::work()));
    }
    static int rows() { return scalar(db::work(), QStringLiteral("SELECT count(*) FROM w明細")).toInt(); }
    static QList<DetailLine> all() { return detail::readLines(db::work()).value_or(QList<DetailLine>{}); }
    // A full line, so that a move can be checked column by column.
    static DetailLine fullLine(int number, const QString &name)
    {
        DetailLine l;
        l.行番号 = number;
        l.品名 = name;
        l.入数 = name + QStringLiteral("入");
        l.数量 = 2.5;
        l.単位 = QStringLiteral("箱");
        l.単価 = 40;
        l.金額 = number * 100;
        l.非課税 = number % 2 == 0;
        l.ふりがな = QStringLiteral("よみ") + name;
        return l;
    }
};

TEST_F(LineOps, ASubtotalClosesTheLinesAboveAndPushesTheRestDown)
{
    for (int i = 1; i <= 3; ++i)
        write(fullLine(i, QString::number(i)));
    write(fullLine(5, QStringLiteral("5")));

    ASSERT_EQ(lines::Create小計(db::work(), 4), SubtotalResult::Created);

    EXPECT_EQ(rows(), 99);
    const DetailLine subtotal = line(4);
    EXPECT_EQ(subtotal.品名, lines::SubtotalName);
    EXPECT_TRUE(subtotal.小計);
    EXPECT_EQ(subtotal.金額, 600);
    EXPECT_FALSE(subtotal.数量);
    EXPECT_FALSE(subtotal.単価);
    DetailLine moved = fullLine(5, QStringLiteral("5"));
    moved.行番号 = 6;
    EXPECT_EQ(line(6), moved) << "every column moves, the reading included";
    EXPECT_TRUE(line(5).isEmpty());
    EXPECT_EQ(line(1), fullLine(1, QStringLiteral("1")));
}

TEST_F(LineOps, ASecondSubtotalSumsOnlyItsOwnGroup)
{
    write(amountLine(1, QStringLiteral("a"), 100));
    write(amountLine(2, QStringLiteral("b"), 200));
    write(amountLine(3, QStringLiteral("c"), 300));
    ASSERT_EQ(lines::Create小計(db::work(), 4), SubtotalResult::Created);
    write(amountLine(5, QStringLiteral("d"), 50));
    write(amountLine(6, QStringLiteral("e"), 70));
    ASSERT_EQ(lines::Create小計(db::work(), 7), SubtotalResult::Created);
    EXPECT_EQ(line(7).金額, 120);
    EXPECT_EQ(line(4).金額, 600);
}

struct Refusal {
    const char *name;
    int at;
    SubtotalResult expected;
};

class SubtotalRefusal : public LineOps, public ::testing::WithParamInterface<Refusal>
{
};

TEST_P(SubtotalRefusal, LeavesTheLinesUnchanged)
{
    write(amountLine(1, QStringLiteral("a"), 100));
    write(amountLine(2, QStringLiteral("b"), 200));
    ASSERT_EQ(lines::Create小計(db::work(), 3), SubtotalResult::Created);
    write(amountLine(4, QStringLiteral("c"), 300));
    write(amountLine(5, QStringLiteral("d"), 400));
    const auto before = all();

    EXPECT_EQ(lines::Create小計(db::work(), GetParam().at), GetParam().expected);
    EXPECT_EQ(all(), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, SubtotalRefusal,
                         ::testing::Values(Refusal{"OnTheFirstLine", 1, SubtotalResult::FirstLine},
                                           Refusal{"DirectlyBelowASubtotal", 4, SubtotalResult::BelowSubtotal},
                                           Refusal{"DirectlyAboveASubtotal", 2, SubtotalResult::AboveSubtotal},
                                           Refusal{"OutsideTheLines", 100, SubtotalResult::Failed}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(LineOps, ASubtotalIsRefusedWhenTheLastLineHoldsData)
{
    write(amountLine(1, QStringLiteral("a"), 100));
    write(amountLine(2, QStringLiteral("b"), 200));
    write(amountLine(99, QStringLiteral("last"), 999));
    const auto before = all();
    EXPECT_EQ(lines::Create小計(db::work(), 2), SubtotalResult::NoRoom);
    EXPECT_EQ(all(), before) << "line 99 is not pushed out";

    run(db::work(), QStringLiteral("UPDATE w明細 SET 品名 = NULL, 金額 = NULL WHERE 行番号 = 99"));
    EXPECT_EQ(lines::Create小計(db::work(), 2), SubtotalResult::Created);
    EXPECT_EQ(line(99).品名, QString());
}

TEST_F(LineOps, ASubtotalOnTheLastLineFitsWhenItIsEmpty)
{
    write(amountLine(98, QStringLiteral("x"), 5));
    ASSERT_EQ(lines::Create小計(db::work(), 99), SubtotalResult::Created);
    EXPECT_EQ(line(99).金額, 5);
    EXPECT_EQ(rows(), 99);
}

TEST_F(LineOps, DeletingALineMovesTheRestUpAndAddsAnEmptyLastLine)
{
    for (int i = 1; i <= 5; ++i)
        write(fullLine(i, QString::number(i)));
    write(fullLine(99, QStringLiteral("99")));

    ASSERT_TRUE(lines::LineDelete(db::work(), 3));

    EXPECT_EQ(rows(), 99);
    EXPECT_EQ(names(1, 5), QStringLiteral("1|2|4|5|"));
    DetailLine four = fullLine(4, QStringLiteral("4"));
    four.行番号 = 3;
    EXPECT_EQ(line(3), four) << "pack size, amount, flags and reading move with the line";
    EXPECT_EQ(line(98).品名, QStringLiteral("99"));
    const DetailLine last = line(99);
    EXPECT_TRUE(last.isEmpty());
    EXPECT_FALSE(last.小計);
    EXPECT_FALSE(last.非課税);
    EXPECT_TRUE(last.ふりがな.isEmpty());
}

TEST_F(LineOps, DeletingTheLastLineLeavesItEmpty)
{
    write(fullLine(99, QStringLiteral("99")));
    ASSERT_TRUE(lines::LineDelete(db::work(), 99));
    EXPECT_EQ(rows(), 99);
    EXPECT_TRUE(line(99).isEmpty());
    EXPECT_FALSE(lines::LineDelete(db::work(), 0));
}

TEST_F(LineOps, AFailedShiftChangesNothing)
{
    write(amountLine(1, QStringLiteral("a"), 100));
    const auto before = all();
    run(db::work(), QStringLiteral("DROP TABLE w明細ソート"));
    EXPECT_FALSE(lines::LineDelete(db::work(), 1));
    EXPECT_EQ(lines::Create小計(db::work(), 2), SubtotalResult::Failed);
    EXPECT_EQ(all(), before);
}

} // namespace
