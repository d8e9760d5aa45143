#include "panel/companion_placement.h"

#include <QList>
#include <QScreen>
#include <QWidget>

namespace panel {

// Puts a new window beside the main window: right of it where the screen has
// room, else left of it, else below it; under `above` (a window placed there
// before) where that fits. It never covers the main window or `above`. Where
// nothing fits, the window manager decides.
void placeBeside(QWidget *window, const QWidget *main, const QWidget *above)
{
    const QScreen *screen = main->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QRect mainFrame = main->frameGeometry();
    // Not shown yet, the new window has no frame: take the main window's.
    const QSize frame = mainFrame.size() - main->geometry().size();
    const QSize size = window->size() + frame;
    const QRect aboveFrame = above && above->isVisible() ? above->frameGeometry() : QRect();
    const int right = mainFrame.right() + 1;
    const int left = mainFrame.left() - size.width();
    QList<QPoint> places{{right, mainFrame.top()}, {left, mainFrame.top()}};
    if (aboveFrame.isValid())
        places += {{aboveFrame.left(), aboveFrame.bottom() + 1}, {right, aboveFrame.bottom() + 1},
                   {left, aboveFrame.bottom() + 1}};
    places += QPoint(mainFrame.left(), mainFrame.bottom() + 1);
    for (const QPoint &at : places) {
        const QRect place(at, size);
        if (room.contains(place) && !place.intersects(mainFrame)
            && !(aboveFrame.isValid() && place.intersects(aboveFrame))) {
            window->move(at);
            return;
        }
    }
}

} // namespace panel
