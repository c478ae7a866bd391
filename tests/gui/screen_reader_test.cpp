#include <functional>
#include <memory>
#include <utility>

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include "app/main_window.h"
#include "category_rows.h"
#include "core/categories.h"
#include "gui_helpers.h"
#include "windows/about_window.h"
#include "windows/accessibility.h"
#include "windows/month_calendar.h"
#include "windows/tip_window.h"

using namespace salvenor;
using namespace salvenor::ui;
using salvenor::test::clickDay;
using salvenor::test::pickWithKeys;
using salvenor::test::pickWithMouse;

// What a screen reader learns of the main window: the objects' names, texts and descriptions
// as the accessibility tree gives them, and what the window announces. (The speech itself is
// tested with Orca, tests/e2e/orca_test.sh.)
class ScreenReaderTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void countSelectorSaysItsCategoryAndCount();
    void keysThatPickNothingSayNothing_data();
    void keysThatPickNothingSayNothing();
    void countChangeAnnouncesCountSumAndTotal_data();
    void countChangeAnnouncesCountSumAndTotal();
    void selectorDescriptionCarriesSumsAndExplanation();
    void explanationKeyShowsAndSaysTheExplanation_data();
    void explanationKeyShowsAndSaysTheExplanation();
    void calendarSaysTheChosenDayInFull();
    void chosenDayIsAnnouncedByKeyClickAndEntry();
    void countsClearedByADateAreSaid();
    void daySetByTheProgramIsShownChosen();
    void monthAndYearButtonsSayWhatTheyShow();
    void dateEntryIsANamedObjectOfTheTree();
    void refusedDateIsSaid();
    void windowClosedWithTheEntryOpen();
    void decorationsAreHidden();
    void aDecorationAlreadyDescribedIsHiddenToo();
    void hintPictureIsNamedByItsText();

private:
    QComboBox *selector(const std::string &name) const
    {
        return m_window->control<QComboBox>(QString::fromStdString(name));
    }
    MonthCalendar *calendar(const char *name) const
    {
        return m_window->control<MonthCalendar>(QString::fromLatin1(name));
    }
    QAccessibleInterface *accessible(QObject *object) const { return QAccessible::queryAccessibleInterface(object); }
    Announcer *announcer() const { return m_window->findChild<Announcer *>(); }
    void typeDate(MonthCalendar *target, const QString &text);

    std::unique_ptr<MainWindow> m_window;
};

void ScreenReaderTest::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(20);
    test::silenceOffscreenSizeHintWarnings();
}

void ScreenReaderTest::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->load({QDate{2016, 3, 14}});
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(announcer() != nullptr);
}

void ScreenReaderTest::cleanup()
{
    QToolTip::hideText();
    m_window.reset();
}

void ScreenReaderTest::typeDate(MonthCalendar *target, const QString &text)
{
    QTableView *view = test::calendarView(target);
    view->setFocus();
    QTest::keyClick(view, text.at(0).toLatin1());
    QVERIFY(target->dateEntry() != nullptr);
    QTest::keyClicks(target->dateEntry(), text.mid(1));
    QTest::keyClick(target->dateEntry(), Qt::Key_Return);
}

