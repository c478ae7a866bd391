#include "main_window.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>

#include "app/guarded_application.h"
#include "app/main_window_design.h"
#include "app/qt_conversions.h"
#include "app/resource_captions.h"
#include "app/window_settings.h"
#include "core/contribution.h"
#include "core/explanation.h"
#include "print/print_job.h"
#include "print/print_run.h"
#include "resources/product_info.h"
#include "resources/version_info.h"
#include "windows/about_window.h"
#include "windows/accessibility.h"
#include "windows/application_icon.h"
#include "windows/figure_label.h"
#include "windows/fonts.h"
#include "windows/line_widget.h"
#include "windows/month_calendar.h"
#include "windows/placement.h"
#include "windows/splash_window.h"
#include "windows/tip_window.h"

namespace salvenor::ui {

namespace {

// The states in which the window's frame is no placement of its own to keep.
constexpr Qt::WindowStates kResizedStates = Qt::WindowMaximized | Qt::WindowFullScreen;
constexpr Qt::WindowStates kNotItsPlacement = Qt::WindowMinimized | kResizedStates;

constexpr const char *kInitialNotice
    = "Salvenor 2016 - Kurbeitragsrechner der Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH";

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setPalette(designPalette());
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    // The title keeps the design's blanks; a screen reader reads it without them.
    setAccessibleName(QString::fromUtf8(kWindowTitle).simplified());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(applicationIcon());

    createClientArea();
    showPictures(m_ui);
    createCountSelectors();
    createCalendars();
    createStatusBar();
    createMenus();
    describeForScreenReaders();
    setTabOrder();
    connectActions();
    setFixedSize(sizeHint());
    QCoreApplication::instance()->installEventFilter(this);
    if (auto *guard = qobject_cast<GuardedApplication *>(QCoreApplication::instance()))
        connect(guard, &GuardedApplication::exceptionStopped, this, &MainWindow::restoreConsistentState);
}

MainWindow::~MainWindow() = default;

void MainWindow::createClientArea()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(twipsToPixels(kMainClientWidth), twipsToPixels(mainClientHeight()));
    setCentralWidget(client);
    m_controls = buildControls(client, mainWindowDesign());
    m_ui = resolveMainWindowControls(m_controls);

    giveFiguresTheirRoom();
}

void MainWindow::giveFiguresTheirRoom()
{
    // A figure wider than its box grows into the free room beside it, one pixel clear of its
    // neighbours.
    const auto rightEdgeOf = [](const QWidget *neighbour) { return neighbour->geometry().right() + 2; };
    const auto leftEdgeOf = [](const QWidget *neighbour) { return neighbour->geometry().left() - 1; };
    for (const MainWindowControls::CategoryRow &row : m_ui.rows) {
        row.nights->setDesign(row.nights->designRect(), rightEdgeOf(row.times), leftEdgeOf(row.nightsWord));
        row.sum->setDesign(row.sum->designRect(), rightEdgeOf(row.nightsWord), row.sum->designRect().right() + 1);
    }
    m_ui.total->setDesign(m_ui.total->designRect(), 3, m_ui.total->designRect().right() + 1);
}

void MainWindow::createCountSelectors()
{
    offerCounts(m_ui);
    for (const CategoryRules &rules : kCategories) {
        QComboBox *selector = m_ui.rows.at(indexOf(rules.category)).selector;
        const PersonCategory category = rules.category;
        // `activated` comes from the user only (mouse, arrow keys, a typed digit), never from
        // the program's own resets.
        // The selector offers the counts from 0 up: the index picked is the count.
        connect(selector, &QComboBox::activated, this, [this, category](int count) { onCountPicked(category, count); });
    }
}

void MainWindow::createCalendars()
{
    m_ui.arrivalCalendar->setDateRange(toQDate(kFirstArrival), toQDate(kLastArrival));
    m_ui.departureCalendar->setDateRange(toQDate(kFirstDeparture), toQDate(kLastDeparture));
    connect(m_ui.arrivalCalendar, &MonthCalendar::dayChosen, this, &MainWindow::onArrivalChosen);
    connect(m_ui.departureCalendar, &MonthCalendar::dayChosen, this, &MainWindow::onDepartureChosen);
    for (MonthCalendar *calendar : {m_ui.arrivalCalendar, m_ui.departureCalendar}) {
        connect(calendar, &MonthCalendar::entryRefused, this, &MainWindow::setStatusText);
        // The entry keeps the focus; the reason is said as well as shown.
        connect(calendar, &MonthCalendar::entryRefused, this,
            [this](const QString &reason) { m_announcer->announce(reason, QStringLiteral("Datum nicht übernommen")); });
    }
}

