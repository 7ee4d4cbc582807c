#include "print/PrintPanel.h"

#include "app/Database.h"
#include "print/PdfExport.h"
#include "print/PrintCommands.h"
#include "print/ReportPainter.h"
#include "settings/ModQLNVSettings.h"
#include "settings/PickOnlyCombo.h"
#include "settings/SettingsRow.h"
#include "ui_PrintPanel.h"

PrintPanel::PrintPanel(QWidget *parent) : QFrame(parent), ui(std::make_unique<Ui::PrintPanel>())
{
    ui->setupUi(this);
    ui->cmb用紙選択->addItems(settings::印刷用紙Choices());
    settings::makePickOnly(ui->cmb用紙選択);
    connect(ui->cmdプレビュー, &QPushButton::clicked, this, &PrintPanel::cmdプレビュー_Click);
    connect(ui->cmd印刷実行, &QPushButton::clicked, this, &PrintPanel::cmd印刷実行_Click);
    connect(ui->cmdPDF保存, &QPushButton::clicked, this, &PrintPanel::cmdPDF保存_Click);
    connect(ui->cmd印刷選択キャンセル, &QPushButton::clicked, this, &PrintPanel::cmd印刷選択キャンセル_Click);
    connect(ui->cmd電子インボイス, &QPushButton::clicked, this, &PrintPanel::electronicInvoiceRequested);
    hide();
}

PrintPanel::~PrintPanel() = default;

void PrintPanel::setInvoiceSource(InvoiceSource source)
{
    m_source = std::move(source);
}

void PrintPanel::Open印刷選択()
{
    show();
    raise();
    ui->chk日付印刷->setChecked(true);
    ui->cmd電子インボイス->setVisible(ModQLNV::qualifiedInvoices());
    const int paper = ui->cmb用紙選択->findText(ModQLNV::印刷用紙);
    ui->cmb用紙選択->setCurrentIndex(paper >= 0 ? paper : 0);
}

bool PrintPanel::runReport(bool preview)
{
    const bool 日付印刷 = ui->chk日付印刷->isChecked();
    const std::optional<print::Paper> paper = print::paperFromText(ui->cmb用紙選択->currentText());
    if (!paper)
        return false;
    const InvoiceHeader invoice = m_source ? m_source() : InvoiceHeader{};
    const bool done = *paper == print::Paper::A4 ? print::SetPrnData請求書A4(window(), invoice, 日付印刷, preview)
                                                 : print::SetPrnData請求書B5(window(), invoice, 日付印刷, preview);
    if (done && !preview) {
        // What went to the printer, drawn once more as the archive keeps it.
        if (const auto report = print::prepare請求書(*paper, invoice, 日付印刷, db::work()))
            emit issued(archive::Method::Print, invoice, report::pdfBytes(*report));
    }
    return done;
}

void PrintPanel::cmdプレビュー_Click()
{
    runReport(true);
    hide();
    emit previewFinished();
}

void PrintPanel::cmd印刷実行_Click()
{
    runReport(false);
}

void PrintPanel::cmdPDF保存_Click()
{
    const std::optional<print::Paper> paper = print::paperFromText(ui->cmb用紙選択->currentText());
    if (!paper)
        return;
    const InvoiceHeader invoice = m_source ? m_source() : InvoiceHeader{};
    const print::PdfOutcome saved = print::savePdf(window(), *paper, invoice, ui->chk日付印刷->isChecked());
    if (saved.result == print::PdfResult::Saved)
        emit issued(archive::Method::Pdf, invoice, saved.bytes);
}

void PrintPanel::cmd印刷選択キャンセル_Click()
{
    hide();
    emit cancelled();
}
