#pragma once

#include <chrono>
#include <functional>
#include <string>

#include <QDate>

#include "windows/splash_window.h"

class QApplication;

namespace salvenor::ui {

// Today's date, local time. Tests start the program on any day by passing their own.
using Clock = std::function<QDate()>;

// The Fusion style and the design's light colours on every window, whatever colour scheme the
// desktop has, also when it changes while the program runs.
void useDesignLook(QApplication &app);

// Qt's own dialogs (message boxes, the print dialog) speak German, and numbers take the German
// form whatever the machine's locale.
void useGermanLanguage(QApplication &app);

// The platform Qt should use, where the program is to choose it: "xcb" (XWayland) in a Wayland
// session that has XWayland (its display answers), unless the user chose a platform (QT_QPA_PLATFORM). The fixed design
// needs what X11 gives: a place of its own, no maximise button. Empty: Qt's own choice.
std::string platformToChoose(
    const char *chosenPlatform, const char *waylandDisplay, const char *x11Display, bool x11Answers);
// Sets QT_QPA_PLATFORM by platformToChoose, before the application is made.
void choosePlatform();

// Sets the application up, runs the start-up sequence, shows the main window and runs the event
// loop until the window closes.
struct StartOptions
{
    Clock today = &QDate::currentDate;
    std::chrono::milliseconds splashTime = SplashWindow::kShowTime;
};
int runApplication(QApplication &app, const StartOptions &options = {});

} // namespace salvenor::ui