void ScreenReaderTest::countSelectorSaysItsCategoryAndCount()
{
    // Orca says a combo box's label (or else its name) and reads its count from its text.
    for (const CategoryRules &rules : kCategories) {
        QComboBox *box = selector(rowNames(rules.category).selector);
        QAccessibleInterface *face = accessible(box);
        QCOMPARE(face->role(), QAccessible::ComboBox);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Anzahl ") + QString::fromUtf8(rules.subject));
        // A caption label would be read instead of the name, and a two-line one only in part.
        QVERIFY(face->relations(QAccessible::Label).isEmpty());
        QAccessibleTextInterface *text = face->textInterface();
        QVERIFY2(text != nullptr, "no text: Orca reads no count");
        QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("0"));
        QVERIFY(face->state().expandable);
        QVERIFY(face->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
        QCOMPARE(face->childCount(), 1);
        QCOMPARE(face->child(0)->object(), box->view());
        QCOMPARE(face->indexOfChild(face->child(0)), 0);
        QCOMPARE(face->indexOfChild(accessible(m_window.get())), -1);
        // Read only: nothing selected, no caret to follow.
        QCOMPARE(text->selectionCount(), 0);
        int start = -1;
        int end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(0, 0));
        // One run of plain text, the whole count.
        QVERIFY(text->attributes(0, &start, &end).isEmpty());
        QCOMPARE(std::pair(start, end), std::pair(0, text->characterCount()));
    }
    // A reader's "show menu" opens the list.
    QComboBox *students = selector("Anz_Student");
    accessible(students)->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    QTRY_VERIFY(students->view()->isVisible());
    QVERIFY(accessible(students)->state().expanded);
    students->hidePopup();
    QTRY_VERIFY(!students->view()->isVisible());
    QVERIFY(accessible(students)->state().collapsed);
    // So does "press"; an action it does not offer does nothing.
    accessible(students)->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    QVERIFY(!students->view()->isVisible());
    accessible(students)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(students->view()->isVisible());
    students->hidePopup();
    QTRY_VERIFY(!students->view()->isVisible());
    QComboBox *adults = selector("Anz_Erwachsene");
    pickWithKeys(adults, 12);
    QAccessibleTextInterface *text = accessible(adults)->textInterface();
    QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("12"));
    QCOMPARE(accessible(adults)->text(QAccessible::Value), QStringLiteral("12"));
}

void ScreenReaderTest::keysThatPickNothingSayNothing_data()
{
    // With the texts the X server gives these keys.
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Backspace") << int{Qt::Key_Backspace} << QStringLiteral("\b") << int{Qt::NoModifier};
    QTest::newRow("Delete") << int{Qt::Key_Delete} << QStringLiteral("\x7f") << int{Qt::NoModifier};
    QTest::newRow("Ctrl+A") << int{Qt::Key_A} << QStringLiteral("\x01") << int{Qt::ControlModifier};
    QTest::newRow("a letter") << int{Qt::Key_A} << QStringLiteral("a") << int{Qt::NoModifier};
}

void ScreenReaderTest::keysThatPickNothingSayNothing()
{
    // Qt's combo box hands such keys to its closed list's search, which makes the list's item
    // current and selected; Qt reports that item as focused and Orca says "Auswahl der Anzahl.
    // List with 31 items. 2." as if the list had opened. (Offscreen Qt reports nothing to a
    // reader, so the list's own signals are watched.)
    QFETCH(const int, key);
    QFETCH(const QString, text);
    QFETCH(const int, modifiers);
    QComboBox *adults = selector("Anz_Erwachsene");
    adults->setFocus();
    QTest::keyClick(adults, '2');
    QItemSelectionModel *list = adults->view()->selectionModel();
    QSignalSpy current{list, &QItemSelectionModel::currentChanged};
    QSignalSpy selected{list, &QItemSelectionModel::selectionChanged};
    QTest::sendKeyEvent(
        QTest::Click, adults, static_cast<Qt::Key>(key), text, static_cast<Qt::KeyboardModifiers>(modifiers));
    QCOMPARE(adults->currentText(), QStringLiteral("2"));
    QVERIFY(!adults->view()->isVisible());
    QCOMPARE(current.size(), 0);
    QCOMPARE(selected.size(), 0);
}

void ScreenReaderTest::countChangeAnnouncesCountSumAndTotal_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("typed") << QStringLiteral("typed");
    QTest::newRow("picked with the mouse") << QStringLiteral("mouse");
    QTest::newRow("arrow key") << QStringLiteral("arrow");
}

