#include "application.h"

#include <memory>

#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QToolTip>
#include <QTranslator>

#include "app/main_window.h"
#include "windows/design.h"
#include "windows/placement.h"
#include "windows/splash_window.h"

namespace salvenor::ui {

namespace {

// Puts the design's palette back whenever a desktop scheme changes while the program runs: a
// platform theme may set the application's palette anew or reset the tooltips' palette after its
// theme change, and windows opened later (messages, Qt's dialogs) take the application's palette.
class DesignPaletteKeeper final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const bool schemeChanged = event->type() == QEvent::ThemeChange
            || (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange);
        if (schemeChanged && !m_queued) {
            // After the change has run its course, not within it.
            m_queued = true;
            QMetaObject::invokeMethod(this, &DesignPaletteKeeper::restore, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void restore()
    {
        m_queued = false;
        if (QApplication::palette() != designPalette())
            QApplication::setPalette(designPalette());
        if (QToolTip::palette() != designPalette())
            QToolTip::setPalette(designPalette());
    }

    bool m_queued = false;
};

} // namespace

void useDesignLook(QApplication &app)
{
    // The fixed design is drawn for one look; Fusion is the same on every Linux desktop.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The design's light face, whatever scheme the desktop (a dark GTK theme) has. Each window
    // sets it on itself too, for windows built where this has not run.
    QApplication::setPalette(designPalette());
    QToolTip::setPalette(designPalette());
    app.installEventFilter(new DesignPaletteKeeper(&app));
}

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
    useDesignLook(app);
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
