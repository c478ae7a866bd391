#pragma once

#include <functional>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QMessageBox>
#include <QStringList>
#include <QStyle>
#include <QStyleHints>
#include <QTableView>
#include <QTest>
#include <QTextCharFormat>
#include <QTimer>

namespace salvenor::test {

// The offscreen platform warns at every fixed-size window it shows; the warning says nothing
// about the program.
inline void silenceOffscreenSizeHintWarnings()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
        if (message.contains(QLatin1String("does not support propagateSizeHints")))
            return;
        if (previous)
            previous(type, context, message);
    });
}

inline QTableView *calendarView(QCalendarWidget *calendar)
{
    return calendar->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
}

// The texts that the calendar's item delegate would elide, as "text in N px": a column header or
// a two-digit day wider than its column between the delegate's margins. Empty when all are whole.
inline QStringList elidedCalendarTexts(QCalendarWidget *calendar)
{
    QTableView *view = calendarView(calendar);
    const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    const QFontMetrics headerMetrics{calendar->headerTextFormat().font()};
    const QFontMetrics dayMetrics{view->font()};
    QStringList elided;
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        const int width = view->columnWidth(column);
        const QString header = view->model()->index(0, column).data().toString();
        if (headerMetrics.horizontalAdvance(header) + margins > width)
            elided << QStringLiteral("%1 in %2 px").arg(header).arg(width);
        if (dayMetrics.horizontalAdvance(QStringLiteral("30")) + margins > width)
            elided << QStringLiteral("30 in %1 px").arg(width);
    }
    return elided;
}

// The cell of `date` on the calendar's current page. Days of the neighbouring months stand in
// the first row (late days) and the last rows (early days), so a day number that appears twice
// is the current month's in the row that fits.
inline QModelIndex dayCell(QCalendarWidget *calendar, QDate date)
{
    QTableView *view = calendarView(calendar);
    QAbstractItemModel *model = view->model();
    QModelIndex found;
    for (int row = 1; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            if (index.data().toInt() != date.day())
                continue;
            if (!found.isValid() || date.day() >= 15)
                found = index;
        }
    }
    return found;
}

// Shows the date's month and clicks the date's cell with the mouse.
inline void clickDay(QCalendarWidget *calendar, QDate date)
{
    calendar->setCurrentPage(date.year(), date.month());
    QTableView *view = calendarView(calendar);
    const QModelIndex cell = dayCell(calendar, date);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(cell).center());
}

// Picks a count in a selector by mouse: opens the list and clicks the item.
inline void pickWithMouse(QComboBox *selector, int count)
{
    QTest::mouseClick(selector, Qt::LeftButton);
    QAbstractItemView *list = selector->view();
    QTRY_VERIFY(list->isVisible());
    // The list ignores a release that follows its opening within the double-click interval.
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 10);
    const QModelIndex item = list->model()->index(count, 0);
    list->scrollTo(item);
    const QPoint centre{list->viewport()->width() / 2, list->visualRect(item).center().y()};
    QTest::mouseMove(list->viewport(), centre);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTRY_VERIFY(!list->isVisible());
}

// Picks a count by keyboard: the selector takes the focus and the digits are typed.
inline void pickWithKeys(QComboBox *selector, int count)
{
    selector->setFocus();
    // Digits typed in quick succession add up ("2", "0" is 20); any other key starts a new number,
    // as a pause would.
    QTest::keyClick(selector, Qt::Key_Shift);
    QTest::keyClicks(selector, QString::number(count));
}

// Runs `inspect` on the next modal message box and accepts it, from within its event loop.
inline void whenMessageBoxShows(std::function<void(QMessageBox *)> inspect)
{
    QTimer::singleShot(0, [inspect = std::move(inspect)] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr) {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *candidate = qobject_cast<QMessageBox *>(widget); candidate && candidate->isVisible())
                    box = candidate;
            }
        }
        if (box == nullptr)
            return;
        inspect(box);
        box->button(QMessageBox::Ok)->click();
    });
}

// Runs `act` on the first visible top-level widget of type T once it shows, from within the
// event loop that shows it; gives up after `limitMs`.
template<typename T> void whenWindowShows(std::function<void(T *)> act, int limitMs = 30000)
{
    auto *poll = new QTimer;
    auto *waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, [poll, waited, act = std::move(act), limitMs] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<T *>(widget); window != nullptr && window->isVisible()) {
                poll->stop();
                poll->deleteLater();
                delete waited;
                act(window);
                return;
            }
        }
        if (waited->elapsed() > limitMs) {
            poll->stop();
            poll->deleteLater();
            delete waited;
        }
    });
    poll->start(5);
}

} // namespace salvenor::test
