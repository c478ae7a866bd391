#include "application.h"

#include <memory>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>

#include "app/main_window.h"
#include "windows/placement.h"
#include "windows/splash_window.h"

namespace salvenor::ui {

void useGermanLanguage(QApplication &app)
{
    const QLocale german{QLocale::German, QLocale::Germany};
    QLocale::setDefault(german);
    auto *translator = new QTranslator(&app);
    if (translator->load(
            german, QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator; // without the translations Qt's dialogs stay English, nothing worse
}

int runApplication(QApplication &app, const StartOptions &options)
{
    // The fixed design is drawn for one look; Fusion is the same on every Linux desktop.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    useGermanLanguage(app);

    // The splash closes before the main window shows; that must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // The splash shows first; the main window is built while it is on the screen.
    auto splash = std::make_unique<SplashWindow>(nullptr, options.splashTime);
    splash->setWindowModality(Qt::ApplicationModal);
    splash->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    MainWindow window;
    window.load({options.today, splash.get()});
    splash.reset(); // its picture and backing store are not needed any more
    centreOnScreen(&window);
    window.show();
    centreOnScreen(&window);
    QApplication::setQuitOnLastWindowClosed(true);
    return QApplication::exec();
}

} // namespace salvenor::ui
