#pragma once
// The cell editors of the grid's drop-down columns: typeable combo boxes over a pick-list
// model, with a completion list of the names that contain what was typed. A row chosen from
// the drop-down list (not typed) is reported by picked().
#include <QComboBox>

class QAbstractItemModel;
class QTableView;

// An editable combo box's completion as a list of the entries that contain the typed text,
// to choose from: a typed name is never silently made longer.
void makePopupCompletion(QComboBox *combo);

class GridCombo : public QComboBox
{
    Q_OBJECT
public:
    GridCombo(QAbstractItemModel *list, QWidget *parent = nullptr);

    void showPopup() override;
    void hidePopup() override;

signals:
    // A row of the list was chosen from the drop-down.
    void picked(int row);

private:
    bool m_popupOpen = false;
};

// The product drop-down DD商品参照: a table with column headers (name, pack size, unit, unit
// price); the typed text is the product name.
class ProductCombo : public GridCombo
{
    Q_OBJECT
public:
    ProductCombo(QAbstractItemModel *products, QWidget *parent = nullptr);

    QTableView *table() const { return m_table; }
    void showPopup() override;

private:
    QTableView *m_table = nullptr;
};
