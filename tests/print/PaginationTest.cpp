// Page counting and filling of the A4 and B5 invoices, on the drawing operations.
#include "PrintTestUtil.h"

#include "print/InvoiceLayoutA4.h"
#include "print/InvoiceLayoutB5.h"

using namespace printtest;
using print::Paper;

namespace {

struct PageCase {
    const char *what;
    Paper paper;
    QList<DetailLine> rows;
    int pages;
    QList<int> filledPerPage; // rows with a product name on each page
    QList<int> ruledPerPage;  // ruled rows on each page
};

void PrintTo(const PageCase &c, std::ostream *os)
{
    *os << c.what;
}

QList<DetailLine> withBlankAt(QList<DetailLine> rows, int lineNumber)
{
    rows[lineNumber - 1] = DetailLine{};
    rows[lineNumber - 1].行番号 = lineNumber;
    return rows;
}

QList<int> repeat(int value, int times)
{
    return QList<int>(times, value);
}

class PageCount : public ::testing::TestWithParam<PageCase>
{
};

TEST_P(PageCount, PrintsTheCountedPagesWithEveryFilledLine)
{
    const PageCase &c = GetParam();
    const Report report = build(c.paper, c.rows);
    ASSERT_EQ(report.pages.size(), c.pages);
    for (int p = 0; p < c.pages; ++p) {
        SCOPED_TRACE(p + 1);
        EXPECT_EQ(column(report.pages[p], QStringLiteral("txt品名")).size(), c.filledPerPage.value(p));
        EXPECT_EQ(ruledRows(report.pages[p], c.paper), c.ruledPerPage.value(p));
    }
}

// The 99 rows of w明細 with the lines in use counted from the top; B5 runs out of rows on
// its ninth page and leaves the rest of it empty, A4 rules its seventh page to the end.
INSTANTIATE_TEST_SUITE_P(
    Invoices, PageCount,
    ::testing::Values(
        PageCase{"A4 empty invoice", Paper::A4, filledRows(0), 1, {0}, {15}},
        PageCase{"A4 one line", Paper::A4, filledRows(1), 1, {1}, {15}},
        PageCase{"A4 fifteen lines", Paper::A4, filledRows(15), 1, {15}, {15}},
        PageCase{"A4 sixteen lines", Paper::A4, filledRows(16), 2, {15, 1}, {15, 15}},
        PageCase{"A4 99 lines", Paper::A4, filledRows(99), 7, {15, 15, 15, 15, 15, 15, 9}, repeat(15, 7)},
        PageCase{"A4 no work rows at all", Paper::A4, {}, 1, {0}, {15}},
        PageCase{"B5 empty invoice", Paper::B5, filledRows(0), 1, {0}, {12}},
        PageCase{"B5 twelve lines", Paper::B5, filledRows(12), 1, {12}, {12}},
        PageCase{"B5 thirteen lines", Paper::B5, filledRows(13), 2, {12, 1}, {12, 12}},
        PageCase{"B5 99 lines", Paper::B5, filledRows(99), 9, {12, 12, 12, 12, 12, 12, 12, 12, 3},
                 {12, 12, 12, 12, 12, 12, 12, 12, 3}},
        PageCase{"B5 no work rows at all", Paper::B5, {}, 1, {0}, {0}},
        // A blank line in the middle: fifteen named lines, the last one on line 16. Counting
        // the named lines would make one page and lose line 16.
        PageCase{"A4 blank line 8 of 16", Paper::A4, withBlankAt(filledRows(16), 8), 2, {14, 1}, {15, 15}},
        PageCase{"B5 blank line 5 of 13", Paper::B5, withBlankAt(filledRows(13), 5), 2, {11, 1}, {12, 12}}));

TEST(PageCountRule, ComesFromTheLastLineInUse)
{
    EXPECT_EQ(print::lastUsedLine(workRows({})), 0);
    EXPECT_EQ(print::lastUsedLine(withBlankAt(filledRows(16), 8)), 16);
    EXPECT_EQ(print::namedLineCount(withBlankAt(filledRows(16), 8)), 15);

    // A line with only an amount is still a line to print.
    QList<DetailLine> rows = filledRows(15);
    rows[30].金額 = 500;
    EXPECT_EQ(print::lastUsedLine(rows), 31);
    EXPECT_EQ(build(Paper::A4, rows).pages.size(), 3);

    const std::pair<int, int> a4[] = {{0, 1}, {1, 1}, {15, 1}, {16, 2}, {30, 2}, {31, 3}, {99, 7}};
    for (const auto &[last, pages] : a4)
        EXPECT_EQ(print::pageCount(last, print::rpt請求書::LinesPerPage), pages) << last;
    const std::pair<int, int> b5[] = {{0, 1}, {12, 1}, {13, 2}, {99, 9}};
    for (const auto &[last, pages] : b5)
        EXPECT_EQ(print::pageCount(last, print::rpt請求書B5::LinesPerPage), pages) << last;
}

TEST(PageFilling, TheSecondA4PageShowsOneLineAndFourteenEmptyRowsInPlace)
{
    const Report report = build(Paper::A4, filledRows(16));
    const ReportPage &second = report.pages[1];
    EXPECT_EQ(column(second, QStringLiteral("txt品名")), QStringList{QStringLiteral("商品16")});

    // Rows follow the page header at 620 twips each, from the top margin of 1000 twips.
    const QList<DrawOp> names = named(second, QStringLiteral("txt品名"));
    ASSERT_EQ(names.size(), 1);
    EXPECT_EQ(names.first().rect, QRectF(900 + 120, 1000 + 3680 + 30, 4050, 615));
    // The footer stands at the foot of the page, above the bottom margin of 300 twips.
    const QList<DrawOp> memo = named(second, QStringLiteral("txtメモ"));
    ASSERT_EQ(memo.size(), 1);
    EXPECT_NEAR(memo.first().rect.top(), 16838 - 300 - 2000 + 75, 1);
}

TEST(PageFilling, RowsFollowEachOtherDownThePage)
{
    for (const Paper paper : {Paper::A4, Paper::B5}) {
        const Report report = build(paper, filledRows(12));
        QList<DrawOp> amounts = named(report.pages[0], QStringLiteral("txt金額"));
        ASSERT_EQ(amounts.size(), 12);
        const double step = paper == Paper::A4 ? 620 : 610;
        for (qsizetype i = 1; i < amounts.size(); ++i)
            EXPECT_DOUBLE_EQ(amounts[i].rect.top() - amounts[i - 1].rect.top(), step);
    }
}

} // namespace
