#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleHints>
#include <QTest>
#include <QTextCharFormat>
#include <QToolButton>
#include <QWheelEvent>

#include "app/guarded_application.h"
#include "app/main_window.h"
#include "app/main_window_design.h"
#include "app/qt_conversions.h"
#include "category_rows.h"
#include "contrast.h"
#include "core/contribution.h"
#include "gui_helpers.h"
#include "windows/figure_label.h"
#include "windows/line_widget.h"
#include "windows/month_calendar.h"

using namespace salvenor;
using namespace salvenor::ui;
using salvenor::test::clickDay;
using salvenor::test::pickWithKeys;
using salvenor::test::pickWithMouse;

namespace {

// Notes the texts of the key presses that reach a widget.
class KeyWatcher final : public QObject
{
public:
    explicit KeyWatcher(QStringList *texts)
        : m_texts(texts)
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            *m_texts << static_cast<QKeyEvent *>(event)->text();
        return QObject::eventFilter(watched, event);
    }

private:
    QStringList *m_texts;
};

} // namespace

class MainWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsWithOneNightAndNoCounts();
    void typicalRequest();
    void departureBeforeArrivalWarnsThenCorrects();
    void arrivalChangedWhileTheWarningIsOpen();
    void keysOnACalendarNeverChangeACount();
    void aKeyACalendarTakesGoesNoFurther_data();
    void aKeyACalendarTakesGoesNoFurther();
    void keyMoveBeforeTheArrivalWarnsAndKeepsTheFocus_data();
    void keyMoveBeforeTheArrivalWarnsAndKeepsTheFocus();
    void typedDateEntry();
    void aDateEntryLongerThanItsFormIsRefused_data();
    void aDateEntryLongerThanItsFormIsRefused();
    void aClosedDateEntryStaysForTheReaderAndTabGoesOn();
    void aMenuOpenedFromTheDateEntryComesBackToIt();
    void typedCountPicksThatCount();
    void theOpenListTakesReturnAndEscWithTheirTexts();
    void aTypedNumberAboveTheMaximumChangesNothing_data();
    void aTypedNumberAboveTheMaximumChangesNothing();
    void returnAndEnterPressAFocusedButton();
    void departureOnTheArrivalDayGivesNoNights();
    void arrivalClickResetsEverything();
    void sameDayClickedAgainStillResets();
    void keyboardDateChangeRunsTheSameOperation();
    void categorySums_data();
    void categorySums();
    void countPickedByArrowKey();
    void totalAddsAllSixSums();
    void sheetTakesWhatTheWindowShows();
    void aSecondShowLeavesTheFocusWhereItWas();
    void sumTooltipExplainsTheFigure();
    void statusTextSurvivesOpeningAMenu();
    void tabOrder();
    void accessibleNamesAndValues();
    void controlsStandAtTheirDesignPlaces();
    void aMissingOrMistypedControlIsNamed();
    void widestFiguresAreExactAndGiveBackTheirRoom();
    void figuresGrowIntoTheirRoomOnly();
    void calendarHeadersAndDaysAreWhole();
    void captionsStayClearOfTheirLeaders();
    void frameBordersRunThroughTheirCaptions();
    void everyReachableObjectHasAGermanName();
    void darkDesktopKeepsEveryTextReadable();
    void randomEventsKeepTheWindowConsistent();

private:
    QComboBox *selector(const char *name) const { return m_window->control<QComboBox>(QString::fromLatin1(name)); }
    QString text(const char *name) const { return m_window->control<QLabel>(QString::fromLatin1(name))->text(); }
    MonthCalendar *arrivalCalendar() const { return m_window->control<MonthCalendar>(QStringLiteral("Anreise")); }
    MonthCalendar *departureCalendar() const { return m_window->control<MonthCalendar>(QStringLiteral("Abreise")); }
    void setStay(QDate arrival, QDate departure);
    void checkConsistent(const QString &context);
    void randomStep(QRandomGenerator &random);

    std::unique_ptr<MainWindow> m_window;
};

void MainWindowTest::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(20);
    test::silenceOffscreenSizeHintWarnings();
}

void MainWindowTest::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->load({QDate{2016, 3, 14}});
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void MainWindowTest::cleanup()
{
    m_window.reset();
}

void MainWindowTest::setStay(QDate arrival, QDate departure)
{
    clickDay(arrivalCalendar(), arrival);
    clickDay(departureCalendar(), departure);
    QCOMPARE(m_window->arrival(), arrival);
    QCOMPARE(m_window->departure(), departure);
}

void MainWindowTest::aMissingOrMistypedControlIsNamed()
{
    QWidget client;
    const ControlMap complete = buildControls(&client, mainWindowDesign());
    const MainWindowControls resolved = resolveMainWindowControls(complete);
    QCOMPARE(
        resolved.rows.back().sum->objectName(), QString::fromStdString("Summe_" + std::string{kCategories.back().key}));
    QCOMPARE(resolved.statusBar->objectName(), QStringLiteral("sbStatusBar"));

    const auto failureFor = [](const ControlMap &controls) -> QString {
        try {
            resolveMainWindowControls(controls);
        } catch (const MissingControl &missing) {
            return QString::fromStdString(missing.what());
        }
        return QStringLiteral("resolved without failure");
    };
    for (const char *name : {"Summe_Kind", "Label11", "Label_Kind2", "Abreise", "sbStatusBar"}) {
        ControlMap missing = complete;
        missing.remove(QString::fromLatin1(name));
        const QString failure = failureFor(missing);
        QVERIFY2(failure.contains(QStringLiteral(" ") + QString::fromLatin1(name) + QStringLiteral(" ")),
            qPrintable(failure));
    }
    ControlMap mistyped = complete;
    mistyped.insert(QStringLiteral("Anz_Student"), complete.value(QStringLiteral("Tage_Student")));
    QVERIFY2(failureFor(mistyped).contains(QStringLiteral("Anz_Student")), qPrintable(failureFor(mistyped)));
}

void MainWindowTest::startsWithOneNightAndNoCounts()
{
    QCOMPARE(text("Anreisedatum"), QStringLiteral("Mo. 14.03.2016"));
    QCOMPARE(text("Abreisedatum"), QStringLiteral("Di. 15.03.2016"));
    for (const test::CategoryRow &row : test::categoryRows()) {
        QCOMPARE(text(row.nights), QStringLiteral("1"));
        QCOMPARE(selector(row.selector)->currentText(), QStringLiteral("0"));
        QCOMPARE(text(row.sum), QStringLiteral("0,00"));
    }
    QCOMPARE(text("End_Summe_Gesamt"), QStringLiteral("0,00"));
    QVERIFY(m_window->statusText().contains(QStringLiteral("Salvenor 2016")));
    QVERIFY(m_window->statusText().contains(QStringLiteral("Quarnum")));
    QCOMPARE(
        m_window->windowTitle(), QStringLiteral("Salvenor 2016  - Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH "));
    QCOMPARE(
        m_window->centralWidget()->size(), QSize(twipsToPixels(kMainClientWidth), twipsToPixels(mainClientHeight())));
    // The design's six rows make the design's own client area, 9810 x 7695 twips.
    if (kCategoryCount == 6) {
        QCOMPARE(m_window->centralWidget()->size(), QSize(654, 513));
    }
    // The status bar closes the client area, below the calculation frame.
    const QWidget *statusBar = m_window->control(QStringLiteral("sbStatusBar"));
    const QWidget *calculation = m_window->control(QStringLiteral("Berechnung"));
    QCOMPARE(statusBar->geometry().bottom(), m_window->centralWidget()->height() - 1);
    QVERIFY(statusBar->geometry().top() > calculation->geometry().bottom());
    QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QCOMPARE(arrivalCalendar()->minimumDate(), QDate(2001, 1, 1));
    QCOMPARE(arrivalCalendar()->maximumDate(), QDate(2030, 12, 30));
    QCOMPARE(departureCalendar()->minimumDate(), QDate(2001, 1, 2));
    QCOMPARE(departureCalendar()->maximumDate(), QDate(2030, 12, 31));
    QCOMPARE(selector("Anz_Erwachsene")->count(), 31);
    QCOMPARE(selector("Anz_Erw_Schwer")->count(), 41);
    QCOMPARE(selector("Anz_Kind")->itemText(10), QStringLiteral("10"));
    QVERIFY(!selector("Anz_Kind")->isEditable());
}

void MainWindowTest::typicalRequest()
{
    clickDay(departureCalendar(), QDate{2016, 3, 18});
    for (const test::CategoryRow &row : test::categoryRows())
        QCOMPARE(text(row.nights), QStringLiteral("4"));
    QCOMPARE(m_window->statusText(),
        QStringLiteral("Anreisetag = Mo. 14.03.2016 Abreisetag = Fr. 18.03.2016 - Der "
                       "Kurbeitrag wird für 4 Übernachtung(en) berechnet."));
    QCOMPARE(QApplication::focusWidget(), selector("Anz_Erwachsene"));

    pickWithMouse(selector("Anz_Erwachsene"), 2);
    QCOMPARE(selector("Anz_Erwachsene")->currentText(), QStringLiteral("2"));
    QCOMPARE(
        text("Summe_Erwachsene"), test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 2));
    QCOMPARE(text("End_Summe_Gesamt"),
        test::coreTotal(QDate{2016, 3, 14}, QDate{2016, 3, 18}, {{PersonCategory::Erwachsene, 2}}));
}

