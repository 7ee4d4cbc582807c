#pragma once
// Windows kept inside the free area of their screen (the screen less the desktop's panels),
// their frame included.
#include <QSize>

class QWidget;

namespace screenfit {

// The room for window on its screen: the available area less the title bar and borders the
// window system puts around it. Before its first show its frame is not known; another shown
// window of the program's stands for it.
QSize roomFor(const QWidget *window);

// Keeps a window that is about to show, or shows, inside that area: one larger is made smaller
// (what it holds scrolls), one that was shown or moved before and stands out is moved in. A
// window shown for the first time where nobody put it is left for the window system to place.
void fitIntoScreen(QWidget *window);

} // namespace screenfit
