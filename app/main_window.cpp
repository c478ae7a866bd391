#include "main_window.h"

#include <algorithm>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "app/category_controls.h"
#include "app/date_conversion.h"
#include "app/guarded_application.h"
#include "app/main_window_design.h"
#include "app/module1.h"
#include "app/window_settings.h"
#include "core/contribution.h"
#include "core/explanation.h"
#include "print/print_job.h"
#include "print/print_run.h"
#include "resources/product_info.h"
#include "resources/version_info.h"
#include "windows/about_window.h"
#include "windows/application_icon.h"
#include "windows/figure_label.h"
#include "windows/fonts.h"
#include "windows/line_widget.h"
#include "windows/month_calendar.h"
#include "windows/splash_window.h"
#include "windows/tip_window.h"

namespace salvenor::ui {

namespace {

constexpr const char *kWindowTitle = "Salvenor 2016  - Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH ";
constexpr const char *kInitialNotice
    = "Salvenor 2016 - Kurbeitragsrechner der Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH";
constexpr const char *kZeroMoney = "0,00";

// The order in which a date change clears the counts.
constexpr std::array<const char *, 6> kCountClearOrder{
    "Anz_Erw_Schwer", "Anz_Student", "Anz_Kind", "Anz_Kind_Schwer", "Anz_Kind_Fremd", "Anz_Erwachsene"};

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
    createPictures();
    createCountSelectors();
    createCalendars();
    createStatusBar();
    createMenus();
    describeForScreenReaders();
    setTabOrder();
    connectActions();
    setFixedSize(sizeHint());
    if (auto *guard = qobject_cast<GuardedApplication *>(QCoreApplication::instance()))
        connect(guard, &GuardedApplication::exceptionStopped, this, &MainWindow::restoreConsistentState);
}

MainWindow::~MainWindow() = default;

void MainWindow::createClientArea()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(twipsToPixels(kMainClientWidth), twipsToPixels(kMainClientHeight));
    setCentralWidget(client);
    m_controls = buildControls(client, mainWindowDesign());

    // A figure wider than its box grows into the free room beside it, up to its neighbours.
    const auto rightEdgeOf
        = [this](const char *name) { return control(QString::fromLatin1(name))->geometry().right() + 2; };
    const auto leftEdgeOf
        = [this](const char *name) { return control(QString::fromLatin1(name))->geometry().left() - 1; };
    const char *timesLabels[] = {"Label1", "Label2", "Label3", "Label4", "Label7", "Label5"};
    const char *nightsWords[] = {"Label8", "Label9", "Label10", "Label11", "Label12", "Label13"};
    for (std::size_t row = 0; row < kCategoryControls.size(); ++row) {
        auto *nights = control<FigureLabel>(QString::fromLatin1(kCategoryControls[row].nights));
        nights->setDesign(nights->designRect(), rightEdgeOf(timesLabels[row]), leftEdgeOf(nightsWords[row]));
        auto *sum = control<FigureLabel>(QString::fromLatin1(kCategoryControls[row].sum));
        sum->setDesign(sum->designRect(), rightEdgeOf(nightsWords[row]), sum->designRect().right() + 1);
    }
    auto *total = control<FigureLabel>(QStringLiteral("End_Summe_Gesamt"));
    total->setDesign(total->designRect(), 3, total->designRect().right() + 1);
}

void MainWindow::createPictures()
{
    control<QLabel>(QStringLiteral("Logo_KV"))->setPixmap(QPixmap{QStringLiteral(":/images/logo.png")});
    auto *print = control<QPushButton>(QStringLiteral("cmdPrint"));
    print->setIcon(QIcon{QStringLiteral(":/images/print.png")});
    print->setIconSize(QSize{16, 16});
}

void MainWindow::createCountSelectors()
{
    for (const CategoryControls &row : kCategoryControls) {
        auto *selector = control<QComboBox>(QString::fromLatin1(row.selector));
        for (int count = 0; count <= rulesOf(row.category).maxCount; ++count)
            selector->addItem(QString::number(count));
        selector->setMaxVisibleItems(12);
        const PersonCategory category = row.category;
        // `activated` comes from the user only (mouse, arrow keys, a typed digit), never from
        // the program's own resets.
        connect(selector, &QComboBox::activated, this, [this, category] { onCountPicked(category); });
    }
}