void MainWindowTest::departureBeforeArrivalWarnsThenCorrects()
{
    setStay(QDate{2016, 3, 10}, QDate{2016, 3, 20});
    pickWithKeys(selector("Anz_Student"), 3);
    QCOMPARE(text("Summe_Student"), test::coreSum(PersonCategory::Student, QDate{2016, 3, 10}, QDate{2016, 3, 20}, 3));

    bool shown = false;
    test::whenMessageBoxShows([&](QMessageBox *box) {
        shown = true;
        QCOMPARE(box->windowTitle(), QStringLiteral("Hinweis - Abreisedatum"));
        QCOMPARE(box->text(),
            QStringLiteral("  Der 08.03.2016 liegt vor dem 10.03.2016\n"
                           "   Das Abreisedatum wird jetzt automatisch\n"
                           "auf einen Tag nach dem Anreisedatum gesetzt."));
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->buttons().size(), 1);
        // While the box is open the rejected day shows and the results are already cleared.
        QCOMPARE(text("Abreisedatum"), QStringLiteral("Di. 08.03.2016"));
        QCOMPARE(selector("Anz_Student")->currentText(), QStringLiteral("0"));
        QCOMPARE(text("Summe_Student"), QStringLiteral("0,00"));
        QCOMPARE(text("End_Summe_Gesamt"), QStringLiteral("0,00"));
    });
    clickDay(departureCalendar(), QDate{2016, 3, 8});
    QVERIFY(shown);
    QCOMPARE(m_window->departure(), QDate(2016, 3, 11));
    QCOMPARE(text("Abreisedatum"), QStringLiteral("Fr. 11.03.2016"));
    for (const test::CategoryRow &row : test::categoryRows())
        QCOMPARE(text(row.nights), QStringLiteral("1"));
    QCOMPARE(m_window->statusText(),
        QStringLiteral("Anreisetag = Do. 10.03.2016 Abreisetag = Fr. 11.03.2016 - Der "
                       "Kurbeitrag wird für 1 Übernachtung(en) berechnet."));
    QCOMPARE(m_window->focusWidget(), selector("Anz_Erwachsene"));
}

void MainWindowTest::arrivalChangedWhileTheWarningIsOpen()
{
    setStay(QDate{2026, 12, 10}, QDate{2026, 12, 12});
    // Whatever changes the arrival while the box's event loop runs (a timer, a delayed entry),
    // the correction takes the stay as it stands once the box has closed.
    test::whenMessageBoxShows([&](QMessageBox *) { arrivalCalendar()->setDateFromProgram(QDate{2026, 12, 25}); });
    clickDay(departureCalendar(), QDate{2026, 12, 1});

    QCOMPARE(m_window->arrival(), QDate(2026, 12, 25));
    QCOMPARE(m_window->departure(), QDate(2026, 12, 26));
    QCOMPARE(text("Anreisedatum"), QStringLiteral("Fr. 25.12.2026"));
    QCOMPARE(text("Abreisedatum"), QStringLiteral("Sa. 26.12.2026"));
    QCOMPARE(m_window->statusText(),
        QStringLiteral("Anreisetag = Fr. 25.12.2026 Abreisetag = Sa. 26.12.2026 - Der "
                       "Kurbeitrag wird für 1 Übernachtung(en) berechnet."));
    checkConsistent(QStringLiteral("after the warning"));
    pickWithKeys(selector("Anz_Erwachsene"), 2);
    QCOMPARE(text("Summe_Erwachsene"),
        test::coreSum(PersonCategory::Erwachsene, QDate{2026, 12, 25}, QDate{2026, 12, 26}, 2));
    checkConsistent(QStringLiteral("after picking two adults"));
}

void MainWindowTest::keysOnACalendarNeverChangeACount()
{
    // From the last count selector, Tab twice reaches the departure calendar.
    selector(rowNames(kCategories.back().category).selector.c_str())->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTableView *view = test::calendarView(departureCalendar());
    QCOMPARE(QApplication::focusWidget(), view);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QCOMPARE(m_window->departure(), QDate(2016, 6, 15));
    QCOMPARE(text("Tage_Erwachsene"), QString::number(QDate(2016, 3, 14).daysTo(QDate(2016, 6, 15))));
    QCOMPARE(QApplication::focusWidget(), view);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(m_window->departure(), QDate(2016, 6, 29));
    for (const test::CategoryRow &row : test::categoryRows())
        QCOMPARE(selector(row.selector)->currentText(), QStringLiteral("0"));
    QCOMPARE(text("End_Summe_Gesamt"), QStringLiteral("0,00"));

    // Enter counts as a click: the operation runs once more and the focus moves on to the counts.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(m_window->departure(), QDate(2016, 6, 29));
    QCOMPARE(QApplication::focusWidget(), selector("Anz_Erwachsene"));

    // The same on the arrival calendar: the arrow keys move the stay, the focus stays.
    QTableView *arrivalView = test::calendarView(arrivalCalendar());
    arrivalView->setFocus();
    QTest::keyClick(arrivalView, Qt::Key_Down);
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 21));
    QCOMPARE(m_window->departure(), QDate(2016, 3, 22));
    QCOMPARE(QApplication::focusWidget(), arrivalView);
    QTest::keyClick(arrivalView, Qt::Key_Space);
    QCOMPARE(m_window->statusText(), QStringLiteral("Anreisetag = Mo. 21.03.2016"));
}

void MainWindowTest::aKeyACalendarTakesGoesNoFurther_data()
{
    QTest::addColumn<bool>("inEntry");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("daysChosen");
    QTest::newRow("Return on the days") << false << int(Qt::Key_Return) << 1;
    QTest::newRow("Space on the days") << false << int(Qt::Key_Space) << 1;
    QTest::newRow("a digit opens the entry") << false << int(Qt::Key_2) << 0;
    QTest::newRow("Return in the entry") << true << int(Qt::Key_Return) << 1;
    QTest::newRow("Esc in the entry") << true << int(Qt::Key_Escape) << 0;
}

void MainWindowTest::aKeyACalendarTakesGoesNoFurther()
{
    // The key does its work once and reaches neither the calendar's own handling nor a control
    // around it.
    QFETCH(bool, inEntry);
    QFETCH(int, key);
    QFETCH(int, daysChosen);
    MonthCalendar *calendar = arrivalCalendar();
    QTableView *view = test::calendarView(calendar);
    view->setFocus();
    if (inEntry) {
        QTest::keyClicks(view, QStringLiteral("1"));
        QTest::keyClicks(calendar->dateEntry(), QStringLiteral("5.03.2016"));
    }
    QWidget *target = inEntry ? static_cast<QWidget *>(calendar->dateEntry()) : view;
    const QSignalSpy chosen{calendar, &MonthCalendar::dayChosen};
    const QDate before = calendar->selectedDate();
    const QModelIndex current = view->currentIndex();
    QKeyEvent press{QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_2 ? QStringLiteral("2") : QString{}};
    const bool taken = QApplication::sendEvent(target, &press);
    QVERIFY(taken && press.isAccepted());
    QCOMPARE(chosen.count(), daysChosen);
    if (!inEntry || key == Qt::Key_Escape) { // what the entry commits is the day typed
        QCOMPARE(calendar->selectedDate(), before);
        QCOMPARE(view->currentIndex(), current);
    }
}

void MainWindowTest::keyMoveBeforeTheArrivalWarnsAndKeepsTheFocus_data()
{
    QTest::addColumn<QList<int>>("keys");
    // From 15.03.2016 with the arrival on 14.03.2016.
    QTest::newRow("arrow key") << QList<int>{Qt::Key_Left, Qt::Key_Left};
    QTest::newRow("page key") << QList<int>{Qt::Key_PageUp};
}

void MainWindowTest::keyMoveBeforeTheArrivalWarnsAndKeepsTheFocus()
{
    // The warning comes as for a click, but the focus goes back to the calendar: the next arrow
    // key moves the day again and never sets a count nobody asked for.
    QFETCH(const QList<int>, keys);
    QTableView *view = test::calendarView(departureCalendar());
    view->setFocus();
    bool shown = false;
    test::whenMessageBoxShows([&](QMessageBox *) { shown = true; });
    for (const int key : keys)
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
    QVERIFY(shown);
    QCOMPARE(m_window->departure(), QDate(2016, 3, 15));
    QCOMPARE(m_window->focusWidget(), view);
    // Offscreen, no window manager gives the window back its activation after the box.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(QApplication::focusWidget(), view);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(m_window->departure(), QDate(2016, 3, 22));
    for (const test::CategoryRow &row : test::categoryRows())
        QCOMPARE(selector(row.selector)->currentText(), QStringLiteral("0"));
    QCOMPARE(m_window->focusWidget(), view);
}