void ScreenReaderTest::countChangeAnnouncesCountSumAndTotal()
{
    QFETCH(QString, how);
    clickDay(calendar("Abreise"), QDate{2016, 3, 18});
    pickWithKeys(selector("Anz_Kind"), 1);
    QSignalSpy said{announcer(), &Announcer::announced};
    QComboBox *adults = selector("Anz_Erwachsene");
    if (how == QLatin1String("typed")) {
        pickWithKeys(adults, 2);
    } else if (how == QLatin1String("mouse")) {
        pickWithMouse(adults, 2);
    } else {
        adults->setFocus();
        QTest::keyClick(adults, Qt::Key_Down);
        QTest::keyClick(adults, Qt::Key_Down);
    }
    QCOMPARE(adults->currentText(), QStringLiteral("2"));
    QVERIFY(!said.isEmpty());
    QCOMPARE(said.last().at(0).toString(), QStringLiteral("Anzahl Erwachsene, 2"));
    QCOMPARE(said.last().at(1).toString(),
        QStringLiteral("Summe %1 €, Gesamt %2 €")
            .arg(test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 2),
                test::coreTotal(QDate{2016, 3, 14}, QDate{2016, 3, 18},
                    {{PersonCategory::Erwachsene, 2}, {PersonCategory::Kind, 1}})));
    // The announcement is a notification that readers speak as it shows; it takes no room.
    QAccessibleInterface *notice = accessible(announcer());
    QCOMPARE(notice->role(), QAccessible::Notification);
    QCOMPARE(notice->text(QAccessible::Name), QStringLiteral("Anzahl Erwachsene, 2"));
    QCOMPARE(notice->text(QAccessible::Description), said.last().at(1).toString());
    QVERIFY(notice->state().invisible);
    QVERIFY(!notice->state().focusable);
    QCOMPARE(notice->parent()->object(), m_window->control(QStringLiteral("sbStatusBar")));
}

void ScreenReaderTest::selectorDescriptionCarriesSumsAndExplanation()
{
    clickDay(calendar("Abreise"), QDate{2016, 3, 18});
    const auto description = [this](const std::string &name) {
        return accessible(m_window->control(QString::fromStdString(name)))->text(QAccessible::Description);
    };
    QCOMPARE(description("Anz_Erwachsene"), QStringLiteral("Summe 0,00 €, Gesamt 0,00 €"));
    pickWithKeys(selector("Anz_Erwachsene"), 2);
    const QString explanation = m_window->control(QStringLiteral("Summe_Erwachsene"))->toolTip();
    QVERIFY(explanation.contains(
        QStringLiteral("4 Nächte Vorsaison zu %1 €")
            .arg(test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 15}, 1))));
    QCOMPARE(description("Anz_Erwachsene"),
        QStringLiteral("Summe %1 €, Gesamt %1 €\n")
                .arg(test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 2))
            + explanation);
    QCOMPARE(description("Summe_Erwachsene"), QStringLiteral("Summe Erwachsene\n") + explanation);
    // Every row tells the new total.
    QCOMPARE(description("Anz_Kind_Fremd"),
        QStringLiteral("Summe 0,00 €, Gesamt %1 €")
            .arg(test::coreSum(PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 18}, 2)));
    QCOMPARE(description("Summe_Kind_Fremd"), QStringLiteral("Summe Nicht familienangehörige Kinder ab 12 Jahre"));
    // A date click clears them with the figures.
    clickDay(calendar("Abreise"), QDate{2016, 3, 17});
    QCOMPARE(description("Anz_Erwachsene"), QStringLiteral("Summe 0,00 €, Gesamt 0,00 €"));
    QCOMPARE(description("Summe_Erwachsene"), QStringLiteral("Summe Erwachsene"));
}

void ScreenReaderTest::explanationKeyShowsAndSaysTheExplanation_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("F1") << int{Qt::Key_F1} << int{Qt::NoModifier};
    QTest::newRow("Shift+F10") << int{Qt::Key_F10} << int{Qt::ShiftModifier};
}