void MainWindow::createStatusBar()
{
    QStatusBar *bar = m_ui.statusBar;
    bar->setAccessibleName(QStringLiteral("Statuszeile"));
    // A permanent label: QStatusBar's own message is wiped whenever a menu or a tooltip shows.
    m_statusLabel = new QLabel(QString::fromUtf8(kInitialNotice), bar);
    m_statusLabel->setObjectName(QStringLiteral("sbStatusBarText"));
    setOwnFont(m_statusLabel, baseFont());
    m_statusLabel->setAccessibleDescription(QStringLiteral("Statuszeile"));
    bar->addPermanentWidget(m_statusLabel, 1);
    m_announcer = new Announcer(bar);
}

void MainWindow::createMenus()
{
    const MainMenuActions menus = createMainMenus(menuBar());
    m_exitAction = menus.exit;
    m_statusBarAction = menus.statusBar;
    m_aboutAction = menus.about;
}

void MainWindow::describeForScreenReaders()
{
    // Selectors and calendars are named by their purpose; figure labels keep their figure as the
    // accessible name (what a screen reader reads) and say what it stands for in the description.
    for (const CategoryRules &rules : kCategories) {
        const MainWindowControls::CategoryRow &row = m_ui.rows.at(indexOf(rules.category));
        const QString subject = fromStd(rules.subject);
        // The name says the category, the selector's text the count; its description carries the
        // row's sum, the total and how the sum came about (updateResultDescriptions).
        row.selector->setAccessibleName(QStringLiteral("Anzahl ") + subject);
        row.caption->setBuddy(row.selector);
        row.nights->setUnit(QStringLiteral("Nacht"), QStringLiteral("Nächte"));
        row.nights->setAccessibleDescription(QStringLiteral("Nächte ") + subject);
        row.sum->setUnit(QStringLiteral("€"), QStringLiteral("€"));
        // The figures say their unit themselves ("4 Nächte", "18,40 €").
        hideFromAssistiveTechnology(row.nightsWord);
        hideFromAssistiveTechnology(m_controls.value(fromStd(rowNames(rules.category).euro)));
        // The explanation of the sum for the keyboard: F1 or Shift+F10 on the selector.
        for (const QKeySequence &keys : {QKeySequence{Qt::Key_F1}, QKeySequence{Qt::SHIFT | Qt::Key_F10}}) {
            auto *shortcut = new QShortcut(keys, row.selector);
            shortcut->setContext(Qt::WidgetShortcut);
            const PersonCategory category = rules.category;
            connect(shortcut, &QShortcut::activated, this, [this, category] { showExplanation(category); });
        }
    }
    updateResultDescriptions();
    hideFromAssistiveTechnology(m_ui.totalEuro);
    m_ui.total->setUnit(QStringLiteral("€"), QStringLiteral("€"));
    m_ui.total->setAccessibleDescription(QStringLiteral("Zu zahlender Kurbeitrag in Euro"));
    m_ui.arrivalDay->setAccessibleDescription(QStringLiteral("Anreisetag"));
    m_ui.departureDay->setAccessibleDescription(QStringLiteral("Abreisetag"));
    m_ui.arrivalCalendar->setAccessibleName(QStringLiteral("Anreisetag wählen"));
    m_ui.departureCalendar->setAccessibleName(QStringLiteral("Abreisetag wählen"));
    m_ui.arrivalCalendar->setDateEntryName(QStringLiteral("Datumseingabe Anreise"));
    m_ui.departureCalendar->setDateEntryName(QStringLiteral("Datumseingabe Abreise"));
    m_ui.print->setAccessibleName(QStringLiteral("Ergebnis ausdrucken"));
    m_ui.logo->setAccessibleName(QString::fromUtf8(version::kCompanyName));
}

