#pragma once
// The invoice tab of the main window: the header fields, the detail grid Grid明細 over w明細,
// the amounts, the subtotal and delete-line buttons, and the pick-lists behind them.
//
// The tab gathers and shows; the calculation, the line shifts, the cell checks and the
// look-ups are in InvoiceCalc, LineOps, CellChecks/LineEntry and PickLists.
#include "invoice/InvoiceData.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class DateBox;
class DetailGrid;
class DetailModel;
class ProductListModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class WorkListModel;

namespace Ui {
class InvoiceTab;
}

namespace calc {
struct LineSums;
} // namespace calc

namespace entry {
struct CellResult;
struct PickedProduct;
struct Rules;
} // namespace entry

namespace invoiceno {

// Invoice numbers are long integers in the stored file.
inline constexpr qint64 Max = 2147483647;

// What txtNo takes: a whole number from 1 to Max, full-width digits included ("１２" is 12).
// Nothing for anything else.
std::optional<qint64> parse(const QString &text);

} // namespace invoiceno

class InvoiceTab : public QWidget
{
    Q_OBJECT
public:
    explicit InvoiceTab(QWidget *parent = nullptr);
    ~InvoiceTab() override;

    // Shows the own company's name and details (as the settings store them) in their labels.
    void showCompanyLines(const QString &name, const QString &info);
    DetailGrid *grid() const;
    // The header fields and buttons that records/ and the main window work with: txtNo,
    // dt日付, cmb顧客名 and the register, delete and print buttons.
    QLineEdit *numberEdit() const;
    DateBox *dateBox() const;
    QComboBox *customerBox() const;
    QPushButton *saveButton() const;
    QPushButton *deleteButton() const;
    QPushButton *printButton() const;
    // Where the cursor goes after a save, a delete, a preview or opening from the history.
    void focusCustomerName();

    // One-time set-up after the settings are read: the data controls, the date form by 年号,
    // the grid's columns and number forms by 小数 and 入数列タイトル, the product drop-down's
    // captions, and the grey of subtotal rows.
    void FormInit();
    // The "SyokeiLine" style: subtotal rows drawn light grey (0xE0E0E0).
    void createSyokeiLineStyle();

    // Empties the invoice: header, amounts and 99 blank lines. full also refills the product,
    // unit and pack-size lists and the customer names, asks the history list to clear and
    // proposes the next invoice number; otherwise the number typed stays.
    void Clear請求書(bool full);
    // w明細 back to 99 blank lines, shown in the grid.
    void Clear明細ワーク();

    // Where the tax rounding comes from: the text shown in the settings tab's cmb税端数.
    // Unset, the setting 税端数 is used.
    void setTaxRoundingSource(std::function<QString()> source);

    // The header fields as they stand (伝票番号 0 when txtNo holds no valid number).
    InvoiceHeader header() const;
    // The lines as the grid shows them (what w明細 held when the grid last read it).
    QList<DetailLine> shownLines() const;
    // True when something typed would be lost: a cell being typed, or a header field or line
    // that differs from what the last clear or opened invoice showed. The invoice number
    // alone does not count.
    bool hasUnsavedInput() const;
    // Shows a stored header in place of every header field, as a clear and a fill would; an
    // invalid date shows today. The invoice number in txtNo and the lines are left as they are.
    void showHeader(const InvoiceHeader &header);

    // Recomputes subtotal rows and amounts from w明細 and shows them.
    void Calc明細();
    // Shows w明細 again after it was written from outside (an invoice was loaded).
    void reloadLines();
    // Shows an invoice just loaded into w明細: its header, its number in txtNo, the amounts
    // recomputed from its lines but its stored amount invoiced kept, and the cursor on the
    // first line's 品名.
    void showStoredInvoice(qint64 number, const InvoiceHeader &header);
    // True once a quantity, unit price or amount was edited since the tab was made or an
    // invoice was loaded; while it is true 請求金額 follows 合計. A clear leaves it as it is.
    bool lineAmountEdited() const { return m_lineAmountEdited; }

    // The invoice's consumption tax rate in percent: the settings' for a new invoice, its own
    // for a stored one (0 when the settings name no rate the program knows).
    int taxPercent() const { return m_taxPercent; }
    // The settings were saved: a new invoice takes the rate they name now and is recomputed;
    // a stored invoice keeps its own.
    void settingsChanged();

    // The buttons cmd小計 and cmd行削除.
    void Create小計();
    void LineDelete();