void MainWindow::createCalendars()
{
    m_arrivalCalendar = control<MonthCalendar>(QStringLiteral("Anreise"));
    m_departureCalendar = control<MonthCalendar>(QStringLiteral("Abreise"));
    m_arrivalCalendar->setDateRange(toQDate(kFirstArrival), toQDate(kLastArrival));
    m_departureCalendar->setDateRange(toQDate(kFirstDeparture), toQDate(kLastDeparture));
    connect(m_arrivalCalendar, &MonthCalendar::dayChosen, this, &MainWindow::onArrivalChosen);
    connect(m_departureCalendar, &MonthCalendar::dayChosen, this, &MainWindow::onDepartureChosen);
    for (MonthCalendar *calendar : {m_arrivalCalendar, m_departureCalendar})
        connect(calendar, &MonthCalendar::entryRefused, this, &MainWindow::setStatusText);
}

void MainWindow::createStatusBar()
{
    auto *bar = control<QStatusBar>(QStringLiteral("sbStatusBar"));
    bar->setAccessibleName(QStringLiteral("Statuszeile"));
    // A permanent label: QStatusBar's own message is wiped whenever a menu or a tooltip shows.
    m_statusLabel = new QLabel(QString::fromUtf8(kInitialNotice), bar);
    m_statusLabel->setObjectName(QStringLiteral("sbStatusBarText"));
    setOwnFont(m_statusLabel, baseFont());
    m_statusLabel->setAccessibleDescription(QStringLiteral("Statuszeile"));
    bar->addPermanentWidget(m_statusLabel, 1);
}

