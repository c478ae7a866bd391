#pragma once

class QSize;
class QWidget;

namespace salvenor::ui {

// Centres the window's outer frame on the screen it belongs to (or the primary screen), without
// relying on a window manager to place it.
void centreOnScreen(QWidget *window);

// Where the desktop's scale (Xft.dpi, QT_SCALE_FACTOR) would make a window of `designSize` (in
// the design's pixels), with its frame, larger than the available area of the screen the program
// starts on (the pointer's), scales all the program's windows to the largest scale at which it
// fits. Only before any window of the program exists.
void scaleToFitScreen(QSize designSize);

} // namespace salvenor::ui
