#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <string>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>

#include "app/application.h"
#include "app/main_window.h"
#include "app/resource_captions.h"
#include "category_rows.h"
#include "gui_helpers.h"
#include "print/cups_library.h"
#include "print/print_service.h"
#include "windows/design.h"
#include "windows/month_calendar.h"
#include "windows/splash_window.h"

using namespace salvenor::ui;

class StartupTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void mainWindowStaysHiddenUntilTheSplashCloses();
    void todayIsReadOnceTheSplashHasClosed();
    void startUpDays_data();
    void startUpDays();
    void todayOutsideTheCalendarsIsClamped_data();
    void todayOutsideTheCalendarsIsClamped();
    void infoColumnLines();
    void menuCaptionsComeFromTheStringTable();
    void resourceCaptionsByKindOfControl();
    void resourceCaptionsOfTabsToolbarsAndLists();
    void statusBarToggledTwice();
    void hintButtonsOpenTheirWindows_data();
    void hintButtonsOpenTheirWindows();
    void aboutOpensFromTheMenu();
    void exitClosesTheWindowAndSavesThePlacement();
    void aWaylandSessionRunsThroughXWayland_data();
    void aWaylandSessionRunsThroughXWayland();
    void minimisedCloseWritesNothing_data();
    void minimisedCloseWritesNothing();
    void closingClosesTheOtherWindowsFirst();
    void unwritableSettingsDoNotStopTheShutdown();
    void qtDialogsSpeakGerman();
    void theWholeStartUpShowsTheWindowAfterTheSplash();
    void printServiceLibraryWaitsForTheFirstPrint();
    void terminationSignalsEndTheProgramAsClosingDoes_data();
    void terminationSignalsEndTheProgramAsClosingDoes();
    void designLookComesBackAfterEverySchemeChange();

private:
    QString text(const char *name) const { return m_window->control<QLabel>(QString::fromLatin1(name))->text(); }
    QString settingsFile() const { return m_config.path() + QStringLiteral("/Salvenor 2016.ini"); }
    void openWindow(QDate today);

    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_config;
};

namespace {

// The program's own start on 14.03.2016 with a shortened splash, until its event loop ends; a
// loop that never ends is ended after 10 s with status 3.
int runTheProgram(std::chrono::milliseconds splashTime)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [] { QApplication::exit(3); });
    watchdog.start(10000);
    const int status = runApplication(*qApp, {.today = [] { return QDate{2016, 3, 14}; }, .splashTime = splashTime});
    QApplication::setQuitOnLastWindowClosed(false);
    return status;
}

} // namespace

void StartupTest::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    salvenor::test::silenceOffscreenSizeHintWarnings();
    QVERIFY(m_config.isValid());
}

void StartupTest::init()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QFile::remove(settingsFile());
}

void StartupTest::cleanup()
{
    m_window.reset();
}

void StartupTest::openWindow(QDate today)
{
    m_window = std::make_unique<MainWindow>();
    m_window->load({today});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void StartupTest::mainWindowStaysHiddenUntilTheSplashCloses()
{
    m_window = std::make_unique<MainWindow>();
    bool checked = false;
    QTimer::singleShot(50, [this, &checked] {
        auto *splash = qobject_cast<SplashWindow *>(QApplication::activeModalWidget());
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QVERIFY(!m_window->isVisible());
        // Nothing of the start-up has run yet.
        QVERIFY(text("lblHeute").isEmpty());
        checked = true;
        QTest::keyClick(splash, Qt::Key_X);
    });
    SplashWindow splash;
    m_window->load({[] { return QDate{2016, 3, 14}; }, &splash});
    QVERIFY(checked);
    QCOMPARE(text("Anreisedatum"), QStringLiteral("Mo. 14.03.2016"));
    QVERIFY(!m_window->isVisible());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_COMPARE(QApplication::focusWidget(), m_window->control(QStringLiteral("Anz_Erwachsene")));
}

void StartupTest::todayIsReadOnceTheSplashHasClosed()
{
    // 14.03.2016 23:59:58 while the splash shows; its timer closes it on 15.03.2016.
    m_window = std::make_unique<MainWindow>();
    SplashWindow splash;
    splash.closeTimer()->setInterval(50);
    const auto clock = [&splash] { return splash.isVisible() ? QDate{2016, 3, 14} : QDate{2016, 3, 15}; };
    m_window->load({clock, &splash});
    QCOMPARE(text("Anreisedatum"), QStringLiteral("Di. 15.03.2016"));
    QCOMPARE(text("Abreisedatum"), QStringLiteral("Mi. 16.03.2016"));
    QCOMPARE(text("lblHeute"), QStringLiteral("Heute ist Dienstag der\n15. März 2016"));
}

void StartupTest::startUpDays_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("arrivalText");
    QTest::addColumn<QString>("departureText");
    QTest::addColumn<QString>("todayLine");

    QTest::newRow("a Saturday") << QDate{2016, 3, 19} << "Sa. 19.03.2016"
                                << "So. 20.03.2016"
                                << "Heute ist Samstag der\n19. März 2016";
    QTest::newRow("New Year's Eve 2015") << QDate{2015, 12, 31} << "Do. 31.12.2015"
                                         << "Fr. 01.01.2016"
                                         << "Heute ist Donnerstag der\n31. Dezember 2015";
    QTest::newRow("a single-digit day") << QDate{2026, 12, 6} << "So. 06.12.2026"
                                        << "Mo. 07.12.2026"
                                        << "Heute ist Sonntag der\n6. Dezember 2026";
}

