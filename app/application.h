#pragma once

class QApplication;

namespace salvenor::ui {

// Sets the application up, shows the main window and runs the event loop.
int runApplication(QApplication &app);

} // namespace salvenor::ui
