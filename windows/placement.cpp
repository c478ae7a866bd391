#include "placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace salvenor::ui {

void centreOnScreen(QWidget *window)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect available = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    if (!window->isVisible()) // the frame is not known yet: centre the window's own size
        frame.setSize(window->size());
    frame.moveCenter(available.center());
    // A screen smaller than the window shows its top-left part rather than cutting off the title.
    window->move(std::max(frame.left(), available.left()), std::max(frame.top(), available.top()));
}

} // namespace salvenor::ui