void StartupTest::startUpDays()
{
    QFETCH(QDate, today);
    QFETCH(QString, arrivalText);
    QFETCH(QString, departureText);
    QFETCH(QString, todayLine);

    openWindow(today);
    QCOMPARE(m_window->arrival(), today);
    QCOMPARE(m_window->departure(), today.addDays(1));
    QCOMPARE(text("Anreisedatum"), arrivalText);
    QCOMPARE(text("Abreisedatum"), departureText);
    QCOMPARE(text("lblHeute"), todayLine);
    for (const salvenor::test::CategoryRow &row : salvenor::test::categoryRows()) {
        QCOMPARE(text(row.nights), QStringLiteral("1"));
        QCOMPARE(m_window->control<QComboBox>(QString::fromLatin1(row.selector))->currentText(), QStringLiteral("0"));
        QCOMPARE(text(row.sum), QStringLiteral("0,00"));
    }
    QCOMPARE(text("End_Summe_Gesamt"), QStringLiteral("0,00"));
    QVERIFY(m_window->statusText().contains(QStringLiteral("2016")));
    // One control of each of the design's four fonts.
    struct FontOf
    {
        const char *control;
        double pointSize;
        bool bold;
    };
    for (const FontOf expected : {FontOf{"Berechnung", 8, true}, FontOf{"Anreisedatum", 10, true},
             FontOf{"End_Summe_Gesamt", 18, true}, FontOf{"Label_Erwachsene", 8.25, false}}) {
        const QFont font = m_window->control(QString::fromLatin1(expected.control))->font();
        QCOMPARE(font.pointSizeF(), expected.pointSize);
        QCOMPARE(font.bold(), expected.bold);
    }
}

void StartupTest::todayOutsideTheCalendarsIsClamped_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("arrival");
    QTest::addColumn<QString>("todayLine");
    QTest::newRow("after the range") << QDate{2031, 5, 1} << QDate{2030, 12, 30}
                                     << "Heute ist Donnerstag der\n1. Mai 2031";
    QTest::newRow("last day of the range")
        << QDate{2030, 12, 31} << QDate{2030, 12, 30} << "Heute ist Dienstag der\n31. Dezember 2030";
    QTest::newRow("before the range") << QDate{2000, 6, 1} << QDate{2001, 1, 1}
                                      << "Heute ist Donnerstag der\n1. Juni 2000";
}

void StartupTest::todayOutsideTheCalendarsIsClamped()
{
    QFETCH(QDate, today);
    QFETCH(QDate, arrival);
    QFETCH(QString, todayLine);
    openWindow(today);
    QCOMPARE(m_window->arrival(), arrival);
    QCOMPARE(m_window->departure(), arrival.addDays(1));
    QCOMPARE(text("Tage_Kind"), QStringLiteral("1"));
    QCOMPARE(text("Anreisedatum").right(10), arrival.toString(QStringLiteral("dd.MM.yyyy")));
    QCOMPARE(text("lblHeute"), todayLine);
}