void MainWindowTest::typedDateEntry()
{
    MonthCalendar *calendar = arrivalCalendar();
    QTableView *view = test::calendarView(calendar);
    const auto type = [&](const QString &text) {
        view->setFocus();
        QTest::keyClick(view, text.at(0).toLatin1());
        QVERIFY(calendar->dateEntry() != nullptr);
        QCOMPARE(QApplication::focusWidget(), calendar->dateEntry());
        QTest::keyClicks(calendar->dateEntry(), text.mid(1));
        QTest::keyClick(calendar->dateEntry(), Qt::Key_Return);
    };
    type(QStringLiteral("2005"));
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 14));
    QCOMPARE(m_window->statusText(), QStringLiteral("Die Eingabe „2005“ ist kein Datum der Form TT.MM.JJJJ."));
    QTest::keyClick(calendar->dateEntry(), Qt::Key_Escape);
    QVERIFY(calendar->dateEntry() == nullptr);
    QCOMPARE(QApplication::focusWidget(), view);
    type(QStringLiteral("31.02.2016"));
    QCOMPARE(m_window->statusText(), QStringLiteral("Den 31.02.2016 gibt es nicht."));
    QTest::keyClick(calendar->dateEntry(), Qt::Key_Escape);
    type(QStringLiteral("1.1.2000"));
    QCOMPARE(m_window->statusText(),
        QStringLiteral("Der 01.01.2000 liegt außerhalb des Kalenders (01.01.2001 bis 30.12.2030)."));
    QTest::keyClick(calendar->dateEntry(), Qt::Key_Escape);
    type(QStringLiteral("31.02.16"));
    QCOMPARE(m_window->statusText(), QStringLiteral("Den 31.02.2016 gibt es nicht."));
    QTest::keyClick(calendar->dateEntry(), Qt::Key_Escape);
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 14));
    QCOMPARE(text("Tage_Kind"), QStringLiteral("1"));
    // The keypad's decimal key, and a year of two digits, as the booking lists take them.
    type(QStringLiteral("15,03,2016"));
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 15));
    type(QStringLiteral("16.3.16"));
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 16));
    type(QStringLiteral("14.03.2016"));

    pickWithKeys(selector("Anz_Erwachsene"), 2);
    type(QStringLiteral("20.5.2016"));
    QVERIFY(calendar->dateEntry() == nullptr);
    QCOMPARE(m_window->arrival(), QDate(2016, 5, 20));
    QCOMPARE(m_window->departure(), QDate(2016, 5, 21));
    QCOMPARE(m_window->statusText(), QStringLiteral("Anreisetag = Fr. 20.05.2016"));
    QCOMPARE(selector("Anz_Erwachsene")->currentText(), QStringLiteral("0"));

    // On the departure calendar a typed day before the arrival warns as a click would.
    bool warned = false;
    test::whenMessageBoxShows([&](QMessageBox *box) {
        warned = box->text().contains(QStringLiteral("Der 02.05.2016 liegt vor dem 20.05.2016"));
    });
    QTableView *departureView = test::calendarView(departureCalendar());
    departureView->setFocus();
    QTest::keyClick(departureView, '2');
    QTest::keyClicks(departureCalendar()->dateEntry(), QStringLiteral(".5.2016"));
    QTest::keyClick(departureCalendar()->dateEntry(), Qt::Key_Return);
    QVERIFY(warned);
    QCOMPARE(m_window->departure(), QDate(2016, 5, 21));
    QCOMPARE(m_window->focusWidget(), selector("Anz_Erwachsene"));

    // Leaving the entry drops it.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    departureView->setFocus();
    QTest::keyClick(departureView, '3');
    QVERIFY(departureCalendar()->dateEntry() != nullptr);
    QCoreApplication::processEvents(); // the calendar losing the focus to the entry keeps it open
    QVERIFY(departureCalendar()->dateEntry() != nullptr);
    selector("Anz_Kind")->setFocus();
    QTRY_VERIFY(departureCalendar()->dateEntry() == nullptr);
    QCOMPARE(m_window->departure(), QDate(2016, 5, 21));
}

void MainWindowTest::aDateEntryLongerThanItsFormIsRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a fifth digit of the year") << QStringLiteral(
        "14.03.20166") << QStringLiteral("Die Eingabe „14.03.20166“ ist länger als ein Datum der Form TT.MM.JJJJ.");
    QTest::newRow("a year that would be cut to 2011") << QStringLiteral(
        "01.03.20116") << QStringLiteral("Die Eingabe „01.03.20116“ ist länger als ein Datum der Form TT.MM.JJJJ.");
    QTest::newRow("a leading zero too many") << QStringLiteral(
        "014.03.2016") << QStringLiteral("Die Eingabe „014.03.2016“ ist länger als ein Datum der Form TT.MM.JJJJ.");
    QTest::newRow("a long text, quoted in part")
        << QStringLiteral("14.03.2016 14.03.2016 14.03.2016")
        << QStringLiteral("Die Eingabe „14.03.2016 14.03.201…“ ist länger als ein Datum der Form TT.MM.JJJJ.");
}

void MainWindowTest::aDateEntryLongerThanItsFormIsRefused()
{
    QFETCH(const QString, typed);
    QFETCH(const QString, reason);
    MonthCalendar *calendar = arrivalCalendar();
    QTableView *view = test::calendarView(calendar);
    view->setFocus();
    QTest::keyClick(view, typed.at(0).toLatin1());
    QVERIFY(calendar->dateEntry() != nullptr);
    QTest::keyClicks(calendar->dateEntry(), typed.mid(1));
    // Every character typed stays in the entry, where the user can see and mend it.
    QCOMPARE(calendar->dateEntry()->text(), typed);
    QTest::keyClick(calendar->dateEntry(), Qt::Key_Return);
    QVERIFY(calendar->dateEntry() != nullptr);
    QCOMPARE(m_window->statusText(), reason);
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 14));
    QCOMPARE(m_window->departure(), QDate(2016, 3, 15));
    QTest::keyClick(calendar->dateEntry(), Qt::Key_Escape);
    QVERIFY(calendar->dateEntry() == nullptr);
}

void MainWindowTest::aClosedDateEntryStaysForTheReaderAndTabGoesOn()
{
    MonthCalendar *arrival = arrivalCalendar();
    QTableView *arrivalDays = test::calendarView(arrival);
    QTableView *departureDays = test::calendarView(departureCalendar());
    const auto open = [&](char digit) {
        arrivalDays->setFocus();
        QTest::keyClick(arrivalDays, digit);
        return QPointer<QLineEdit>{arrival->dateEntry()};
    };
    // A screen reader asks about the object the focus left while it speaks the calendar: after
    // Esc that object is still there, with its name, and the focus is on the days.
    QPointer<QLineEdit> entry = open('1');
    QVERIFY(!entry.isNull());
    QTest::keyClick(entry, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QVERIFY(arrival->dateEntry() == nullptr);
    QVERIFY(!entry.isNull());
    QVERIFY(!entry->isVisible());
    QCOMPARE(
        QAccessible::queryAccessibleInterface(entry)->text(QAccessible::Name), QStringLiteral("Datumseingabe Anreise"));
    QCOMPARE(QApplication::focusWidget(), arrivalDays);

    // Opened again it starts with the new digit and without the last refusal's reason.
    entry = open('3');
    QVERIFY(!entry.isNull());
    QTest::keyClicks(entry, QStringLiteral("1.02.2016"));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(QAccessible::queryAccessibleInterface(entry)->text(QAccessible::Description),
        QStringLiteral("Den 31.02.2016 gibt es nicht."));
    QTest::keyClick(entry, Qt::Key_Escape);
    entry = open('2');
    QVERIFY(!entry.isNull());
    QCOMPARE(entry->text(), QStringLiteral("2"));
    QVERIFY(!QAccessible::queryAccessibleInterface(entry)
                 ->text(QAccessible::Description)
                 .contains(QStringLiteral("gibt es nicht")));

    // Tab leaves the entry for the control after the calendar, Shift+Tab for the calendar, and
    // the typed text is dropped either way.
    QTest::keyClick(entry, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), departureDays);
    QTRY_VERIFY(arrival->dateEntry() == nullptr);
    entry = open('2');
    QVERIFY(!entry.isNull());
    QTest::keyClick(entry, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), arrivalDays);
    QTRY_VERIFY(arrival->dateEntry() == nullptr);
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 14));
}

void MainWindowTest::aMenuOpenedFromTheDateEntryComesBackToIt()
{
    // A menu takes the focus for a while only: Esc, Esc goes back to the entry with its text, as
    // it goes back to any other control. Closed at the menu, the entry left the keyboard on the
    // menu bar, and the next arrow key moved nothing.
    MonthCalendar *arrival = arrivalCalendar();
    QTableView *days = test::calendarView(arrival);
    days->setFocus();
    QTest::keyClick(days, '1');
    QLineEdit *entry = arrival->dateEntry();
    QVERIFY(entry != nullptr);
    QTest::keyClicks(entry, QStringLiteral("4.03"));
    auto *file = m_window->findChild<QMenu *>(QStringLiteral("mnuFile"));
    QTest::keyClick(entry, Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(file->isVisible());
    // The event loop runs between the keys, as it does for a user.
    QCoreApplication::processEvents();
    QTest::keyClick(file, Qt::Key_Escape);
    QTRY_VERIFY(!file->isVisible());
    QCoreApplication::processEvents();
    QTest::keyClick(m_window->menuBar(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), entry);
    QCOMPARE(arrival->dateEntry(), entry);
    QCOMPARE(entry->text(), QStringLiteral("14.03"));
    QTest::keyClicks(entry, QStringLiteral(".2016"));
    QTest::keyClick(entry, Qt::Key_Return);
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 14));
    QVERIFY(arrival->dateEntry() == nullptr);
}

