#include "app/ColumnScrollArea.h"

#include <QChildEvent>
#include <QEvent>
#include <QScrollBar>

ColumnScrollArea::ColumnScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int ColumnScrollArea::sideways() const
{
    return 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
}

QSize ColumnScrollArea::minimumSizeHint() const
{
    const QWidget *column = widget();
    if (!column)
        return QScrollArea::minimumSizeHint();
    return {column->minimumSizeHint().width() + sideways(), QScrollArea::minimumSizeHint().height()};
}

QSize ColumnScrollArea::sizeHint() const
{
    const QWidget *column = widget();
    if (!column)
        return QScrollArea::sizeHint();
    const QSize wanted = column->sizeHint().expandedTo(column->minimumSizeHint());
    return {wanted.width() + sideways(), wanted.height() + 2 * frameWidth()};
}

void ColumnScrollArea::childEvent(QChildEvent *event)
{
    QScrollArea::childEvent(event);
    if (QWidget *column = widget())
        column->installEventFilter(this);
}

bool ColumnScrollArea::eventFilter(QObject *watched, QEvent *event)
{
    // The controls changed (one shown or hidden, a panel added): the column's width with them.
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}
