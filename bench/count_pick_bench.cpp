// One count pick on the main window, from the key on the selector to the repainted total.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QStyleFactory>
#include <QTest>

#include "app/main_window.h"

using salvenor::ui::MainWindow;

class CountPickBench final : public QObject
{
    Q_OBJECT

private slots:
    void countPick();
};

void CountPickBench::countPick()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    MainWindow window;
    window.load({QDate{2016, 11, 1}});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *selector = window.control<QComboBox>(QStringLiteral("Anz_Kind"));
    auto *total = window.control<QLabel>(QStringLiteral("End_Summe_Gesamt"));
    selector->setFocus();
    bool up = false;
    QBENCHMARK
    {
        QTest::keyClick(selector, up ? Qt::Key_Up : Qt::Key_Down);
        total->repaint();
        up = !up;
    }
    QVERIFY(total->text() == QStringLiteral("0,40") || total->text() == QStringLiteral("0,00"));
}

QTEST_MAIN(CountPickBench)
#include "count_pick_bench.moc"
