#pragma once
// The grid of a master window over its edit copy: a check-box column for ticking rows, a
// blank row at the end for a new entry, Enter moving on along the row and from the row's
// last column to the next row's first, Japanese input switched per column, and the held
// edit posted to the edit copy when the grid loses the focus.
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableView>

class MasterCopyModel;

class MasterDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setPlainInputColumns(const QSet<int> &columns) { m_plain = columns; }
    // A column of several lines (an address block) is edited in a box of several lines, where
    // Enter starts a new line.
    void setMultiLineColumn(int column) { m_multiLine = column; }
    int multiLineColumn() const { return m_multiLine; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QString displayText(const QVariant &value, const QLocale &locale) const override;

signals:
    // Enter was pressed in a one-line editor, after its text was committed.
    void enterCommitted();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    QSet<int> m_plain;
    int m_multiLine = -1;
};

class MasterGrid : public QTableView
{
    Q_OBJECT
public:
    explicit MasterGrid(QWidget *parent = nullptr);
    ~MasterGrid() override;

    // The model's tick column goes first on screen, as the ticks are the first thing looked at.
    void setMasterModel(MasterCopyModel *model);
    MasterCopyModel *masterModel() const { return m_model; }
    MasterDelegate *delegate() const { return m_delegate; }

    // Enter in lastColumn moves to firstColumn of the next row (never past the last row).
    void setRowEnds(int firstColumn, int lastColumn);
    // Columns typed without Japanese input (ticks, numbers).
    void setPlainInputColumns(const QSet<int> &columns);

    // The row of the current cell; -1 when there is none.
    int currentRow() const;
    void setCurrentCell(int row, int column);

    // Reads the edit copy again (held edits are dropped) and puts the cursor on that row, or
    // on the row it stood on, in the same column.
    bool reselect(int row = -1);

    // Writes the held edit into the edit copy, keeping the current cell and the scroll
    // position. On failure the user is told and the edit stays held.
    bool post();

    bool isEditing() const { return state() == EditingState; }
    // A cell being typed, or a list changed since it was last read or registered.
    bool hasUnregisteredChanges() const;

signals:
    // A row was double-clicked (outside the tick column, where two clicks are two ticks, and
    // outside the blank row, where a double-click starts typing the new entry).
    void rowActivated(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void enterPressed();
    bool contains(const QWidget *widget) const;

    MasterCopyModel *m_model = nullptr;
    MasterDelegate *m_delegate = nullptr;
    QSet<int> m_plain;
    int m_firstColumn = 0;
    int m_lastColumn = 0;
};