void MainWindowTest::typedCountPicksThatCount()
{
    QApplication::setKeyboardInputInterval(150);
    QComboBox *adults = selector("Anz_Erwachsene");
    const auto typeAfterAPause = [&](const QString &digits) {
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
        QTest::keyClicks(adults, digits);
    };
    adults->setFocus();
    typeAfterAPause(QStringLiteral("15"));
    QCOMPARE(adults->currentText(), QStringLiteral("15"));
    typeAfterAPause(QStringLiteral("3"));
    QCOMPARE(adults->currentText(), QStringLiteral("3"));
    QCOMPARE(
        text("Summe_Erwachsene"), test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 15}, 3));
    typeAfterAPause(QStringLiteral("2"));
    typeAfterAPause(QStringLiteral("2"));
    QCOMPARE(adults->currentText(), QStringLiteral("2"));
    // Letters pick nothing.
    typeAfterAPause(QStringLiteral("x"));
    QCOMPARE(adults->currentText(), QStringLiteral("2"));
    // In the open list a typed number marks its item; Enter picks it.
    QTest::keyClick(adults, Qt::Key_Space);
    QTRY_VERIFY(adults->view()->isVisible());
    QTest::keyClicks(adults->view(), QStringLiteral("12"));
    QTest::keyClick(adults->view(), Qt::Key_Return);
    QTRY_VERIFY(!adults->view()->isVisible());
    QCOMPARE(adults->currentText(), QStringLiteral("12"));
    QCOMPARE(text("End_Summe_Gesamt"), text("Summe_Erwachsene"));
    QApplication::setKeyboardInputInterval(400);
}

void MainWindowTest::theOpenListTakesReturnAndEscWithTheirTexts()
{
    // Return and Esc come with the texts the X server gives them ("\r", "\x1b"): the open list
    // still takes them as the list's own keys.
    QComboBox *adults = selector("Anz_Erwachsene");
    adults->setFocus();
    QTest::keyClick(adults, Qt::Key_Space);
    QTRY_VERIFY(adults->view()->isVisible());
    QTest::keyClick(adults->view(), Qt::Key_Down);
    QTest::keyClick(adults->view(), Qt::Key_Down);
    QTest::sendKeyEvent(QTest::Click, adults->view(), Qt::Key_Return, QStringLiteral("\r"), Qt::NoModifier);
    QTRY_VERIFY(!adults->view()->isVisible());
    QCOMPARE(adults->currentText(), QStringLiteral("2"));
    QCOMPARE(text("End_Summe_Gesamt"), text("Summe_Erwachsene"));
    QVERIFY(text("End_Summe_Gesamt") != QLatin1String("0,00"));

    QTest::keyClick(adults, Qt::Key_Space);
    QTRY_VERIFY(adults->view()->isVisible());
    QTest::keyClick(adults->view(), Qt::Key_Down);
    QTest::sendKeyEvent(QTest::Click, adults->view(), Qt::Key_Escape, QStringLiteral("\x1b"), Qt::NoModifier);
    QTRY_VERIFY(!adults->view()->isVisible());
    QCOMPARE(adults->currentText(), QStringLiteral("2"));

    // On the closed selector they go on to the window, as Space opens the list.
    QStringList reachedTheWindow;
    KeyWatcher watcher{&reachedTheWindow};
    adults->parentWidget()->installEventFilter(&watcher);
    const std::pair<Qt::Key, QString> passed[] = {{Qt::Key_Return, QStringLiteral("\r")},
        {Qt::Key_Enter, QStringLiteral("\r")}, {Qt::Key_Escape, QStringLiteral("\x1b")}};
    for (const auto &[key, keyText] : passed)
        QTest::sendKeyEvent(QTest::Click, adults, key, keyText, Qt::NoModifier);
    QCOMPARE(reachedTheWindow, (QStringList{QStringLiteral("\r"), QStringLiteral("\r"), QStringLiteral("\x1b")}));
    QVERIFY(!adults->view()->isVisible());
    QCOMPARE(adults->currentText(), QStringLiteral("2"));
}

void MainWindowTest::aTypedNumberAboveTheMaximumChangesNothing_data()
{
    QTest::addColumn<QString>("selectorName");
    QTest::addColumn<int>("countBefore");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("countAfter");
    QTest::newRow("35 adults of 30") << QStringLiteral("Anz_Erwachsene") << 0 << QStringLiteral("35") << 0;
    QTest::newRow("35 adults of 30, two before") << QStringLiteral("Anz_Erwachsene") << 2 << QStringLiteral("35") << 2;
    QTest::newRow("12 children of 10") << QStringLiteral("Anz_Kind") << 0 << QStringLiteral("12") << 0;
    QTest::newRow("12 children of 10, four before")
        << QStringLiteral("Anz_Kind_Schwer") << 4 << QStringLiteral("12") << 4;
    QTest::newRow("30 adults, the maximum") << QStringLiteral("Anz_Erwachsene") << 2 << QStringLiteral("30") << 30;
    QTest::newRow("10 children, the maximum") << QStringLiteral("Anz_Kind") << 2 << QStringLiteral("10") << 10;
    QTest::newRow("0 takes the count back") << QStringLiteral("Anz_Kind_Schwer") << 4 << QStringLiteral("0") << 0;
    // The third digit belongs to the number too: not 10 and then 0.
    QTest::newRow("100 adults of 30") << QStringLiteral("Anz_Erwachsene") << 1 << QStringLiteral("100") << 1;
    QTest::newRow("300 children of 10, seven before") << QStringLiteral("Anz_Kind") << 7 << QStringLiteral("300") << 7;
    QTest::newRow("a leading zero") << QStringLiteral("Anz_Kind") << 7 << QStringLiteral("03") << 3;
}

void MainWindowTest::aTypedNumberAboveTheMaximumChangesNothing()
{
    QFETCH(const QString, selectorName);
    QFETCH(const int, countBefore);
    QFETCH(const QString, typed);
    QFETCH(const int, countAfter);
    setStay(QDate{2016, 3, 14}, QDate{2016, 3, 18});
    auto *countSelector = m_window->control<QComboBox>(selectorName);
    const test::CategoryRow &row = *std::find_if(test::categoryRows().begin(), test::categoryRows().end(),
        [&](const test::CategoryRow &candidate) { return selectorName == QLatin1String(candidate.selector); });
    const auto sumFor = [&](int count) {
        return test::coreSum(row.category, QDate{2016, 3, 14}, QDate{2016, 3, 18}, count);
    };
    pickWithKeys(countSelector, countBefore);
    QCOMPARE(countSelector->currentText(), QString::number(countBefore));

    // The digits in quick succession, as one number; then the list opened and the same typed there.
    QApplication::setKeyboardInputInterval(10000);
    const auto restore = qScopeGuard([] { QApplication::setKeyboardInputInterval(400); });
    QTest::keyClick(countSelector, Qt::Key_Shift);
    QTest::keyClicks(countSelector, typed);
    QCOMPARE(countSelector->currentText(), QString::number(countAfter));
    QCOMPARE(text(row.sum), sumFor(countAfter));
    QCOMPARE(text("End_Summe_Gesamt"), sumFor(countAfter));

    QTest::keyClick(countSelector, Qt::Key_Space);
    QTRY_VERIFY(countSelector->view()->isVisible());
    QTest::keyClicks(countSelector->view(), typed);
    QCOMPARE(countSelector->view()->currentIndex().row(), countAfter);
    QTest::keyClick(countSelector->view(), Qt::Key_Escape);
    QTRY_VERIFY(!countSelector->view()->isVisible());
    QCOMPARE(countSelector->currentText(), QString::number(countAfter));
}

void MainWindowTest::returnAndEnterPressAFocusedButton()
{
    // The window's own handlers open the hints and the printer dialog; here only the press counts.
    for (const char *name : {"cmdAnAbreise", "cmdKinderKB", "cmdSchwer", "cmdPrint"}) {
        auto *button = m_window->control<QPushButton>(QString::fromLatin1(name));
        button->disconnect(m_window.get());
        QSignalSpy pressed{button, &QAbstractButton::clicked};
        button->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), button);
        QTest::keyClick(button, Qt::Key_Return);
        QCOMPARE(pressed.size(), 1);
        QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(pressed.size(), 2);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(pressed.size(), 3);
        QCOMPARE(QApplication::focusWidget(), button);
    }
}

void MainWindowTest::departureOnTheArrivalDayGivesNoNights()
{
    clickDay(departureCalendar(), QDate{2016, 3, 14});
    QCOMPARE(text("Tage_Kind"), QStringLiteral("0"));
    QVERIFY(
        m_window->statusText().endsWith(QStringLiteral(" - Der Kurbeitrag wird für 0 Übernachtung(en) berechnet.")));
    pickWithKeys(selector("Anz_Erwachsene"), 5);
    QCOMPARE(text("Summe_Erwachsene"), QStringLiteral("0,00"));
}

