// What a qualified invoice adds to the A4 and B5 printouts: the invoice's number, the
// registration number under the company name, the "※" of the reduced-rate lines and its
// note, and the amounts of each rate under the totals; and that an invoice at the first rate
// without a registration number prints nothing of it.
#include "PrintTestUtil.h"

#include "print/BandedRenderer.h"
#include "print/InvoiceLayout.h"
#include "print/ReportPainter.h"

#include <QDir>
#include <QTemporaryDir>

using namespace printtest;
using print::Paper;

namespace {

const QStringList AddedNames = {
    QStringLiteral("txt伝票番号"),       QStringLiteral("txt登録番号"),        QStringLiteral("txt標準税率名"),
    QStringLiteral("txt標準税率対象"),   QStringLiteral("txt標準税率消費税名"), QStringLiteral("txt標準税率消費税"),
    QStringLiteral("txt軽減税率名"),     QStringLiteral("txt軽減税率対象"),     QStringLiteral("txt軽減税率消費税名"),
    QStringLiteral("txt軽減税率消費税"), QStringLiteral("txt軽減税率注記"),     QStringLiteral("box税率別"),
    QStringLiteral("line税率別"),        QStringLiteral("txt支払期限"),        QStringLiteral("txt振込先見出し"),
    QStringLiteral("txt振込先"),         QStringLiteral("box振込先"),
};

DetailLine marked(DetailLine l)
{
    l.軽減税率 = true;
    return l;
}

// Milk at 8 % and soap at 10 %, a subtotal row (a mark there means nothing), the invoice's
// figures as the calculation gives them.
QList<DetailLine> mixedRows()
{
    DetailLine sub = subtotal(1600);
    sub.軽減税率 = true;
    return workRows({marked(line(QStringLiteral("牛乳"), 3, QStringLiteral("本"), 200)),
                     line(QStringLiteral("洗剤"), 2, QStringLiteral("個"), 500), sub});
}

InvoiceHeader mixedInvoice()
{
    InvoiceHeader h = sampleInvoice();
    h.消費税率 = 10;
    h.税抜計 = 1600;
    h.消費税 = 148;
    h.合計 = 1748;
    h.請求金額 = 1748;
    h.標準税率対象 = 1000;
    h.標準税率消費税 = 100;
    h.軽減税率対象 = 600;
    h.軽減税率消費税 = 48;
    return h;
}

Report buildQualified(Paper paper, const QString &registration = QStringLiteral("T1234567890123"))
{
    const QList<DetailLine> rows = mixedRows();
    InvoiceHeader invoice = mixedInvoice();
    invoice.支払期限 = QDate(2027, 1, 31);
    print::PrintHeader header = print::makePrintHeader(invoice, true, rows);
    header.自社名 = QStringLiteral("山田商会");
    header.自社情報 = QStringLiteral("大阪市北区1-1\nTEL 06-1234-5678");
    header.振込先 = QStringLiteral("みどり銀行 本店 普通 1234567\n口座名義 ヤマダショウカイ");
    header.登録番号 = registration;
    return print::build請求書(paper, header, rows, plainSettings());
}

QRectF rectOf(const ReportPage &page, const char *name)
{
    const QList<DrawOp> ops = named(page, QString::fromUtf8(name));
    EXPECT_FALSE(ops.isEmpty()) << name;
    return ops.value(0).rect;
}

// No text of the page runs into another.
void expectTextsApart(const ReportPage &page)
{
    QList<DrawOp> texts;
    for (const DrawOp &op : page.ops)
        if (op.kind == OpKind::Text)
            texts << op;
    for (qsizetype i = 0; i < texts.size(); ++i)
        for (qsizetype j = i + 1; j < texts.size(); ++j) {
            const QRectF overlap = texts[i].rect & texts[j].rect;
            EXPECT_TRUE(overlap.isEmpty() || overlap.height() < 60)
                << texts[i].name.toStdString() << " and " << texts[j].name.toStdString();
        }
}

TEST(QualifiedInvoice, PrintsTheNumberTheRegistrationTheMarksAndTheAmountsPerRate)
{
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const Report report = buildQualified(paper);
        ASSERT_EQ(report.pages.size(), 1);
        const ReportPage &page = report.pages[0];
        EXPECT_EQ(textOf(page, QStringLiteral("txt伝票番号")), QStringLiteral("No. 12"));
        EXPECT_EQ(textOf(page, QStringLiteral("txt登録番号")), QStringLiteral("登録番号 T1234567890123"));
        EXPECT_EQ(column(page, QStringLiteral("txt品名")),
                  (QStringList{QStringLiteral("※牛乳"), QStringLiteral("洗剤"), QStringLiteral(" 小 計")}));
        EXPECT_EQ(textOf(page, QStringLiteral("txt軽減税率注記")), QStringLiteral("※は軽減税率対象"));
        const QStringList perRate = {textOf(page, QStringLiteral("txt標準税率名")),
                                     textOf(page, QStringLiteral("txt標準税率対象")),
                                     textOf(page, QStringLiteral("txt標準税率消費税名")),
                                     textOf(page, QStringLiteral("txt標準税率消費税")),
                                     textOf(page, QStringLiteral("txt軽減税率名")),
                                     textOf(page, QStringLiteral("txt軽減税率対象")),
                                     textOf(page, QStringLiteral("txt軽減税率消費税名")),
                                     textOf(page, QStringLiteral("txt軽減税率消費税"))};
        EXPECT_EQ(perRate, (QStringList{QStringLiteral("10%対象"), QStringLiteral("1,000"), QStringLiteral("消費税"),
                                        QStringLiteral("100"), QStringLiteral("8%対象"), QStringLiteral("600"),
                                        QStringLiteral("消費税"), QStringLiteral("48")}));
        EXPECT_EQ(textOf(page, QStringLiteral("txt消費税")), QStringLiteral("148"));
    }
}

