#include <algorithm>
#include <cups/cups.h>
#include <memory>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "gui_helpers.h"
#include "windows/month_calendar.h"

using namespace salvenor::ui;
using namespace std::chrono_literals;

// Printing against real print services that misbehave: one that never answers, one that lists
// its printers but never takes a job, a queue that refuses jobs, a printer removed while the
// dialog is open, and 99 copies to a queue that holds them. The services are started by
// tests/e2e/print_service_test.sh, which names them in the environment. In every case the
// window keeps answering, and no copy that did not reach the printer passes for printed.
class PrintServiceTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void silentServiceStillLetsTheSheetBeSavedAsPdf();
    void serviceThatNeverTakesTheJobIsReported();
    void queueThatRefusesJobsIsReported();
    void printerRemovedWhileTheDialogIsOpenIsReported();
    void ninetyNineCopiesGoOutWhileTheWindowAnswers();
    void cancelStopsAfterTheCurrentCopy();

private:
    static QByteArray server(const char *variable);
    static void useServer(const QByteArray &address);
    void enterTypicalRequest();
    // Clicks the print button; in the dialog picks `queue` and `copies` and prints.
    void printThroughDialog(const QString &queue, int copies, const std::function<void()> &beforePrint = {});
    int jobsHeldIn(const QString &queue) const;
    void cancelJobsIn(const QString &queue) const;
    QMessageBox *failureBox() const;

    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
};

namespace {

// Measures how long the event loop leaves a 10 ms timer waiting: the window's answer time.
class AnswerTimeProbe
{
public:
    AnswerTimeProbe()
    {
        QObject::connect(&m_tick, &QTimer::timeout, [this] { m_longest = std::max(m_longest, m_sinceLast.restart()); });
        m_tick.start(10);
        m_sinceLast.start();
    }
    qint64 longestMs() const { return m_longest; }

private:
    QTimer m_tick;
    QElapsedTimer m_sinceLast;
    qint64 m_longest = 0;
};

constexpr qint64 kAnswerLimitMs = 100;

} // namespace

QByteArray PrintServiceTest::server(const char *variable)
{
    return qgetenv(variable);
}

void PrintServiceTest::useServer(const QByteArray &address)
{
    // New threads read the variable; this thread's print library is told directly.
    qputenv("CUPS_SERVER", address);
    cupsSetServer(address.constData());
}

void PrintServiceTest::initTestCase()
{
    if (server("SALVENOR_CUPS_SERVER").isEmpty())
        QSKIP("needs the print services of tests/e2e/print_service_test.sh");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    salvenor::test::silenceOffscreenSizeHintWarnings();
    QVERIFY(m_dir.isValid());
}

void PrintServiceTest::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->load({QDate{2016, 3, 14}});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void PrintServiceTest::cleanup()
{
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 30000);
    if (QMessageBox *box = failureBox())
        box->close();
    m_window.reset();
}

void PrintServiceTest::enterTypicalRequest()
{
    salvenor::test::clickDay(m_window->control<MonthCalendar>(QStringLiteral("Abreise")), QDate{2016, 3, 18});
    salvenor::test::pickWithKeys(m_window->control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 2);
    QCOMPARE(m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text(), QStringLiteral("18,40"));
}

void PrintServiceTest::printThroughDialog(const QString &queue, int copies, const std::function<void()> &beforePrint)
{
    bool printed = false;
    salvenor::test::whenWindowShows<QPrintDialog>([&](QPrintDialog *dialog) {
        auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
        auto *copiesBox = dialog->findChild<QSpinBox *>(QStringLiteral("copies"));
        if (printers == nullptr || copiesBox == nullptr || printers->findText(queue) < 0) {
            dialog->reject();
            return;
        }
        printers->setCurrentIndex(printers->findText(queue));
        copiesBox->setValue(copies);
        if (beforePrint)
            beforePrint();
        dialog->accept();
        printed = true;
    });
    QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    QVERIFY2(printed, qPrintable(QStringLiteral("the dialog did not offer %1").arg(queue)));
}

int PrintServiceTest::jobsHeldIn(const QString &queue) const
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"),
        {QStringLiteral("-h"), QString::fromLatin1(server("SALVENOR_CUPS_SERVER")), QStringLiteral("-o"), queue});
    lpstat.waitForFinished(30000);
    return static_cast<int>(lpstat.readAllStandardOutput().count('\n'));
}

void PrintServiceTest::cancelJobsIn(const QString &queue) const
{
    QProcess::execute(QStringLiteral("cancel"),
        {QStringLiteral("-h"), QString::fromLatin1(server("SALVENOR_CUPS_SERVER")), QStringLiteral("-a"), queue});
}

QMessageBox *PrintServiceTest::failureBox() const
{
    return m_window->findChild<QMessageBox *>(QStringLiteral("printFailed"));
}

