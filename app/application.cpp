#include "application.h"

#include <QApplication>
#include <QDate>
#include <QStyleFactory>

#include "app/main_window.h"
#include "windows/placement.h"

namespace salvenor::ui {

int runApplication(QApplication &app)
{
    // The fixed design is drawn for one look; Fusion is the same on every Linux desktop.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    MainWindow window;
    window.presetStay(QDate::currentDate());
    window.adjustSize();
    centreOnScreen(&window);
    window.show();
    window.activateWindow();
    window.control(QStringLiteral("Anz_Erwachsene"))->setFocus(Qt::ActiveWindowFocusReason);
    return app.exec();
}

} // namespace salvenor::ui
