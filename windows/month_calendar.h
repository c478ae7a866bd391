#pragma once

#include <QCalendarWidget>
#include <QDate>

namespace salvenor::ui {

// A one-month calendar in German, compact enough to show a whole month with every day clickable
// in the design's small box. It reports a day chosen by the user (a click, also on the day already
// selected, or a change by keyboard) once through dayChosen, and never for dates set by the program.
class MonthCalendar final : public QCalendarWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MonthCalendar)

public:
    explicit MonthCalendar(QWidget *parent = nullptr);

    // Selects the date and shows its month without reporting it.
    void setDateFromProgram(QDate date);

signals:
    void dayChosen(QDate date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void makeCompact();
    // Takes the largest font size at which every day, weekday name and month name fits its place,
    // so that a wider face (where Liberation Sans is missing) never pushes days out of reach.
    void fitTextToBox();
    void onSelectionChanged();
    void onClicked(QDate date);

    bool m_settingFromProgram = false;
    // The date the last user selection change reported, so that the click that caused it is not
    // reported a second time. Cleared at every mouse press on the days.
    QDate m_reportedBySelection;
};

} // namespace salvenor::ui
