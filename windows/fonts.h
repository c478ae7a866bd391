#pragma once

#include <QColor>
#include <QFont>

#include "design.h"
#include "resources/faces.h"

class QLabel;

namespace salvenor::ui {

inline const QColor kDarkRed{192, 0, 0};

QFont baseFont(); // 8.25 pt regular: every control not named otherwise
QFont frameFont(); // 8 pt bold: frame captions
QFont emphasisFont(); // 10 pt bold: the two day texts, the service line
QFont resultFont(); // 18 pt bold: the total and its euro sign
QFont fontFor(FontRole role);

// Sets a font on a widget so that none of its properties is inherited from the parent: a frame's
// bold caption font must not pass down to the frame's children.
void setOwnFont(QWidget *widget, const QFont &font);

// The design's texts fit their boxes in the design's faces. Where a wider face stands in (a
// machine without them), a text that would be cut is set a little narrower (down to three
// quarters of its width) until it fits `width` (and, when it wraps, `height`); a text that fits
// is left as it is.
void narrowToFit(QLabel *label, int width, int height);
// narrowToFit for every label of the window in its own box.
void narrowLabelsToFit(QWidget *window);

} // namespace salvenor::ui
