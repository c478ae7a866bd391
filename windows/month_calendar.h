#pragma once

#include <QCalendarWidget>
#include <QDate>

class QKeyEvent;
class QLineEdit;
class QTableView;
class QToolButton;

namespace salvenor::ui {

// How the user chose a day: a click (the mouse, Enter or Space on the calendar, or a typed date
// confirmed with Enter), or a move by the arrow and page keys, which leaves the focus where it is.
enum class DayChoice { Click, KeyboardMove };

// A one-month calendar in German, compact enough to show a whole month with every day clickable
// in the design's small box. It reports a day chosen by the user (a click, also on the day already
// selected, or a change by keyboard) once through dayChosen, and never for dates set by the program.
// A digit typed on the calendar opens a date entry ("dd.MM.yyyy", day and month with or without a
// leading zero): Enter takes the date as a click on that day, Esc or leaving the entry drops it,
// and a text that is no day of the calendar is refused with the reason (entryRefused).
class MonthCalendar final : public QCalendarWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MonthCalendar)

public:
    explicit MonthCalendar(QWidget *parent = nullptr);

    // Selects the date and shows its month without reporting it.
    void setDateFromProgram(QDate date);

    // The typed date entry, while it is open (null otherwise).
    QLineEdit *dateEntry() const { return m_entryOpen ? m_entry : nullptr; }
    // What a screen reader calls the date entry ("Datumseingabe Anreise").
    void setDateEntryName(const QString &name);

signals:
    void dayChosen(QDate date, DayChoice choice);
    void entryRefused(const QString &reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void makeCompact();
    // Takes the largest font size at which every day, weekday name and month name fits its place,
    // so that a wider face (where Liberation Sans is missing) never pushes days out of reach.
    void fitTextToBox();
    QFont largestFittingFont() const;
    void useFont(const QFont &font);
    static void showFocusFrame(QTableView *view, bool focused);
    bool entryKeyPressed(const QKeyEvent *key);
    bool calendarKeyPressed(const QKeyEvent *key);
    void onSelectionChanged();
    void onClicked(QDate date);
    void openDateEntry(const QString &firstDigit);
    void closeDateEntry();
    void commitDateEntry();
    void tellChosenDay();

    static constexpr int kFocusFrameWidth = 2;

    // Qt's own children, resolved once when the calendar is built (it throws, naming the child,
    // where one is missing).
    QTableView *const m_days;
    QToolButton *const m_monthButton;
    QWidget *const m_yearButton;
    QWidget *const m_yearEdit;

    bool m_settingFromProgram = false;
    // The date the last user selection change reported, so that the click that caused it is not
    // reported a second time. Cleared at every mouse press on the days.
    QDate m_reportedBySelection;
    bool m_mouseDown = false;
    // Made at the first digit and kept, hidden while closed.
    QLineEdit *m_entry = nullptr;
    bool m_entryOpen = false;
    QString m_entryName = QStringLiteral("Datumseingabe");
};

} // namespace salvenor::ui
