#include "app/ScreenFit.h"

#include <QApplication>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace screenfit {

namespace {

// The title bar and borders the window system puts around a window; none until it was shown.
QMargins frameOf(const QWidget *window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

QMargins frameFor(const QWidget *window)
{
    QMargins frame = frameOf(window);
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.cbegin(); frame.isNull() && it != windows.cend(); ++it)
        if (*it != window && (*it)->isVisible())
            frame = frameOf(*it);
    return frame;
}

} // namespace

QSize roomFor(const QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    return screen->availableGeometry().size().shrunkBy(frameFor(window));
}

void fitIntoScreen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    const bool shownBefore = !frameOf(window).isNull();
    const QMargins frame = frameFor(window);
    const QRect area = screen->availableGeometry();
    window->resize(window->size().boundedTo(area.size().shrunkBy(frame)));
    if (!shownBefore && !window->testAttribute(Qt::WA_Moved))
        return;
    QRect outer = window->geometry() + frame;
    outer.moveRight(qMin(outer.right(), area.right()));
    outer.moveBottom(qMin(outer.bottom(), area.bottom()));
    outer.moveLeft(qMax(outer.left(), area.left()));
    outer.moveTop(qMax(outer.top(), area.top()));
    window->move(outer.topLeft());
}

} // namespace screenfit