    // The pick-lists, refilled by a full clear.
    void AddCmb顧客名();
    void SetDD品名();
    void Readコード表(const QString &kind);

    // A customer chosen in the customer window: the name and the customer information, each
    // only when it is not empty; then the cursor goes to the customer name.
    void takeCustomer(const QString &name, const QString &info);
    // A product chosen in the product window, into the current line of the grid (see
    // entry::chooseProduct); then the cursor goes to that line's name.
    void takeProduct(const entry::PickedProduct &product);

    // The postal-code button: without a dictionary the user is told so, otherwise the search
    // window is asked for (postalLookupRequested).
    void cmd郵便_Click();
    // The postal code and address chosen in the search window: into an empty customer
    // information as "〒123-4567", a line break and the address; a filled one stays as it is.
    void takePostalAddress(const QString &code, const QString &address);

    // Puts an invoice number into txtNo as if the user typed it and left the field.
    void enterInvoiceNumber(qint64 number);
    // A typed number whose invoice could not be loaded: txtNo shows again the number of what is
    // on screen (the last clear's or opened invoice's), so that saving never stores the screen
    // under the number of an invoice it does not show.
    void takeBackNumber();

    // The print panel, placed beside the grid above the amounts.
    void setPrintPanel(QWidget *panel);

signals:
    // The tab's close button was pressed; the main window closes.
    void closeRequested();
    // The user double-clicked the company name or details: they want to edit them.
    void companyNameDoubleClicked();
    void companyInfoDoubleClicked();
    // The company labels show these lines now.
    void companyLinesShown(const QString &name, const QString &info);
    // The customer names were read again (for the history tab's list).
    void customerNamesChanged(const QStringList &names);
    // A full clear empties the history list as well.
    void historyClearRequested();
    // txtNo was left holding a valid number: that invoice is to be loaded.
    void invoiceNumberEntered(qint64 number);
    // The master buttons: the customer, product and code-table windows are to be shown.
    void customerMasterRequested();
    void productMasterRequested();
    void codeTableRequested();
    // The postal-code search window is to be shown (the dictionary exists).
    void postalLookupRequested();
    // Clear請求書 ran (for the print panel, which refills its paper list).
    void invoiceCleared(bool full);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Detail lines (InvoiceTabLines.cpp).
    bool cellEdited(int row, int column, const QString &text);
    void productPicked(int row, int productRow);
    bool applyCellResult(int row, int column, const entry::CellResult &result);
    entry::Rules rules() const;
    QList<int> calcAndShow();
    QList<int> showAmounts(const calc::LineSums &sums);
    int lineOfRow(int row) const;

    // Header fields.
    void clearHeader();
    void txtNoLeft();
    void customerNameLeft();
    void focusGridName();
    QString taxRounding() const;
    // The rate of the invoice on screen: the reduced-rate column shows at 10 %, and the grid
    // and the header fields take their width from the shown columns.
    void applyTaxPercent(int percent);
    void fitGridWidth();
    // The due date the settings' rule gives an invoice of that date (invalid: none).
    QDate dueDateByRule(const QDate &date) const;
    // The taxable sum and tax of each rate under the totals, the block shown for two rates.
    struct PerRate {
        std::optional<qint64> 標準税率対象, 標準税率消費税, 軽減税率対象, 軽減税率消費税;
    };
    void showPerRate(const PerRate &amounts);
    // What hasUnsavedInput compares with: the screen as a clear or an opened invoice left it.
    void rememberShown();

    std::unique_ptr<Ui::InvoiceTab> ui;
    DetailModel *m_lines = nullptr;
    ProductListModel *m_products = nullptr;
    WorkListModel *m_packSizes = nullptr;
    WorkListModel *m_units = nullptr;
    std::function<QString()> m_taxRoundingSource;
    bool m_checkingNo = false;
    bool m_lineAmountEdited = false;
    int m_taxPercent = 5;
    bool m_storedRate = false; // the invoice on screen was opened and keeps its own rate
    // The number and stored version of the invoice opened last; header() carries the version
    // while the number on screen is still that one.
    qint64 m_storedNumber = 0;
    std::optional<qint64> m_storedVersion;
    InvoiceHeader m_shownHeader;
    QList<DetailLine> m_shownLines;
    QString m_shownNumber;
    bool m_dueFollowsDate = true; // the due date is the settings' rule applied to the invoice date
};