void MainWindowTest::arrivalClickResetsEverything()
{
    setStay(QDate{2016, 7, 1}, QDate{2016, 7, 31});
    pickWithKeys(selector("Anz_Erwachsene"), 2);
    pickWithKeys(selector("Anz_Kind_Fremd"), 3);
    QCOMPARE(text("End_Summe_Gesamt"),
        test::coreTotal(
            QDate{2016, 7, 1}, QDate{2016, 7, 31}, {{PersonCategory::Erwachsene, 2}, {PersonCategory::Kind_Fremd, 3}}));

    // The counts go back to 0 from the second row down, the first row last, as the design
    // resets them.
    QStringList resetOrder;
    const QObject listening;
    for (const test::CategoryRow &row : test::categoryRows()) {
        connect(selector(row.selector), &QComboBox::currentIndexChanged, &listening,
            [&resetOrder, name = QString::fromLatin1(row.selector)] { resetOrder << name; });
    }
    clickDay(arrivalCalendar(), QDate{2015, 12, 31});
    QCOMPARE(resetOrder, (QStringList{QStringLiteral("Anz_Kind_Fremd"), QStringLiteral("Anz_Erwachsene")}));
    QCOMPARE(m_window->departure(), QDate(2016, 1, 1));
    QCOMPARE(text("Anreisedatum"), QStringLiteral("Do. 31.12.2015"));
    QCOMPARE(text("Abreisedatum"), QStringLiteral("Fr. 01.01.2016"));
    QCOMPARE(m_window->statusText(), QStringLiteral("Anreisetag = Do. 31.12.2015"));
    for (const test::CategoryRow &row : test::categoryRows()) {
        QCOMPARE(selector(row.selector)->currentText(), QStringLiteral("0"));
        QCOMPARE(text(row.sum), QStringLiteral("0,00"));
        QCOMPARE(text(row.nights), QStringLiteral("1"));
        QCOMPARE(m_window->control(QString::fromLatin1(row.sum))->toolTip(), QString{});
    }
    QCOMPARE(text("End_Summe_Gesamt"), QStringLiteral("0,00"));
}

void MainWindowTest::sameDayClickedAgainStillResets()
{
    setStay(QDate{2016, 7, 1}, QDate{2016, 7, 11});
    pickWithKeys(selector("Anz_Kind"), 1);
    QCOMPARE(text("Summe_Kind"), test::coreSum(PersonCategory::Kind, QDate{2016, 7, 1}, QDate{2016, 7, 11}, 1));
    clickDay(departureCalendar(), QDate{2016, 7, 11});
    QCOMPARE(text("Summe_Kind"), QStringLiteral("0,00"));
    QCOMPARE(selector("Anz_Kind")->currentText(), QStringLiteral("0"));
    QCOMPARE(text("Tage_Kind"), QStringLiteral("10"));
}

void MainWindowTest::keyboardDateChangeRunsTheSameOperation()
{
    setStay(QDate{2016, 3, 14}, QDate{2016, 3, 24});
    QTableView *view = test::calendarView(arrivalCalendar());
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 15));
    QCOMPARE(m_window->departure(), QDate(2016, 3, 16));
    QCOMPARE(text("Anreisedatum"), QStringLiteral("Di. 15.03.2016"));
    QCOMPARE(m_window->statusText(), QStringLiteral("Anreisetag = Di. 15.03.2016"));

    QTableView *departureView = test::calendarView(departureCalendar());
    departureView->setFocus();
    QTest::keyClick(departureView, Qt::Key_Down);
    QCOMPARE(m_window->departure(), QDate(2016, 3, 23));
    QCOMPARE(text("Tage_Erwachsene"), QStringLiteral("8"));
}

void MainWindowTest::categorySums_data()
{
    QTest::addColumn<QDate>("arrival");
    QTest::addColumn<QDate>("departure");
    QTest::addColumn<QString>("selectorName");
    QTest::addColumn<QString>("sumName");
    QTest::addColumn<int>("count");

    QTest::newRow("adults, main season capped") << QDate{2016, 7, 1} << QDate{2016, 7, 30} << "Anz_Erwachsene"
                                                << "Summe_Erwachsene" << 4;
    QTest::newRow("adults across the tariff change") << QDate{2015, 12, 1} << QDate{2016, 1, 10} << "Anz_Erwachsene"
                                                     << "Summe_Erwachsene" << 2;
    QTest::newRow("disabled adults") << QDate{2016, 3, 14} << QDate{2016, 3, 18} << "Anz_Erw_Schwer"
                                     << "Summe_Erw_Schwer" << 2;
    QTest::newRow("student") << QDate{2016, 7, 10} << QDate{2016, 7, 17} << "Anz_Student"
                             << "Summe_Student" << 1;
    QTest::newRow("students, year-turn rule") << QDate{2016, 11, 1} << QDate{2017, 1, 10} << "Anz_Student"
                                              << "Summe_Student" << 1;
    QTest::newRow("family children") << QDate{2016, 11, 1} << QDate{2017, 1, 10} << "Anz_Kind"
                                     << "Summe_Kind" << 2;
    QTest::newRow("disabled children") << QDate{2016, 7, 1} << QDate{2016, 7, 31} << "Anz_Kind_Schwer"
                                       << "Summe_Kind_Schwer" << 3;
    QTest::newRow("other children") << QDate{2016, 7, 1} << QDate{2016, 7, 31} << "Anz_Kind_Fremd"
                                    << "Summe_Kind_Fremd" << 3;
}

void MainWindowTest::categorySums()
{
    QFETCH(QDate, arrival);
    QFETCH(QDate, departure);
    QFETCH(QString, selectorName);
    QFETCH(QString, sumName);
    QFETCH(int, count);

    setStay(arrival, departure);
    auto *box = m_window->control<QComboBox>(selectorName);
    pickWithMouse(box, count);
    QCOMPARE(box->currentText(), QString::number(count));
    const auto *const row = std::find_if(test::categoryRows().begin(), test::categoryRows().end(),
        [&](const test::CategoryRow &candidate) { return selectorName == QLatin1String(candidate.selector); });
    QVERIFY(row != test::categoryRows().end());
    const QString sum = test::coreSum(row->category, arrival, departure, count);
    QCOMPARE(m_window->control<QLabel>(sumName)->text(), sum);
    QCOMPARE(text("End_Summe_Gesamt"), sum);
}

void MainWindowTest::countPickedByArrowKey()
{
    clickDay(departureCalendar(), QDate{2016, 3, 18});
    QComboBox *adults = selector("Anz_Erwachsene");
    adults->setFocus();
    QTest::keyClick(adults, Qt::Key_Down);
    QTest::keyClick(adults, Qt::Key_Down);
    QCOMPARE(adults->currentText(), QStringLiteral("2"));
    QCOMPARE(
        text("Summe_Erwachsene"), test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 2));
    QTest::keyClick(adults, Qt::Key_Up);
    QCOMPARE(
        text("Summe_Erwachsene"), test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 1));
    QCOMPARE(text("End_Summe_Gesamt"),
        test::coreTotal(QDate{2016, 3, 14}, QDate{2016, 3, 18}, {{PersonCategory::Erwachsene, 1}}));
}

void MainWindowTest::totalAddsAllSixSums()
{
    clickDay(departureCalendar(), QDate{2016, 3, 18});
    pickWithKeys(selector("Anz_Erwachsene"), 2);
    pickWithKeys(selector("Anz_Erw_Schwer"), 2);
    QCOMPARE(text("End_Summe_Gesamt"),
        test::coreTotal(QDate{2016, 3, 14}, QDate{2016, 3, 18},
            {{PersonCategory::Erwachsene, 2}, {PersonCategory::Erw_Schwer, 2}}));
    pickWithKeys(selector("Anz_Erwachsene"), 0);
    QCOMPARE(text("Summe_Erwachsene"), QStringLiteral("0,00"));
    QCOMPARE(text("End_Summe_Gesamt"),
        test::coreTotal(QDate{2016, 3, 14}, QDate{2016, 3, 18}, {{PersonCategory::Erw_Schwer, 2}}));
}

void MainWindowTest::sheetTakesWhatTheWindowShows()
{
    // Every row's count and sum as the window shows them, in the categories' order.
    clickDay(departureCalendar(), QDate{2016, 3, 18});
    int count = 1;
    for (const test::CategoryRow &row : test::categoryRows())
        pickWithKeys(selector(row.selector), count++);
    const print::SheetData sheet = m_window->sheetData();
    QCOMPARE(sheet.arrival, QDate(2016, 3, 14));
    QCOMPARE(sheet.departure, QDate(2016, 3, 18));
    for (std::size_t index = 0; index < kCategoryCount; ++index) {
        const test::CategoryRow &row = test::categoryRows().at(index);
        QCOMPARE(sheet.lines.at(index).count, static_cast<int>(index + 1));
        QCOMPARE(QString::fromStdString(formatMoney(sheet.lines.at(index).sum)), text(row.sum));
    }
    QCOMPARE(QString::fromStdString(formatMoney(sheet.total)), text("End_Summe_Gesamt"));
}