void MainWindow::createMenus()
{
    menuBar()->setAccessibleName(QStringLiteral("Menüleiste"));
    QMenu *file = menuBar()->addMenu(QStringLiteral("1000"));
    file->setObjectName(QStringLiteral("mnuFile"));
    m_exitAction = file->addAction(QStringLiteral("1012"));
    m_exitAction->setObjectName(QStringLiteral("mnuFileExit"));

    QMenu *view = menuBar()->addMenu(QStringLiteral("1019"));
    view->setObjectName(QStringLiteral("mnuView"));
    m_statusBarAction = view->addAction(QStringLiteral("1021"));
    m_statusBarAction->setObjectName(QStringLiteral("mnuViewStatusBar"));
    m_statusBarAction->setCheckable(true);
    m_statusBarAction->setChecked(true);

    QMenu *help = menuBar()->addMenu(QStringLiteral("1025"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    m_aboutAction = help->addAction(QStringLiteral("Info zum Salvenor"));
    m_aboutAction->setObjectName(QStringLiteral("mnuHelpAbout"));
}

void MainWindow::describeForScreenReaders()
{
    // Selectors and calendars are named by their purpose; figure labels keep their figure as the
    // accessible name (what a screen reader reads) and say what it stands for in the description.
    for (const CategoryControls &row : kCategoryControls) {
        const QString subject = QString::fromUtf8(row.description);
        // On Linux a combo box's accessible name is its value; what it is for comes from its
        // caption label (the labelled-by relation) and its description.
        auto *selector = control(QString::fromLatin1(row.selector));
        selector->setAccessibleName(QStringLiteral("Anzahl ") + subject);
        selector->setAccessibleDescription(QStringLiteral("Anzahl ") + subject);
        control<QLabel>(QString::fromLatin1(row.caption))->setBuddy(selector);
        auto *nights = control<FigureLabel>(QString::fromLatin1(row.nights));
        nights->setUnit(QStringLiteral("Nacht"), QStringLiteral("Nächte"));
        nights->setAccessibleDescription(QStringLiteral("Nächte ") + subject);
        auto *sum = control<FigureLabel>(QString::fromLatin1(row.sum));
        sum->setUnit(QStringLiteral("€"), QStringLiteral("€"));
        sum->setAccessibleDescription(QStringLiteral("Summe ") + subject);
    }
    auto *total = control<FigureLabel>(QStringLiteral("End_Summe_Gesamt"));
    total->setUnit(QStringLiteral("€"), QStringLiteral("€"));
    total->setAccessibleDescription(QStringLiteral("Zu zahlender Kurbeitrag in Euro"));
    control(QStringLiteral("Anreisedatum"))->setAccessibleDescription(QStringLiteral("Anreisetag"));
    control(QStringLiteral("Abreisedatum"))->setAccessibleDescription(QStringLiteral("Abreisetag"));
    m_arrivalCalendar->setAccessibleName(QStringLiteral("Anreisetag wählen"));
    m_departureCalendar->setAccessibleName(QStringLiteral("Abreisetag wählen"));
    control(QStringLiteral("cmdPrint"))->setAccessibleName(QStringLiteral("Ergebnis ausdrucken"));
    control(QStringLiteral("Logo_KV"))->setAccessibleName(QString::fromUtf8(version::kCompanyName));
}

void MainWindow::setTabOrder()
{
    const char *order[] = {"Anz_Erwachsene", "Anz_Erw_Schwer", "Anz_Student", "Anz_Kind", "Anz_Kind_Schwer",
        "Anz_Kind_Fremd", "Anreise", "Abreise", "cmdAnAbreise", "cmdKinderKB", "cmdSchwer", "cmdPrint"};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(control(QString::fromLatin1(order[i - 1])), control(QString::fromLatin1(order[i])));
}

void MainWindow::connectActions()
{
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
    connect(m_statusBarAction, &QAction::triggered, this,
        [this] { control(QStringLiteral("sbStatusBar"))->setVisible(m_statusBarAction->isChecked()); });
    connect(m_aboutAction, &QAction::triggered, this, [this] {
        AboutWindow about{this};
        about.exec();
    });
    const std::pair<const char *, TipKind> tips[]
        = {{"cmdAnAbreise", TipKind::AnAbreise}, {"cmdKinderKB", TipKind::Kind}, {"cmdSchwer", TipKind::Schwer}};
    connect(control<QPushButton>(QStringLiteral("cmdPrint")), &QPushButton::clicked, this, &MainWindow::printSheet);
    for (const auto &[name, kind] : tips) {
        connect(control<QPushButton>(QString::fromLatin1(name)), &QPushButton::clicked, this, [this, kind = kind] {
            TipWindow tip{kind, this};
            tip.exec();
        });
    }
}

void MainWindow::printSheet()
{
    // One print at a time: a click while the printers are looked up or copies go out is ignored.
    if (m_printing)
        return;
    m_printing = true;
    print::PrintRun *run = print::printWithDialog(
        this, [this] { return sheetData(); }, m_printTimeouts);
    if (run == nullptr) {
        m_printing = false;
        return;
    }
    connect(run, &QObject::destroyed, this, [this] { m_printing = false; });
}

void MainWindow::load(const StartUp &startUp)
{
    if (startUp.splash != nullptr)
        startUp.splash->run();
    ApplyResourceCaptions(this);
    // The outer frame never comes out smaller than the design's client area.
    if (pixelsToTwips(frameGeometry().height()) < kMainClientHeight)
        resize(width(), twipsToPixels(kMainClientHeight));
    if (pixelsToTwips(frameGeometry().width()) < kMainClientWidth)
        resize(twipsToPixels(kMainClientWidth), height());
    control<QLabel>(QStringLiteral("lblServiceTelefon"))
        ->setText(QStringLiteral("Service-Telefon\n") + QString::fromUtf8(kServicePhone));

    // Today is read only now, after the splash: just before midnight it may be tomorrow already.
    const QDate today = startUp.today();
    // A clock outside the calendars' range starts on the nearest day they offer.
    const QDate arrivalDay = std::clamp(today, toQDate(kFirstArrival), toQDate(kLastArrival));
    presetStay(arrivalDay);
    control<QLabel>(QStringLiteral("lblHeute"))->setText(displayText(todayLine(toCoreDate(today))));
    control<QLabel>(QStringLiteral("lblInfowww"))
        ->setText(QStringLiteral("Weitere Infos auf ") + QString::fromUtf8(kWebAddress));
    applyStartUpFonts();
    keepLeadersClearOfCaptions();
}

void MainWindow::keepLeadersClearOfCaptions()
{
    // A wider face than the design's (where Liberation Sans is missing) makes a row's caption
    // longer: its dotted leader then starts a little later instead of running through the text.
    constexpr int kGap = 2;
    QWidget *frame = control(QStringLiteral("Berechnung"));
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
    m_arrivalCalendar->setDateFromProgram(arrivalDay);
    control<QLabel>(QStringLiteral("Anreisedatum"))->setText(fromStd(update.arrivalDayText));
    m_departureCalendar->setDateFromProgram(toQDate(update.departure));
    control<QLabel>(QStringLiteral("Abreisedatum"))->setText(fromStd(update.departureDayText));
    showNights(update.nightsText);
    clearCounts();
    updateCalendarDescriptions();
}

void MainWindow::applyStartUpFonts()
{
    const std::pair<const char *, QFont> fonts[] = {
        {"lblServiceTelefon", emphasisFont()},
        {"Frame_Anreise", frameFont()},
        {"Frame_Abreise", frameFont()},
        {"Berechnung", frameFont()},
        {"Anreisedatum", emphasisFont()},
        {"Abreisedatum", emphasisFont()},
        {"End_Summe_Gesamt", resultFont()},
        {"Label21", resultFont()},
        {"Frame_Gesamt_Summe", frameFont()},
        {"Frame_Informationen", frameFont()},
    };
    for (const auto &[name, font] : fonts)
        setOwnFont(control(QString::fromLatin1(name)), font);
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
        control(QStringLiteral("Anz_Erwachsene"))->setFocus(Qt::ActiveWindowFocusReason);
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Other open windows close first, the last opened first.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (qsizetype i = windows.size() - 1; i >= 0; --i) {
        if (windows.at(i) != this && windows.at(i)->isVisible())
            windows.at(i)->close();
    }
    if (!isMinimized())
        saveWindowPlacement(frameGeometry());
    QMainWindow::closeEvent(event);
}

print::SheetData MainWindow::sheetData() const
{
    print::SheetData sheet;
    sheet.today = QDate::currentDate();
    sheet.arrival = arrival();
    sheet.departure = departure();
    sheet.arrivalDayText = control<QLabel>(QStringLiteral("Anreisedatum"))->text();
    sheet.departureDayText = control<QLabel>(QStringLiteral("Abreisedatum"))->text();
    for (std::size_t i = 0; i < kCategoryControls.size(); ++i) {
        const CategoryControls &row = kCategoryControls.at(i);
        sheet.lines.at(i) = {control<QComboBox>(QString::fromLatin1(row.selector))->currentText(),
            control<QLabel>(QString::fromLatin1(row.sum))->text(), rulesOf(row.category).oneChildRule};
    }
    sheet.totalText = control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text();
    sheet.servicePhone = QString::fromUtf8(kServicePhone);
    return sheet;
}

QDate MainWindow::arrival() const
{
    return m_arrivalCalendar->selectedDate();
}

QDate MainWindow::departure() const
{
    return m_departureCalendar->selectedDate();
}

QString MainWindow::statusText() const
{
    return m_statusLabel->text();
}

void MainWindow::onArrivalChosen()
{
    const StayUpdate update = arrivalClicked(toCoreDate(arrival()));
    control<QLabel>(QStringLiteral("Anreisedatum"))->setText(fromStd(update.arrivalDayText));
    m_departureCalendar->setDateFromProgram(toQDate(update.departure));
    control<QLabel>(QStringLiteral("Abreisedatum"))->setText(fromStd(update.departureDayText));
    clearResults();
    clearCounts();
    showNights(update.nightsText);
    setStatusText(fromStd(update.statusText));
    updateCalendarDescriptions();
}

void MainWindow::onDepartureChosen(QDate /*day*/, DayChoice choice)
{
    const StayUpdate clicked = departureClicked(toCoreDate(arrival()), toCoreDate(departure()));
    control<QLabel>(QStringLiteral("Abreisedatum"))->setText(fromStd(clicked.clickedDepartureText));
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
    // so that the next key moves the date again and never changes a count.
    if (choice == DayChoice::Click || clicked.warning)
        control(QStringLiteral("Anz_Erwachsene"))->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showSettledStay()
{
    const StayUpdate settled = departureClicked(toCoreDate(arrival()), toCoreDate(departure()));
    m_departureCalendar->setDateFromProgram(toQDate(settled.departure));
    control<QLabel>(QStringLiteral("Anreisedatum"))->setText(fromStd(settled.arrivalDayText));
    control<QLabel>(QStringLiteral("Abreisedatum"))->setText(fromStd(settled.departureDayText));
    showNights(settled.nightsText);
    setStatusText(fromStd(settled.statusText));
    updateCalendarDescriptions();
}

void MainWindow::restoreConsistentState()
{
    // As after a date click: the stay as the calendars hold it, the departure not before the
    // arrival, every count and figure back to zero.
    m_arrivalCalendar->setDateFromProgram(
        std::clamp(arrival(), m_arrivalCalendar->minimumDate(), m_arrivalCalendar->maximumDate()));
    QDate settledDeparture
        = std::clamp(departure(), m_departureCalendar->minimumDate(), m_departureCalendar->maximumDate());
    if (settledDeparture < arrival())
        settledDeparture = arrival().addDays(1);
    m_departureCalendar->setDateFromProgram(settledDeparture);
    clearResults();
    clearCounts();
    showSettledStay();
}

void MainWindow::onCountPicked(PersonCategory category)
{
    const CategoryControls &row = kCategoryControls.at(indexOf(category));
    const int count = control<QComboBox>(QString::fromLatin1(row.selector))->currentText().toInt();
    const CategoryResult result = calculateCategory(category, toCoreDate(arrival()), toCoreDate(departure()), count);
    auto *sum = control<FigureLabel>(QString::fromLatin1(row.sum));
    sum->setFigure(fromStd(formatMoney(result.sum)));
    sum->setToolTip(displayText(explainSum(result)));

    std::array<std::string, 6> sums;
    for (std::size_t i = 0; i < kCategoryControls.size(); ++i)
        sums.at(i) = control<QLabel>(QString::fromLatin1(kCategoryControls.at(i).sum))->text().toStdString();
    control<FigureLabel>(QStringLiteral("End_Summe_Gesamt"))->setFigure(fromStd(grandTotal(sums)));
}

void MainWindow::clearResults()
{
    control<FigureLabel>(QStringLiteral("End_Summe_Gesamt"))->setFigure(QString::fromLatin1(kZeroMoney));
    for (const CategoryControls &row : kCategoryControls) {
        auto *sum = control<FigureLabel>(QString::fromLatin1(row.sum));
        sum->setFigure(QString::fromLatin1(kZeroMoney));
        sum->setToolTip(QString{});
    }
}

void MainWindow::clearCounts()
{
    for (const char *name : kCountClearOrder)
        control<QComboBox>(QString::fromLatin1(name))->setCurrentIndex(0);
}

void MainWindow::showNights(const std::string &nightsText)
{
    for (const CategoryControls &row : kCategoryControls)
        control<FigureLabel>(QString::fromLatin1(row.nights))->setFigure(fromStd(nightsText));
}

void MainWindow::setStatusText(const QString &text)
{
    m_statusLabel->setText(text);
}

void MainWindow::updateCalendarDescriptions()
{
    m_arrivalCalendar->setAccessibleDescription(
        QStringLiteral("Gewählt: ") + control<QLabel>(QStringLiteral("Anreisedatum"))->text());
    m_departureCalendar->setAccessibleDescription(
        QStringLiteral("Gewählt: ") + control<QLabel>(QStringLiteral("Abreisedatum"))->text());
}

} // namespace salvenor::ui