TEST(QualifiedInvoice, TheAddedTextsHaveRoomsOfTheirOwn)
{
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const ReportPage page = buildQualified(paper).pages[0];

        // The registration number under the company name, the company's lines under it.
        const QRectF name = rectOf(page, "txt自社名");
        const QRectF number = rectOf(page, "txt登録番号");
        const QRectF info = rectOf(page, "txt自社情報");
        EXPECT_GE(number.top(), name.top() + name.height() / 2);
        EXPECT_GE(info.top(), number.bottom());
        EXPECT_GE(number.left(), name.left());
        EXPECT_GT(info.height(), 1000) << "room for the company's lines";

        // The amounts per rate in a box right under the totals, every text inside it.
        QRectF totals;
        QRectF perRate = rectOf(page, "box税率別");
        for (const DrawOp &op : page.ops)
            if (op.kind == OpKind::Box && op.rect.contains(rectOf(page, "txt合計").center()))
                totals = op.rect;
        ASSERT_FALSE(totals.isNull());
        EXPECT_NEAR(perRate.top(), totals.bottom(), 10);
        EXPECT_NEAR(perRate.left(), totals.left(), 1);
        EXPECT_NEAR(perRate.width(), totals.width(), 1);
        for (const char *field : {"txt標準税率名", "txt標準税率対象", "txt標準税率消費税名", "txt標準税率消費税", "txt軽減税率名",
                                  "txt軽減税率対象", "txt軽減税率消費税名", "txt軽減税率消費税"})
            EXPECT_TRUE(perRate.contains(rectOf(page, field))) << field;

        expectTextsApart(page);
    }
}

