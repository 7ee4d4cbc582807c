// The print panel Cn印刷選択, offscreen through its named controls, on a real data directory;
// the preview and printer dialogs are replaced by a recording output, boxes by the
// recording presenter. Also the print data read from w明細.
#include "PrintTestUtil.h"

#include "app/Database.h"
#include "print/PrintPanel.h"
#include "print/ReportOutput.h"
#include "settings/ModQLNVSettings.h"
#include "support/EngineTest.h"
#include "support/RecordingPresenter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace printtest;

namespace {

class RecordingOutput : public print::ReportOutput
{
public:
    RecordingOutput() : m_previous(print::setReportOutput(this)) {}
    ~RecordingOutput() override { print::setReportOutput(m_previous); }

    bool preview(QWidget *, const report::Report &report) override
    {
        previewed << report;
        return previewWorks;
    }
    PrintResult print(QWidget *, const report::Report &report) override
    {
        printed << report;
        return printAnswer;
    }

    QList<report::Report> previewed;
    QList<report::Report> printed;
    bool previewWorks = true;
    PrintResult printAnswer = PrintResult::Printed;

private:
    print::ReportOutput *m_previous;
};

class PrintPanelTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ModQLNV::resetSettingsGlobals();
        panel.emplace();
        panel->setInvoiceSource([this] { return invoice; });
    }
    void TearDown() override
    {
        panel.reset();
        ModQLNV::resetSettingsGlobals();
        EngineTest::TearDown();
    }

    template<class T>
    T *child(const char *name)
    {
        T *widget = panel->findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char *name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void pick(const QString &paper)
    {
        QComboBox *box = child<QComboBox>("cmb用紙選択");
        box->setCurrentIndex(box->findText(paper));
    }
    void writeLines(const QList<DetailLine> &lines) { ASSERT_TRUE(detail::replaceLines(db::work(), lines)); }

    RecordingPresenter boxes;
    RecordingOutput output;
    InvoiceHeader invoice = sampleInvoice();
    std::optional<Cn印刷選択> panel; // made once the data directory is there
};

QUILLON_ON_BOTH_ENGINES(PrintPanelTest);

TEST_P(PrintPanelTest, HasItsNamedControlsAndStaysHiddenUntilOpened)
{
    EXPECT_EQ(panel->objectName(), QStringLiteral("Cn印刷選択"));
    EXPECT_FALSE(panel->isVisible());
    QComboBox *paper = child<QComboBox>("cmb用紙選択");
    ASSERT_NE(paper, nullptr);
    EXPECT_EQ(paper->count(), 2);
    EXPECT_EQ(paper->itemText(0), QStringLiteral("A4白紙"));
    EXPECT_EQ(paper->itemText(1), QStringLiteral("B5白紙"));
    EXPECT_FALSE(paper->isEditable());
    for (const char *button : {"cmdプレビュー", "cmd印刷実行", "cmd印刷選択キャンセル"})
        EXPECT_NE(child<QPushButton>(button), nullptr);
    EXPECT_NE(child<QCheckBox>("chk日付印刷"), nullptr);
}

TEST_P(PrintPanelTest, OpeningTicksTheDateAndTakesThePaperOfTheSettingsEachTime)
{
    ModQLNV::印刷用紙 = QStringLiteral("B5白紙");
    panel->Open印刷選択();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(child<QCheckBox>("chk日付印刷")->isChecked());
    EXPECT_EQ(child<QComboBox>("cmb用紙選択")->currentText(), QStringLiteral("B5白紙"));

    pick(QStringLiteral("A4白紙"));
    child<QCheckBox>("chk日付印刷")->setChecked(false);
    click("cmd印刷選択キャンセル");
    panel->Open印刷選択();
    EXPECT_TRUE(child<QCheckBox>("chk日付印刷")->isChecked());
    EXPECT_EQ(child<QComboBox>("cmb用紙選択")->currentText(), QStringLiteral("B5白紙"));

    // Typing never changes the paper.
    QComboBox *paper = child<QComboBox>("cmb用紙選択");
    paper->setFocus();
    QTest::keyClicks(paper, QStringLiteral("A"));
    QTest::keyClick(paper, Qt::Key_Delete);
    EXPECT_EQ(paper->currentText(), QStringLiteral("B5白紙"));
}

