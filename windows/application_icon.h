#pragma once

class QIcon;

namespace salvenor::ui {

// The program's icon (16 and 32 pixels), one object for every window: on X11 each new QIcon
// given to a window keeps a few kilobytes for good.
const QIcon &applicationIcon();

} // namespace salvenor::ui
