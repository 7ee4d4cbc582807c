#include "invoice/DetailGrid.h"

#include "app/Helpers.h"
#include "invoice/CellChecks.h"
#include "invoice/DetailDelegate.h"
#include "invoice/DetailModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include <cmath>

using namespace cells;

namespace {

struct ShownColumn {
    int column;
    double twips;
    const char16_t *caption; // nullptr: the pack-size title
};

constexpr ShownColumn kShown[] = {
    {Col品名, 4110, u"品名"}, {Col入数, 1814.74, nullptr}, {Col数量, 1150, u"数量"},
    {Col単位, 734.7402, u"単位"}, {Col単価, 1200, u"単価"}, {Col金額, 1170.835, u"金額"},
};

constexpr const char16_t *kHidden[] = {u"行番号", u"非課税", u"ふりがな", u"小計"};

// The reduced-rate column: room for one "※".
constexpr double kReducedTwips = 360;

} // namespace

DetailGrid::DetailGrid(QWidget *parent)
    : QTableView(parent)
    , m_delegate(new DetailDelegate(this))
{
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // A click on the current cell edits it too, by the grid's own timer (mouseReleaseEvent).
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setStretchLastSection(false);

    connect(m_delegate, &DetailDelegate::enterCommitted, this, [this](const QModelIndex &index, bool accepted) {
        if (accepted)
            moveAfterEnter(index);
        else
            setCurrentCell(index.row(), index.column());
    });
    connect(m_delegate, &DetailDelegate::productPicked, this,
            [this](const QModelIndex &index, int productRow) { emit productPicked(index.row(), productRow); });
}

void DetailGrid::setDetailModel(DetailModel *model)
{
    m_model = model;
    setModel(model);
}

int DetailGrid::pixelsFromTwips(double twips)
{
    return int(std::lround(twips / 15.0));
}

void DetailGrid::setupColumns(const QString &packSizeTitle)
{
    if (!m_model)
        return;
    for (const ShownColumn &shown : kShown) {
        setColumnHidden(shown.column, false);
        setColumnWidth(shown.column, pixelsFromTwips(shown.twips));
        m_model->setHeaderData(shown.column, Qt::Horizontal,
                               shown.caption ? QString::fromUtf16(shown.caption) : packSizeTitle);
    }
    for (const char16_t *name : kHidden) {
        const int column = m_model->fieldIndex(QString::fromUtf16(name));
        m_model->setHeaderData(column, Qt::Horizontal, QString::fromUtf16(name));
        setColumnHidden(column, true);
    }
    m_model->setHeaderData(Col軽減税率, Qt::Horizontal, ReducedMark);
    setReducedRateShown(m_reducedShown);
}

void DetailGrid::setReducedRateShown(bool shown)
{
    m_reducedShown = shown;
    if (!m_model || m_model->columnCount() <= Col軽減税率)
        return;
    setColumnHidden(Col軽減税率, !shown);
    setColumnWidth(Col軽減税率, reducedRateWidth());
}

int DetailGrid::reducedRateWidth() const
{
    // The header keeps no column narrower than its style allows.
    return std::max(pixelsFromTwips(kReducedTwips), horizontalHeader()->minimumSectionSize());
}

int DetailGrid::shownWidth() const
{
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (const ShownColumn &shown : kShown)
        width += pixelsFromTwips(shown.twips);
    if (m_reducedShown)
        width += reducedRateWidth();
    return width;
}

int DetailGrid::currentLine() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !m_model)
        return 0;
    return m_model->data(m_model->index(current.row(), Col行番号), Qt::EditRole).toInt();
}

void DetailGrid::setCurrentCell(int row, int column)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, column);
    setCurrentIndex(index);
    scrollTo(index);
}

void DetailGrid::moveAfterEnter(const QModelIndex &index)
{
    if (!index.isValid() || !m_model)
        return;
    if (index.column() >= Col金額) {
        setCurrentCell(qMin(index.row() + 1, m_model->rowCount() - 1), Col品名);
        return;
    }
    int next = index.column() + 1;
    while (next < Col金額 && isColumnHidden(next))
        ++next;
    setCurrentCell(index.row(), next);
}

DetailGrid::View DetailGrid::saveView() const
{
    const QModelIndex current = currentIndex();
    return {current.row(), current.column(), verticalScrollBar()->value()};
}

void DetailGrid::restoreView(const View &view)
{
    if (view.row >= 0 && m_model && view.row < m_model->rowCount()) {
        // Without scrolling: the scroll bar is put back below.
        selectionModel()->setCurrentIndex(m_model->index(view.row, view.column), QItemSelectionModel::ClearAndSelect);
    }
    verticalScrollBar()->setValue(view.scroll);
    if (view.row >= 0)
        scrollTo(currentIndex()); // the current line stays in sight whatever the height
}

void DetailGrid::reloadKeepingView()
{
    if (!m_model)
        return;
    const View view = saveView();
    m_model->reload();
    restoreView(view);
}

void DetailGrid::keyPressEvent(QKeyEvent *event)
{
    m_clickEdit.stop();
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState) {
        moveAfterEnter(currentIndex());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Space && currentIndex().column() == Col軽減税率 && m_model) {
        m_model->toggleReducedRate(currentIndex().row());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DetailGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    ModQLNV::SetIME(this, current.column() == Col品名 || current.column() == Col単位);
}

void DetailGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    if (!currentIndex().isValid() && m_model && m_model->rowCount() > 0)
        setCurrentCell(0, Col品名);
}

void DetailGrid::mousePressEvent(QMouseEvent *event)
{
    m_clickEdit.stop();
    const QModelIndex at = indexAt(event->position().toPoint());
    m_pressedOnCurrent = event->button() == Qt::LeftButton && at.isValid() && at == currentIndex()
                         && state() != EditingState;
    QTableView::mousePressEvent(event);
    // The mark is switched like a check box, by one click.
    if (event->button() == Qt::LeftButton && at.isValid() && at.column() == Col軽減税率 && m_model) {
        m_pressedOnCurrent = false;
        m_model->toggleReducedRate(at.row());
    }
}

void DetailGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    // The view's own delayed edit would throw away the keys typed while it waits. Line 1's
    // name is current from the start, so the first click into the grid is such a click.
    if (m_pressedOnCurrent && indexAt(event->position().toPoint()) == currentIndex() && state() != EditingState)
        m_clickEdit.start(QApplication::doubleClickInterval(), this);
    m_pressedOnCurrent = false;
}

void DetailGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_clickEdit.stop();
    QTableView::mouseDoubleClickEvent(event);
}

void DetailGrid::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_clickEdit.timerId()) {
        QTableView::timerEvent(event);
        return;
    }
    m_clickEdit.stop();
    if (state() != EditingState && hasFocus())
        edit(currentIndex());
}
