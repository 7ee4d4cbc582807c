#pragma once
// Saving, loading and deleting the invoice on the invoice tab: the buttons cmd登録 and
// cmd削除, the progress panel CnEntryMsg, and loading by number (txtNo or the history).
#include <QObject>
#include <QtGlobal>

class InvoiceTab;
class ProgressPanel;

class InvoiceRecords : public QObject
{
    Q_OBJECT
public:
    // Takes over the tab's register and delete buttons and its invoice-number field.
    explicit InvoiceRecords(InvoiceTab *tab, QObject *parent = nullptr);

    // Loads the stored invoice of that number onto the tab. A number without a stored
    // invoice keeps what is on screen under that number; a failed read changes nothing.
    void Read請求書(qint64 伝票番号);

    // The register button: check, confirm, save, report and clear for the next invoice.
    void cmd登録_Click();
    // True when the number, the date and the customer are filled; otherwise says so and
    // puts the focus on the first empty field.
    bool EntryCheck();
    // The delete button: deletes the invoice of the number in txtNo after confirmation.
    void Delete請求書();

signals:
    // An invoice was stored (the settings tab shows what is stored again).
    void invoiceSaved();

private:
    bool Entry請求書();

    InvoiceTab *m_tab;
    ProgressPanel *m_panel = nullptr;
};
