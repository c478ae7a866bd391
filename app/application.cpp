#include "application.h"

#include <csignal>
#include <cstdlib>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QStyleFactory>
#include <QToolTip>
#include <QTranslator>

#include "app/main_window.h"
#include "print/print_job.h"
#include "resources/version_info.h"
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

int g_signalSocket[2] = {-1, -1};

extern "C" void passSignalOn(int number)
{
    const auto byte = static_cast<unsigned char>(number);
    // Nothing else is safe in a signal handler; the event loop does the rest.
    [[maybe_unused]] const auto written = ::write(g_signalSocket[0], &byte, 1);
}

// SIGTERM and SIGINT end the program as closing its window does, without asking: the copies
// under way are stopped and a half-written PDF is removed, where the default action would end
// the program on the spot and leave them behind.
class TerminationSignals final
{
public:
    explicit TerminationSignals(MainWindow &window)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSocket) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(g_signalSocket[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &window, [&window] {
            unsigned char number = 0;
            if (::read(g_signalSocket[1], &number, 1) != 1)
                return;
            window.endNow();
            QCoreApplication::exit(128 + number);
        });
        for (const int number : {SIGTERM, SIGINT}) {
            struct sigaction action = {};
            action.sa_handler = &passSignalOn;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            sigaction(number, &action, nullptr);
        }
    }
    ~TerminationSignals()
    {
        for (const int number : {SIGTERM, SIGINT})
            std::signal(number, SIG_DFL);
        m_notifier.reset();
        for (int &end : g_signalSocket) {
            if (end >= 0)
                ::close(end);
            end = -1;
        }
    }
    Q_DISABLE_COPY_MOVE(TerminationSignals)

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

std::string platformToChoose(
    const char *chosenPlatform, const char *waylandDisplay, const char *x11Display, bool x11Answers)
{
    const auto given = [](const char *value) { return value != nullptr && *value != '\0'; };
    return !given(chosenPlatform) && given(waylandDisplay) && given(x11Display) && x11Answers ? "xcb" : "";
}

void choosePlatform()
{
    // NOLINTBEGIN(concurrency-mt-unsafe): before the application and any thread exist
    const char *chosen = std::getenv("QT_QPA_PLATFORM");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    const char *x11Display = std::getenv("DISPLAY");
    // NOLINTEND(concurrency-mt-unsafe)
    std::string platform = platformToChoose(chosen, wayland, x11Display, true);
    if (!platform.empty()) {
        // Only then: an XWayland that has gone (its display does not answer) leaves Qt its choice.
        xcb_connection_t *connection = xcb_connect(x11Display, nullptr);
        const bool answers = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        platform = platformToChoose(chosen, wayland, x11Display, answers);
    }
    if (!platform.empty())
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
}

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
    // The desktop entry: the application id on Wayland, the window's group and icon elsewhere.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(version::kApplicationId));
    useDesignLook(app);
    useGermanLanguage(app);

    // The splash closes before the main window shows; that must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // Built before any window shows: its size decides the scale at which the windows fit.
    MainWindow window;
    // The windows of the start-up open where the user started the program.
    QScreen *const startScreen = screenOfThePointer();
    scaleToFitScreen(window.size(), startScreen);
    window.setScreen(startScreen);
    // The splash shows first; the main window is filled while it is on the screen.
    auto splash = std::make_unique<SplashWindow>(nullptr, options.splashTime);
    splash->setWindowModality(Qt::ApplicationModal);
    splash->setScreen(startScreen);
    splash->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    window.load({options.today, splash.get()});
    splash.reset(); // its picture and backing store are not needed any more
    centreOnScreen(&window);
    window.show();
    centreOnScreen(&window);
    const TerminationSignals endOnSignal{window};
    QApplication::setQuitOnLastWindowClosed(true);
    return QApplication::exec();
}

} // namespace salvenor::ui