void StartupTest::infoColumnLines()
{
    openWindow(QDate{2016, 3, 14});
    QVERIFY(text("lblServiceTelefon").startsWith(QStringLiteral("Service-Telefon\n")));
    QVERIFY(text("lblInfowww").startsWith(QStringLiteral("Weitere Infos auf ")));
    QVERIFY(text("lblInfowww").endsWith(QStringLiteral(".example")));
}

void StartupTest::menuCaptionsComeFromTheStringTable()
{
    openWindow(QDate{2016, 3, 14});
    const auto title
        = [this](const char *name) { return m_window->findChild<QMenu *>(QString::fromLatin1(name))->title(); };
    QCOMPARE(title("mnuFile"), QStringLiteral("&Datei"));
    QCOMPARE(title("mnuView"), QStringLiteral("&Ansicht"));
    QCOMPARE(title("mnuHelp"), QStringLiteral("&?"));
    QCOMPARE(m_window->exitAction()->text(), QStringLiteral("&Beenden"));
    QCOMPARE(m_window->statusBarAction()->text(), QStringLiteral("Status&leiste"));
    QCOMPARE(m_window->aboutAction()->text(), QStringLiteral("Info zum Salvenor"));
    QVERIFY(m_window->exitAction()->shortcut().isEmpty());
}

void StartupTest::resourceCaptionsByKindOfControl()
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("design"));
    window.setProperty("Tag", QStringLiteral("1025"));
    auto *label = new QLabel(QStringLiteral("design"), &window);
    label->setObjectName(QStringLiteral("lblWithTag"));
    label->setProperty("Tag", QStringLiteral("1000"));
    auto *badLabel = new QLabel(QStringLiteral("kept"), &window);
    badLabel->setObjectName(QStringLiteral("lblBadTag"));
    badLabel->setProperty("Tag", QStringLiteral("10x"));
    auto *missing = new QLabel(QStringLiteral("kept too"), &window);
    missing->setObjectName(QStringLiteral("lblMissingEntry"));
    missing->setProperty("Tag", QStringLiteral("20"));
    auto *button = new QPushButton(QStringLiteral("design"), &window);
    button->setObjectName(QStringLiteral("cmdWithTag"));
    button->setProperty("Tag", QStringLiteral("1012 and more"));
    button->setToolTip(QStringLiteral("1019"));
    auto *menu = new QMenu(QStringLiteral("1021"), &window);
    menu->setObjectName(QStringLiteral("mnuTest"));
    menu->addAction(QStringLiteral("1012"));
    menu->addAction(QStringLiteral("Info"));
    label->setFont(QFont{QStringLiteral("DejaVu Serif"), 20});

    ApplyResourceCaptions(&window);
    QCOMPARE(window.windowTitle(), QStringLiteral("&?"));
    QCOMPARE(label->text(), QStringLiteral("&Datei"));
    QCOMPARE(badLabel->text(), QStringLiteral("kept"));
    QCOMPARE(missing->text(), QStringLiteral("kept too"));
    QCOMPARE(button->text(), QStringLiteral("&Beenden")); // numeric value of "1012 and more"
    QCOMPARE(button->toolTip(), QStringLiteral("&Ansicht"));
    QCOMPARE(menu->title(), QStringLiteral("Status&leiste"));
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("&Beenden"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Info"));
    QCOMPARE(label->font().pointSizeF(), 8.25); // every control takes the window's base font
    ApplyResourceCaptions(nullptr);
}

