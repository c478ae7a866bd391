#include "month_calendar.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>

#include "accessibility.h"
#include "core/date.h"
#include "fonts.h"

namespace salvenor::ui {

namespace {

// A refused text as the reason quotes it: a long paste is cut in the message only.
QString elided(const QString &text)
{
    constexpr qsizetype kShown = 20;
    return text.size() <= kShown ? text : text.left(kShown) + QChar{0x2026};
}

// The table of days, as a screen reader meets it: one object that says the chosen day in full
// ("Montag, 14. März 2016"). Qt's own table makes every day a cell and Orca reads a whole week
// row of bare numbers ("14. 15. … 20."), never the month or the year.
class DayTableAccessible final : public QAccessibleWidget
{
public:
    DayTableAccessible(QWidget *view, MonthCalendar *calendar)
        : QAccessibleWidget(view, QAccessible::Table)
        , m_calendar(calendar)
    { }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return spokenDate(m_calendar->selectedDate());
        if (t == QAccessible::Description)
            return QStringLiteral("Pfeil- und Bildtasten wechseln den Tag, Eingabe wählt ihn, Ziffern öffnen die "
                                  "Datumseingabe");
        return QAccessibleWidget::text(t);
    }
    // The days are no objects of their own: the name says the chosen one. Qt's table still reports
    // its current and selected day by the day's index; such a report is about this object.
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int /*index*/) const override
    {
        return QAccessible::queryAccessibleInterface(widget());
    }

private:
    MonthCalendar *m_calendar;
};

// One of the children Qt's calendar builds for itself, found by the name Qt gives it (there is no
// API for them): a Qt that names them otherwise fails here, naming the child, instead of leaving
// the calendar half styled or a handler without its table.
template<typename T> T *qtChild(const QWidget *calendar, const char *name)
{
    auto *child = calendar->findChild<T *>(QString::fromLatin1(name));
    if (child == nullptr)
        throw std::logic_error(std::string{"the calendar has no child "} + name + " of the needed kind");
    return child;
}

QAccessibleInterface *dayTableAccessible(const QString &className, QObject *object)
{
    if (className != QLatin1String("QCalendarView") || !object->isWidgetType())
        return nullptr;
    auto *calendar = qobject_cast<MonthCalendar *>(object->parent());
    return calendar != nullptr ? new DayTableAccessible(static_cast<QWidget *>(object), calendar) : nullptr;
}

} // namespace

MonthCalendar::MonthCalendar(QWidget *parent)
    : QCalendarWidget(parent)
    , m_days(qtChild<QTableView>(this, "qt_calendar_calendarview"))
    , m_monthButton(qtChild<QToolButton>(this, "qt_calendar_monthbutton"))
    , m_yearButton(qtChild<QWidget>(this, "qt_calendar_yearbutton"))
    , m_yearEdit(qtChild<QWidget>(this, "qt_calendar_yearedit"))
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(dayTableAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setLocale(QLocale{QLocale::German, QLocale::Germany});
    setFirstDayOfWeek(Qt::Monday);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    setGridVisible(false);
    // The month bar and the chosen day are white on this blue: dark enough to read at 4.5 : 1 and
    // more (Fusion's lighter blue gives 3.5 : 1).
    QPalette colours = palette();
    colours.setColor(QPalette::Highlight, QColor{0, 90, 156});
    colours.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colours);
    // Qt's own typed-date editor shows garbage for partial dates and applies a wrong day silently.
    setDateEditEnabled(false);
    makeCompact();
    fitTextToBox();

    connect(this, &QCalendarWidget::selectionChanged, this, &MonthCalendar::onSelectionChanged);
    connect(this, &QCalendarWidget::clicked, this, &MonthCalendar::onClicked);
    m_days->viewport()->installEventFilter(this);
    m_days->installEventFilter(this);
    // The focus shows as a frame round the days, as the count selectors and buttons show it.
    m_days->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_days->setLineWidth(kFocusFrameWidth);
    showFocusFrame(m_days, false);
    // The table was built (and may have been shown to a reader) before this calendar's own
    // description of it could be installed: a description made before is dropped.
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(m_days);
        made != nullptr && dynamic_cast<DayTableAccessible *>(made) == nullptr)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    // A reader keeps names it was told; the day table's name changes with the chosen day.
    connect(this, &QCalendarWidget::selectionChanged, this, &MonthCalendar::tellChosenDay);
    // A refused date's reason stays with the entry, where a reader finds it again.
    connect(this, &MonthCalendar::entryRefused, this, [this](const QString &reason) {
        if (m_entry != nullptr)
            m_entry->setAccessibleDescription(reason);
    });
}

