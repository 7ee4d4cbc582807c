#pragma once
// The history tab: searches the stored invoices by customer and date range into the list,
// opens one on the invoice tab, deletes the ticked ones together, and writes the list as CSV.
#include "app/CsvText.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <memory>

class HistoryListModel;
class QModelIndex;

namespace Ui {
class HistoryTab;
}

class HistoryTab : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryTab(QWidget *parent = nullptr);
    ~HistoryTab() override;

    // The date forms of the range boxes and of the list's date column, from ModQLNV::年号.
    // Called at start-up after the settings are read, and again after they change.
    void applyDateStyle();

    // The customer names of the filter list (the invoice tab publishes them). A name typed
    // into the filter stays.
    void setCustomerNames(const QStringList &names);

    // Empties the list. Called at start-up and whenever the invoice tab is cleared for a new
    // invoice (after a save or a delete). The count stays as it was.
    void Clear履歴();

    // Fills the list from the filters (the search button).
    void Read請求履歴();
    // The CSV encoding chosen on the tab.
    csvtext::Encoding csvEncoding() const;

    // Deletes the ticked invoices after confirmation (the delete button).
    void Delete履歴();
    // Writes the listed invoices to a CSV file the user chooses (the CSV button).
    void cmdCSV出力_Click();

    // Shows "電子インボイス一括" when the settings make invoices qualified ones.
    void applyQualified();

    HistoryListModel *listModel() const { return m_model; }

signals:
    // The tab's close button was pressed; the main window closes.
    void closeRequested();
    // The user chose an invoice of the list: the main window shows it on the invoice tab.
    void openInvoiceRequested(qint64 伝票番号);
    // "電子インボイス一括": the listed invoices, in the list's order, to be written as electronic
    // invoices.
    void electronicInvoicesRequested(const QList<qint64> &numbers);
    // "保存書類": the archive of issued invoices is to be opened.
    void archiveRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshList();
    void showCount(qint64 count);
    void cmd履歴クリア_Click();
    void cmd請求書_Click();
    void cmd電子インボイス一括_Click();
    void gridDoubleClicked(const QModelIndex &index);
    void openRow(int row);

    std::unique_ptr<Ui::HistoryTab> ui;
    HistoryListModel *m_model = nullptr;
};