void StartupTest::resourceCaptionsOfTabsToolbarsAndLists()
{
    QWidget window;
    auto *tabs = new QTabBar(&window);
    tabs->setObjectName(QStringLiteral("tabTest"));
    tabs->addTab(QStringLiteral("design"));
    tabs->setTabData(0, QStringLiteral("1000"));
    tabs->setTabToolTip(0, QStringLiteral("1012"));
    tabs->addTab(QStringLiteral("kept"));
    tabs->setTabData(1, QStringLiteral("-1000"));
    tabs->setTabToolTip(1, QStringLiteral("Hinweis"));
    auto *toolbar = new QToolBar(&window);
    toolbar->setObjectName(QStringLiteral("tbTest"));
    QAction *numbered = toolbar->addAction(QStringLiteral("a"));
    numbered->setToolTip(QStringLiteral("1019"));
    QAction *worded = toolbar->addAction(QStringLiteral("b"));
    worded->setToolTip(QStringLiteral("Hinweis"));
    auto *list = new QTreeWidget(&window);
    list->setObjectName(QStringLiteral("lvTest"));
    list->setColumnCount(3);
    QTreeWidgetItem *header = list->headerItem();
    for (int column = 0; column < 3; ++column)
        header->setText(column, QStringLiteral("design %1").arg(column));
    header->setData(0, Qt::UserRole, QStringLiteral("1021"));
    header->setData(1, Qt::UserRole, QStringLiteral("1021x"));
    header->setData(2, Qt::UserRole, QStringLiteral("1025"));
    // A leading sign is part of the number: "-1012" is no entry, "+1012" is 1012.
    auto *negative = new QPushButton(QStringLiteral("kept"), &window);
    negative->setObjectName(QStringLiteral("cmdNegative"));
    negative->setProperty("Tag", QStringLiteral("-1012"));
    auto *positive = new QPushButton(QStringLiteral("design"), &window);
    positive->setObjectName(QStringLiteral("cmdPositive"));
    positive->setProperty("Tag", QStringLiteral("+1012"));
    positive->setToolTip(QStringLiteral("0"));
    auto *noEntry = new QPushButton(QStringLiteral("kept"), &window);
    noEntry->setObjectName(QStringLiteral("cmdNoEntry"));
    noEntry->setProperty("Tag", QStringLiteral("999"));
    // Controls without a design name, and the parts of Qt's own compound widgets, are left alone.
    auto *unnamed = new QLabel(QStringLiteral("kept"), &window);
    unnamed->setProperty("Tag", QStringLiteral("1000"));
    auto *part = new QLabel(QStringLiteral("kept"), &window);
    part->setObjectName(QStringLiteral("qt_part"));
    part->setProperty("Tag", QStringLiteral("1000"));

    ApplyResourceCaptions(&window);
    QCOMPARE(tabs->tabText(0), QStringLiteral("&Datei"));
    QCOMPARE(tabs->tabToolTip(0), QStringLiteral("&Beenden"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("kept"));
    QCOMPARE(tabs->tabToolTip(1), QStringLiteral("Hinweis"));
    QCOMPARE(numbered->toolTip(), QStringLiteral("&Ansicht"));
    QCOMPARE(worded->toolTip(), QStringLiteral("Hinweis"));
    QCOMPARE(header->text(0), QStringLiteral("Status&leiste"));
    QCOMPARE(header->text(1), QStringLiteral("design 1")); // the whole text must be the number
    QCOMPARE(header->text(2), QStringLiteral("&?"));
    QCOMPARE(negative->text(), QStringLiteral("kept"));
    QCOMPARE(positive->text(), QStringLiteral("&Beenden"));
    QCOMPARE(positive->toolTip(), QStringLiteral("0"));
    QCOMPARE(noEntry->text(), QStringLiteral("kept"));
    QCOMPARE(unnamed->text(), QStringLiteral("kept"));
    QCOMPARE(part->text(), QStringLiteral("kept"));
    QCOMPARE(tabs->font().pointSizeF(), 8.25);
}

void StartupTest::statusBarToggledTwice()
{
    openWindow(QDate{2016, 3, 14});
    auto *bar = m_window->control<QStatusBar>(QStringLiteral("sbStatusBar"));
    const QSize size = m_window->size();
    QVERIFY(bar->isVisible());
    QVERIFY(m_window->statusBarAction()->isChecked());
    for (const bool shownAfter : {false, true}) {
        // The keyboard path: Alt+A opens "Ansicht", L chooses "Statusleiste".
        QTest::keyClick(m_window.get(), Qt::Key_A, Qt::AltModifier);
        auto *menu = m_window->findChild<QMenu *>(QStringLiteral("mnuView"));
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_L);
        QTRY_VERIFY(!menu->isVisible());
        QCOMPARE(bar->isVisible(), shownAfter);
        QCOMPARE(m_window->statusBarAction()->isChecked(), shownAfter);
        QCOMPARE(m_window->size(), size);
    }
}

