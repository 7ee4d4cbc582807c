// What the A4 and B5 invoices print: header and footer on every page, the date, the
// amounts, the detail formats, subtotal rows, the unit cut, the rule colour, positions and
// fonts of the layout tables.
#include "PrintTestUtil.h"

#include "print/BandedRenderer.h"
#include "print/InvoiceLayout.h"

using namespace printtest;
using print::Paper;

namespace {

TEST(InvoiceHeaderFooter, RepeatOnEveryPageWithPageNOfN)
{
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const Report report = build(paper, filledRows(30));
        const int pages = paper == Paper::A4 ? 2 : 3;
        ASSERT_EQ(report.pages.size(), pages);
        for (int p = 0; p < pages; ++p) {
            const ReportPage &page = report.pages[p];
            EXPECT_EQ(textOf(page, QStringLiteral("Label54")), QStringLiteral("Page"));
            EXPECT_EQ(textOf(page, QStringLiteral("txtCurPage")), QString::number(p + 1));
            EXPECT_EQ(textOf(page, QStringLiteral("Label55")), QStringLiteral("/"));
            EXPECT_EQ(textOf(page, QStringLiteral("txtTotalPage")), QString::number(pages));
            EXPECT_EQ(textOf(page, QStringLiteral("Label1")), QStringLiteral("請求書"));
            EXPECT_EQ(textOf(page, QStringLiteral("txt顧客名")), QStringLiteral("株式会社みどり商店"));
            EXPECT_EQ(textOf(page, QStringLiteral("txt敬称")), QStringLiteral("御中"));
            EXPECT_EQ(textOf(page, QStringLiteral("txt顧客情報")), QStringLiteral("〒150-0001\n東京都渋谷区神宮前1-2-3"));
            EXPECT_EQ(textOf(page, QStringLiteral("txt件名")), QStringLiteral("12月分"));
            EXPECT_EQ(textOf(page, QStringLiteral("txt請求金額")), QStringLiteral("¥12,600"));
            EXPECT_EQ(textOf(page, QStringLiteral("txtメモ")), QStringLiteral("お振込は月末までにお願いします。"));
            EXPECT_EQ(textOf(page, QStringLiteral("txt税抜計")), QStringLiteral("12,000"));
            EXPECT_EQ(textOf(page, QStringLiteral("txt消費税")), QStringLiteral("600"));
            EXPECT_EQ(textOf(page, QStringLiteral("txt合計")), QStringLiteral("12,600"));
            EXPECT_EQ(textOf(page, QStringLiteral("lbl入数")), QStringLiteral("入　数"));
        }
    }
}

TEST(InvoiceHeaderFooter, CompanyComesFromTheSettingsGlobals)
{
    print::PrintHeader header = print::makePrintHeader(sampleInvoice(), true, filledRows(3));
    header.自社名 = QStringLiteral("山田商会");
    header.自社情報 = QStringLiteral("大阪市北区1-1\nTEL 06-0000-0000");
    const Report report = print::build請求書(Paper::A4, header, filledRows(3), plainSettings());
    EXPECT_EQ(textOf(report.pages[0], QStringLiteral("txt自社名")), QStringLiteral("山田商会"));
    EXPECT_EQ(textOf(report.pages[0], QStringLiteral("txt自社情報")), QStringLiteral("大阪市北区1-1\nTEL 06-0000-0000"));
}

struct DateCase {
    bool printDate;
    const char *era;
    QDate date;
    QString shown;
};

TEST(InvoiceDate, FollowsTheTickAndTheEraSetting)
{
    const DateCase cases[] = {
        {false, "和暦", QDate(2026, 12, 7), QString()},
        {true, "和暦", QDate(2026, 12, 7), QStringLiteral("令和 08年12月07日")},
        {true, "和暦", QDate(2019, 4, 30), QStringLiteral("平成 31年04月30日")},
        {true, "西暦", QDate(2026, 12, 7), QStringLiteral("2026/12/07")},
        {true, "西暦", QDate(), QString()},
    };
    for (const Paper paper : Papers) {
        for (const DateCase &c : cases) {
            SCOPED_TRACE(std::string(nameOf(paper)) + " " + c.era + " " + c.date.toString().toStdString());
            InvoiceHeader invoice = sampleInvoice();
            invoice.日付 = c.date;
            print::PrintSettings settings = plainSettings();
            settings.年号 = QString::fromUtf8(c.era);
            const Report report = build(paper, filledRows(2), invoice, c.printDate, settings);
            EXPECT_EQ(textOf(report.pages[0], QStringLiteral("txtCday")), c.shown);
            EXPECT_EQ(textOf(report.pages[0], QStringLiteral("Label10")), QStringLiteral("日付"));
        }
    }
}

