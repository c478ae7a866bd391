#pragma once

class QWidget;

namespace salvenor::ui {

// Centres the window's outer frame on the screen it belongs to (or the primary screen), without
// relying on a window manager to place it.
void centreOnScreen(QWidget *window);

} // namespace salvenor::ui