void StartupTest::hintButtonsOpenTheirWindows_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::newRow("Kurbeitrag") << "cmdAnAbreise"
                                << "frmTipAnAb";
    QTest::newRow("Kinderkurbeitrag") << "cmdKinderKB"
                                      << "frmTipKind";
    QTest::newRow("Schwerbehinderung") << "cmdSchwer"
                                       << "frmTipSchwer";
}

void StartupTest::hintButtonsOpenTheirWindows()
{
    QFETCH(QString, button);
    QFETCH(QString, window);
    openWindow(QDate{2016, 3, 14});
    for (int opening = 0; opening < 2; ++opening) {
        QString seen;
        QTimer::singleShot(0, [&seen, &button, this] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            seen = dialog->objectName();
            QVERIFY(dialog->parentWidget() == m_window.get());
            // Owned by the main window for the window manager, so that it stays above it.
            QCOMPARE(dialog->windowType(), Qt::Dialog);
            QVERIFY(dialog->windowHandle()->transientParent() == m_window->windowHandle());
            // Each opening shows it as designed, however the user left it.
            QCOMPARE(dialog->size(), dialog->minimumSize());
            dialog->resize(dialog->minimumSize() + QSize{40, 30});
            // As xfwm4 gives the main window back: no control keeps the focus.
            m_window->control(button)->clearFocus();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QTest::mouseClick(m_window->control(button), Qt::LeftButton);
        QCOMPARE(seen, window);
        QTRY_VERIFY(QApplication::focusWidget() == m_window->control(button)); // the keyboard is back
    }
    // Each opening shows the one window of its kind again, as designed: a new one each time
    // would leave the style's pictures of the last one's buttons behind.
    QCOMPARE(m_window->findChildren<QDialog *>().size(), 1);
}

void StartupTest::aboutOpensFromTheMenu()
{
    openWindow(QDate{2016, 3, 14});
    QString version;
    QTimer::singleShot(0, [&version] {
        auto *about = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (about == nullptr)
            return;
        version = about->findChild<QLabel *>(QStringLiteral("lblVersion"))->text();
        QTest::keyClick(about, Qt::Key_Return);
    });
    m_window->aboutAction()->trigger();
    QCOMPARE(version, QStringLiteral("Version 6.0.0"));
    // The closed about window is gone; closing the main window right after passes over it.
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
    QVERIFY(QFile::exists(settingsFile()));
}

void StartupTest::exitClosesTheWindowAndSavesThePlacement()
{
    openWindow(QDate{2016, 3, 14});
    m_window->move(120, 80);
    QTRY_COMPARE(m_window->frameGeometry().topLeft(), QPoint(120, 80));
    const QRect frame = m_window->frameGeometry();
    m_window->exitAction()->trigger();
    QVERIFY(!m_window->isVisible());

    QSettings stored{settingsFile(), QSettings::IniFormat};
    stored.beginGroup(QStringLiteral("Settings"));
    QCOMPARE(stored.value(QStringLiteral("MainLeft")).toString(), QString::number(frame.left() * 15));
    QCOMPARE(stored.value(QStringLiteral("MainTop")).toString(), QString::number(frame.top() * 15));
    QCOMPARE(stored.value(QStringLiteral("MainWidth")).toString(), QString::number(frame.width() * 15));
    QCOMPARE(stored.value(QStringLiteral("MainHeight")).toString(), QString::number(frame.height() * 15));
}

void StartupTest::closingClosesTheOtherWindowsFirst()
{
    openWindow(QDate{2016, 3, 14});
    QDialog first;
    QDialog second;
    QStringList closed;
    for (QDialog *other : {&first, &second}) {
        other->setObjectName(other == &first ? QStringLiteral("first") : QStringLiteral("second"));
        connect(other, &QDialog::finished, this, [&closed, other] { closed << other->objectName(); });
        other->show();
    }
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QVERIFY(m_window->close());
    QVERIFY(!first.isVisible());
    QVERIFY(!second.isVisible());
    QCOMPARE(closed, (QStringList{QStringLiteral("second"), QStringLiteral("first")})); // the last opened first
}

void StartupTest::minimisedCloseWritesNothing_data()
{
    QTest::addColumn<Qt::WindowState>("state");
    QTest::newRow("minimised") << Qt::WindowMinimized;
    QTest::newRow("full screen") << Qt::WindowFullScreen; // a window manager's window menu offers it
    QTest::newRow("maximised") << Qt::WindowMaximized;
}

void StartupTest::minimisedCloseWritesNothing()
{
    QFETCH(Qt::WindowState, state);
    {
        QSettings earlier{settingsFile(), QSettings::IniFormat};
        earlier.setValue(QStringLiteral("Settings/MainLeft"), QStringLiteral("1"));
    }
    openWindow(QDate{2016, 3, 14});
    const QSize designSize = m_window->size();
    m_window->setWindowState(state);
    QVERIFY(m_window->windowState().testFlag(state));
    m_window->close(); // before anything can take the state back
    QSettings stored{settingsFile(), QSettings::IniFormat};
    QCOMPARE(stored.value(QStringLiteral("Settings/MainLeft")).toString(), QStringLiteral("1"));
    QVERIFY(!stored.contains(QStringLiteral("Settings/MainWidth")));
    if (state == Qt::WindowMinimized)
        return;
    // The fixed window goes back to its design size at once.
    openWindow(QDate{2016, 3, 14});
    m_window->setWindowState(state);
    QTRY_COMPARE(m_window->windowState(), Qt::WindowNoState);
    QTRY_COMPARE(m_window->size(), designSize);
}

void StartupTest::unwritableSettingsDoNotStopTheShutdown()
{
    // Root may write into a read-only folder; a folder below a regular file cannot exist at all.
    QFile blocker{m_config.path() + QStringLiteral("/not-a-folder")};
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker.fileName() + QStringLiteral("/config")));
    openWindow(QDate{2016, 3, 14});
    QVERIFY(m_window->close());
    QVERIFY(!QFile::exists(blocker.fileName() + QStringLiteral("/config")));
}