void MonthCalendar::tellChosenDay()
{
    QAccessibleEvent named{m_days, QAccessible::NameChanged};
    QAccessible::updateAccessibility(&named);
}

void MonthCalendar::setDateEntryName(const QString &name)
{
    m_entryName = name;
    if (m_entry != nullptr)
        m_entry->setAccessibleName(name);
}

void MonthCalendar::showFocusFrame(QTableView *view, bool focused)
{
    // A plain frame takes the WindowText colour of its widget (the days take Text): only that
    // colour is set here, the others stay inherited.
    const QPalette inherited = view->palette();
    QPalette frameColour;
    frameColour.setColor(QPalette::WindowText, inherited.color(focused ? QPalette::Highlight : QPalette::Base));
    view->setPalette(frameColour);
}

void MonthCalendar::makeCompact()
{
    for (QWidget *child : {static_cast<QWidget *>(m_monthButton), m_yearButton, m_yearEdit})
        child->setContentsMargins(0, 0, 0, 0);
    for (const char *name : {"qt_calendar_prevmonth", "qt_calendar_nextmonth"}) {
        auto *button = qtChild<QToolButton>(this, name);
        button->setIconSize(QSize{12, 12});
        button->setFixedWidth(18);
    }
    qtChild<QWidget>(this, "qt_calendar_navigationbar")->setContentsMargins(0, 0, 0, 0);
    // What a screen reader says of the navigation: Qt leaves these buttons without names. The
    // month and year buttons are read by what they show ("März", "2016") and say what they do.
    const std::pair<const char *, const char *> names[] = {
        {"qt_calendar_prevmonth", "Vorheriger Monat"},
        {"qt_calendar_nextmonth", "Nächster Monat"},
        {"qt_calendar_yearedit", "Jahr"},
    };
    for (const auto &[child, name] : names)
        qtChild<QWidget>(this, child)->setAccessibleName(QString::fromUtf8(name));
    const std::pair<const char *, const char *> descriptions[] = {
        {"qt_calendar_monthbutton", "Monat wählen"},
        {"qt_calendar_yearbutton", "Jahr wählen"},
    };
    for (const auto &[child, description] : descriptions)
        qtChild<QWidget>(this, child)->setAccessibleDescription(QString::fromUtf8(description));
}

void MonthCalendar::resizeEvent(QResizeEvent *event)
{
    QCalendarWidget::resizeEvent(event);
    fitTextToBox();
}

void MonthCalendar::fitTextToBox()
{
    m_days->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_days->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_days->horizontalHeader()->setMinimumSectionSize(1);
    m_days->verticalHeader()->setMinimumSectionSize(1);
    const QFont font = largestFittingFont();
    setOwnFont(m_days, font);
    useFont(font);
}

QFont MonthCalendar::largestFittingFont() const
{
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
    const auto widestOf = [](const QFontMetrics &metrics, const QStringList &texts) {
        int widest = 0;
        for (const QString &text : texts)
            widest = std::max(widest, metrics.horizontalAdvance(text));
        return widest;
    };
    const auto fits = [&](const QFont &candidate) {
        const QFontMetrics metrics{candidate};
        return metrics.height() <= cellHeight && widestOf(metrics, cellTexts) <= cellWidth
            && widestOf(metrics, navigationTexts) <= navigationWidth;
    };
    QFont font = baseFont();
    while (!fits(font) && font.pointSizeF() > 5)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    return font;
}

