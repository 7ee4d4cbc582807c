#include "settings/ColorSwatch.h"

#include "app/Helpers.h"

#include <QMouseEvent>

namespace settings {

ColorSwatch::ColorSwatch(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setColorValue(0);
}

void ColorSwatch::setColorValue(int rgbLong)
{
    QColor colour = ModQLNV::colorFromRgbLong(rgbLong);
    if (!colour.isValid()) {
        rgbLong = 0;
        colour = Qt::black;
    }
    m_value = rgbLong;
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

void ColorSwatch::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
        event->accept();
        return;
    }
    QFrame::mouseDoubleClickEvent(event);
}

} // namespace settings
