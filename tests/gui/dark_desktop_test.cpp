// The windows under a real GTK 3 platform theme on a real X server (tests/e2e/dark_desktop_test.sh
// starts both): with GNOME's dark style in force from the start, and with the desktop's theme
// changed while the windows are open.
#include <csignal>
#include <memory>
#include <sys/types.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include "app/application.h"
#include "app/main_window.h"
#include "contrast.h"
#include "core_answers.h"
#include "gui_helpers.h"
#include "windows/about_window.h"
#include "windows/design.h"
#include "windows/fonts.h"
#include "windows/month_calendar.h"
#include "windows/tip_window.h"

using namespace salvenor;
using namespace salvenor::ui;

class DarkDesktopTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowsKeepTheDesignFace();
    void schemeChangedWhileRunning();
    void programPictureKeepsTheDesignFace();

private:
    static std::unique_ptr<MainWindow> typicalRequest();
    static void checkMainWindow(MainWindow &window);
    static void checkSmallWindow(QWidget &window);
};

namespace {

constexpr double kMinimumContrast = 4.5;
// The design's face is light grey; GNOME's dark face is #323232, luminance 0.03.
constexpr double kLightFace = 0.6;

double faceLuminance(QWidget &window)
{
    const QImage image = window.grab().toImage();
    return test::luminance(test::backgroundOf(image, image.rect()));
}

void verifyReadable(QWidget &window, int atLeast)
{
    const test::ReadabilityCheck check = test::checkTextsReadable(&window, kMinimumContrast);
    QVERIFY2(check.faults.isEmpty(),
        qPrintable(window.objectName() + QStringLiteral(": ") + check.faults.join(QStringLiteral("; "))));
    QVERIFY2(check.checked >= atLeast, qPrintable(window.objectName()));
}

// Counts a window's theme changes, as the platform theme announces them.
class ThemeChangeCounter final : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ThemeChange)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void DarkDesktopTest::initTestCase()
{
    // The platform theme's own colours, before the program sets its own: the scheme the script
    // asked for must really be in force, or this test would prove nothing.
    const QPalette platform = QApplication::palette();
    const QByteArray scheme = qgetenv("SALVENOR_DESKTOP_SCHEME");
    QVERIFY2(scheme == "dark" || scheme == "light", "SALVENOR_DESKTOP_SCHEME must be dark or light");
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    const bool dark = test::luminance(platform.color(QPalette::Window).rgb()) < 0.2;
    QVERIFY2(dark == (scheme == "dark"),
        qPrintable(QStringLiteral("the platform gives the face %1; is the GTK 3 platform theme installed?")
                       .arg(platform.color(QPalette::Window).name())));
    useDesignLook(*qApp);
    test::silenceOffscreenSizeHintWarnings();
}

std::unique_ptr<MainWindow> DarkDesktopTest::typicalRequest()
{
    auto window = std::make_unique<MainWindow>();
    window->load(QDate{2016, 3, 14});
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    test::clickDay(window->control<MonthCalendar>(QStringLiteral("Abreise")), QDate{2016, 3, 18});
    test::pickWithKeys(window->control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 2);
    return window;
}

void DarkDesktopTest::checkMainWindow(MainWindow &window)
{
    QCOMPARE(window.control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text(),
        test::coreTotal(QDate{2016, 3, 14}, QDate{2016, 3, 18}, {{PersonCategory::Erwachsene, 2}}));
    // The dark red texts against the background they stand on.
    const QImage image = window.grab().toImage();
    const qreal scale = window.devicePixelRatioF();
    int darkRedTexts = 0;
    for (QLabel *label : window.findChildren<QLabel *>()) {
        if (label->palette().color(QPalette::WindowText) != kDarkRed || label->text().isEmpty())
            continue;
        const QRect area = test::textArea(&window, label, scale).intersected(image.rect());
        const QRgb background = test::backgroundOf(image, area);
        const double ratio = test::contrast(kDarkRed.rgb(), background);
        QVERIFY2(ratio >= kMinimumContrast,
            qPrintable(QStringLiteral("%1: dark red on %2 at %3 : 1")
                           .arg(label->objectName(), QColor{background}.name())
                           .arg(ratio, 0, 'f', 2)));
        ++darkRedTexts;
    }
    // The service line, both day texts, the total and its euro sign.
    QVERIFY(darkRedTexts >= 5);
    QVERIFY2(faceLuminance(window) > kLightFace, "the main window's face is dark");
    verifyReadable(window, 40);
}

