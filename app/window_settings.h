#pragma once

#include <QRect>

namespace salvenor::ui {

// Writes the main window's outer frame as whole twips to the per-user settings store
// ("Salvenor 2016", group "Settings"). A store that cannot be written is left as it is, silently.
// Returns whether the values reached the store.
bool saveWindowPlacement(const QRect &frameInPixels);

} // namespace salvenor::ui