void StartupTest::qtDialogsSpeakGerman()
{
    useGermanLanguage(*qApp);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    QCOMPARE(QLocale{}.toString(1234.5, 'f', 2), QStringLiteral("1.234,50"));
}

void StartupTest::theWholeStartUpShowsTheWindowAfterTheSplash()
{
    // The program's own start: the splash (shortened), then the window on the clock's day,
    // centred and focused on the first count; closing it ends the event loop with 0.
    bool splashSeen = false;
    QString arrivalText;
    QString focusedName;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (qobject_cast<SplashWindow *>(QApplication::activeModalWidget()) != nullptr)
            splashSeen = true;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<MainWindow *>(top);
            if (window == nullptr || !window->isVisible())
                continue;
            arrivalText = window->control<QLabel>(QStringLiteral("Anreisedatum"))->text();
            focusedName = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString{};
            // The window takes the focus once it is up; closing it then ends the program.
            if (focusedName == QLatin1String("Anz_Erwachsene"))
                window->close();
        }
    });
    poll.start(10);
    const int status = runTheProgram(std::chrono::milliseconds{200});
    QVERIFY(splashSeen);
    QCOMPARE(arrivalText, QStringLiteral("Mo. 14.03.2016"));
    QCOMPARE(focusedName, QStringLiteral("Anz_Erwachsene"));
    QCOMPARE(status, 0);
    // The desktop entry's name: the application id a Wayland compositor and the desktop see.
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("example.quarnum.Salvenor2016"));
}

void StartupTest::aWaylandSessionRunsThroughXWayland_data()
{
    QTest::addColumn<QByteArray>("chosen");
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<QByteArray>("x11");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<QString>("platform");
    QTest::newRow("Wayland with XWayland")
        << QByteArray{} << QByteArray{"wayland-0"} << QByteArray{":0"} << true << "xcb";
    QTest::newRow("the user's choice") << QByteArray{"wayland"} << QByteArray{"wayland-0"} << QByteArray{":0"} << true
                                       << "";
    QTest::newRow("Wayland alone") << QByteArray{} << QByteArray{"wayland-0"} << QByteArray{} << false << "";
    QTest::newRow("XWayland gone") << QByteArray{} << QByteArray{"wayland-0"} << QByteArray{":99"} << false << "";
    QTest::newRow("X11") << QByteArray{} << QByteArray{} << QByteArray{":0"} << true << "";
}