void DarkDesktopTest::checkSmallWindow(QWidget &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(faceLuminance(window) > kLightFace, qPrintable(window.objectName() + QStringLiteral(" has a dark face")));
    verifyReadable(window, 3);
    window.close();
}

void DarkDesktopTest::windowsKeepTheDesignFace()
{
    const std::unique_ptr<MainWindow> window = typicalRequest();
    QVERIFY(window != nullptr);
    checkMainWindow(*window);
    for (const TipKind kind : {TipKind::AnAbreise, TipKind::Kind, TipKind::Schwer}) {
        TipWindow tip{kind, window.get()};
        checkSmallWindow(tip);
    }
    AboutWindow about{window.get()};
    checkSmallWindow(about);

    // The departure warning is Qt's message box: it takes the application's colours.
    double warningFace = 0;
    test::whenMessageBoxShows([&](QMessageBox *box) { warningFace = faceLuminance(*box); });
    test::clickDay(window->control<MonthCalendar>(QStringLiteral("Abreise")), QDate{2016, 3, 10});
    QVERIFY2(warningFace > kLightFace, "the departure warning has a dark face");
}

void DarkDesktopTest::schemeChangedWhileRunning()
{
    const QString settingsFile = qEnvironmentVariable("SALVENOR_XSETTINGS_FILE");
    const pid_t settingsDaemon = qEnvironmentVariableIntValue("SALVENOR_XSETTINGSD_PID");
    QVERIFY2(!settingsFile.isEmpty() && settingsDaemon > 0, "no XSETTINGS daemon to change the theme through");

    const std::unique_ptr<MainWindow> window = typicalRequest();
    QVERIFY(window != nullptr);
    TipWindow tip{TipKind::Kind, window.get()};
    tip.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tip));
    ThemeChangeCounter themeChanges;
    window->installEventFilter(&themeChanges);

    // The desktop switches to GNOME's dark theme: the daemon announces the new theme name and
    // the GTK 3 platform theme passes the change on to every window.
    QFile settings{settingsFile};
    QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("Net/ThemeName \"Adwaita-dark\"\n");
    settings.close();
    QCOMPARE(::kill(settingsDaemon, SIGHUP), 0);
    QTRY_VERIFY_WITH_TIMEOUT(themeChanges.count > 0, 10000);
    // Some platform themes then set the application's palette to the new scheme.
    QApplication::setPalette(test::darkDesktopPalette());
    QCoreApplication::processEvents();

    checkMainWindow(*window);
    checkSmallWindow(tip);
    AboutWindow about{window.get()};
    checkSmallWindow(about);
    double warningFace = 0;
    test::whenMessageBoxShows([&](QMessageBox *box) { warningFace = faceLuminance(*box); });
    test::clickDay(window->control<MonthCalendar>(QStringLiteral("Abreise")), QDate{2016, 3, 10});
    QVERIFY2(warningFace > kLightFace, "the departure warning has a dark face");
    QCOMPARE(QApplication::palette(), designPalette());
}

void DarkDesktopTest::programPictureKeepsTheDesignFace()
{
    // The real program's main window as the X server shows it, saved by tools/screenshot.sh.
    const QImage picture{qEnvironmentVariable("SALVENOR_PICTURE")};
    QVERIFY2(!picture.isNull(), "no picture of the program's window");
    const QRgb face = test::backgroundOf(picture, picture.rect());
    QVERIFY2(test::luminance(face) > kLightFace, qPrintable(QColor{face}.name()));
    int darkRedPixels = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            darkRedPixels += picture.pixel(x, y) == kDarkRed.rgb() ? 1 : 0;
    }
    // The service line, the day texts and the total "18,40 €" in the design's dark red.
    QVERIFY2(darkRedPixels > 200, qPrintable(QString::number(darkRedPixels)));
    QVERIFY(test::contrast(kDarkRed.rgb(), face) >= kMinimumContrast);
}

QTEST_MAIN(DarkDesktopTest)
#include "dark_desktop_test.moc"