void ScreenReaderTest::explanationKeyShowsAndSaysTheExplanation()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    clickDay(calendar("Abreise"), QDate{2016, 3, 18});
    QComboBox *children = selector("Anz_Kind");
    pickWithKeys(children, 2);
    const QString explanation = m_window->control(QStringLiteral("Summe_Kind"))->toolTip();
    QVERIFY(explanation.contains(QStringLiteral("Nur ein Kind")));
    QSignalSpy said{announcer(), &Announcer::announced};
    children->setFocus();
    QTest::keyClick(children, static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), explanation);
    QCOMPARE(said.size(), 1);
    QCOMPARE(said.at(0).at(0).toString(), QStringLiteral("Summe Kinder ab 12 Jahre"));
    QCOMPARE(said.at(0).at(1).toString(), explanation);
    // The count stays as it was; the focus too.
    QCOMPARE(children->currentText(), QStringLiteral("2"));
    QCOMPARE(QApplication::focusWidget(), children);

    // A row without a count explains that.
    QToolTip::hideText();
    QComboBox *students = selector("Anz_Student");
    students->setFocus();
    QTest::keyClick(students, static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Keine Person gewählt: kein Kurbeitrag."));
    // Under the sum, from its left edge: where a tooltip for that point stands.
    const auto tipPosition = [] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("qtooltip_label") && top->isVisible())
                return top->pos();
        }
        return QPoint{-1, -1};
    };
    const QPoint shown = tipPosition();
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    auto *sum = m_window->control(QStringLiteral("Summe_Student"));
    QToolTip::showText(
        sum->mapToGlobal(QPoint{0, sum->height()}), QStringLiteral("Keine Person gewählt: kein Kurbeitrag."), sum);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(shown, tipPosition());
}

void ScreenReaderTest::calendarSaysTheChosenDayInFull()
{
    // The focus of a calendar is in its table of days, which says the chosen day in full and
    // holds no day objects of its own (Orca would read a week row of numbers).
    for (const auto &[name, day] : {std::pair{"Anreise", QStringLiteral("Montag, 14. März 2016")},
             std::pair{"Abreise", QStringLiteral("Dienstag, 15. März 2016")}}) {
        QTableView *days = test::calendarView(calendar(name));
        QAccessibleInterface *face = accessible(days);
        QCOMPARE(face->text(QAccessible::Name), day);
        QCOMPARE(face->childCount(), 0);
        QVERIFY(face->state().focusable);
        QVERIFY(!face->text(QAccessible::Description).isEmpty());
    }
    QCOMPARE(spokenDate(QDate{2016, 12, 31}), QStringLiteral("Samstag, 31. Dezember 2016"));
    QCOMPARE(spokenDate(QDate{2001, 1, 1}), QStringLiteral("Montag, 1. Januar 2001"));
}

void ScreenReaderTest::chosenDayIsAnnouncedByKeyClickAndEntry()
{
    MonthCalendar *departure = calendar("Abreise");
    QTableView *days = test::calendarView(departure);
    QSignalSpy said{announcer(), &Announcer::announced};

    days->setFocus();
    QTest::keyClick(days, Qt::Key_Right);
    QCOMPARE(m_window->departure(), QDate(2016, 3, 16));
    QCOMPARE(accessible(days)->text(QAccessible::Name), QStringLiteral("Mittwoch, 16. März 2016"));
    QCOMPARE(said.size(), 1);
    QCOMPARE(said.last().at(0).toString(), QStringLiteral("Mittwoch, 16. März 2016"));
    QCOMPARE(said.last().at(1).toString(), QStringLiteral("Abreisetag, 2 Nächte"));

    clickDay(departure, QDate{2016, 3, 18});
    QCOMPARE(said.last().at(0).toString(), QStringLiteral("Freitag, 18. März 2016"));
    QCOMPARE(said.last().at(1).toString(), QStringLiteral("Abreisetag, 4 Nächte, weiter bei Anzahl Erwachsene"));

    typeDate(calendar("Anreise"), QStringLiteral("1.4.2016"));
    QCOMPARE(m_window->arrival(), QDate(2016, 4, 1));
    QCOMPARE(said.last().at(0).toString(), QStringLiteral("Freitag, 1. April 2016"));
    QCOMPARE(said.last().at(1).toString(), QStringLiteral("Anreisetag, Abreise Samstag, 2. April 2016, 1 Nacht"));
    QCOMPARE(accessible(test::calendarView(calendar("Anreise")))->text(QAccessible::Name),
        QStringLiteral("Freitag, 1. April 2016"));
    QCOMPARE(accessible(days)->text(QAccessible::Name), QStringLiteral("Samstag, 2. April 2016"));
}

