#include <malloc.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/application.h"
#include "app/main_window.h"

using namespace salvenor::ui;

// Opens and closes the hint and about windows 500 times on a real X server, from the main window's
// buttons and menu with the program's own look: the heap must stay flat. Run by
// tests/e2e/xvfb_run.sh (optimised build only: the sanitizers own the heap there).
class DialogHeapTest final : public QObject
{
    Q_OBJECT

private slots:
    void heapStaysFlatOverFiveHundredOpenings();
};

namespace {

std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

void openAndClose(MainWindow &window, int opening)
{
    QTimer::singleShot(0, &window, [] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            // Painted, as the user sees it, before it closes.
            QVERIFY(QTest::qWaitForWindowExposed(modal));
            QCoreApplication::processEvents();
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    const char *const buttons[] = {"cmdAnAbreise", "cmdKinderKB", "cmdSchwer"};
    if (opening % 4 == 3)
        window.aboutAction()->trigger();
    else
        window.control<QPushButton>(QString::fromLatin1(buttons[opening % 4]))->click();
}

} // namespace

void DialogHeapTest::heapStaysFlatOverFiveHundredOpenings()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real X server");
    useDesignLook(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    MainWindow window;
    window.load(QDate{2016, 3, 14});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Caches (fonts, style, glyphs) fill during the first openings.
    for (int opening = 0; opening < 100; ++opening)
        openAndClose(window, opening);
    QTest::qWait(100);
    malloc_trim(0);
    const std::size_t before = heapInUse();
    for (int opening = 0; opening < 500; ++opening)
        openAndClose(window, opening);
    QTest::qWait(100);
    malloc_trim(0);
    const std::size_t after = heapInUse();
    const double growthPerOpening = (static_cast<double>(after) - static_cast<double>(before)) / 500;
    qInfo("heap in use: %zu bytes before, %zu after 500 openings (%.1f bytes per opening)", before, after,
        growthPerOpening);
    QVERIFY2(growthPerOpening < 1000, qPrintable(QString::number(growthPerOpening)));
}

QTEST_MAIN(DialogHeapTest)
#include "dialog_heap_test.moc"
