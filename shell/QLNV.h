#pragma once
// The main window: three tabs (invoice, history, settings), the version label, and the
// start-up and closing of the program.
#include "data/Recovery.h"
#include "data/SchemaUpgrade.h"

#include <QMainWindow>
#include <memory>

class InvoiceTab;
class HistoryTab;
class SettingsTab;
class InvoiceRecords;
class PrintPanel;
class CustomerWindow;
class ProductWindow;
class CodeTableWindow;
class QTimer;

namespace Ui {
class QLNV;
}

namespace ModQLNV {
struct Locations;
inline const QString AppVersion = QStringLiteral("1.00");
inline const QString LastUpdate = QStringLiteral("2002/11/19");
} // namespace ModQLNV

class QLNV : public QMainWindow
{
    Q_OBJECT
public:
    explicit QLNV(QWidget *parent = nullptr);
    ~QLNV() override;

    // Shows the window, places the data files under programDir and loads every tab.
    void Form_Load(const QString &programDir);
    // The same with the files where the start-up placed them.
    void Form_Load(const ModQLNV::Locations &locations);

    // A second start asked this copy to come forward.
    void bringToFront();

    InvoiceTab *invoiceTab() const { return m_invoice; }
    HistoryTab *historyTab() const { return m_history; }
    SettingsTab *settingsTab() const { return m_settings; }

    // The master windows, one each, made on first use and shown modeless (QLNVMasters.cpp).
    CustomerWindow *showCustomerWindow();
    ProductWindow *showProductWindow();
    CodeTableWindow *showCodeTableWindow();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormInit();
    void reportDataProblems();
    // The status line: the server's state, then what the last report found.
    void showStatus();
    QString foreignFileText(const QString &path, const QString &problem) const;
    QString backupReminder() const;
    void wireMasters();
    void showInvoiceTab(bool activate);
    // The tab at index (each sits in a scroll area of its own), and making one the current tab.
    QWidget *tabAt(int index) const;
    void showTab(QWidget *tab);
    // The window as large as its tabs want, within the available area of its screen.
    void fitToScreen();
    // Closing with an invoice typed and not stored asks first; true when the program may close.
    bool mayCloseInvoice() const;

    std::unique_ptr<Ui::QLNV> ui;
    recovery::Report m_recovery;     // what this load put right in the data directory first
    schema::UpgradeReport m_upgrade; // of this load's data directory
    QStringList m_problems;          // what the last report found
    QString m_serverProblem;         // why the data server cannot be reached now; empty when it can
    InvoiceTab *m_invoice = nullptr;
    HistoryTab *m_history = nullptr;
    SettingsTab *m_settings = nullptr;
    InvoiceRecords *m_records = nullptr;
    PrintPanel *m_printPanel = nullptr;
    // Windows of their own, not owned by the main window.
    std::unique_ptr<CustomerWindow> m_customers;
    std::unique_ptr<ProductWindow> m_products;
    std::unique_ptr<CodeTableWindow> m_codes;
    QTimer *m_customerLists = nullptr;
    QTimer *m_productList = nullptr;
};
