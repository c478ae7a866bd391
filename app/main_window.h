#pragma once

#include <array>
#include <functional>

#include <QDate>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include "app/main_window_design.h"
#include "core/booking.h"
#include "core/categories.h"
#include "core/stay.h"
#include "print/print_job.h"
#include "print/sheet_data.h"
#include "windows/design.h"
#include "windows/month_calendar.h"

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;

namespace salvenor::ui {

class Announcer;
class FigureLabel;
class SplashWindow;

// The calculator's working window: two calendars for the stay, a row per person category,
// the total, the information column, the menus and the status bar.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    struct StartUp
    {
        // Read once the splash has closed: the day may change while it shows.
        std::function<QDate()> today;
        // Shown (if not yet) and waited for before anything else; none in tests that skip it.
        SplashWindow *splash = nullptr;
    };
    // The start-up sequence: splash, captions, fonts, arrival today and departure tomorrow (both
    // clamped into the calendars' range), one night in every nights label, every count 0, the
    // service, today and web lines. Runs before the window is first shown.
    void load(const StartUp &startUp);
    // The start-up sequence without a splash, on a fixed day.
    void load(QDate today);

    // What the calculation sheet prints, read from the controls as they stand.
    print::SheetData sheetData() const;

    // Brings the window back to a consistent state after a failed event handler, as after a
    // date click: the stay the calendars hold (the departure not before the arrival), every
    // count 0 and every figure 0,00.
    void restoreConsistentState();

    QDate arrival() const;
    QDate departure() const;
    QString statusText() const;

    // A control by its design name, for tests; the window itself holds its controls typed.
    template<typename T = QWidget> T *control(const QString &name) const
    {
        return qobject_cast<T *>(m_controls.value(name));
    }

    // Time limits of the print service (tests shorten them).
    void setPrintTimeouts(const print::PrintTimeouts &timeouts) { m_printTimeouts = timeouts; }
    bool isPrinting() const { return !m_printRequest.isNull(); }
    // Ends as a closed window does, without asking (the program is told to end): the copies
    // under way are stopped; a close already under way, its question open, goes on.
    void endNow();

    QAction *exitAction() const { return m_exitAction; }
    QAction *statusBarAction() const { return m_statusBarAction; }
    QAction *aboutAction() const { return m_aboutAction; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createClientArea();
    void createCountSelectors();
    void createCalendars();
    void createStatusBar();
    void createMenus();
    void describeForScreenReaders();
    void setTabOrder();
    void connectActions();
    void presetStay(QDate arrivalDay);
    void keepCaptionsClearOfSelectors();
    void keepLeadersClearOfCaptions();
    void giveFiguresTheirRoom();

    void openSmallWindow(QPointer<QDialog> &window, const std::function<QDialog *()> &build);
    void printSheet();
    void onArrivalChosen();
    void onDepartureChosen(QDate day, DayChoice choice);
    void onCountPicked(PersonCategory category, int count);

    void showSettledStay();
    void clearResults();
    void clearCounts();
    void showNights(const std::string &nightsText);
    void setStatusText(const QString &text);
    void updateCalendarDescriptions();

    enum class StayEnd { Arrival, Departure };
    // countsCleared: the new day took counts back to 0 that had been chosen.
    void announceStay(StayEnd end, bool countsCleared);
    bool anyCountChosen() const;
    void setStay(QDate arrival, QDate departure);
    QString resultsLine(PersonCategory category) const;
    void updateResultDescriptions();
    void showExplanation(PersonCategory category);

    QLabel *m_statusLabel = nullptr;
    Announcer *m_announcer = nullptr;
    QAction *m_exitAction = nullptr;
    QAction *m_statusBarAction = nullptr;
    QAction *m_aboutAction = nullptr;
    ControlMap m_controls;
    QList<QPointer<QWidget>> m_openedWindows;
    // The control that had the focus when each of the other windows opened.
    QHash<QWidget *, QPointer<QWidget>> m_openers;
    // The hint windows (by TipKind) and the about window, each built at its first opening.
    std::array<QPointer<QDialog>, 3> m_tipWindows;
    QPointer<QDialog> m_aboutWindow;
    MainWindowControls m_ui{};
    // The stay and counts the user has chosen, and what the window shows of them.
    Booking m_booking;
    BookingResult m_result;
    bool m_shownOnce = false;
    QPointer<print::PrintRequest> m_printRequest; // the print under way: its look-up, dialog or copies
    bool m_ending = false;
    print::PrintTimeouts m_printTimeouts;
};

} // namespace salvenor::ui