TEST(InvoiceAmounts, EmptyFieldsPrintBlankAndTheAmountInvoicedKeepsItsYenSign)
{
    InvoiceHeader invoice = sampleInvoice();
    invoice.税抜計.reset();
    invoice.消費税.reset();
    invoice.合計.reset();
    invoice.請求金額.reset();
    for (const Paper paper : Papers) {
        const ReportPage page = build(paper, filledRows(1), invoice).pages[0];
        EXPECT_EQ(textOf(page, QStringLiteral("txt請求金額")), QStringLiteral("¥")) << nameOf(paper);
        EXPECT_EQ(textOf(page, QStringLiteral("txt請求金額")).front(), QChar(0x00A5));
        for (const char *total : {"txt税抜計", "txt消費税", "txt合計"})
            EXPECT_TRUE(named(page, QString::fromUtf8(total)).isEmpty()) << total;
    }
    EXPECT_EQ(print::amountInvoicedText(1234567), QStringLiteral("¥1,234,567"));
    EXPECT_EQ(print::amountInvoicedText(0), QStringLiteral("¥"));
}

struct NumberCase {
    const char *小数;
    std::optional<double> quantity;
    std::optional<double> price;
    QString quantityShown;
    QString priceShown;
};

TEST(DetailFormats, QuantityAndPriceFollowTheDecimalsSetting)
{
    const NumberCase cases[] = {
        {"使用しない", 0.0, 1200.0, QString(), QStringLiteral("1,200")},
        // Mended: a stored fraction prints with its decimals, as the screen shows it, on the
        // whole line, so that 2.50 × 99.50 does not read as 3 × 100.
        {"使用しない", 2.5, 99.5, QStringLiteral("2.50"), QStringLiteral("99.50")},
        {"使用しない", 3.0, 99.5, QStringLiteral("3.00"), QStringLiteral("99.50")},
        {"使用しない", 1234.0, std::nullopt, QStringLiteral("1,234"), QString()},
        {"使用する", 2.5, 1200.0, QStringLiteral("2.50"), QStringLiteral("1,200.00")},
        {"使用する", 0.0, 0.125, QStringLiteral("0.00"), QStringLiteral("0.13")},
    };
    for (const Paper paper : Papers) {
        for (const NumberCase &c : cases) {
            SCOPED_TRACE(std::string(nameOf(paper)) + " " + c.小数);
            DetailLine l = line(QStringLiteral("品"));
            l.数量 = c.quantity;
            l.単価 = c.price;
            l.金額 = 0;
            print::PrintSettings settings = plainSettings();
            settings.小数 = QString::fromUtf8(c.小数);
            const ReportPage page = build(paper, workRows({l}), sampleInvoice(), true, settings).pages[0];
            EXPECT_EQ(textOf(page, QStringLiteral("txt数量")), c.quantityShown);
            EXPECT_EQ(textOf(page, QStringLiteral("txt単価")), c.priceShown);
            EXPECT_EQ(textOf(page, QStringLiteral("txt金額")), QStringLiteral("0")); // "#,##0"
        }
    }
}

TEST(DetailFormats, UnitsAreCutToFourCharactersOnBothPapers)
{
    const std::pair<QString, QString> units[] = {
        {QStringLiteral("ダース箱入り"), QStringLiteral("ダース箱")},
        {QStringLiteral("ケース"), QStringLiteral("ケース")},
        {QStringLiteral("𠮷𠮷𠮷𠮷𠮷"), QStringLiteral("𠮷𠮷𠮷𠮷")},
    };
    for (const Paper paper : Papers)
        for (const auto &[unit, shown] : units)
            EXPECT_EQ(textOf(build(paper, workRows({line(QStringLiteral("品"), 1, unit)})).pages[0],
                             QStringLiteral("txt単位")),
                      shown)
                << nameOf(paper);
}

