// The painter path: the layout's fonts resolve to the IPA fonts, long texts stay inside
// their boxes, and a real PDF holds the texts, the pages and the embedded fonts.
#include "PrintTestUtil.h"

#include "print/ReportPainter.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QTemporaryDir>

using namespace printtest;
using print::Paper;

namespace {

TEST(ReportFonts, LayoutFontsResolveToTheInstalledIpaFonts)
{
    const std::pair<QString, QString> families[] = {
        {QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho")},
        {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")},
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho")},
    };
    for (const auto &[layout, installed] : families) {
        EXPECT_EQ(report::installedFamily(layout), installed);
        const QFont font = report::fontFor({layout, 12, false});
        EXPECT_EQ(QFontInfo(font).family(), installed) << "not installed: " << installed.toStdString();
        EXPECT_EQ(font.pixelSize(), 240); // 12 pt in twips
    }
    EXPECT_TRUE(report::fontFor({QStringLiteral("ＭＳ ゴシック"), 18, true}).bold());
}

DrawOp textOp(const QString &text, QRectF rect, int flags, int alignment = Qt::AlignLeft | Qt::AlignVCenter,
              double points = 12)
{
    DrawOp op;
    op.text = text;
    op.rect = rect;
    op.flags = flags;
    op.alignment = alignment;
    op.font = {QStringLiteral("ＭＳ Ｐ明朝"), points, false};
    return op;
}

// Every line of the fitted text lies inside the box, drawn no wider than the box.
void expectInside(const DrawOp &op)
{
    const report::FittedText fitted = report::fitText(op);
    ASSERT_EQ(fitted.lines.size(), fitted.lineRects.size());
    const QFontMetricsF metrics(fitted.font);
    for (qsizetype i = 0; i < fitted.lines.size(); ++i) {
        EXPECT_TRUE(op.rect.adjusted(-0.5, -0.5, 0.5, 0.5).contains(fitted.lineRects[i]))
            << fitted.lines[i].toStdString();
        EXPECT_LE(metrics.horizontalAdvance(fitted.lines[i]), op.rect.width() + 0.5) << fitted.lines[i].toStdString();
    }
}

TEST(ReportText, LongTextsStayInsideTheirBoxes)
{
    const QString longName = QStringLiteral("株式会社").repeated(20);
    const QString longAscii = QStringLiteral("X").repeated(300);
    const QString memo = QStringLiteral("長いメモの行です。").repeated(40);

    // One-line fields shrink, then end in "…".
    const DrawOp name = textOp(longName, QRectF(283, 1417, 4819, 426), report::ShrinkToFit, Qt::AlignLeft, 16);
    expectInside(name);
    const report::FittedText fittedName = report::fitText(name);
    EXPECT_LT(fittedName.font.pixelSize(), 320);
    EXPECT_TRUE(fittedName.lines.first().endsWith(QStringLiteral("…")));

    // A name a little too long is only made smaller, never cut.
    const DrawOp slightly = textOp(QStringLiteral("株式会社").repeated(5), QRectF(0, 0, 4000, 426), report::ShrinkToFit);
    EXPECT_EQ(report::fitText(slightly).lines.first(), slightly.text);

    // Figures are made smaller, never cut.
    const DrawOp amount = textOp(QStringLiteral("¥9,999,999,999"), QRectF(0, 0, 1000, 600), report::ShrinkToFit, Qt::AlignRight);
    expectInside(amount);
    EXPECT_EQ(report::fitText(amount).lines.first(), amount.text);

    // Blocks wrap, keep the lines that fit and mark the cut.
    for (const QString &text : {memo, longAscii, QStringLiteral("一行目\r\n二行目\n\n\n\n\n\n\n\n\n最後")}) {
        const DrawOp block = textOp(text, QRectF(135, 75, 7125, 1125), report::Wrap, Qt::AlignLeft | Qt::AlignTop);
        expectInside(block);
        const report::FittedText fitted = report::fitText(block);
        EXPECT_GT(fitted.lines.size(), 1);
        EXPECT_LE(fitted.lines.size(), 4); // 1125 twips hold four lines of 12 pt
    }
    const report::FittedText lines = report::fitText(
        textOp(QStringLiteral("〒150-0001\n東京都渋谷区"), QRectF(0, 0, 4600, 850), report::Wrap, Qt::AlignTop));
    EXPECT_EQ(lines.lines, (QStringList{QStringLiteral("〒150-0001"), QStringLiteral("東京都渋谷区")}));
}

TEST(ReportText, VeryLongInvoiceFieldsStayInsideTheirBoxesOnBothPapers)
{
    InvoiceHeader invoice = sampleInvoice();
    invoice.顧客名 = QStringLiteral("とても長い名前の株式会社").repeated(8);
    invoice.顧客情報 = QStringLiteral("東京都千代田区丸の内一丁目一番一号\n").repeated(10);
    invoice.件名 = QStringLiteral("件名").repeated(60);
    invoice.メモ = QStringLiteral("お支払いについてのご案内。").repeated(30);
    invoice.請求金額 = 9999999999;
    DetailLine longLine = line(QStringLiteral("商品名がとても長い品物").repeated(10), 123456789, QStringLiteral("ケース"), 99999999);
    longLine.入数 = QStringLiteral("24本入り×12ケース").repeated(3);
    const QString look = qEnvironmentVariable("QUILLON_PRINT_LOOK_DIR");
    for (const Paper paper : {Paper::A4, Paper::B5}) {
        const Report report = build(paper, workRows({longLine, subtotal(9999999999)}), invoice);
        for (const DrawOp &op : report.pages[0].ops)
            if (op.kind == OpKind::Text) {
                SCOPED_TRACE(op.name.toStdString());
                expectInside(op);
            }
        if (!look.isEmpty())
            report::writePdf(report, look + (paper == Paper::A4 ? QStringLiteral("/long-a4.pdf") : QStringLiteral("/long-b5.pdf")));
    }
}

QStringList wordsOf(const QStringList &lines)
{
    QString text = lines.join(u' ');
    for (QChar &c : text)
        if (c.isSpace())
            c = u' ';
    return text.split(u' ', Qt::SkipEmptyParts);
}

struct CompanyCase {
    const char *what;
    QString info;
    bool asWritten; // every line printed as it stands, at the layout's size
};

// The company block keeps its words whole: a line too wide breaks at a space, and a word
// wider than the block makes the block a little smaller instead.
TEST(ReportText, CompanyLinesBreakOnlyBetweenWords)
{
    const QString address = QStringLiteral("〒530-0001\n大阪府大阪市北区梅田1-1-1\nTEL 06-1234-5678");
    const CompanyCase cases[] = {
        {"everyday", address, true},
        {"bank line with spaces", address + QStringLiteral("\n振込先 みずほ銀行梅田支店 普通預金1234567 ユ）ヤマダコメテン"), false},
        {"ideographic spaces", address + QStringLiteral("\n振込先　三井住友銀行大阪本店営業部　当座　7654321"), false},
        {"bank line without spaces", address + QStringLiteral("\n振込先：みずほ銀行梅田支店普通預金1234567"), false},
    };
    for (const Paper paper : {Paper::A4, Paper::B5}) {
        for (const CompanyCase &c : cases) {
            SCOPED_TRACE(std::string(paper == Paper::A4 ? "A4 " : "B5 ") + c.what);
            print::PrintHeader header = print::makePrintHeader(sampleInvoice(), true, filledRows(1));
            header.自社情報 = c.info;
            const Report report = print::build請求書(paper, header, filledRows(1), plainSettings());
            const DrawOp op = named(report.pages[0], QStringLiteral("txt自社情報")).value(0);
            expectInside(op);
            const report::FittedText fitted = report::fitText(op);
            EXPECT_EQ(wordsOf(fitted.lines), wordsOf({c.info}));
            EXPECT_GE(fitted.font.pixelSize(), 200 * 0.6);
            if (c.asWritten) {
                EXPECT_EQ(fitted.lines, c.info.split(u'\n'));
                EXPECT_EQ(fitted.font.pixelSize(), 200);
            }
        }
    }
}

// A realistic invoice: twenty lines with subtotals and tax-exempt lines, two pages on A4.
QList<DetailLine> realisticRows()
{
    QList<DetailLine> lines;
    qint64 sum = 0;
    for (int i = 1; i <= 17; ++i) {
        DetailLine l = line(QStringLiteral("特選コシヒカリ %1kg").arg(i), i % 3 + 1, QStringLiteral("袋"), 1980 + 10 * i);
        l.入数 = QStringLiteral("%1袋").arg(i % 4 + 1);
        l.非課税 = i % 5 == 0;
        sum += *l.金額;
        lines << l;
        if (i % 6 == 0)
            lines << subtotal(sum);
    }
    lines << subtotal(sum);
    return workRows(lines);
}

TEST(ReportPdf, HoldsTheTextsThePagesAndTheEmbeddedIpaFonts)
{
    QTemporaryDir dir;
    const QString look = qEnvironmentVariable("QUILLON_PRINT_LOOK_DIR"); // keeps the PDFs and PNGs to look at
    const QString out = look.isEmpty() ? dir.path() : look;
    QDir().mkpath(out);

    struct Sample {
        Paper paper;
        const char *file;
        QList<DetailLine> rows;
        int pages;
    };
    QList<DetailLine> twelve = realisticRows().mid(0, 12);
    const Sample samples[] = {
        {Paper::A4, "invoice-a4", realisticRows(), 2},
        {Paper::B5, "invoice-b5", workRows(twelve), 1},
    };
    for (const Sample &s : samples) {
        SCOPED_TRACE(s.file);
        print::PrintSettings settings = plainSettings();
        settings.罫線色 = QColor(0x00, 0x60, 0xA0);
        print::PrintHeader header = print::makePrintHeader(sampleInvoice(), true, s.rows);
        header.自社名 = QStringLiteral("有限会社やまだ米店");
        header.自社情報 = QStringLiteral("〒530-0001\n大阪府大阪市北区梅田1-1-1\nTEL 06-1234-5678");
        const Report report = print::build請求書(s.paper, header, s.rows, settings);
        ASSERT_EQ(report.pages.size(), s.pages);

        const QString pdf = out + QStringLiteral("/%1.pdf").arg(QString::fromUtf8(s.file));
        ASSERT_TRUE(report::writePdf(report, pdf));

        const QString text = run("pdftotext", {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        EXPECT_EQ(text.count(u'\f'), s.pages);
        for (const QString &expected :
             {QStringLiteral("請求書"), QStringLiteral("株式会社みどり商店"), QStringLiteral("御中"),
              QStringLiteral("¥12,600"), QStringLiteral("令和 08年12月07日"), QStringLiteral("有限会社やまだ米店"),
              QStringLiteral("特選コシヒカリ 1kg"), QStringLiteral("12,000"),
              QStringLiteral("Page"), QStringLiteral("お振込は月末までにお願いします。")})
            EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
        EXPECT_TRUE(QString(text).remove(u' ').contains(QStringLiteral("小計")));

        const QString fonts = run("pdffonts", {pdf});
        for (const char *family : {"IPAPMincho", "IPAGothic"})
            EXPECT_TRUE(fonts.contains(QString::fromUtf8(family))) << fonts.toStdString();
        for (const QString &row : fonts.split(u'\n').mid(2)) {
            if (!row.trimmed().isEmpty()) {
                EXPECT_TRUE(row.contains(QStringLiteral(" yes "))) << "not embedded: " << row.toStdString();
            }
        }

        const QString prefix = out + u'/' + QString::fromUtf8(s.file);
        run("pdftoppm", {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"), pdf, prefix});
        for (int p = 1; p <= s.pages; ++p) {
            QImage png(QStringLiteral("%1-%2.png").arg(prefix).arg(p));
            ASSERT_FALSE(png.isNull()) << p;
            // The rule under the title crosses the page in the rule colour.
            const double perTwip = 60.0 / 1440;
            const int y = qRound((s.paper == Paper::A4 ? 1000 + 380 : 900 + 380) * perTwip);
            int coloured = 0;
            for (int x = 0; x < png.width(); ++x)
                for (int dy = -1; dy <= 1; ++dy) {
                    const QColor c = png.pixelColor(x, y + dy);
                    coloured += c.blue() > c.red() + 40;
                }
            EXPECT_GT(coloured, png.width() / 2) << "page " << p;
        }
    }
}

TEST(ReportPdf, PageImagesAreDrawnOnPaperOfTheRightSize)
{
    const Report b5 = build(Paper::B5, filledRows(3));
    const QImage image = report::pageImage(b5, 0, 72);
    EXPECT_EQ(image.size(), QSize(qRound(182 / 25.4 * 72), qRound(257 / 25.4 * 72)));
    EXPECT_NE(image.pixel(image.width() / 2, qRound((900 + 380) / 20.0)), qRgb(255, 255, 255));
    EXPECT_TRUE(report::pageImage(b5, 1, 72).isNull());
}

} // namespace
