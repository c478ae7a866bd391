#pragma once

class QScreen;
class QSize;
class QWidget;

namespace salvenor::ui {

// Centres the window's outer frame, title bar and all, on its screen: a window the main window
// owns on the main window's, another on the one it was given (setScreen). Without relying on a
// window manager to place it.
void centreOnScreen(QWidget *window);

// The screen the pointer is on (the primary screen where none is): where the program starts.
QScreen *screenOfThePointer();

// Where the desktop's scale (Xft.dpi, QT_SCALE_FACTOR) would make a window of `designSize` (in
// the design's pixels), with its frame, larger than the available area of `screen`, scales all
// the program's windows down to the largest scale at which it fits, but never below the design's
// own size. Only before any window of the program exists.
void scaleToFitScreen(QSize designSize, QScreen *screen);

} // namespace salvenor::ui