TEST(DetailFormats, SubtotalRowsAreBoldWithBlanksAndOtherRowsPlain)
{
    DetailLine packed = line(QStringLiteral("りんご"), 2, QStringLiteral("箱"), 3000);
    packed.入数 = QStringLiteral("10kg");
    DetailLine oddSubtotal = subtotal(6000);
    oddSubtotal.入数 = QStringLiteral("x");
    oddSubtotal.数量 = 1;
    oddSubtotal.単位 = QStringLiteral("個");
    oddSubtotal.単価 = 5;
    const QList<DetailLine> rows = workRows({packed, oddSubtotal, line(QStringLiteral("みかん"))});
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const ReportPage page = build(paper, rows).pages[0];
        const QList<DrawOp> names = named(page, QStringLiteral("txt品名"));
        const QList<DrawOp> amounts = named(page, QStringLiteral("txt金額"));
        ASSERT_EQ(names.size(), 3);
        ASSERT_EQ(amounts.size(), 3);
        EXPECT_EQ(names[1].text, QStringLiteral(" 小 計"));
        EXPECT_EQ(amounts[1].text, QStringLiteral("6,000"));
        EXPECT_EQ(QList<bool>({names[0].font.bold, names[1].font.bold, names[2].font.bold}), QList<bool>({false, true, false}));
        EXPECT_EQ(QList<bool>({amounts[0].font.bold, amounts[1].font.bold, amounts[2].font.bold}), QList<bool>({false, true, false}));
        // The subtotal row leaves pack size, quantity, unit and price blank, whatever its row holds.
        EXPECT_EQ(column(page, QStringLiteral("txt入数")), QStringList{QStringLiteral("10kg")});
        EXPECT_EQ(column(page, QStringLiteral("txt数量")), (QStringList{QStringLiteral("2"), QStringLiteral("1")}));
        EXPECT_EQ(column(page, QStringLiteral("txt単位")), (QStringList{QStringLiteral("箱"), QStringLiteral("個")}));
        EXPECT_EQ(column(page, QStringLiteral("txt単価")), (QStringList{QStringLiteral("3,000"), QStringLiteral("100")}));
        // The name prints at 12 pt, the subtotal flag not at all.
        EXPECT_EQ(names[0].font.pointSize, 12);
        EXPECT_TRUE(named(page, QStringLiteral("txt小計FL")).isEmpty());
    }
}

TEST(DetailFormats, AmountsStandOnTheLineOfTheOtherFigures)
{
    for (const Paper paper : Papers) {
        const ReportPage page = build(paper, filledRows(5)).pages[0];
        const QList<DrawOp> amounts = named(page, QStringLiteral("txt金額"));
        ASSERT_EQ(amounts.size(), 5);
        for (const char *figure : {"txt数量", "txt単位", "txt単価"}) {
            SCOPED_TRACE(std::string(nameOf(paper)) + " " + figure);
            const QList<DrawOp> others = named(page, QString::fromUtf8(figure));
            ASSERT_EQ(others.size(), amounts.size());
            for (qsizetype i = 0; i < amounts.size(); ++i) {
                EXPECT_EQ(amounts[i].rect.top(), others[i].rect.top());
                EXPECT_EQ(amounts[i].rect.height(), others[i].rect.height());
                EXPECT_EQ(amounts[i].alignment & Qt::AlignVertical_Mask, others[i].alignment & Qt::AlignVertical_Mask);
            }
        }
    }
}

TEST(RuleColour, ColoursEveryRuleBoxAndColumnTitleButNoOtherText)
{
    print::PrintSettings settings = plainSettings();
    settings.罫線色 = QColor(0x20, 0x40, 0xC0);
    const QStringList ruledLabels[] = {
        {"Label1", "Label44", "lbl入数", "Label6", "Label51", "Label52", "Label53"},
        {"Label1", "Label44", "lbl入数", "Label50", "Label51", "Label52", "Label53"},
    };
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const Report report = build(paper, filledRows(20), sampleInvoice(), true, settings);
        const QStringList &coloured = ruledLabels[paper == Paper::A4 ? 0 : 1];
        int rules = 0;
        for (const ReportPage &page : report.pages) {
            for (const DrawOp &op : page.ops) {
                const bool ruled = op.kind != OpKind::Text || coloured.contains(op.name);
                rules += op.kind != OpKind::Text;
                EXPECT_EQ(op.color, ruled ? settings.罫線色 : QColor(Qt::black)) << op.name.toStdString();
            }
            for (const QString &label : coloured)
                EXPECT_EQ(named(page, label).size(), 1) << label.toStdString();
        }
        EXPECT_GT(rules, 100);
    }
}