void MainWindowTest::aSecondShowLeavesTheFocusWhereItWas()
{
    // The window takes the focus to the first count once, when it first shows; shown again
    // (after being minimised, say), the focus stays where the user left it.
    QTableView *days = test::calendarView(arrivalCalendar());
    days->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(days->hasFocus());
    m_window->hide();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::qWait(20);
    QCOMPARE(m_window->focusWidget(), days);
}

void MainWindowTest::sumTooltipExplainsTheFigure()
{
    setStay(QDate{2016, 11, 1}, QDate{2017, 1, 10});
    pickWithKeys(selector("Anz_Kind"), 2);
    const QString tip = m_window->control(QStringLiteral("Summe_Kind"))->toolTip();
    QVERIFY2(tip.contains(QStringLiteral("60 Nächte Nachsaison")), qPrintable(tip));
    QVERIFY2(tip.contains(QStringLiteral("× 2 Personen")), qPrintable(tip));
    QVERIFY2(tip.contains(QStringLiteral("Jahreswechsel")), qPrintable(tip));
    QVERIFY2(tip.contains(QStringLiteral("Nur ein Kind")), qPrintable(tip));
    QVERIFY2(
        tip.endsWith(QStringLiteral("Summe: ")
            + test::coreSum(PersonCategory::Kind, QDate{2016, 11, 1}, QDate{2017, 1, 10}, 2) + QStringLiteral(" €")),
        qPrintable(tip));
}

void MainWindowTest::statusTextSurvivesOpeningAMenu()
{
    clickDay(departureCalendar(), QDate{2016, 3, 18});
    const QString status = m_window->statusText();
    auto *menu = m_window->findChild<QMenu *>(QStringLiteral("mnuView"));
    QVERIFY(menu);
    menu->popup(QPoint{10, 10});
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    m_window->menuBar()->setActiveAction(menu->menuAction());
    QTest::qWait(20);
    QCOMPARE(m_window->statusText(), status);
    auto *label = m_window->findChild<QLabel *>(QStringLiteral("sbStatusBarText"));
    QVERIFY(label->isVisible());
    menu->close();
    QCOMPARE(m_window->statusText(), status);
}

void MainWindowTest::tabOrder()
{
    // The count selectors in the categories' order, then the calendars and the buttons.
    QStringList expected;
    for (const CategoryRules &rules : kCategories)
        expected << QString::fromStdString(rowNames(rules.category).selector);
    expected << QStringLiteral("Anreise") << QStringLiteral("Abreise") << QStringLiteral("cmdAnAbreise")
             << QStringLiteral("cmdKinderKB") << QStringLiteral("cmdSchwer") << QStringLiteral("cmdPrint");
    m_window->control<QComboBox>(expected.first())->setFocus();
    for (const QString &name : expected) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        // A calendar takes the focus in its day table; name the calendar that holds it.
        while (focus && focus->objectName().startsWith(QStringLiteral("qt_")))
            focus = focus->parentWidget();
        QCOMPARE(focus->objectName(), name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

void MainWindowTest::accessibleNamesAndValues()
{
    clickDay(departureCalendar(), QDate{2016, 3, 18});
    pickWithKeys(selector("Anz_Erwachsene"), 2);

    QAccessibleInterface *adults = QAccessible::queryAccessibleInterface(selector("Anz_Erwachsene"));
    QVERIFY(adults);
    QCOMPARE(adults->role(), QAccessible::ComboBox);
    QCOMPARE(adults->text(QAccessible::Value), QStringLiteral("2"));
    QCOMPARE(adults->text(QAccessible::Name), QStringLiteral("Anzahl Erwachsene"));
    QVERIFY(adults->text(QAccessible::Description)
                .startsWith(
                    QStringLiteral("Summe %1 €, Gesamt %1 €")
                        .arg(test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 2))));

    for (const test::CategoryRow &row : test::categoryRows()) {
        QAccessibleInterface *box = QAccessible::queryAccessibleInterface(selector(row.selector));
        QVERIFY(box->text(QAccessible::Name).startsWith(QStringLiteral("Anzahl ")));
        QAccessibleInterface *sum
            = QAccessible::queryAccessibleInterface(m_window->control(QString::fromLatin1(row.sum)));
        QCOMPARE(sum->text(QAccessible::Name), text(row.sum) + QStringLiteral(" €"));
        QVERIFY(sum->text(QAccessible::Description).startsWith(QStringLiteral("Summe ")));
        QAccessibleInterface *nights
            = QAccessible::queryAccessibleInterface(m_window->control(QString::fromLatin1(row.nights)));
        QCOMPARE(nights->text(QAccessible::Name), QStringLiteral("4 Nächte"));
        QVERIFY(nights->text(QAccessible::Description).startsWith(QStringLiteral("Nächte ")));
    }
    QAccessibleInterface *sum
        = QAccessible::queryAccessibleInterface(m_window->control(QStringLiteral("Summe_Erwachsene")));
    QCOMPARE(sum->text(QAccessible::Name),
        test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 2) + QStringLiteral(" €"));
    QVERIFY(sum->text(QAccessible::Description).startsWith(QStringLiteral("Summe Erwachsene\n")));
    QAccessibleInterface *total
        = QAccessible::queryAccessibleInterface(m_window->control(QStringLiteral("End_Summe_Gesamt")));
    QCOMPARE(total->text(QAccessible::Name),
        test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 2) + QStringLiteral(" €"));
    QVERIFY(!total->text(QAccessible::Description).isEmpty());

    for (MonthCalendar *calendar : {arrivalCalendar(), departureCalendar()}) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(calendar);
        QVERIFY(face->text(QAccessible::Name).endsWith(QStringLiteral("wählen")));
        QVERIFY(face->text(QAccessible::Description).contains(QStringLiteral(".03.2016")));
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(departureCalendar())->text(QAccessible::Description),
        QStringLiteral("Gewählt: Fr. 18.03.2016"));
    clickDay(departureCalendar(), QDate{2016, 3, 15});
    QCOMPARE(
        QAccessible::queryAccessibleInterface(m_window->control(QStringLiteral("Tage_Kind")))->text(QAccessible::Name),
        QStringLiteral("1 Nacht"));
}

void MainWindowTest::controlsStandAtTheirDesignPlaces()
{
    // The printer on its button at its drawn size, unscaled.
    auto *print = m_window->control<QPushButton>(QStringLiteral("cmdPrint"));
    QCOMPARE(print->iconSize(), QSize(16, 16));
    QCOMPARE(print->icon().availableSizes(), QList<QSize>{QSize(16, 16)});
    const bool designFacePresent
        = QFontInfo{QFont{QStringLiteral("Liberation Sans")}}.family() == QStringLiteral("Liberation Sans");
    for (const ControlSpec &spec : mainWindowDesign()) {
        QWidget *widget = m_window->control(QString::fromLatin1(spec.name));
        QVERIFY2(widget, spec.name);
        const QString parentName = QString::fromLatin1(spec.parent);
        QCOMPARE(
            widget->parentWidget()->objectName(), parentName.isEmpty() ? QStringLiteral("clientArea") : parentName);
        const QRect design = rectFromTwips(spec.left, spec.top, spec.width, spec.height);
        const bool isLine = spec.kind == ControlKind::DottedLine || spec.kind == ControlKind::SolidLine;
        if (isLine) {
            // A leader keeps its right end; where a wider face stands in, it starts after its caption.
            QCOMPARE(widget->geometry().right() + 1, twipsToPixels(spec.left + spec.width));
            QCOMPARE(widget->y(), design.top());
            if (designFacePresent)
                QCOMPARE(widget->x(), design.left());
            else
                QVERIFY(widget->x() >= design.left());
            continue;
        }
        QCOMPARE(widget->pos(), design.topLeft());
        if (!spec.autoSize)
            QCOMPARE(widget->size(), design.size());
    }
}

void MainWindowTest::figuresGrowIntoTheirRoomOnly()
{
    // A figure too wide for its box takes the room beside it, one pixel clear of its neighbours:
    // a sum grows to the left from its right edge, the total too; a nights figure grows both ways
    // and, wider than its room, keeps clear of "Nächte =".
    const QString tooWide = QString(60, u'8'); // wider than any room, even in the narrowest face
    const auto geometryOf = [this](const QString &name) { return m_window->control(name)->geometry(); };
    for (const CategoryRules &rules : kCategories) {
        const CategoryRowNames &names = rowNames(rules.category);
        const QRect times = geometryOf(QString::fromStdString(names.times));
        const QRect nightsWord = geometryOf(QString::fromStdString(names.nightsWord));
        auto *nights = m_window->control<FigureLabel>(QString::fromStdString(names.nights));
        auto *sum = m_window->control<FigureLabel>(QString::fromStdString(names.sum));
        QCOMPARE(nights->geometry(), nights->designRect());
        QCOMPARE(sum->geometry(), sum->designRect());

        nights->setFigure(tooWide);
        QCOMPARE(nights->geometry().right(), nightsWord.left() - 2);
        QVERIFY(nights->geometry().left() < nights->designRect().left());
        sum->setFigure(tooWide);
        QCOMPARE(sum->geometry().left(), nightsWord.right() + 2);
        QCOMPARE(sum->geometry().right(), sum->designRect().right());
        // A little wider than the box: centred on it, clear of the "x".
        nights->setFigure(QStringLiteral("8888"));
        QVERIFY2(nights->width() >= nights->designRect().width() + 4, qPrintable(QString::number(nights->width())));
        QVERIFY(nights->width() < nightsWord.left() - times.right() - 3);
        QVERIFY(qAbs(nights->geometry().center().x() - nights->designRect().center().x()) <= 1);
        QVERIFY(nights->geometry().left() >= times.right() + 2);
        nights->setFigure(QStringLiteral("1"));
        QCOMPARE(nights->geometry(), nights->designRect());
    }
    auto *total = m_window->control<FigureLabel>(QStringLiteral("End_Summe_Gesamt"));
    total->setFigure(tooWide + tooWide);
    QCOMPARE(total->geometry().left(), 3);
    QCOMPARE(total->geometry().right(), total->designRect().right());
}

