#include "month_calendar.h"

#include <algorithm>

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
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
    fitTextToBox();

    connect(this, &QCalendarWidget::selectionChanged, this, &MonthCalendar::onSelectionChanged);
    connect(this, &QCalendarWidget::clicked, this, &MonthCalendar::onClicked);
    if (auto *view = findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview")))
        view->viewport()->installEventFilter(this);
}

void MonthCalendar::makeCompact()
{
    for (const char *name : {"qt_calendar_monthbutton", "qt_calendar_yearbutton", "qt_calendar_yearedit"}) {
        if (auto *child = findChild<QWidget *>(QString::fromLatin1(name)))
            child->setContentsMargins(0, 0, 0, 0);
    }
    for (const char *name : {"qt_calendar_prevmonth", "qt_calendar_nextmonth"}) {
        if (auto *button = findChild<QToolButton *>(QString::fromLatin1(name))) {
            button->setIconSize(QSize{12, 12});
            button->setFixedWidth(18);
        }
    }
    if (auto *navigation = findChild<QWidget *>(QStringLiteral("qt_calendar_navigationbar")))
        navigation->setContentsMargins(0, 0, 0, 0);
}

void MonthCalendar::resizeEvent(QResizeEvent *event)
{
    QCalendarWidget::resizeEvent(event);
    fitTextToBox();
}

void MonthCalendar::fitTextToBox()
{
    auto *view = findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
    if (view == nullptr)
        return;
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setMinimumSectionSize(1);

    const QLocale german = locale();
    QStringList cellTexts{QStringLiteral("30")};
    // The header shows the short day names with their point ("Mo.").
    for (int day = 1; day <= 7; ++day)
        cellTexts << german.standaloneDayName(day, QLocale::ShortFormat) << german.dayName(day, QLocale::ShortFormat);
    QStringList navigationTexts;
    for (int month = 1; month <= 12; ++month)
        navigationTexts << german.standaloneMonthName(month) + QStringLiteral(" 2030");

    // Room for the cell's and the buttons' own margins.
    const int cellWidth = width() / 7 - 8;
    const int cellHeight = (height() - 24) / 7;
    const int navigationWidth = width() - 2 * 18 - 44;
    QFont font = baseFont();
    const auto fits = [&](const QFont &candidate) {
        const QFontMetrics metrics{candidate};
        if (metrics.height() > cellHeight)
            return false;
        for (const QString &text : cellTexts) {
            if (metrics.horizontalAdvance(text) > cellWidth)
                return false;
        }
        for (const QString &text : navigationTexts) {
            if (metrics.horizontalAdvance(text) > navigationWidth)
                return false;
        }
        return true;
    };
    while (!fits(font) && font.pointSizeF() > 5)
        font.setPointSizeF(font.pointSizeF() - 0.25);

    setOwnFont(view, font);
    for (const char *name : {"qt_calendar_monthbutton", "qt_calendar_yearbutton", "qt_calendar_yearedit"}) {
        if (auto *child = findChild<QWidget *>(QString::fromLatin1(name)))
            setOwnFont(child, font);
    }
    // The month button keeps the width of the longest month name: Qt sizes it for the month
    // shown first, and "Dezember" would be cut after paging from "Mai".
    if (auto *monthButton = findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"))) {
        const QFontMetrics metrics{font};
        const int padding = monthButton->sizeHint().width() - metrics.horizontalAdvance(monthButton->text());
        int widest = 0;
        for (int month = 1; month <= 12; ++month)
            widest = std::max(widest, metrics.horizontalAdvance(german.standaloneMonthName(month)));
        monthButton->setMinimumWidth(widest + padding);
    }
    QTextCharFormat header;
    header.setFont(font);
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
