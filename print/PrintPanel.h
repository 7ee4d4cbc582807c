#pragma once
// Cn印刷選択, the print panel of the invoice tab: the paper, whether the date is printed,
// and the preview, print, PDF, electronic invoice and close buttons. Hidden until opened
// with Open印刷選択 (the invoice tab's print button). What it prints is asked for at each
// click: the invoice header from the source the tab installs, the lines from w明細, the
// settings globals.
#include "data/Archive.h"
#include "invoice/InvoiceData.h"

#include <QFrame>

#include <functional>
#include <memory>

namespace Ui {
class PrintPanel;
}

// The class has an ASCII name for moc; the widget is Cn印刷選択 by its objectName and alias.
class PrintPanel : public QFrame
{
    Q_OBJECT

public:
    using InvoiceSource = std::function<InvoiceHeader()>;

    explicit PrintPanel(QWidget *parent = nullptr);
    ~PrintPanel() override;

    // The invoice as it stands on the screen; without a source an empty header is printed.
    void setInvoiceSource(InvoiceSource source);

    // Shows the panel with the date ticked and the paper of the settings, whatever was chosen
    // the last time.
    void Open印刷選択();

signals:
    // The preview was shown and the panel hidden: the customer name takes the cursor.
    void previewFinished();
    // The panel was closed: the detail grid takes the cursor.
    void cancelled();
    // "電子インボイス" was pressed (shown only when the settings make invoices qualified).
    void electronicInvoiceRequested();
    // The invoice was printed or saved as PDF: issued, as pdf shows it (a preview is not).
    void issued(archive::Method how, const InvoiceHeader &invoice, const QByteArray &pdf);

private:
    void cmdプレビュー_Click();
    void cmd印刷実行_Click();
    void cmdPDF保存_Click();
    void cmd印刷選択キャンセル_Click();
    // Runs the layout of the chosen paper; any other paper text produces nothing.
    // True when it was shown or printed.
    bool runReport(bool preview);

    std::unique_ptr<Ui::PrintPanel> ui;
    InvoiceSource m_source;
};

using Cn印刷選択 = PrintPanel;
