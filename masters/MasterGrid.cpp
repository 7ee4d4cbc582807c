#include "masters/MasterGrid.h"

#include "app/Helpers.h"
#include "app/Msg.h"
#include "masters/MasterCopyModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>

// ---- the cell editors -----------------------------------------------------------------

QWidget *MasterDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const auto *model = qobject_cast<const MasterCopyModel *>(index.model());
    // A tick is set with a click or Space, never typed.
    if (model && model->isCheckColumn(index.column()))
        return nullptr;
    QWidget *editor = nullptr;
    if (index.column() == m_multiLine) {
        auto *box = new QPlainTextEdit(parent);
        box->setTabChangesFocus(true);
        editor = box;
    } else {
        auto *line = new QLineEdit(parent);
        line->setFrame(false);
        line->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) | Qt::AlignVCenter);
        editor = line;
    }
    ModQLNV::SetIME(editor, !m_plain.contains(index.column()));
    return editor;
}

void MasterDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *box = qobject_cast<QPlainTextEdit *>(editor)) {
        box->setPlainText(text);
        box->selectAll();
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        line->setText(text);
        line->selectAll();
    }
}

void MasterDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    QString text;
    if (auto *box = qobject_cast<QPlainTextEdit *>(editor))
        text = box->toPlainText();
    else if (auto *line = qobject_cast<QLineEdit *>(editor))
        text = line->text();
    model->setData(index, text, Qt::EditRole);
}

void MasterDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QRect rect = option.rect;
    // An address block is edited in a box of four lines over the rows below.
    if (index.column() == m_multiLine)
        rect.setHeight(qMax(rect.height(), editor->fontMetrics().lineSpacing() * 4 + 8));
    editor->setGeometry(rect);
}

QString MasterDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    // A cell shows one line: the lines of an address block stand side by side.
    // (The base class has already turned line breaks into line separators.)
    QString text = QStyledItemDelegate::displayText(value, locale);
    text.replace(QStringLiteral("\r") + QChar(QChar::LineSeparator), QStringLiteral("  "));
    for (const QChar breakChar : {QChar(QChar::LineSeparator), QChar(u'\r'), QChar(u'\n')})
        text.replace(breakChar, QStringLiteral("  "));
    return text;
}

bool MasterDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *line = qobject_cast<QLineEdit *>(object);
    if (line && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit commitData(line);
            emit closeEditor(line, QAbstractItemDelegate::NoHint);
            emit enterCommitted();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// ---- the grid -------------------------------------------------------------------------

MasterGrid::MasterGrid(QWidget *parent)
    : QTableView(parent)
    , m_delegate(new MasterDelegate(this))
{
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // A double-click hands the row over (on the blank row it edits); typing or a second click
    // on the current cell edits.
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->hide();
    // Every row one line high: with thousands of rows the view then never measures one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
    connect(m_delegate, &MasterDelegate::enterCommitted, this, &MasterGrid::enterPressed);

    // Leaving the grid (for a button, another window) posts the held edit, so that a tick made
    // just before "削除", or a name typed just before "登録", is seen by it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        if (contains(old) && !contains(now))
            post();
    });
}

MasterGrid::~MasterGrid()
{
    // QWidget's destructor still moves the focus away, when this is no longer a MasterGrid and
    // its model may be gone: no posting then.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void MasterGrid::setMasterModel(MasterCopyModel *model)
{
    m_model = model;
    setModel(model);
    if (model->tickColumn() >= 0)
        horizontalHeader()->moveSection(horizontalHeader()->visualIndex(model->tickColumn()), 0);
}

void MasterGrid::setRowEnds(int firstColumn, int lastColumn)
{
    m_firstColumn = firstColumn;
    m_lastColumn = lastColumn;
}

void MasterGrid::setPlainInputColumns(const QSet<int> &columns)
{
    m_plain = columns;
    m_delegate->setPlainInputColumns(columns);
}

bool MasterGrid::contains(const QWidget *widget) const
{
    return widget && (widget == this || isAncestorOf(widget));
}

int MasterGrid::currentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void MasterGrid::setCurrentCell(int row, int column)
{
    if (!m_model || m_model->rowCount() == 0)
        return;
    const QModelIndex cell = m_model->index(qBound(0, row, m_model->rowCount() - 1), column);
    setCurrentIndex(cell);
    scrollTo(cell);
}

bool MasterGrid::reselect(int row)
{
    if (!m_model)
        return false;
    const QModelIndex current = currentIndex();
    const int column = current.isValid() ? current.column() : m_firstColumn;
    const bool read = m_model->select();
    setCurrentCell(row >= 0 ? row : qMax(current.row(), 0), column);
    return read;
}

bool MasterGrid::post()
{
    if (!m_model || !m_model->hasPendingEdits())
        return true;
    const QModelIndex current = currentIndex();
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();
    if (!m_model->post()) {
        msg::showFailure(QStringLiteral("編集した内容を書き込めませんでした。"));
        return false;
    }
    // Posting reads the copy again: the same rows in the same places.
    if (current.isValid())
        setCurrentIndex(m_model->index(qMin(current.row(), m_model->rowCount() - 1), current.column()));
    verticalScrollBar()->setValue(vertical);
    horizontalScrollBar()->setValue(horizontal);
    return true;
}

bool MasterGrid::hasUnregisteredChanges() const
{
    return isEditing() || (m_model && m_model->isChanged());
}

void MasterGrid::enterPressed()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !m_model)
        return;
    const int row = current.row();
    if (current.column() == m_lastColumn && !m_model->isBlankRow(row)) {
        // Down one row, but not onto the blank row: Enter never starts a new entry.
        setCurrentCell(qMin(row + 1, m_model->rowCount() - 2), m_firstColumn);
        return;
    }
    // Elsewhere Enter goes on to the next column on screen.
    QHeaderView *header = horizontalHeader();
    for (int visual = header->visualIndex(current.column()) + 1; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!isColumnHidden(logical)) {
            setCurrentCell(row, logical);
            return;
        }
    }
}

void MasterGrid::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState) {
        enterPressed();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void MasterGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex cell = indexAt(event->position().toPoint());
    if (cell.isValid() && m_model && cell.column() != m_model->tickColumn()) {
        // The blank row holds nothing to hand over: the new entry is typed there.
        if (m_model->isBlankRow(cell.row()))
            edit(cell);
        else
            emit rowActivated(cell.row());
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void MasterGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid()) {
        const bool japanese = !m_plain.contains(current.column());
        ModQLNV::SetIME(this, japanese);
        ModQLNV::SetIME(viewport(), japanese);
    }
}
