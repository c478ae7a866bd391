#include "month_calendar.h"

#include <QEvent>
#include <QLocale>
#include <QSpinBox>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>

#include "fonts.h"

namespace salvenor::ui {

MonthCalendar::MonthCalendar(QWidget *parent)
    : QCalendarWidget(parent)
{
    setLocale(QLocale{QLocale::German, QLocale::Germany});
    setFirstDayOfWeek(Qt::Monday);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    setGridVisible(false);
    makeCompact();

    connect(this, &QCalendarWidget::selectionChanged, this, &MonthCalendar::onSelectionChanged);
    connect(this, &QCalendarWidget::clicked, this, &MonthCalendar::onClicked);
    if (auto *view = findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview")))
        view->viewport()->installEventFilter(this);
}

void MonthCalendar::makeCompact()
{
    QFont small = baseFont();
    for (const char *name : {"qt_calendar_monthbutton", "qt_calendar_yearbutton", "qt_calendar_yearedit"}) {
        if (auto *child = findChild<QWidget *>(QString::fromLatin1(name))) {
            setOwnFont(child, small);
            child->setContentsMargins(0, 0, 0, 0);
        }
    }
    for (const char *name : {"qt_calendar_prevmonth", "qt_calendar_nextmonth"}) {
        if (auto *button = findChild<QToolButton *>(QString::fromLatin1(name))) {
            button->setIconSize(QSize{12, 12});
            button->setFixedWidth(18);
        }
    }
    if (auto *navigation = findChild<QWidget *>(QStringLiteral("qt_calendar_navigationbar")))
        navigation->setContentsMargins(0, 0, 0, 0);
    if (auto *view = findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview")))
        setOwnFont(view, baseFont());

    QTextCharFormat header;
    header.setFont(baseFont());
    setHeaderTextFormat(header);
}

void MonthCalendar::setDateFromProgram(QDate date)
{
    m_settingFromProgram = true;
    setSelectedDate(date);
    setCurrentPage(date.year(), date.month());
    m_settingFromProgram = false;
}

bool MonthCalendar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress)
        m_reportedBySelection = QDate{};
    return QCalendarWidget::eventFilter(watched, event);
}

void MonthCalendar::onSelectionChanged()
{
    if (m_settingFromProgram)
        return;
    m_reportedBySelection = selectedDate();
    emit dayChosen(selectedDate());
}

void MonthCalendar::onClicked(QDate date)
{
    if (m_settingFromProgram)
        return;
    if (date == m_reportedBySelection) {
        m_reportedBySelection = QDate{};
        return;
    }
    emit dayChosen(date);
}

} // namespace salvenor::ui
