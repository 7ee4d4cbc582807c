#pragma once
// The customer master window Frm顧客情報: the edit copy w顧客マスタ in a grid, written back
// over the customer master as a whole ("登録"), ticked customers deleted, one customer edited
// in the details panel, and the chosen customer handed to the invoice ("選択").
//
// The window knows nothing of the invoice: it signals the chosen customer, and the main
// window puts it into the invoice tab.
#include <QWidget>

#include <memory>

class MasterCopyModel;
class ProgressPanel;
class QPushButton;

namespace Ui {
class CustomerWindow;
}

class CustomerWindow : public QWidget
{
    Q_OBJECT
public:
    explicit CustomerWindow(QWidget *parent = nullptr);
    ~CustomerWindow() override;

    // Opening: the honorific list, then the master read into the edit copy. Run each time
    // the window is shown again, so that it shows the master, not edits left unregistered.
    void Form_Load();
    // Shows the registration number and electronic address when the settings make invoices
    // qualified ones, and hides them otherwise.
    void applyQualified();

    void Read顧客マスタ();
    void Entry顧客情報();
    void Clear顧客情報();
    void Delete顧客();
    void Read顧客リンク();

    // The details panel: open on the current row, register, empty, close.
    void openDetails();
    void registerDetails();
    void clearDetails();
    void closeDetails();

    // "選択" and a double-click: closes and hands the current row over.
    void choose();

signals:
    // The chosen customer; an empty text is not to be put in.
    void customerChosen(const QString &name, const QString &info);
    // The customer master was changed (the invoice's customer lists are to be read again).
    void customersChanged();

protected:
    void showEvent(QShowEvent *event) override;
    // Asks first when the list holds changes not registered.
    void closeEvent(QCloseEvent *event) override;

private:
    QString cell(int row, int column) const;
    void setListMode(bool list);
    void showHonorific(const QString &text);

    std::unique_ptr<Ui::CustomerWindow> ui;
    MasterCopyModel *m_model = nullptr;
    ProgressPanel *m_notice = nullptr;
    QList<QPushButton *> m_listButtons;
};
