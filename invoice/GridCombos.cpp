#include "invoice/GridCombos.h"

#include "invoice/PickListModels.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

namespace {

// Enter in a completion list takes the highlighted entry (or keeps what was typed) and then
// goes on as Enter in the box would: into the grid from the customer name, to the next cell
// from a grid cell. Without this the list swallows the first Enter and the user presses twice.
class EnterThroughCompletion : public QObject
{
public:
    EnterThroughCompletion(QCompleter *completer)
        : QObject(completer)
        , m_completer(completer)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        // A combo box's completer works for the combo itself, whose line edit holds the text.
        QWidget *box = m_completer->widget();
        auto *combo = qobject_cast<QComboBox *>(box);
        QLineEdit *text = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(box);
        QAbstractItemView *list = m_completer->popup();
        if (!text || !list->isVisible())
            return false;
        const QModelIndex current = list->currentIndex();
        if (current.isValid())
            text->setText(current.data(m_completer->completionRole()).toString());
        list->hide();
        QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers());
        QCoreApplication::sendEvent(text, &again);
        return true;
    }

private:
    QCompleter *m_completer;
};

} // namespace

void makePopupCompletion(QComboBox *combo)
{
    QCompleter *completer = combo->completer();
    if (!completer)
        return;
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    // Installed after the completer's own filter on its list, so it sees Enter first.
    completer->popup()->installEventFilter(new EnterThroughCompletion(completer));
}

GridCombo::GridCombo(QAbstractItemModel *list, QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setModel(list);
    setModelColumn(0);
    setMaxVisibleItems(16);
    makePopupCompletion(this);
    lineEdit()->setFrame(false);

    connect(this, &QComboBox::activated, this, [this](int row) {
        if (m_popupOpen && row >= 0)
            emit picked(row);
    });
}

void GridCombo::showPopup()
{
    m_popupOpen = true;
    QComboBox::showPopup();
}

void GridCombo::hidePopup()
{
    QComboBox::hidePopup();
    // activated() follows the closing of the list in the same turn; a typed Enter or a
    // focus change later is no pick.
    QTimer::singleShot(0, this, [this] { m_popupOpen = false; });
}

ProductCombo::ProductCombo(QAbstractItemModel *products, QWidget *parent)
    : GridCombo(products, parent)
{
    m_table = new QTableView(this);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setShowGrid(true);
    m_table->setWordWrap(false);
    setView(m_table);
    // The view takes the model of the combo; hide what the list does not show.
    m_table->setColumnHidden(ProductListModel::Col非課税, true);
    m_table->setColumnHidden(ProductListModel::Colふりがな, true);
    m_table->setColumnHidden(ProductListModel::Col軽減税率, true);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

void ProductCombo::showPopup()
{
    // Wide enough for every shown column, whatever the width of the cell.
    m_table->setColumnWidth(ProductListModel::Col品名, 274);
    m_table->setColumnWidth(ProductListModel::Col入数, 121);
    m_table->setColumnWidth(ProductListModel::Col単位, 49);
    m_table->setColumnWidth(ProductListModel::Col単価, 80);
    int width = 2 * m_table->frameWidth() + 20;
    for (int c = ProductListModel::Col品名; c <= ProductListModel::Col単価; ++c)
        width += m_table->columnWidth(c);
    m_table->setMinimumWidth(width);
    GridCombo::showPopup();
}
