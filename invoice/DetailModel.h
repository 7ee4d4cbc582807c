#pragma once
// The "data control" of the detail grid: w明細 on the work connection, in line order, with
// the shown forms of its numbers, the alignments of its columns and the grey of subtotal rows.
//
// Columns 0 to 6 are those of the grid (行番号, 品名, 入数, 数量, 単位, 単価, 金額); the
// hidden flags and reading follow in table order and are found by name.
//
// The model never writes by itself: an edited cell goes to the edit handler (the invoice tab),
// which checks it, writes the line and recomputes; the model then shows the table again.
#include "app/Formats.h"

#include <QColor>
#include <QSqlRecord>
#include <QSqlTableModel>

#include <functional>

class DetailModel : public QSqlTableModel
{
    Q_OBJECT
public:
    // Called with the row, the column and the typed text of a changed cell. True when the
    // value was accepted and the cursor may move on.
    using EditHandler = std::function<bool(int row, int column, const QString &text)>;

    explicit DetailModel(const QSqlDatabase &work, QObject *parent = nullptr);

    void setEditHandler(EditHandler handler) { m_editHandler = std::move(handler); }

    // The form of 数量 and 単価: "#,###" without decimals, "Standard" with them.
    void setQuantityFormat(formats::NumberFormat format);
    // The back colour of subtotal rows ("SyokeiLine"); an invalid colour draws them as any row.
    void setSubtotalBackground(const QColor &color) { m_subtotalBackground = color; }
    QColor subtotalBackground() const { return m_subtotalBackground; }

    // Reads the whole table again (lines were moved, cleared or loaded).
    bool reload();
    // Reads these rows (0-based) again without resetting the view.
    void refreshRows(const QList<int> &rows);

    bool isSubtotalRow(int row) const;
    // Switches the reduced-rate mark of a row, through the edit handler like a typed cell.
    bool toggleReducedRate(int row);
    // A row as w明細 held it when last read: the stored values, Nulls kept, not the forms
    // that data() gives the grid and its editors.
    QSqlRecord storedRecord(int row) const;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QVariant shown(const QModelIndex &index) const;

    EditHandler m_editHandler;
    formats::NumberFormat m_quantityFormat = formats::NumberFormat::Grouped;
    QColor m_subtotalBackground;
    int m_subtotalColumn = -1;
};