void StartupTest::aWaylandSessionRunsThroughXWayland()
{
    QFETCH(QByteArray, chosen);
    QFETCH(QByteArray, wayland);
    QFETCH(QByteArray, x11);
    QFETCH(bool, answers);
    QFETCH(QString, platform);
    const auto orNull = [](const QByteArray &value) { return value.isEmpty() ? nullptr : value.constData(); };
    QCOMPARE(QString::fromStdString(platformToChoose(orNull(chosen), orNull(wayland), orNull(x11), answers)), platform);
    QCOMPARE(QString::fromStdString(platformToChoose("", orNull(wayland), orNull(x11), answers)),
        chosen.isEmpty() ? platform : QStringLiteral("xcb")); // an empty choice is none
}

namespace {

bool printServiceLibraryLoaded()
{
    std::ifstream maps{"/proc/self/maps"};
    for (std::string line; std::getline(maps, line);) {
        if (line.find("/libcups.so") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

void StartupTest::printServiceLibraryWaitsForTheFirstPrint()
{
    // The print service's library and what it pulls in (about 4 MiB) are not loaded at start;
    // the first look-up of the printers loads them.
    openWindow(QDate{2016, 3, 14});
    QVERIFY(!printServiceLibraryLoaded());
    qputenv("CUPS_SERVER", QFile::encodeName(m_config.path() + QStringLiteral("/no-print-service")));
    const std::atomic<bool> abandoned{false};
    const auto answer = salvenor::print::askPrintService(std::chrono::milliseconds{2000}, abandoned);
    QCOMPARE(answer, salvenor::print::ServiceAnswer::Unreachable);
    QVERIFY(printServiceLibraryLoaded());
    // Its functions are found and answer: the service's address is the one set for this test.
    const salvenor::print::CupsLibrary *cups = salvenor::print::cupsLibrary();
    QVERIFY(cups != nullptr);
    cups->setServer(nullptr);
    QCOMPARE(QString::fromLocal8Bit(cups->server()), QString::fromLocal8Bit(qgetenv("CUPS_SERVER")));
    qunsetenv("CUPS_SERVER");
}

void StartupTest::terminationSignalsEndTheProgramAsClosingDoes_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("aboutOpen");
    QTest::newRow("SIGTERM") << SIGTERM << false;
    QTest::newRow("SIGINT while the about window is open") << SIGINT << true;
}

void StartupTest::terminationSignalsEndTheProgramAsClosingDoes()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, aboutOpen);
    bool sent = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<MainWindow *>(top);
            if (window == nullptr || !window->isVisible() || QApplication::focusWidget() == nullptr)
                continue;
            poll.stop();
            sent = true;
            QTimer::singleShot(20, [signalNumber] { ::raise(signalNumber); });
            if (aboutOpen)
                window->aboutAction()->trigger(); // returns once the signal has closed it
            return;
        }
    });
    poll.start(10);
    const int status = runTheProgram(std::chrono::milliseconds{50});
    QVERIFY(sent);
    QCOMPARE(status, 128 + signalNumber);
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
    // Closed as closing does: the placement is written.
    QSettings stored{settingsFile(), QSettings::IniFormat};
    QVERIFY(stored.contains(QStringLiteral("Settings/MainLeft")));
    // Once the program's loop has ended, the signal has its default action again.
    struct sigaction now = {};
    QCOMPARE(::sigaction(signalNumber, nullptr, &now), 0);
    QVERIFY(now.sa_handler == SIG_DFL);
}

void StartupTest::designLookComesBackAfterEverySchemeChange()
{
    // A platform theme sets a palette of its own when the desktop's scheme changes, for the
    // application or the tooltips: the design's light face comes back, every time.
    useDesignLook(*qApp);
    QPalette dark;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::ToolTipBase})
        dark.setColor(role, QColor{32, 32, 36});
    for (int change = 0; change < 2; ++change) {
        QApplication::setPalette(dark);
        QTRY_VERIFY(QApplication::palette() == designPalette());
        QToolTip::setPalette(dark);
        QWidget themed;
        QEvent changed{QEvent::ThemeChange};
        QApplication::sendEvent(&themed, &changed);
        QTRY_VERIFY(QToolTip::palette() == designPalette());
    }
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
