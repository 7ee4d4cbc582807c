#include "invoice/DetailDelegate.h"

#include "app/Helpers.h"
#include "invoice/CellChecks.h"
#include "invoice/GridCombos.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>

using namespace cells;

namespace {

const char *const kCellProperty = "detailCell";

QPersistentModelIndex cellOf(const QWidget *editor)
{
    return editor->property(kCellProperty).value<QPersistentModelIndex>();
}

} // namespace

DetailDelegate::DetailDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void DetailDelegate::setLists(QAbstractItemModel *products, QAbstractItemModel *packSizes, QAbstractItemModel *units)
{
    m_products = products;
    m_packSizes = packSizes;
    m_units = units;
}

QWidget *DetailDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    QWidget *editor = nullptr;
    QLineEdit *line = nullptr;
    auto *self = const_cast<DetailDelegate *>(this);
    const int column = index.column();
    if (column == Col品名 && m_products) {
        auto *combo = new ProductCombo(m_products, parent);
        combo->setObjectName(QStringLiteral("DD商品参照"));
        connect(combo, &GridCombo::picked, self, [self, combo](int row) {
            const QModelIndex cell = cellOf(combo);
            emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
            if (cell.isValid())
                emit self->productPicked(cell, row);
        });
        editor = combo;
        line = combo->lineEdit();
    } else if ((column == Col入数 && m_packSizes) || (column == Col単位 && m_units)) {
        auto *combo = new GridCombo(column == Col入数 ? m_packSizes : m_units, parent);
        combo->setObjectName(column == Col入数 ? QStringLiteral("DD入数") : QStringLiteral("DD単位参照"));
        // A name chosen from the list is the cell's value at once.
        connect(combo, &GridCombo::picked, self, [self, combo] {
            emit self->commitData(combo);
            emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
        });
        editor = combo;
        line = combo->lineEdit();
    } else {
        line = new QLineEdit(parent);
        line->setFrame(false);
        if (isNumberColumn(column))
            line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        editor = line;
    }
    editor->setProperty(kCellProperty, QVariant::fromValue(QPersistentModelIndex(index)));
    // Japanese input for the name and the unit, plain keys for the rest.
    const bool ime = column == Col品名 || column == Col単位;
    ModQLNV::SetIME(editor, ime);
    ModQLNV::SetIME(line, ime);
    return editor;
}

QString DetailDelegate::editorText(const QWidget *editor)
{
    if (const auto *combo = qobject_cast<const QComboBox *>(editor))
        return combo->currentText();
    if (const auto *line = qobject_cast<const QLineEdit *>(editor))
        return line->text();
    return {};
}

void DetailDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setCurrentIndex(-1);
        combo->setEditText(text);
        combo->lineEdit()->selectAll();
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        line->setText(text);
        line->selectAll();
    }
}

void DetailDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const QString text = editorText(editor);
    // Only a changed cell is checked and written; leaving a cell as it was is no edit.
    if (text == index.data(Qt::EditRole).toString()) {
        m_lastAccepted = true;
        return;
    }
    m_lastAccepted = model->setData(index, text, Qt::EditRole);
}

void DetailDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

bool DetailDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QPersistentModelIndex cell = cellOf(editor);
            emit commitData(editor);
            const bool accepted = m_lastAccepted;
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            if (cell.isValid())
                emit enterCommitted(cell, accepted);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