void ScreenReaderTest::countsClearedByADateAreSaid()
{
    // A new day sets every count and sum back to 0, which a sighted user sees at once: a reader
    // hears it with the day, and only when a count had been chosen.
    QSignalSpy said{announcer(), &Announcer::announced};
    const QString cleared = QStringLiteral(", alle Anzahlen auf 0, Gesamt 0,00 €");
    QComboBox *children = selector("Anz_Kind");
    children->setFocus();
    QTest::keyClick(children, '1');
    QTableView *arrivalDays = test::calendarView(calendar("Anreise"));
    arrivalDays->setFocus();
    QTest::keyClick(arrivalDays, Qt::Key_Right);
    QCOMPARE(children->currentText(), QStringLiteral("0"));
    QCOMPARE(
        said.last().at(1).toString(), QStringLiteral("Anreisetag, Abreise Mittwoch, 16. März 2016, 1 Nacht") + cleared);
    QTest::keyClick(arrivalDays, Qt::Key_Right);
    QCOMPARE(said.last().at(1).toString(), QStringLiteral("Anreisetag, Abreise Donnerstag, 17. März 2016, 1 Nacht"));

    // The departure: by a key, by a click that moves on to the counts, and after the warning.
    QTableView *departureDays = test::calendarView(calendar("Abreise"));
    for (const auto &[move, detail] :
        {std::pair{std::function<void()>{[&] { QTest::keyClick(departureDays, Qt::Key_Right); }},
             QStringLiteral("Abreisetag, 2 Nächte") + cleared},
            std::pair{std::function<void()>{[&] {
                          clickDay(calendar("Abreise"), QDate{2016, 3, 20});
                      }},
                QStringLiteral("Abreisetag, 4 Nächte") + cleared + QStringLiteral(", weiter bei Anzahl Erwachsene")}}) {
        QTest::keyClick(children, Qt::Key_Down);
        QCOMPARE(children->currentText(), QStringLiteral("1"));
        departureDays->setFocus();
        move();
        QCOMPARE(said.last().at(1).toString(), detail);
    }
}

void ScreenReaderTest::daySetByTheProgramIsShownChosen()
{
    // The departure follows the arrival without telling its table's selection to a reader; the
    // table still shows the new day chosen and the old one no longer.
    MonthCalendar *departure = calendar("Abreise");
    QTableView *days = test::calendarView(departure);
    const auto chosenColourIn = [&](QDate date) {
        const QImage image = days->viewport()->grab().toImage();
        const QRect cell = days->visualRect(test::dayCell(departure, date));
        const QColor highlight = departure->palette().color(QPalette::Highlight);
        const qreal scale = image.devicePixelRatio();
        int count = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x)
                count += QColor{image.pixel(QPoint{x, y} * scale)} == highlight ? 1 : 0;
        }
        return count;
    };
    QVERIFY(chosenColourIn(QDate{2016, 3, 15}) > 20);
    clickDay(calendar("Anreise"), QDate{2016, 3, 20});
    QCOMPARE(m_window->departure(), QDate(2016, 3, 21));
    QTRY_VERIFY(chosenColourIn(QDate{2016, 3, 21}) > 20);
    QCOMPARE(chosenColourIn(QDate{2016, 3, 15}), 0);
    QCOMPARE(days->currentIndex(), test::dayCell(departure, QDate{2016, 3, 21}));
}