void MainWindow::setTabOrder()
{
    // The counts in the categories' order, then the calendars and the buttons.
    std::vector<QWidget *> order;
    for (const MainWindowControls::CategoryRow &row : m_ui.rows)
        order.push_back(row.selector);
    order.insert(order.end(),
        {m_ui.arrivalCalendar, m_ui.departureCalendar, m_ui.stayTip, m_ui.childrenTip, m_ui.disabilityTip, m_ui.print});
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void MainWindow::connectActions()
{
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
    connect(m_statusBarAction, &QAction::triggered, this,
        [this] { m_ui.statusBar->setVisible(m_statusBarAction->isChecked()); });
    connect(m_aboutAction, &QAction::triggered, this,
        [this] { openSmallWindow(m_aboutWindow, [this] { return new AboutWindow{this}; }); });
    const std::pair<QPushButton *, TipKind> tips[] = {
        {m_ui.stayTip, TipKind::AnAbreise}, {m_ui.childrenTip, TipKind::Kind}, {m_ui.disabilityTip, TipKind::Schwer}};
    connect(m_ui.print, &QPushButton::clicked, this, &MainWindow::printSheet);
    for (const auto &[button, kind] : tips) {
        connect(button, &QPushButton::clicked, this, [this, kind = kind] {
            openSmallWindow(m_tipWindows.at(static_cast<std::size_t>(kind)), [this, kind] {
                return new TipWindow{kind, this};
            });
        });
    }
}

void MainWindow::openSmallWindow(QPointer<QDialog> &window, const std::function<QDialog *()> &build)
{
    // Kept, hidden, between openings rather than built anew: the style caches the pictures of a
    // window's buttons under that window's own palette, and a new window each time would add a
    // set that nothing uses again until the cache is full.
    if (window == nullptr)
        window = build();
    else {
        window->resize(window->minimumSize()); // as designed again, had the user made it larger
        centreOnScreen(window);
    }
    window->exec();
}

void MainWindow::printSheet()
{
    // One print at a time: a click while the printers are looked up or copies go out is ignored.
    if (isPrinting())
        return;
    // Held by a guarded pointer, not cleared by a handler of the request's end: the request is a
    // child of this window and may go while the window itself is being destroyed.
    m_printRequest = print::printWithDialog(
        this, [this] { return sheetData(); }, m_printTimeouts);
}

void MainWindow::load(const StartUp &startUp)
{
    if (startUp.splash != nullptr)
        startUp.splash->run();
    ApplyResourceCaptions(this);
    // The outer frame never comes out smaller than the design's client area.
    if (pixelsToTwips(frameGeometry().height()) < mainClientHeight())
        resize(width(), twipsToPixels(mainClientHeight()));
    if (pixelsToTwips(frameGeometry().width()) < kMainClientWidth)
        resize(twipsToPixels(kMainClientWidth), height());
    writeFixedTexts(m_ui);

    // Today is read only now, after the splash: just before midnight it may be tomorrow already.
    const QDate today = startUp.today();
    // A clock outside the calendars' range starts on the nearest day they offer.
    const QDate arrivalDay = std::clamp(today, toQDate(kFirstArrival), toQDate(kLastArrival));
    presetStay(arrivalDay);
    m_ui.todayLine->setText(displayText(todayLine(toCoreDate(today))));
    applyStartUpFonts(m_ui);
    keepCaptionsClearOfSelectors();
    narrowLabelsToFit(this);
    keepLeadersClearOfCaptions();
}

void MainWindow::keepCaptionsClearOfSelectors()
{
    // A row's caption sizes itself to its text; in a wider face than the design's it would run
    // under its selector, so it is set narrower instead.
    for (const MainWindowControls::CategoryRow &row : m_ui.rows) {
        narrowToFit(row.caption, row.selector->x() - row.caption->x(), row.caption->height());
        row.caption->resize(row.caption->sizeHint());
    }
}

void MainWindow::keepLeadersClearOfCaptions()
{
    // A wider face than the design's (where Liberation Sans is missing) makes a row's caption
    // longer: its dotted leader then starts a little later instead of running through the text.
    constexpr int kGap = 2;
    QWidget *frame = m_ui.calculationFrame;
    const auto captions = frame->findChildren<QLabel *>(QString{}, Qt::FindDirectChildrenOnly);
    for (LineWidget *leader : frame->findChildren<LineWidget *>(QString{}, Qt::FindDirectChildrenOnly)) {
        int left = leader->x();
        for (const QLabel *caption : captions) {
            const QRect box = caption->geometry();
            if (box.left() < leader->x() && box.top() <= leader->y() && box.bottom() >= leader->y())
                left = std::max(left, box.right() + 1 + kGap);
        }
        if (left != leader->x())
            leader->setGeometry(left, leader->y(), leader->geometry().right() + 1 - left, leader->height());
    }
}

void MainWindow::load(QDate today)
{
    load({[today] { return today; }, nullptr});
}

void MainWindow::presetStay(QDate arrivalDay)
{
    const StayUpdate update = arrivalClicked(toCoreDate(arrivalDay));
    m_ui.arrivalCalendar->setDateFromProgram(arrivalDay);
    setStay(arrivalDay, toQDate(update.departure));
    m_ui.arrivalDay->setText(fromStd(update.arrivalDayText));
    m_ui.departureCalendar->setDateFromProgram(toQDate(update.departure));
    m_ui.departureDay->setText(fromStd(update.departureDayText));
    showNights(update.nightsText);
    clearCounts();
    updateCalendarDescriptions();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // Where no window manager hands the focus to a new window, take it once the window is up.
    QTimer::singleShot(0, this, [this] {
        activateWindow();
        m_ui.rows.front().selector->setFocus(Qt::ActiveWindowFocusReason);
    });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const bool showOrHide = event->type() == QEvent::Show || event->type() == QEvent::Hide;
    if (!showOrHide || watched == this || !watched->isWidgetType() || !static_cast<QWidget *>(watched)->isWindow())
        return QMainWindow::eventFilter(watched, event);
    auto *widget = static_cast<QWidget *>(watched);
    if (event->type() == QEvent::Show) {
        // Notes the order in which the program's other windows open, for the shutdown, and the
        // control that opened each.
        m_openedWindows.removeAll(nullptr);
        m_openedWindows.removeAll(widget);
        m_openedWindows.append(widget);
        if (focusWidget() != nullptr && !m_openers.contains(widget))
            m_openers.insert(widget, focusWidget());
    } else if (const QPointer<QWidget> opener = m_openers.take(widget); opener != nullptr && isVisible() && !m_ending) {
        // Some window managers give the window back without a focused control (xfwm4 after Esc):
        // the keyboard returns to the control that opened the window.
        QTimer::singleShot(0, this, [this, opener] {
            if (opener == nullptr || QApplication::activeModalWidget() != nullptr)
                return;
            activateWindow();
            if (QApplication::focusWidget() == nullptr || QApplication::focusWidget()->window() != this)
                opener->setFocus(Qt::ActiveWindowFocusReason);
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::endNow()
{
    m_ending = true;
    print::stopPrinting(this);
    // A close under way waits for its question, and a second close() would be ignored: the
    // question goes, and that close goes on.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->close();
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Copies still going out are not dropped without a word, unless the program is told to end,
    // perhaps while the question was open.
    const bool mayClose = m_ending || print::mayCloseWhilePrinting(this);
    if (!mayClose && !m_ending) {
        event->ignore();
        return;
    }
    // Other open windows close first, the last opened first; then any the window did not see open.
    for (qsizetype i = m_openedWindows.size() - 1; i >= 0; --i) {
        if (QWidget *window = m_openedWindows.at(i); window != nullptr && window->isVisible())
            window->close();
    }
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->close();
    }
    // Only the window's own placement: not where it lies minimised, nor a full screen; and none
    // on a Wayland compositor, which tells a window nothing of where it stands.
    if ((windowState() & kNotItsPlacement) == 0 && QGuiApplication::platformName() != QLatin1String("wayland")) {
        QRect outer = frameGeometry();
        // The design's own size, not as it rounds at a scale that gives it fractional pixels.
        outer.setSize(outer.size() - size() + minimumSize());
        saveWindowPlacement(outer);
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The fixed design has one size: where a window manager makes the window full screen or
    // maximised (its window menu offers both), it goes back to its normal state.
    if (event->type() == QEvent::WindowStateChange && (windowState() & kResizedStates) != 0)
        QTimer::singleShot(0, this, [this] { setWindowState(windowState() & ~kResizedStates); });
}

print::SheetData MainWindow::sheetData() const
{
    return print::sheetDataOf(toCoreDate(QDate::currentDate()), m_booking, m_result);
}

QDate MainWindow::arrival() const
{
    return m_ui.arrivalCalendar->selectedDate();
}

QDate MainWindow::departure() const
{
    return m_ui.departureCalendar->selectedDate();
}

QString MainWindow::statusText() const
{
    return m_statusLabel->text();
}

void MainWindow::onArrivalChosen()
{
    const StayUpdate update = arrivalClicked(toCoreDate(arrival()));
    m_ui.arrivalDay->setText(fromStd(update.arrivalDayText));
    m_ui.departureCalendar->setDateFromProgram(toQDate(update.departure));
    m_ui.departureDay->setText(fromStd(update.departureDayText));
    const bool countsCleared = anyCountChosen();
    setStay(arrival(), toQDate(update.departure));
    clearResults();
    clearCounts();
    showNights(update.nightsText);
    setStatusText(fromStd(update.statusText));
    updateCalendarDescriptions();
    announceStay(StayEnd::Arrival, countsCleared);
}

void MainWindow::onDepartureChosen(QDate /*day*/, DayChoice choice)
{
    const StayUpdate clicked = departureClicked(toCoreDate(arrival()), toCoreDate(departure()));
    m_ui.departureDay->setText(fromStd(clicked.clickedDepartureText));
    const bool countsCleared = anyCountChosen();
    clearResults();
    clearCounts();
    if (clicked.warning) {
        QMessageBox box{QMessageBox::Warning, fromStd(clicked.warning->title), displayText(clicked.warning->text),
            QMessageBox::Ok, this};
        box.setObjectName(QStringLiteral("departureWarning"));
        box.exec();
    }
    // The box's event loop may have let the arrival change (a date typed into the arrival
    // calendar comes into force after a delay), so the correction takes the stay as it is now.
    showSettledStay();
    // A click moves on to the counts; a date moved by the keyboard keeps the focus on the calendar,
    // also after the warning, so that the next key moves the date again and never changes a count.
    if (choice == DayChoice::Click)
        m_ui.rows.front().selector->setFocus(Qt::OtherFocusReason);
    else
        m_ui.departureCalendar->setFocus(Qt::OtherFocusReason);
    announceStay(StayEnd::Departure, countsCleared);
}

void MainWindow::showSettledStay()
{
    const StayUpdate settled = departureClicked(toCoreDate(arrival()), toCoreDate(departure()));
    m_ui.departureCalendar->setDateFromProgram(toQDate(settled.departure));
    setStay(arrival(), toQDate(settled.departure));
    m_ui.arrivalDay->setText(fromStd(settled.arrivalDayText));
    m_ui.departureDay->setText(fromStd(settled.departureDayText));
    showNights(settled.nightsText);
    setStatusText(fromStd(settled.statusText));
    updateCalendarDescriptions();
}

void MainWindow::restoreConsistentState()
{
    // As after a date click: the stay as the calendars hold it, the departure not before the
    // arrival, every count and figure back to zero.
    m_ui.arrivalCalendar->setDateFromProgram(
        std::clamp(arrival(), m_ui.arrivalCalendar->minimumDate(), m_ui.arrivalCalendar->maximumDate()));
    QDate settledDeparture
        = std::clamp(departure(), m_ui.departureCalendar->minimumDate(), m_ui.departureCalendar->maximumDate());
    if (settledDeparture < arrival())
        settledDeparture = arrival().addDays(1);
    m_ui.departureCalendar->setDateFromProgram(settledDeparture);
    clearResults();
    clearCounts();
    showSettledStay();
}

void MainWindow::setStay(QDate arrival, QDate departure)
{
    // A new stay takes every count back to 0.
    m_booking = {.arrival = toCoreDate(arrival), .departure = toCoreDate(departure), .counts = {}};
    m_result = calculateBooking(m_booking);
}

void MainWindow::onCountPicked(PersonCategory category, int count)
{
    const std::size_t index = indexOf(category);
    Booking picked = m_booking;
    picked.counts.at(index) = count;
    m_result = calculateBooking(picked); // first: a count the core refuses changes nothing
    m_booking = picked;
    const MainWindowControls::CategoryRow &row = m_ui.rows.at(index);
    row.sum->setFigure(fromStd(formatMoney(m_result.categories.at(index).sum)));
    row.sum->setToolTip(displayText(explainSum(m_result.categories.at(index))));
    m_ui.total->setFigure(fromStd(formatMoney(m_result.total)));
    updateResultDescriptions();
    m_announcer->announce(
        row.selector->accessibleName() + QStringLiteral(", ") + QString::number(count), resultsLine(category));
}

QString MainWindow::resultsLine(PersonCategory category) const
{
    return QStringLiteral("Summe %1 €, Gesamt %2 €")
        .arg(fromStd(formatMoney(m_result.categories.at(indexOf(category)).sum)), fromStd(formatMoney(m_result.total)));
}

void MainWindow::updateResultDescriptions()
{
    // Read when a selector gets the focus: the row's sum, the total (which every pick changes) and
    // the sum's explanation, which the sum's tooltip shows to the mouse.
    for (const CategoryRules &rules : kCategories) {
        const MainWindowControls::CategoryRow &row = m_ui.rows.at(indexOf(rules.category));
        const QString explanation = row.sum->toolTip();
        const QString tail = explanation.isEmpty() ? QString{} : QStringLiteral("\n") + explanation;
        row.selector->setAccessibleDescription(resultsLine(rules.category) + tail);
        row.sum->setAccessibleDescription(QStringLiteral("Summe ") + fromStd(rules.subject) + tail);
    }
}

void MainWindow::showExplanation(PersonCategory category)
{
    const MainWindowControls::CategoryRow &row = m_ui.rows.at(indexOf(category));
    const QString explanation = displayText(explainSum(m_result.categories.at(indexOf(category))));
    QToolTip::showText(row.sum->mapToGlobal(QPoint{0, row.sum->height()}), explanation, row.sum);
    // Qt tells a reader nothing of a tooltip window that shows: the explanation is said as well.
    m_announcer->announce(QStringLiteral("Summe ") + fromStd(kCategories.at(indexOf(category)).subject), explanation);
}

bool MainWindow::anyCountChosen() const
{
    return std::any_of(m_ui.rows.begin(), m_ui.rows.end(),
        [](const MainWindowControls::CategoryRow &row) { return row.selector->currentIndex() > 0; });
}

void MainWindow::announceStay(StayEnd end, bool countsCleared)
{
    // The day just chosen in full, then what it means for the stay, and for the counts that a
    // sighted user sees go back to 0.
    const QString nights = m_ui.rows.front().nights->accessibleName()
        + (countsCleared
                ? QStringLiteral(", alle Anzahlen auf 0, Gesamt %1 €").arg(fromStd(formatMoney(m_result.total)))
                : QString{});
    if (end == StayEnd::Arrival) {
        m_announcer->announce(
            spokenDate(arrival()), QStringLiteral("Anreisetag, Abreise %1, %2").arg(spokenDate(departure()), nights));
    } else {
        // Said after the focus has moved, which it speaks over: where the keyboard went is said too.
        QComboBox *adults = m_ui.rows.front().selector;
        const QString onward
            = adults->hasFocus() ? QStringLiteral(", weiter bei ") + adults->accessibleName() : QString{};
        m_announcer->announce(spokenDate(departure()), QStringLiteral("Abreisetag, %1").arg(nights) + onward);
    }
}

void MainWindow::clearResults()
{
    // Every count back to 0 for the stay as it stands; the figures without explanations.
    m_booking.counts = {};
    m_result = calculateBooking(m_booking);
    m_ui.total->setFigure(fromStd(formatMoney(m_result.total)));
    for (std::size_t index = 0; index < kCategoryCount; ++index) {
        const MainWindowControls::CategoryRow &row = m_ui.rows.at(index);
        row.sum->setFigure(fromStd(formatMoney(m_result.categories.at(index).sum)));
        row.sum->setToolTip(QString{});
    }
    updateResultDescriptions();
}

void MainWindow::clearCounts()
{
    // From the second row down, the first row last, as the design resets them.
    for (std::size_t i = 1; i <= kCategoryCount; ++i)
        m_ui.rows.at(i % kCategoryCount).selector->setCurrentIndex(0);
}

void MainWindow::showNights(const std::string &nightsText)
{
    for (const MainWindowControls::CategoryRow &row : m_ui.rows)
        row.nights->setFigure(fromStd(nightsText));
}

void MainWindow::setStatusText(const QString &text)
{
    m_statusLabel->setText(text);
}

void MainWindow::updateCalendarDescriptions()
{
    m_ui.arrivalCalendar->setAccessibleDescription(QStringLiteral("Gewählt: ") + m_ui.arrivalDay->text());
    m_ui.departureCalendar->setAccessibleDescription(QStringLiteral("Gewählt: ") + m_ui.departureDay->text());
}

} // namespace salvenor::ui