TEST_P(PrintPanelTest, PreviewShowsTheChosenPaperThenHidesThePanel)
{
    writeLines(filledRows(16));
    QSignalSpy finished(&*panel, &PrintPanel::previewFinished);
    const std::pair<QString, QPageSize::PageSizeId> papers[] = {{QStringLiteral("A4白紙"), QPageSize::A4},
                                                                 {QStringLiteral("B5白紙"), QPageSize::JisB5}};
    for (const auto &[text, size] : papers) {
        panel->Open印刷選択();
        pick(text);
        click("cmdプレビュー");
        ASSERT_FALSE(output.previewed.isEmpty());
        EXPECT_EQ(output.previewed.last().pageSize.id(), size);
        EXPECT_EQ(output.previewed.last().pages.size(), 2);
        EXPECT_FALSE(panel->isVisible());
    }
    EXPECT_EQ(finished.count(), 2);
    EXPECT_TRUE(output.printed.isEmpty());
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_P(PrintPanelTest, PrintUsesTheScreenAsItStandsAndKeepsThePanelOpen)
{
    writeLines(workRows({line(QStringLiteral("未保存の行"))}));
    invoice.顧客名 = QStringLiteral("保存前の顧客");
    QList<std::pair<archive::Method, QByteArray>> issued; // a print is an issue; a preview or a cancel is not
    QObject::connect(&*panel, &PrintPanel::issued, [&issued](archive::Method how, const InvoiceHeader &, const QByteArray &pdf) {
        issued.append({how, pdf});
    });
    panel->Open印刷選択();
    click("cmdプレビュー");
    ASSERT_EQ(output.previewed.size(), 1);
    panel->Open印刷選択();
    child<QCheckBox>("chk日付印刷")->setChecked(false);
    click("cmd印刷実行");
    ASSERT_EQ(output.printed.size(), 1);
    const report::ReportPage &page = output.printed.first().pages.first();
    EXPECT_EQ(textOf(page, QStringLiteral("txt顧客名")), QStringLiteral("保存前の顧客"));
    EXPECT_EQ(column(page, QStringLiteral("txt品名")), QStringList{QStringLiteral("未保存の行")});
    EXPECT_EQ(textOf(page, QStringLiteral("txtCday")), QString());
    EXPECT_TRUE(panel->isVisible());
    ASSERT_EQ(issued.size(), 1);
    EXPECT_EQ(issued[0].first, archive::Method::Print);
    EXPECT_TRUE(issued[0].second.startsWith("%PDF-")) << "what was printed, drawn as the archive keeps it";

    // A cancelled printer dialog is no failure.
    output.printAnswer = print::ReportOutput::PrintResult::Cancelled;
    click("cmd印刷実行");
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(issued.size(), 1);
}

TEST_P(PrintPanelTest, CancelHidesThePanelWithoutAReport)
{
    QSignalSpy cancelled(&*panel, &PrintPanel::cancelled);
    panel->Open印刷選択();
    click("cmd印刷選択キャンセル");
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_TRUE(output.previewed.isEmpty());
    EXPECT_TRUE(output.printed.isEmpty());
}

TEST_P(PrintPanelTest, AReportThatCannotBeMadeOrPrintedIsReported)
{
    writeLines(filledRows(2));
    panel->Open印刷選択();

    output.printAnswer = print::ReportOutput::PrintResult::Failed;
    click("cmd印刷実行");
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.last().icon, QMessageBox::Warning);
    EXPECT_TRUE(boxes.shown.last().text.contains(QStringLiteral("印刷できませんでした")));

    output.previewWorks = false;
    click("cmdプレビュー");
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_TRUE(boxes.shown.last().text.contains(QStringLiteral("プレビュー")));

    // w明細 gone: nothing to show, and the user is told so; the preview still hides the panel->
    ASSERT_TRUE(db::exec(db::work(), QStringLiteral("DROP TABLE w明細")));
    panel->Open印刷選択();
    const qsizetype shownBefore = output.previewed.size();
    click("cmdプレビュー");
    EXPECT_EQ(output.previewed.size(), shownBefore);
    ASSERT_EQ(boxes.shown.size(), 3);
    EXPECT_TRUE(boxes.shown.last().text.contains(QStringLiteral("印刷できませんでした")));
    EXPECT_FALSE(panel->isVisible());
}

TEST_P(PrintPanelTest, PrintDataComesFromWorkRowsAndTheSettings)
{
    QList<DetailLine> rows = filledRows(16);
    rows[7] = DetailLine{}; // a blank line in the middle
    writeLines(rows);
    EXPECT_EQ(print::GetLine請求書(db::work()), 15);

    ModQLNV::自社名 = QStringLiteral("設定の自社名");
    ModQLNV::年号 = QStringLiteral("西暦");
    ModQLNV::白紙罫線色 = 0x0000FF; // red in the low byte
    const std::optional<report::Report> report = print::prepare請求書(print::Paper::A4, invoice, true, db::work());
    ASSERT_TRUE(report);
    ASSERT_EQ(report->pages.size(), 2);
    EXPECT_EQ(column(report->pages[1], QStringLiteral("txt品名")), QStringList{QStringLiteral("商品16")});
    EXPECT_EQ(textOf(report->pages[0], QStringLiteral("txt自社名")), QStringLiteral("設定の自社名"));
    EXPECT_EQ(textOf(report->pages[0], QStringLiteral("txtCday")), QStringLiteral("2026/12/07"));
    EXPECT_EQ(named(report->pages[0], QStringLiteral("Label1")).first().color, QColor(Qt::red));

    ASSERT_TRUE(db::exec(db::work(), QStringLiteral("DELETE FROM w明細")));
    EXPECT_EQ(print::GetLine請求書(db::work()), 0);
    ASSERT_TRUE(db::exec(db::work(), QStringLiteral("DROP TABLE w明細")));
    EXPECT_FALSE(print::GetLine請求書(db::work()));
    EXPECT_FALSE(print::prepare請求書(print::Paper::B5, invoice, true, db::work()));
}

TEST(PaperText, OnlyTheTwoPlainPapersMakeAReport)
{
    EXPECT_EQ(print::paperFromText(QStringLiteral("A4白紙")), print::Paper::A4);
    EXPECT_EQ(print::paperFromText(QStringLiteral("B5白紙")), print::Paper::B5);
    EXPECT_FALSE(print::paperFromText(QStringLiteral("S101")));
    EXPECT_FALSE(print::paperFromText(QString()));
}

} // namespace