// The payment due date under the subject, the bank account lines in a box of their own under
// the memo: on both papers, apart from everything else and on the paper.
TEST(QualifiedInvoice, TheDueDateAndTheBankLinesPrintInPlacesOfTheirOwn)
{
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const QList<DetailLine> rows = filledRows(paper == Paper::A4 ? 15 : 12); // a full page
        InvoiceHeader invoice = mixedInvoice();
        invoice.支払期限 = QDate(2027, 1, 31);
        invoice.メモ = QStringLiteral("いつもありがとうございます。\n来月もよろしくお願いします。");
        print::PrintHeader header = print::makePrintHeader(invoice, true, rows);
        header.振込先 = QStringLiteral("みどり銀行 本店 普通 1234567\n口座名義 ヤマダショウカイ\nゆうちょ銀行 〇一八支店 当座 0012345");
        const Report report = print::build請求書(paper, header, rows, plainSettings());
        ASSERT_EQ(report.pages.size(), 1) << "the bank block leaves every line its page";
        const ReportPage &page = report.pages[0];
        EXPECT_EQ(textOf(page, QStringLiteral("txt支払期限")), QStringLiteral("お支払期限　令和 09年01月31日"));
        EXPECT_EQ(textOf(page, QStringLiteral("txt振込先見出し")), QStringLiteral("お振込先"));
        const QRectF bank = rectOf(page, "box振込先");
        EXPECT_TRUE(bank.contains(rectOf(page, "txt振込先")));
        EXPECT_TRUE(bank.contains(rectOf(page, "txt振込先見出し")));
        EXPECT_GE(bank.top(), rectOf(page, "txtメモ").bottom());
        EXPECT_GE(rectOf(page, "txt支払期限").top(), rectOf(page, "txt件名").bottom());
        EXPECT_LE(rectOf(page, "txt支払期限").bottom(), rectOf(page, "Label44").top()) << "above the table";
        QRectF lastLine;
        for (const DrawOp &op : named(page, QStringLiteral("txt品名")))
            lastLine = op.rect;
        EXPECT_LE(lastLine.bottom(), rectOf(page, "txtメモ").top()) << "the lines end above the footer";
        EXPECT_LE(bank.bottom(), report.pageSize.sizePoints().height() * 20) << "on the paper (twips)";
        expectTextsApart(page);
    }
}

TEST(QualifiedInvoice, ThePdfHoldsWhatAQualifiedInvoiceMustShow)
{
    QTemporaryDir dir;
    const QString look = qEnvironmentVariable("QUILLON_PRINT_LOOK_DIR"); // keeps the PDFs to look at
    const QString out = look.isEmpty() ? dir.path() : look;
    QDir().mkpath(out);
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        const QString pdf = out + QStringLiteral("/qualified-%1.pdf").arg(QString::fromUtf8(nameOf(paper)).toLower());
        ASSERT_TRUE(report::writePdf(buildQualified(paper), pdf));
        const QString text = QString(run("pdftotext", {pdf, QStringLiteral("-")})).remove(u' ');
        for (const QString &expected : {QStringLiteral("No.12"), QStringLiteral("登録番号T1234567890123"), QStringLiteral("※牛乳"),
                                        QStringLiteral("※は軽減税率対象"), QStringLiteral("10%対象"), QStringLiteral("8%対象"),
                                        QStringLiteral("お支払期限"), QStringLiteral("お振込先"), QStringLiteral("口座名義ヤマダショウカイ")})
            EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.toStdString();
    }
}

TEST(QualifiedInvoice, AtTheFirstRateWithoutARegistrationNumberNothingIsAdded)
{
    for (const Paper paper : Papers) {
        SCOPED_TRACE(nameOf(paper));
        // The marks of the lines are carried but mean nothing at 5 %.
        QList<DetailLine> rows = mixedRows();
        const ReportPage plain = build(paper, rows).pages[0];
        for (const QString &name : AddedNames)
            EXPECT_TRUE(named(plain, name).isEmpty()) << name.toStdString();
        EXPECT_EQ(column(plain, QStringLiteral("txt品名")).first(), QStringLiteral("牛乳"));
        EXPECT_EQ(named(plain, QStringLiteral("txt自社情報")).first().rect.top(),
                  named(build(paper, filledRows(1)).pages[0], QStringLiteral("txt自社情報")).first().rect.top());

        // At 10 % with one rate in use: the number, no amounts per rate, no note.
        InvoiceHeader ten = sampleInvoice();
        ten.消費税率 = 10;
        const ReportPage single = build(paper, filledRows(2), ten).pages[0];
        EXPECT_EQ(textOf(single, QStringLiteral("txt伝票番号")), QStringLiteral("No. 12"));
        EXPECT_TRUE(named(single, QStringLiteral("box税率別")).isEmpty());
        EXPECT_TRUE(named(single, QStringLiteral("txt軽減税率注記")).isEmpty());
        EXPECT_TRUE(named(single, QStringLiteral("txt登録番号")).isEmpty());
    }
}

} // namespace
