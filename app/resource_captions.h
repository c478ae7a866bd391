#pragma once

class QWidget;

namespace salvenor::ui {

// Fills a window's captions from the string table and gives every control the window's font.
// Every step that fails (a missing string, a text that is not a number, a control without the
// property) is skipped silently.
//
// Design-time data that the procedure reads: a widget's "Tag" property (its string id, if any)
// and, for menus, a caption that is a string id written as text.
void ApplyResourceCaptions(QWidget *window);

} // namespace salvenor::ui
