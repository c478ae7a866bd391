#pragma once

class QStyle;

namespace salvenor::ui {

// The style of every frame with a caption: the frame's border runs through the middle of the
// caption's line, as in the design, instead of below it (Fusion's way), so that the controls
// placed near a frame's top keep clear of its border.
QStyle *frameStyle();

} // namespace salvenor::ui