void MainWindowTest::widestFiguresAreExactAndGiveBackTheirRoom()
{
    setStay(QDate{2001, 1, 1}, QDate{2030, 12, 31});
    for (const test::CategoryRow &row : test::categoryRows())
        pickWithKeys(selector(row.selector), rulesOf(row.category).maxCount);
    QCOMPARE(text("Tage_Erwachsene"), QStringLiteral("10956"));
    std::vector<std::pair<PersonCategory, int>> counts;
    counts.reserve(kCategories.size());
    for (const CategoryRules &rules : kCategories)
        counts.emplace_back(rules.category, rules.maxCount);
    const QDate first{2001, 1, 1};
    const QDate last{2030, 12, 31};
    QCOMPARE(text("Summe_Kind_Fremd"),
        test::coreSum(PersonCategory::Kind_Fremd, first, last, rulesOf(PersonCategory::Kind_Fremd).maxCount));
    QCOMPARE(text("End_Summe_Gesamt"), test::coreTotal(first, last, counts));
    if (const QString folder = qEnvironmentVariable("SALVENOR_SCREENSHOT_DIR"); !folder.isEmpty())
        m_window->grab().save(folder + QStringLiteral("/widest-figures.png"));

    // That every figure fits and keeps clear of its neighbours is tests/gui/design_invariants_test's.
    // The calendars now show January and December: every month name stands whole.
    for (MonthCalendar *calendar : {arrivalCalendar(), departureCalendar()}) {
        auto *month = calendar->findChild<QWidget *>(QStringLiteral("qt_calendar_monthbutton"));
        QVERIFY(month->width() >= month->sizeHint().width());
    }
    // Back to small figures, the labels return to their design boxes and face.
    clickDay(departureCalendar(), QDate{2001, 1, 5});
    auto *total = m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"));
    QCOMPARE(total->geometry(), rectFromTwips(450, 360, 1575, 495));
    QCOMPARE(total->font().family(), QStringLiteral("Liberation Sans"));
}

void MainWindowTest::calendarHeadersAndDaysAreWhole()
{
    // The item delegate elides a text that does not fit between its margins.
    for (MonthCalendar *calendar : {arrivalCalendar(), departureCalendar()}) {
        QTableView *view = test::calendarView(calendar);
        const QStringList elided = test::elidedCalendarTexts(calendar);
        QVERIFY2(elided.isEmpty(), qPrintable(elided.join(QStringLiteral(", "))));
        const QFontMetrics headerMetrics{calendar->headerTextFormat().font()};
        const QFontMetrics dayMetrics{view->font()};
        QAbstractItemModel *model = view->model();
        QVERIFY(headerMetrics.height() <= view->rowHeight(0));
        for (int row = 1; row < model->rowCount(); ++row)
            QVERIFY2(dayMetrics.height() <= view->rowHeight(row), qPrintable(QString::number(view->rowHeight(row))));
    }
}

void MainWindowTest::captionsStayClearOfTheirLeaders()
{
    auto *frame = m_window->control(QStringLiteral("Berechnung"));
    const auto leaders = frame->findChildren<LineWidget *>(QString{}, Qt::FindDirectChildrenOnly);
    QCOMPARE(leaders.size(), static_cast<qsizetype>(kCategoryCount));
    for (const LineWidget *leader : leaders) {
        QVERIFY(leader->width() > 10);
        // A leader that starts later still ends where the design ends it, at its "x".
        const auto spec = std::find_if(mainWindowDesign().begin(), mainWindowDesign().end(),
            [leader](const ControlSpec &candidate) { return leader->objectName() == QLatin1String(candidate.name); });
        QVERIFY(spec != mainWindowDesign().end());
        QCOMPARE(leader->geometry().right() + 1, twipsToPixels(spec->left + spec->width));
        for (const QLabel *caption : frame->findChildren<QLabel *>(QString{}, Qt::FindDirectChildrenOnly)) {
            const QRect box = caption->geometry();
            if (box.left() >= leader->x() || box.top() > leader->y() || box.bottom() < leader->y())
                continue;
            const int textRight = box.left() + caption->fontMetrics().horizontalAdvance(caption->text());
            QVERIFY2(textRight < leader->x() && box.right() < leader->x(),
                qPrintable(QStringLiteral("%1 ends at %2, %3 starts at %4")
                               .arg(caption->objectName())
                               .arg(textRight)
                               .arg(leader->objectName())
                               .arg(leader->x())));
        }
    }
}

void MainWindowTest::darkDesktopKeepsEveryTextReadable()
{
    const QPalette before = QApplication::palette();
    QPalette dark;
    for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base, QPalette::AlternateBase})
        dark.setColor(role, QColor{32, 32, 36});
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text, QPalette::BrightText})
        dark.setColor(role, QColor{230, 230, 230});
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });

    MainWindow window;
    window.load(QDate{2016, 3, 14});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickDay(window.control<MonthCalendar>(QStringLiteral("Abreise")), QDate{2016, 3, 18});
    pickWithKeys(window.control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 2);
    const test::ReadabilityCheck check = test::checkTextsReadable(&window);
    QVERIFY2(check.faults.isEmpty(), qPrintable(check.faults.join(QLatin1Char('\n'))));
    QVERIFY(check.checked > 40);

    // The scheme changes while the window is open: a platform theme sets the application's
    // palette anew.
    QApplication::setPalette(test::darkDesktopPalette());
    QCoreApplication::processEvents();
    const test::ReadabilityCheck after = test::checkTextsReadable(&window);
    QVERIFY2(after.faults.isEmpty(), qPrintable(after.faults.join(QLatin1Char('\n'))));
    QCOMPARE(after.checked, check.checked);
}

void MainWindowTest::everyReachableObjectHasAGermanName()
{
    // Walks the accessibility tree as a screen reader does: every object that shows, takes the
    // focus or can be acted on has a name; decorations are hidden.
    QStringList unnamed;
    std::function<void(QAccessibleInterface *, const QString &)> walk = [&](QAccessibleInterface *node,
                                                                            const QString &path) {
        const QAccessible::State state = node->state();
        const QString name = node->text(QAccessible::Name).trimmed();
        const bool actionable = node->actionInterface() != nullptr && !node->actionInterface()->actionNames().isEmpty();
        const bool matters = !state.invisible
            && (state.focusable || actionable || node->role() == QAccessible::StaticText
                || node->role() == QAccessible::Grouping);
        const QString here = path + QLatin1Char('/')
            + (node->object() != nullptr ? node->object()->objectName() : QStringLiteral("·"));
        if (matters && name.isEmpty() && node->role() != QAccessible::Client && node->role() != QAccessible::Pane)
            unnamed << here + QStringLiteral(" (role %1)").arg(node->role());
        if (node->text(QAccessible::Name) != name)
            unnamed << here + QStringLiteral(" has stray blanks: \"%1\"").arg(node->text(QAccessible::Name));
        for (int i = 0; i < node->childCount(); ++i) {
            if (QAccessibleInterface *child = node->child(i))
                walk(child, here);
        }
    };
    walk(QAccessible::queryAccessibleInterface(m_window.get()), QString{});
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char('\n'))));

    const auto nameOf
        = [](QObject *object) { return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name); };
    QCOMPARE(nameOf(m_window->control(QStringLiteral("Frame_Anreise"))), QStringLiteral("Anreise"));
    QCOMPARE(nameOf(m_window->control(QStringLiteral("Anreisetag"))), QStringLiteral("Anreise am"));
    QCOMPARE(nameOf(arrivalCalendar()->findChild<QWidget *>(QStringLiteral("qt_calendar_prevmonth"))),
        QStringLiteral("Vorheriger Monat"));
    QCOMPARE(nameOf(arrivalCalendar()->findChild<QWidget *>(QStringLiteral("qt_calendar_nextmonth"))),
        QStringLiteral("Nächster Monat"));
    for (LineWidget *leader : m_window->findChildren<LineWidget *>()) {
        QAccessibleInterface *line = QAccessible::queryAccessibleInterface(leader);
        QVERIFY(line->state().invisible);
        QVERIFY(!line->state().focusable);
        QVERIFY(line->text(QAccessible::Name).isEmpty());
    }
}