void ScreenReaderTest::monthAndYearButtonsSayWhatTheyShow()
{
    MonthCalendar *arrival = calendar("Anreise");
    auto *month = arrival->findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"));
    auto *year = arrival->findChild<QToolButton *>(QStringLiteral("qt_calendar_yearbutton"));
    QCOMPARE(accessible(month)->text(QAccessible::Name), QStringLiteral("März"));
    QCOMPARE(accessible(year)->text(QAccessible::Name), QStringLiteral("2016"));
    QCOMPARE(accessible(month)->text(QAccessible::Description), QStringLiteral("Monat wählen"));
    QCOMPARE(accessible(year)->text(QAccessible::Description), QStringLiteral("Jahr wählen"));
    clickDay(arrival, QDate{2017, 1, 5});
    QCOMPARE(accessible(month)->text(QAccessible::Name), QStringLiteral("Januar"));
    QCOMPARE(accessible(year)->text(QAccessible::Name), QStringLiteral("2017"));
}

void ScreenReaderTest::dateEntryIsANamedObjectOfTheTree()
{
    for (const auto &[name, entryName] : {std::pair{"Anreise", QStringLiteral("Datumseingabe Anreise")},
             std::pair{"Abreise", QStringLiteral("Datumseingabe Abreise")}}) {
        MonthCalendar *target = calendar(name);
        QTableView *days = test::calendarView(target);
        days->setFocus();
        QTest::keyClick(days, '2');
        QLineEdit *entry = target->dateEntry();
        QVERIFY(entry != nullptr);
        QCOMPARE(QApplication::focusWidget(), entry);
        QAccessibleInterface *face = accessible(entry);
        QCOMPARE(face->text(QAccessible::Name), entryName);
        QCOMPARE(face->role(), QAccessible::EditableText);
        QVERIFY(face->state().focused);
        // Reached from the window down, as a reader walks the tree.
        QAccessibleInterface *parent = face->parent();
        QVERIFY(parent != nullptr);
        QVERIFY2(parent->indexOfChild(face) >= 0, "the entry is not among its parent's children");
        bool reached = false;
        std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
            for (int i = 0; i < node->childCount() && !reached; ++i) {
                if (QAccessibleInterface *child = node->child(i)) {
                    reached = reached || child->object() == entry;
                    walk(child);
                }
            }
        };
        walk(accessible(m_window.get()));
        QVERIFY2(reached, qPrintable(entryName));
        // Over the calendar's lowest row, as before.
        const QRect entryBox{entry->mapTo(m_window.get(), QPoint{0, 0}), entry->size()};
        const QRect calendarBox{target->mapTo(m_window.get(), QPoint{0, 0}), target->size()};
        QVERIFY(calendarBox.contains(entryBox));
        QCOMPARE(entryBox.bottom(), calendarBox.bottom());
        QTest::keyClick(entry, Qt::Key_Escape);
        QVERIFY(target->dateEntry() == nullptr);
    }
}

void ScreenReaderTest::refusedDateIsSaid()
{
    MonthCalendar *arrival = calendar("Anreise");
    QSignalSpy said{announcer(), &Announcer::announced};
    typeDate(arrival, QStringLiteral("31.02.2016"));
    QLineEdit *entry = arrival->dateEntry();
    QVERIFY(entry != nullptr);
    const QString reason = QStringLiteral("Den 31.02.2016 gibt es nicht.");
    QCOMPARE(m_window->statusText(), reason);
    QCOMPARE(said.size(), 1);
    QCOMPARE(said.at(0).at(0).toString(), reason);
    // The entry keeps the focus and the reason, for a reader's second look.
    QCOMPARE(QApplication::focusWidget(), entry);
    QCOMPARE(accessible(entry)->text(QAccessible::Description), reason);
    QCOMPARE(m_window->arrival(), QDate(2016, 3, 14));
}