TEST(PackTitle, FollowsTheColumnTitleSetting)
{
    EXPECT_EQ(print::packTitle(QStringLiteral("入数")), QStringLiteral("入　数"));
    EXPECT_EQ(print::packTitle(QStringLiteral("規格")), QStringLiteral("規　格"));
    EXPECT_EQ(print::packTitle(QStringLiteral("サイズ")), QStringLiteral("サイズ"));
    print::PrintSettings settings = plainSettings();
    settings.入数列タイトル = QStringLiteral("規格");
    EXPECT_EQ(textOf(build(Paper::B5, filledRows(1), sampleInvoice(), true, settings).pages[0], QStringLiteral("lbl入数")),
              QStringLiteral("規　格"));
}

struct PlacedControl {
    Paper paper;
    const char *name;
    QRectF rect; // on the paper, with the default margins
    double points;
    bool bold;
    const char *family;
};

TEST(LayoutTables, PlaceControlsInTwipsFromTheMarginsWithTheirFonts)
{
    const PlacedControl cases[] = {
        {Paper::A4, "Label1", {900 + 8745, 1000, 1260, 360}, 18, true, "ＭＳ ゴシック"},
        {Paper::A4, "txt自社名", {900 + 6307, 1000 + 760, 4252, 354}, 14, false, "ＭＳ Ｐ明朝"},
        {Paper::A4, "txt顧客名", {900 + 283, 1000 + 1417, 4819, 426}, 16, false, "ＭＳ Ｐ明朝"},
        {Paper::A4, "Label45", {900 + 283, 1000 + 1984, 1560, 355}, 14.5, false, "ＭＳ Ｐ明朝"},
        {Paper::A4, "Label53", {900 + 9300, 1000 + 3330, 1170, 285}, 12, true, "ＭＳ Ｐ明朝"},
        {Paper::A4, "txt数量", {900 + 5820, 1000 + 3680, 1120, 615}, 12, false, "ＭＳ Ｐ明朝"},
        {Paper::A4, "txt合計", {900 + 8925, 16838 - 300 - 2000 + 850, 1630, 340}, 14.5, false, "ＭＳ Ｐ明朝"},
        {Paper::B5, "Label1", {800 + 7080, 900, 1455, 360}, 18, true, "ＭＳ ゴシック"},
        {Paper::B5, "txtTotalPage", {800 + 5953, 900 + 496, 354, 213}, 11.5, false, "ＭＳ Ｐ明朝"},
        {Paper::B5, "txt顧客名", {800 + 75, 900 + 1410, 4455, 420}, 14.5, false, "ＭＳ Ｐ明朝"},
        {Paper::B5, "Label52", {800 + 6980, 900 + 3260, 700, 283}, 12, true, "ＭＳ Ｐ明朝"},
        {Paper::B5, "txt金額", {800 + 7800, 900 + 3550, 1240, 567}, 12, false, "ＭＳ Ｐ明朝"},
        {Paper::B5, "txtメモ", {800, 14570 - 300 - 2000 + 71, 5953, 1134}, 11.5, false, "ＭＳ Ｐ明朝"},
    };
    for (const PlacedControl &c : cases) {
        SCOPED_TRACE(std::string(nameOf(c.paper)) + " " + c.name);
        const QList<DrawOp> ops = named(build(c.paper, filledRows(1)).pages[0], QString::fromUtf8(c.name));
        ASSERT_FALSE(ops.isEmpty());
        EXPECT_NEAR(ops[0].rect.left(), c.rect.left(), 0.01);
        EXPECT_NEAR(ops[0].rect.top(), c.rect.top(), 1); // the paper heights are whole millimetres
        EXPECT_EQ(ops[0].rect.size(), c.rect.size());
        EXPECT_EQ(ops[0].font, (report::TextFont{QString::fromUtf8(c.family), c.points, c.bold}));
    }
}

// The company's name and address stand to the right of the customer's, with at least an
// eighth of an inch between them.
TEST(LayoutTables, TheCompanyBlockStandsClearOfTheCustomer)
{
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const ReportPage page = build(paper, filledRows(1)).pages[0];
        const auto area = [&](std::initializer_list<const char *> names) {
            QRectF united;
            for (const char *name : names)
                united |= named(page, QString::fromUtf8(name)).value(0).rect;
            return united;
        };
        const QRectF customer = area({"txt顧客情報", "txt顧客名", "txt敬称"});
        const QRectF company = area({"txt自社名", "txt自社情報"});
        EXPECT_GE(company.left() - customer.right(), 180);
    }
}

