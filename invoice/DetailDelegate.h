#pragma once
// The cell editors of the detail grid: the product drop-down in 品名, the pack-size and unit
// drop-downs in 入数 and 単位, plain right-aligned boxes in the number columns.
//
// Enter commits the cell at once and asks the grid to move on (enterCommitted); a row picked
// from the product drop-down goes to productPicked instead of being committed as typed text.
#include <QStyledItemDelegate>

class QAbstractItemModel;

class DetailDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit DetailDelegate(QObject *parent = nullptr);

    // The lists behind the drop-downs (owned elsewhere).
    void setLists(QAbstractItemModel *products, QAbstractItemModel *packSizes, QAbstractItemModel *units);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

    // The text an editor holds.
    static QString editorText(const QWidget *editor);

signals:
    // Enter committed the cell; accepted tells whether the value was taken.
    void enterCommitted(const QModelIndex &index, bool accepted);
    // A product was chosen from the drop-down of the 品名 cell at index.
    void productPicked(const QModelIndex &index, int productRow);

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    QAbstractItemModel *m_products = nullptr;
    QAbstractItemModel *m_packSizes = nullptr;
    QAbstractItemModel *m_units = nullptr;
    // Whether the last commit was accepted (or changed nothing).
    mutable bool m_lastAccepted = true;
};
