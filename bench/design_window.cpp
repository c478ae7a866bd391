// The yardstick for start-up: the program's own widgets, built from the same design table and
// shown the same way (the splash first, the main window once the splash has closed), with the
// same style, palette, pictures, menus, captions, fixed texts, fonts and counts to pick, and with
// nothing behind them: no calculation (so no day texts, sums or status text), no printing, no
// settings, no translations of Qt's dialogs, no screen-reader texts. What the program needs
// beyond this is its logic's cost.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyleFactory>
#include <QWidget>

#include "app/main_window_design.h"
#include "app/resource_captions.h"
#include "windows/application_icon.h"
#include "windows/design.h"
#include "windows/placement.h"
#include "windows/splash_window.h"

int main(int argc, char *argv[])
{
    using namespace salvenor::ui;
    QApplication app{argc, argv};
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(designPalette());
    QApplication::setQuitOnLastWindowClosed(false);

    SplashWindow splash;
    splash.setWindowModality(Qt::ApplicationModal);
    splash.show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    QMainWindow window;
    auto *client = new QWidget(&window);
    client->setFixedSize(twipsToPixels(kMainClientWidth), twipsToPixels(mainClientHeight()));
    window.setCentralWidget(client);
    window.setWindowTitle(QString::fromUtf8(kWindowTitle));
    window.setWindowIcon(applicationIcon());
    const ControlMap controlMap = buildControls(client, mainWindowDesign());
    const MainWindowControls controls = resolveMainWindowControls(controlMap);
    showPictures(controls);
    offerCounts(controls);
    createMainMenus(window.menuBar());
    window.setFixedSize(window.sizeHint());
    splash.run();
    ApplyResourceCaptions(&window);
    writeFixedTexts(controls);
    applyStartUpFonts(controls);
    centreOnScreen(&window);
    window.show();
    QApplication::setQuitOnLastWindowClosed(true);
    return QApplication::exec();
}