bool vertical(const DrawOp &op)
{
    return op.kind == OpKind::Line && op.line.dx() == 0;
}

// The column titles sit on the ruled table: their box spans it from its left rule to its
// right one and closes on the first row, their column rules are the table's, and every
// row's foot rule ends on the outer rules.
TEST(LayoutTables, TheColumnTitlesSitOnTheRuledTable)
{
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const ReportPage page = build(paper, filledRows(3)).pages[0];
        const QRectF title = named(page, QStringLiteral("Label44")).first().rect;
        const auto box = std::find_if(page.ops.begin(), page.ops.end(), [&](const DrawOp &op) {
            return op.kind == OpKind::Box && op.rect.contains(title);
        });
        ASSERT_NE(box, page.ops.end());
        const QRectF row = box->rect;
        QList<double> tableRules;
        double tableTop = 1e9;
        for (const DrawOp &op : page.ops)
            if (vertical(op) && std::min(op.line.y1(), op.line.y2()) > row.center().y()) {
                tableRules << op.line.x1();
                tableTop = std::min({tableTop, op.line.y1(), op.line.y2()});
            }
        ASSERT_FALSE(tableRules.isEmpty());
        const auto [left, right] = std::minmax_element(tableRules.begin(), tableRules.end());
        EXPECT_DOUBLE_EQ(row.left(), *left);
        EXPECT_DOUBLE_EQ(row.right(), *right);
        EXPECT_DOUBLE_EQ(row.bottom(), tableTop);
        for (const DrawOp &op : page.ops) {
            if (vertical(op) && row.contains(op.line.center())) {
                EXPECT_TRUE(tableRules.contains(op.line.x1())) << op.line.x1();
                EXPECT_DOUBLE_EQ(std::max(op.line.y1(), op.line.y2()), row.bottom());
            }
            if (op.kind == OpKind::Line && op.line.dy() == 0 && op.line.y1() > row.bottom()
                && op.line.x1() < row.center().x() && op.line.x2() > row.center().x()) {
                EXPECT_DOUBLE_EQ(std::min(op.line.x1(), op.line.x2()), *left);
                EXPECT_DOUBLE_EQ(std::max(op.line.x1(), op.line.x2()), *right);
            }
        }
    }
}

TEST(LayoutTables, PaperIsA4OrJisB5AndTheUserMarginsMoveEverything)
{
    EXPECT_EQ(build(Paper::A4, filledRows(1)).pageSize.id(), QPageSize::A4);
    const Report b5 = build(Paper::B5, filledRows(1));
    EXPECT_EQ(b5.pageSize.id(), QPageSize::JisB5);
    EXPECT_EQ(b5.pageSize.size(QPageSize::Millimeter), QSizeF(182, 257));

    print::PrintSettings shifted = plainSettings();
    shifted.topMargin = 200;
    shifted.leftMargin = -150;
    for (const Paper paper : Papers) {
        const ReportPage plain = build(paper, filledRows(3)).pages[0];
        const ReportPage moved = build(paper, filledRows(3), sampleInvoice(), true, shifted).pages[0];
        ASSERT_EQ(plain.ops.size(), moved.ops.size());
        for (qsizetype i = 0; i < plain.ops.size(); ++i) {
            if (plain.ops[i].kind == OpKind::Line)
                EXPECT_EQ(moved.ops[i].line, plain.ops[i].line.translated(-150, 200));
            else
                EXPECT_EQ(moved.ops[i].rect, plain.ops[i].rect.translated(-150, 200));
        }
    }
}

TEST(LayoutTables, NothingPrintsOutsideThePaper)
{
    for (const Paper paper : Papers) {
        const Report report = build(paper, filledRows(99));
        const QRectF paperRect(QPointF(0, 0), report::paperTwips(report.pageSize));
        for (const ReportPage &page : report.pages)
            for (const DrawOp &op : page.ops) {
                const bool inside = op.kind == OpKind::Line
                                        ? paperRect.contains(op.line.p1()) && paperRect.contains(op.line.p2())
                                        : paperRect.contains(op.rect);
                EXPECT_TRUE(inside) << nameOf(paper) << " " << op.name.toStdString();
            }
    }
}

} // namespace
