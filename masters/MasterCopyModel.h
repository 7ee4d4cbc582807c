#pragma once
// The "data control" of a master window's grid: the edit copy (a work table) in the order its
// rows were written, with a blank row at the end for a new entry.
//
// Edits are held in the model until post() writes them, as a grid holds the edit of its
// current row: the window posts before every action and when the grid loses the focus.
// The edit copies have no key of their own; rows are written back by their rowid, so that
// two rows alike (two blank ones, a name typed twice) are still two rows.
//
// Yes/no columns (0/1) are shown and edited as check boxes; a number column is shown in its
// number form and a typed number goes through the number check the window installs.
#include "app/Formats.h"

#include <QList>
#include <QSet>
#include <QSqlTableModel>

#include <functional>
#include <optional>

class MasterCopyModel : public QSqlTableModel
{
    Q_OBJECT
public:
    MasterCopyModel(const QString &table, const QSqlDatabase &work, QObject *parent = nullptr);

    void setCheckColumn(int column) { m_checkColumns.insert(column); }
    bool isCheckColumn(int column) const { return m_checkColumns.contains(column); }
    // The check-box column that marks rows for the window's actions: a tick is no change of
    // the list.
    void setTickColumn(int column)
    {
        setCheckColumn(column);
        m_tickColumn = column;
    }
    int tickColumn() const { return m_tickColumn; }

    // The typed text of a number column: the number to store, nothing to refuse the edit (the
    // check has told the user why).
    using NumberCheck = std::function<std::optional<double>(const QString &typed)>;
    void setNumberColumn(int column, formats::NumberFormat format, NumberCheck check);
    void setNumberFormat(formats::NumberFormat format);

    // Reads the whole edit copy again; edits not posted are dropped.
    bool select() override;
    // Writes the held edits into the edit copy. True when there were none or all were written;
    // on failure the edits stay held.
    bool post();
    bool hasPendingEdits() const { return m_pending; }
    // Whether the list was changed since the window last read it from the master or wrote it
    // over the master: set by every edit but a tick, and by the window for what it does to the
    // copy itself (emptying it, importing into it); cleared by the window after reading and
    // registering.
    bool isChanged() const { return m_changed; }
    void setChanged(bool changed) { m_changed = changed; }
    // The master's change number the copy was read at (masterchanges); registering the copy
    // is refused once another write to the master came after it.
    qint64 &readAt() { return m_readAt; }
    // The value of a cell as stored (or as edited and held): Null stays Null.
    QVariant value(int row, int column) const;
    // Rows of the edit copy, without the blank row at the end.
    int storedRowCount() const { return m_rowids.size(); }
    bool isNewRow(int row) const { return row >= m_rowids.size(); }
    // The blank row at the end, for a new entry.
    bool isBlankRow(int row) const { return row == rowCount() - 1 && isNewRow(row); }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    QString orderByClause() const override;
    bool updateRowInTable(int row, const QSqlRecord &values) override;
    bool insertRowIntoTable(const QSqlRecord &values) override;
    bool deleteRowFromTable(int row) override;

private:
    void appendBlankRow();
    bool isBlank(const QSqlRecord &values) const;

    QList<qint64> m_rowids;
    QSet<int> m_checkColumns;
    int m_tickColumn = -1;
    int m_numberColumn = -1;
    formats::NumberFormat m_numberFormat = formats::NumberFormat::Grouped;
    NumberCheck m_numberCheck;
    bool m_pending = false;
    bool m_changed = false;
    qint64 m_readAt = 0;
};