void MainWindowTest::frameBordersRunThroughTheirCaptions()
{
    const auto frames = m_window->findChildren<QGroupBox *>();
    QVERIFY(frames.size() >= 7);
    for (QGroupBox *frame : frames) {
        if (frame->title().isEmpty())
            continue;
        const QImage image = frame->grab().toImage();
        const qreal scale = frame->devicePixelRatioF();
        // The top border, found where no caption stands: near the frame's right end.
        const int x = image.width() - static_cast<int>(6 * scale);
        const QRgb face = image.pixel(x, 0);
        int border = -1;
        for (int y = 0; y < image.height() && border < 0; ++y) {
            if (image.pixel(x, y) != face)
                border = static_cast<int>(y / scale);
        }
        const int captionMiddle = QFontMetrics{frame->font()}.height() / 2;
        QVERIFY2(border >= 0 && std::abs(border - captionMiddle) <= 2,
            qPrintable(QStringLiteral("%1: border at %2, caption's middle at %3")
                           .arg(frame->objectName())
                           .arg(border)
                           .arg(captionMiddle)));
        // Nothing inside touches the border.
        for (const QWidget *child : frame->findChildren<QWidget *>(QString{}, Qt::FindDirectChildrenOnly)) {
            if (child->isVisible())
                QVERIFY2(child->y() > border + 1,
                    qPrintable(QStringLiteral("%1 at %2 in %3, border at %4")
                                   .arg(child->objectName())
                                   .arg(child->y())
                                   .arg(frame->objectName())
                                   .arg(border)));
        }
    }
}

void MainWindowTest::checkConsistent(const QString &context)
{
    const QDate arrival = m_window->arrival();
    const QDate departure = m_window->departure();
    QVERIFY2(departure >= arrival, qPrintable(context));
    const QString nights = QString::number(arrival.daysTo(departure));
    std::vector<std::pair<PersonCategory, int>> counts;
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        const test::CategoryRow &row = test::categoryRows().at(i);
        QCOMPARE(text(row.nights), nights);
        const int count = selector(row.selector)->currentText().toInt();
        counts.emplace_back(row.category, count);
        QVERIFY2(text(row.sum) == test::coreSum(row.category, arrival, departure, count),
            qPrintable(context + QLatin1Char(' ') + row.sum));
    }
    QCOMPARE(text("End_Summe_Gesamt"), test::coreTotal(arrival, departure, counts));
    QCOMPARE(text("Anreisedatum"), QString::fromStdString(dayText(toCoreDate(arrival))));
    QCOMPARE(text("Abreisedatum"), QString::fromStdString(dayText(toCoreDate(departure))));
}

void MainWindowTest::randomStep(QRandomGenerator &random)
{
    static const Qt::Key calendarKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp,
        Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
    static const Qt::KeyboardModifiers modifiers[]
        = {Qt::NoModifier, Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier};
    const auto anyModifier = [&] { return modifiers[random.bounded(static_cast<int>(std::size(modifiers)))]; };
    const auto anyCalendar
        = [&]() -> MonthCalendar * { return random.bounded(2) ? arrivalCalendar() : departureCalendar(); };
    const auto anyRow = [&]() -> const test::CategoryRow & {
        return test::categoryRows().at(static_cast<std::size_t>(random.bounded(static_cast<int>(kCategoryCount))));
    };
    const QDate first{2001, 1, 1};

    switch (random.bounded(14)) {
    case 0:
    case 1:
    case 2: {
        // A day near the current stay, sometimes anywhere in the range.
        MonthCalendar *calendar = anyCalendar();
        const QDate base = random.bounded(8) ? m_window->arrival() : first.addDays(random.bounded(10950));
        const QDate day
            = std::clamp(base.addDays(random.bounded(-40, 80)), calendar->minimumDate(), calendar->maximumDate());
        clickDay(calendar, day);
        break;
    }
    case 3:
    case 4: {
        QTableView *view = test::calendarView(anyCalendar());
        view->setFocus();
        QTest::keyClick(view, calendarKeys[random.bounded(static_cast<int>(std::size(calendarKeys)))], anyModifier());
        break;
    }
    case 5: {
        // A date typed into a calendar: confirmed, dropped, or left open.
        MonthCalendar *calendar = anyCalendar();
        QTableView *view = test::calendarView(calendar);
        const QDate day = calendar->minimumDate().addDays(random.bounded(10958));
        const QString typed
            = random.bounded(4) ? day.toString(QStringLiteral("d.M.yyyy")) : QString::number(random.bounded(1, 100000));
        view->setFocus();
        QTest::keyClick(view, typed.at(0).toLatin1());
        if (calendar->dateEntry() == nullptr)
            break;
        QTest::keyClicks(calendar->dateEntry(), typed.mid(1));
        const int ending = random.bounded(3);
        if (ending == 0)
            QTest::keyClick(calendar->dateEntry(), Qt::Key_Return);
        if (ending == 1 && calendar->dateEntry() != nullptr)
            QTest::keyClick(calendar->dateEntry(), Qt::Key_Escape);
        break;
    }
    case 6: {
        MonthCalendar *calendar = anyCalendar();
        const char *button = random.bounded(2) ? "qt_calendar_prevmonth" : "qt_calendar_nextmonth";
        QTest::mouseClick(calendar->findChild<QToolButton *>(QString::fromLatin1(button)), Qt::LeftButton);
        break;
    }
    case 7: {
        QComboBox *box = selector(anyRow().selector);
        const QPoint centre = box->rect().center();
        QWheelEvent wheel{centre, box->mapToGlobal(centre), QPoint{}, QPoint{0, random.bounded(2) ? 120 : -120},
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false};
        QApplication::sendEvent(box, &wheel);
        break;
    }
    case 8:
    case 9:
    case 10: {
        const test::CategoryRow &row = anyRow();
        pickWithKeys(selector(row.selector), random.bounded(rulesOf(row.category).maxCount + 1));
        break;
    }
    case 11: {
        QComboBox *box = selector(anyRow().selector);
        box->setFocus();
        QTest::keyClick(box, random.bounded(2) ? Qt::Key_Down : Qt::Key_Up, anyModifier());
        if (box->view()->isVisible())
            QTest::keyClick(box->view(), Qt::Key_Escape);
        QTRY_VERIFY(!box->view()->isVisible());
        break;
    }
    case 12: {
        // A hint window or the about window; the run's closer shuts it after a while.
        const char *buttons[] = {"cmdAnAbreise", "cmdKinderKB", "cmdSchwer"};
        const int which = random.bounded(4);
        if (which == 3)
            m_window->aboutAction()->trigger();
        else
            QTest::mouseClick(m_window->control<QPushButton>(QString::fromLatin1(buttons[which])), Qt::LeftButton);
        break;
    }
    default: {
        // A modifier pressed and released on its own.
        QWidget *target = random.bounded(2) ? static_cast<QWidget *>(test::calendarView(anyCalendar()))
                                            : selector(anyRow().selector);
        target->setFocus();
        const Qt::Key modifierKeys[] = {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt};
        QTest::keyClick(target, modifierKeys[random.bounded(3)]);
        break;
    }
    }
}

void MainWindowTest::randomEventsKeepTheWindowConsistent()
{
    // SALVENOR_RANDOM_STEPS sets a longer run (the slow tests take 150000 steps).
    const int steps = qEnvironmentVariableIsSet("SALVENOR_RANDOM_STEPS")
        ? qEnvironmentVariableIntValue("SALVENOR_RANDOM_STEPS")
        : 2500;
    const quint32 seed = qEnvironmentVariableIsSet("SALVENOR_RANDOM_SEED")
        ? static_cast<quint32>(qEnvironmentVariableIntValue("SALVENOR_RANDOM_SEED"))
        : 20161231U;
    // How long a window that a step opens may stay open.
    constexpr int kOpenWindowMs = 15;
    QRandomGenerator random{seed};

    // Whatever window a step opens (the warning, a hint, the about window; also one that a typed
    // date opens later) stays open for a while, so that typed dates fall due meanwhile, and is
    // then closed as a user would: OK on the warning, Esc on the others.
    QPointer<QWidget> openWindow;
    QElapsedTimer openSince;
    int openFor = 0;
    QTimer closer;
    closer.setInterval(2);
    connect(&closer, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        if (modal != openWindow) {
            openWindow = modal;
            openSince.start();
            openFor = random.bounded(3) == 0 ? random.bounded(2 * kOpenWindowMs + 1) : 0;
            return;
        }
        if (openSince.elapsed() < openFor)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            box->button(QMessageBox::Ok)->click();
        else
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    closer.start();
    // The guard keeps the program alive, but no step may need it.
    QStringList stopped;
    connect(qobject_cast<GuardedApplication *>(QCoreApplication::instance()), &GuardedApplication::exceptionStopped,
        &closer, [&](const QString &what) { stopped << what; });

    for (int step = 0; step < steps; ++step) {
        randomStep(random);
        QVERIFY2(stopped.isEmpty(),
            qPrintable(QStringLiteral("step %1: %2").arg(step).arg(stopped.join(QStringLiteral("; ")))));
        checkConsistent(QStringLiteral("step %1").arg(step));
        if (QTest::currentTestFailed())
            return;
        // Nothing stays open between steps.
        QVERIFY2(QApplication::activeModalWidget() == nullptr, qPrintable(QStringLiteral("step %1").arg(step)));
    }
}

// The program's own application object: the random run fails on any exception it stops.
int main(int argc, char *argv[])
{
    GuardedApplication app{argc, argv};
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
