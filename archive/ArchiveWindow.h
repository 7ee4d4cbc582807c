#pragma once
// Frm保存書類, the archive of issued invoices: search by invoice date, amount and counterparty
// (any of them combined), the documents listed with when and how they were issued and whether
// they were corrected or deleted later, each shown as issued, the listed ones written into a
// folder with an index for a tax officer, and the check of the whole archive.
#include "app/CsvText.h"
#include "data/Archive.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class AmountBox;
class DateBox;
class QComboBox;
class QLabel;
class QStandardItemModel;
class QTableView;

namespace archive {

// "20261207_山田商店_11000.pdf" for each row, in order: the invoice date, the counterparty as
// a file name takes it, the amount in digits; a name taken by a row before gets "_2", "_3" ….
QStringList exportNames(const QList<Row> &rows);

// Opens a file in the desktop's viewer; tests put their own in place.
using DocumentOpener = std::function<bool(const QString &path)>;
// Puts opener in place and returns the one it replaces.
DocumentOpener setDocumentOpener(DocumentOpener opener);

// The grid's columns, also those of the export's index.
const QStringList &gridColumns();

class ArchiveWindow : public QDialog
{
    Q_OBJECT

public:
    // encoding: the history CSV's, for the export's index.
    explicit ArchiveWindow(QWidget *parent = nullptr, csvtext::Encoding encoding = csvtext::Encoding::Cp932);

    void cmd保存検索_Click();
    void cmd保存表示_Click();
    void cmd保存出力_Click();
    void cmd保存検証_Click();

    const QList<Row> &listed() const { return m_rows; }

private:
    QString exportIndex(const QStringList &names) const;

    DateBox *m_from;
    DateBox *m_to;
    AmountBox *m_min;
    AmountBox *m_max;
    QComboBox *m_counterparty;
    QTableView *m_grid;
    QStandardItemModel *m_model;
    QLabel *m_count;
    QList<Row> m_rows;
    csvtext::Encoding m_encoding;
};

} // namespace archive

using Frm保存書類 = archive::ArchiveWindow;
