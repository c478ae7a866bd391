#pragma once

#include <functional>

#include <QDate>

class QApplication;

namespace salvenor::ui {

// Today's date, local time. Tests start the program on any day by passing their own.
using Clock = std::function<QDate()>;

// Qt's own dialogs (message boxes, the print dialog) speak German, and numbers take the German
// form whatever the machine's locale.
void useGermanLanguage(QApplication &app);

// Sets the application up, runs the start-up sequence, shows the main window and runs the event
// loop until the window closes.
int runApplication(QApplication &app, const Clock &today = &QDate::currentDate);

} // namespace salvenor::ui