void MonthCalendar::useFont(const QFont &font)
{
    for (QWidget *child : {static_cast<QWidget *>(m_monthButton), m_yearButton, m_yearEdit})
        setOwnFont(child, font);
    // The month button keeps the width of the longest month name: Qt sizes it for the month
    // shown first, and "Dezember" would be cut after paging from "Mai".
    const QFontMetrics metrics{font};
    const int padding = m_monthButton->sizeHint().width() - metrics.horizontalAdvance(m_monthButton->text());
    int widest = 0;
    for (int month = 1; month <= 12; ++month)
        widest = std::max(widest, metrics.horizontalAdvance(locale().standaloneMonthName(month)));
    m_monthButton->setMinimumWidth(widest + padding);
    QTextCharFormat header;
    header.setFont(font);
    setHeaderTextFormat(header);
}

void MonthCalendar::setDateFromProgram(QDate date)
{
    m_settingFromProgram = true;
    {
        // Qt's table of days tells a screen reader that its new current day has the focus, also
        // when the keyboard is elsewhere: Orca would follow the departure calendar set after an
        // arrival. The table learns of the change by repainting only.
        const QSignalBlocker quiet{m_days->selectionModel()};
        setSelectedDate(date);
        setCurrentPage(date.year(), date.month());
        m_days->viewport()->update();
    }
    m_settingFromProgram = false;
}

bool MonthCalendar::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_reportedBySelection = QDate{};
        m_mouseDown = true;
        break;
    case QEvent::MouseButtonRelease:
        // The view changes the date as it takes the release, after this filter: a click still.
        QMetaObject::invokeMethod(
            this, [this] { m_mouseDown = false; }, Qt::QueuedConnection);
        break;
    case QEvent::KeyPress:
        if (watched == m_entry) {
            if (entryKeyPressed(static_cast<QKeyEvent *>(event)))
                return true;
        } else if (watched->isWidgetType() && static_cast<QWidget *>(watched)->parentWidget() == this) {
            if (calendarKeyPressed(static_cast<QKeyEvent *>(event)))
                return true;
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (watched == m_entry && event->type() == QEvent::FocusOut) {
            // A menu, a window in front or another program has the focus for a while only and gives
            // it back to the entry, which it cannot do to a closed one.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason
                && reason != Qt::ActiveWindowFocusReason)
                QMetaObject::invokeMethod(this, &MonthCalendar::closeDateEntry, Qt::QueuedConnection);
        }
        if (auto *view = qobject_cast<QTableView *>(watched))
            showFocusFrame(view, event->type() == QEvent::FocusIn);
        break;
    default:
        break;
    }
    return QCalendarWidget::eventFilter(watched, event);
}

bool MonthCalendar::entryKeyPressed(const QKeyEvent *key)
{
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        commitDateEntry();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        closeDateEntry();
        return true;
    }
    return false;
}

bool MonthCalendar::calendarKeyPressed(const QKeyEvent *key)
{
    if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier)
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space) {
        // As a click on the selected day.
        emit dayChosen(selectedDate(), DayChoice::Click);
        return true;
    }
    if (key->text().size() == 1 && key->text().at(0).isDigit()) {
        openDateEntry(key->text());
        return true;
    }
    return false;
}

void MonthCalendar::openDateEntry(const QString &firstDigit)
{
    if (m_entry == nullptr) {
        // Beside the calendar, not inside it: Qt's calendar shows a reader only its navigation and
        // its days, and an entry inside it would be no object of the accessibility tree.
        m_entry = new QLineEdit(parentWidget() != nullptr ? parentWidget() : this);
        m_entry->setObjectName(QStringLiteral("Datumseingabe"));
        m_entry->setAccessibleName(m_entryName);
        m_entry->setPlaceholderText(QStringLiteral("TT.MM.JJJJ"));
        m_entry->setFont(m_days->font());
        // Tab and Shift+Tab leave the entry as they would leave the calendar.
        QWidget::setTabOrder(this, m_entry);
    }
    m_entryOpen = true;
    // A reason given at the last opening is not said again.
    m_entry->setAccessibleDescription(
        QStringLiteral("Tag.Monat.Jahr, zum Beispiel 14.03.2016; Eingabe übernimmt, Escape verwirft"));
    m_entry->installEventFilter(this);
    const int height = m_entry->sizeHint().height();
    const QPoint corner = m_entry->parentWidget() == this ? QPoint{0, 0} : pos();
    m_entry->setGeometry(corner.x(), corner.y() + this->height() - height, width(), height);
    m_entry->show();
    m_entry->raise();
    // The focus first, then the digit: a reader that learns of the text first moves to the entry
    // silently and never says what it is.
    m_entry->setFocus(Qt::OtherFocusReason);
    m_entry->setText(firstDigit);
}

