#pragma once

#include <optional>

#include <QRect>
#include <QString>

namespace salvenor::ui {

// The per-user settings file, "Salvenor 2016.ini" in the user's configuration folder
// ($XDG_CONFIG_HOME, else $HOME/.config). None when there is no usable home.
std::optional<QString> settingsFilePath();

// Writes the main window's outer frame as whole twips to the settings file, group [Settings]:
// MainLeft, MainTop, MainWidth, MainHeight. Every other line of the file is kept. The file is
// replaced only once the new one is completely on the disk, so a failed write leaves it as it
// was. Nothing is written where the path is not a regular file (a symbolic link to one is
// followed), where the file cannot be read back or is read-only, or where there is no usable
// home. Returns whether the values reached the file.
bool saveWindowPlacement(const QRect &frameInPixels);
bool saveWindowPlacement(const QRect &frameInPixels, const QString &filePath);

} // namespace salvenor::ui
