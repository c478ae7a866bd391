#include <malloc.h>

#include <QApplication>
#include <QMainWindow>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include "windows/about_window.h"
#include "windows/tip_window.h"

using namespace salvenor::ui;

// Opens and closes the hint and about windows 500 times on a real X server: the heap must stay
// flat. Run by tests/e2e/xvfb_run.sh (optimised build only: the sanitizers own the heap there).
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

void openAndClose(QWidget *owner, int opening)
{
    QTimer::singleShot(0, owner, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    if (opening % 4 == 3) {
        AboutWindow about{owner};
        about.exec();
        return;
    }
    const TipKind kinds[] = {TipKind::AnAbreise, TipKind::Kind, TipKind::Schwer};
    TipWindow tip{kinds[opening % 4], owner};
    tip.exec();
}

} // namespace

void DialogHeapTest::heapStaysFlatOverFiveHundredOpenings()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real X server");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QMainWindow owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    // Caches (fonts, style, glyphs) fill during the first openings.
    for (int opening = 0; opening < 100; ++opening)
        openAndClose(&owner, opening);
    QTest::qWait(100);
    malloc_trim(0);
    const std::size_t before = heapInUse();
    for (int opening = 0; opening < 500; ++opening)
        openAndClose(&owner, opening);
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