void MonthCalendar::closeDateEntry()
{
    if (!m_entryOpen)
        return;
    m_entryOpen = false;
    m_entry->removeEventFilter(this);
    // The focus moves first and the entry is kept, hidden, for the next digit: a screen reader
    // asks about the object the focus left while it speaks the new one, and says nothing at all
    // when that object is gone.
    if (m_entry->hasFocus())
        m_days->setFocus(Qt::OtherFocusReason);
    m_entry->hide();
    m_entry->clear();
}

void MonthCalendar::commitDateEntry()
{
    const QString text = m_entry->text();
    // The entry takes any length, so that nothing typed is cut off unseen; a longer text is refused.
    constexpr qsizetype kFormLength = 10;
    if (text.trimmed().size() > kFormLength) {
        emit entryRefused(QStringLiteral("Die Eingabe \u201E%1\u201C ist länger als ein Datum der Form TT.MM.JJJJ.")
                              .arg(elided(text.trimmed())));
        m_entry->selectAll();
        return;
    }
    // Also "14.3.16" and "14,03,2016" (the decimal key of a German keypad), as the booking lists.
    const ParsedDate parsed = parseEnteredDate(text.trimmed().toStdString());
    if (parsed.kind == DateTextKind::NotADate) {
        emit entryRefused(QStringLiteral("Die Eingabe \u201E%1\u201C ist kein Datum der Form TT.MM.JJJJ.").arg(text));
        m_entry->selectAll();
        return;
    }
    const QString shown = QStringLiteral("%1.%2.%3")
                              .arg(parsed.day, 2, 10, QLatin1Char('0'))
                              .arg(parsed.month, 2, 10, QLatin1Char('0'))
                              .arg(parsed.year, 4, 10, QLatin1Char('0'));
    if (parsed.kind == DateTextKind::NoSuchDay) {
        emit entryRefused(QStringLiteral("Den %1 gibt es nicht.").arg(shown));
        m_entry->selectAll();
        return;
    }
    const QDate date{yearOf(parsed.date), static_cast<int>(static_cast<unsigned>(parsed.date.month())),
        static_cast<int>(static_cast<unsigned>(parsed.date.day()))};
    if (date < minimumDate() || date > maximumDate()) {
        emit entryRefused(QStringLiteral("Der %1 liegt außerhalb des Kalenders (%2 bis %3).")
                              .arg(shown, minimumDate().toString(QStringLiteral("dd.MM.yyyy")),
                                  maximumDate().toString(QStringLiteral("dd.MM.yyyy"))));
        m_entry->selectAll();
        return;
    }
    closeDateEntry();
    setDateFromProgram(date);
    emit dayChosen(date, DayChoice::Click);
}

void MonthCalendar::onSelectionChanged()
{
    if (m_settingFromProgram)
        return;
    m_reportedBySelection = selectedDate();
    emit dayChosen(selectedDate(), m_mouseDown ? DayChoice::Click : DayChoice::KeyboardMove);
}

void MonthCalendar::onClicked(QDate date)
{
    if (m_settingFromProgram)
        return;
    if (date == m_reportedBySelection) {
        m_reportedBySelection = QDate{};
        return;
    }
    emit dayChosen(date, DayChoice::Click);
}

} // namespace salvenor::ui