void ScreenReaderTest::windowClosedWithTheEntryOpen()
{
    // The entry stands beside its calendar now; it goes with the window, before or after it.
    QTableView *days = test::calendarView(calendar("Abreise"));
    days->setFocus();
    QTest::keyClick(days, '1');
    QPointer<QLineEdit> entry = calendar("Abreise")->dateEntry();
    QVERIFY(entry != nullptr);
    QTest::keyClicks(entry, QStringLiteral("8.03"));
    m_window.reset();
    QVERIFY(entry.isNull());
}

void ScreenReaderTest::aDecorationAlreadyDescribedIsHiddenToo()
{
    // A reader may have asked about a label before it was hidden: it is told the hidden one after.
    QWidget window;
    auto *label = new QLabel(QStringLiteral("Nächte ="), &window);
    QCOMPARE(accessible(label)->text(QAccessible::Name), QStringLiteral("Nächte ="));
    hideFromAssistiveTechnology(label);
    QAccessibleInterface *face = accessible(label);
    QVERIFY(face->state().invisible);
    QVERIFY(!face->state().focusable);
    QVERIFY(face->text(QAccessible::Name).isEmpty());
    QCOMPARE(face->childCount(), 0);
    QVERIFY(face->child(0) == nullptr);
    // Hiding it again leaves it hidden.
    hideFromAssistiveTechnology(label);
    QVERIFY(accessible(label)->state().invisible);
}

void ScreenReaderTest::decorationsAreHidden()
{
    // Beside figures that say their unit ("4 Nächte", "18,40 €").
    QStringList hidden{QStringLiteral("Label21")};
    for (int i = 8; i <= 19; ++i)
        hidden << QStringLiteral("Label%1").arg(i);
    for (const QString &name : hidden) {
        QWidget *label = m_window->control(name);
        QVERIFY2(label != nullptr, qPrintable(name));
        QVERIFY(label->isVisible());
        QAccessibleInterface *face = accessible(label);
        QVERIFY2(face->state().invisible, qPrintable(name));
        QVERIFY2(!face->state().focusable, qPrintable(name));
        QVERIFY2(face->text(QAccessible::Name).isEmpty(), qPrintable(name));
    }
    // The figures and the "x" stay.
    for (const char *name : {"Tage_Erwachsene", "Summe_Erwachsene", "End_Summe_Gesamt", "Label1"})
        QVERIFY(!accessible(m_window->control(QString::fromLatin1(name)))->state().invisible);
    QCOMPARE(accessible(m_window->control(QStringLiteral("Logo_KV")))->text(QAccessible::Name),
        QStringLiteral("Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH"));

    AboutWindow about;
    about.show();
    QAccessibleInterface *icon = accessible(about.findChild<QLabel *>(QStringLiteral("picIcon")));
    QVERIFY(icon->state().invisible);
    QVERIFY(icon->text(QAccessible::Name).isEmpty());
}

void ScreenReaderTest::hintPictureIsNamedByItsText()
{
    for (const auto &[kind, heading] : {std::pair{TipKind::Kind, QStringLiteral("Hinweise zum Kinderkurbeitrag")},
             std::pair{TipKind::Schwer, QStringLiteral("Hinweise zur Schwerbehinderung")},
             std::pair{TipKind::AnAbreise, QStringLiteral("Hinweis zur Kurbeitragsberechnung")}}) {
        TipWindow tip{kind};
        tip.show();
        QAccessibleInterface *picture = accessible(tip.findChild<QLabel *>(QStringLiteral("Picture1")));
        QCOMPARE(picture->text(QAccessible::Name), heading);
        QVERIFY(!picture->state().invisible);
    }
}

QTEST_MAIN(ScreenReaderTest)
#include "screen_reader_test.moc"