void PrintServiceTest::silentServiceStillLetsTheSheetBeSavedAsPdf()
{
    useServer(server("SALVENOR_SILENT_SERVER"));
    enterTypicalRequest();
    m_window->setPrintTimeouts({.lookup = 1500ms, .answer = 2000ms});
    const QString pdf = m_dir.filePath(QStringLiteral("silent.pdf"));

    QString message;
    salvenor::test::whenWindowShows<QMessageBox>([&](QMessageBox *box) {
        message = box->text();
        for (QAbstractButton *button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::AcceptRole)
                button->click();
        }
    });
    salvenor::test::whenWindowShows<QFileDialog>([&](QFileDialog *dialog) {
        dialog->selectFile(pdf);
        if (auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox")))
            buttons->button(QDialogButtonBox::Save)->click();
    });
    AnswerTimeProbe probe;
    QElapsedTimer clicked;
    clicked.start();
    QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    QVERIFY2(clicked.elapsed() < 5000, qPrintable(QString::number(clicked.elapsed())));
    QVERIFY2(message.contains(QStringLiteral("Der Druckdienst antwortet nicht")), qPrintable(message));
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 10000);
    QVERIFY(failureBox() == nullptr);
    qInfo("longest answer time while looking for printers: %lld ms", probe.longestMs());
    QVERIFY2(probe.longestMs() < kAnswerLimitMs, qPrintable(QString::number(probe.longestMs())));

    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    QVERIFY2(text.contains(QStringLiteral("Kurbeitragsberechnung")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("18,40 €")), qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("Kurbeitragsberechnung")), 1);
}

void PrintServiceTest::serviceThatNeverTakesTheJobIsReported()
{
    useServer(server("SALVENOR_STALLING_SERVER"));
    enterTypicalRequest();
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 2000ms});
    printThroughDialog(QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE")), 3);
    QVERIFY(m_window->isPrinting());
    AnswerTimeProbe probe;
    // While the copy hangs, the window takes a date click as always.
    salvenor::test::clickDay(m_window->control<MonthCalendar>(QStringLiteral("Anreise")), QDate{2016, 3, 20});
    QCOMPARE(m_window->statusText(), QStringLiteral("Anreisetag = So. 20.03.2016"));
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 15000);
    QVERIFY2(failureBox()->text().contains(QStringLiteral("Von 3 Exemplaren wurden 0 gedruckt")),
        qPrintable(failureBox()->text()));
    QVERIFY(failureBox()->text().contains(QStringLiteral("nicht rechtzeitig")));
    qInfo("longest answer time while a copy hangs: %lld ms", probe.longestMs());
    QVERIFY2(probe.longestMs() < kAnswerLimitMs, qPrintable(QString::number(probe.longestMs())));
}

void PrintServiceTest::queueThatRefusesJobsIsReported()
{
    useServer(server("SALVENOR_CUPS_SERVER"));
    printThroughDialog(QString::fromLatin1(qgetenv("SALVENOR_REJECTING_QUEUE")), 2);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 15000);
    QVERIFY2(failureBox()->text().contains(QStringLiteral("Von 2 Exemplaren wurden 0 gedruckt")),
        qPrintable(failureBox()->text()));
}

void PrintServiceTest::printerRemovedWhileTheDialogIsOpenIsReported()
{
    useServer(server("SALVENOR_CUPS_SERVER"));
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_REMOVABLE_QUEUE"));
    printThroughDialog(queue, 1, [&] {
        QCOMPARE(QProcess::execute(QStringLiteral("lpadmin"),
                     {QStringLiteral("-h"), QString::fromLatin1(server("SALVENOR_CUPS_SERVER")), QStringLiteral("-x"),
                         queue}),
            0);
    });
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 15000);
    QVERIFY2(failureBox()->text().contains(QStringLiteral("wurde nicht gedruckt")), qPrintable(failureBox()->text()));
}

void PrintServiceTest::ninetyNineCopiesGoOutWhileTheWindowAnswers()
{
    useServer(server("SALVENOR_CUPS_SERVER"));
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE"));
    cancelJobsIn(queue);
    enterTypicalRequest();
    QStringList counted;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        if (auto *label = m_window->findChild<QLabel *>(QStringLiteral("lblExemplar"));
            label != nullptr && (counted.isEmpty() || counted.last() != label->text()))
            counted << label->text();
    });
    watch.start(1);
    QElapsedTimer took;
    took.start();
    printThroughDialog(queue, 99);
    AnswerTimeProbe probe;
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 120000);
    qInfo("99 copies in %lld ms; longest answer time meanwhile: %lld ms", took.elapsed(), probe.longestMs());
    QVERIFY(failureBox() == nullptr);
    QCOMPARE(jobsHeldIn(queue), 99);
    QVERIFY2(counted.contains(QStringLiteral("Exemplar 99 von 99")), qPrintable(counted.join(u',')));
    QVERIFY2(probe.longestMs() < kAnswerLimitMs, qPrintable(QString::number(probe.longestMs())));
    cancelJobsIn(queue);
}

void PrintServiceTest::cancelStopsAfterTheCurrentCopy()
{
    useServer(server("SALVENOR_CUPS_SERVER"));
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE"));
    cancelJobsIn(queue);
    // Cancel as soon as the third copy goes out: the run stops after the copy under way.
    int cancelledAt = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        auto *label = m_window->findChild<QLabel *>(QStringLiteral("lblExemplar"));
        const int copy = label != nullptr ? label->text().section(u' ', 1, 1).toInt() : 0;
        if (cancelledAt == 0 && copy >= 3) {
            cancelledAt = copy;
            QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("cmdAbbrechen")), Qt::LeftButton);
        }
    });
    watch.start(1);
    printThroughDialog(queue, 99);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 30000);
    QVERIFY(failureBox() == nullptr);
    QVERIFY(cancelledAt >= 3);
    const int held = jobsHeldIn(queue);
    QVERIFY2(held >= cancelledAt - 1 && held <= cancelledAt,
        qPrintable(QStringLiteral("%1 after %2").arg(held).arg(cancelledAt)));
    cancelJobsIn(queue);
}

QTEST_MAIN(PrintServiceTest)
#include "print_service_test.moc"
