#include <algorithm>
#include <cups/cups.h>
#include <memory>
#include <optional>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include "app/main_window.h"
#include "app/window_settings.h"
#include "core_answers.h"
#include "gui_helpers.h"
#include "print/print_progress_window.h"
#include "print/print_run.h"
#include "windows/month_calendar.h"

using namespace salvenor::ui;
using namespace std::chrono_literals;

// Printing against a real spooler and real print services that misbehave: three copies to a PDF
// printer, a service that lists its printers but never describes them, the failing services in
// one table (a job never taken, a spooler that freezes once it has taken a job, a service that
// stalls after two copies, a document never answered, a queue that refuses jobs, a printer
// removed while the dialog is open), 99 copies to a queue that holds them, a cancel, and the
// window closed while a copy hangs. A service that never answers at all is print_test's. The
// services are started by tests/e2e/print_service_test.sh, which names them in the environment.
// In every case the window keeps answering, and no copy that did not reach the printer passes
// for printed.
class PrintServiceTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void threeCopiesReachThePrinterAndEveryWindowCloses();
    void halfAnsweringServiceLeavesTheWindowAnswering();
    void failingServiceIsReportedAsItWent_data();
    void failingServiceIsReportedAsItWent();
    void closingWhileACopyHangsEndsAtOnce_data();
    void closingWhileACopyHangsEndsAtOnce();
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
    QStringList otherWindows() const;
    // The count as the next progress window shows it after each copy has started: read when the
    // run says so, after the window has taken it, since a timer's sample can miss the last one.
    static void countCopiesShown(QStringList &counted);
    // Clicks a day while the print is under way: the window takes it at once.
    void dateClickIsTaken(int day);

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

// Runs a zero timer and reports whether the event loop ran it: the window answers.
bool eventLoopAnswers()
{
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    QCoreApplication::processEvents();
    return ran;
}

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
    // Every test starts from an empty queue, whatever an earlier one left in it.
    useServer(server("SALVENOR_CUPS_SERVER"));
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE"));
    cancelJobsIn(queue);
    QTRY_COMPARE_WITH_TIMEOUT(jobsHeldIn(queue), 0, 10000);
    m_window = std::make_unique<MainWindow>();
    m_window->load({QDate{2016, 3, 14}});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void PrintServiceTest::cleanup()
{
    if (m_window == nullptr)
        return;
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 30000);
    if (QMessageBox *box = failureBox())
        box->close();
    m_window.reset();
}

void PrintServiceTest::enterTypicalRequest()
{
    salvenor::test::clickDay(m_window->control<MonthCalendar>(QStringLiteral("Abreise")), QDate{2016, 3, 18});
    salvenor::test::pickWithKeys(m_window->control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 2);
    QCOMPARE(m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text(),
        salvenor::test::coreTotal(QDate{2016, 3, 14}, QDate{2016, 3, 18}, {{salvenor::PersonCategory::Erwachsene, 2}}));
}

void PrintServiceTest::printThroughDialog(const QString &queue, int copies, const std::function<void()> &beforePrint)
{
    // Shared with the callback, which runs once the print service has been asked.
    struct Outcome
    {
        bool shown = false;
        bool printed = false;
    };
    auto outcome = std::make_shared<Outcome>();
    salvenor::test::whenWindowShows<QPrintDialog>([outcome, queue, copies, beforePrint](QPrintDialog *dialog) {
        outcome->shown = true;
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
        outcome->printed = true;
    });
    QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(outcome->shown, 15000);
    QVERIFY2(outcome->printed, qPrintable(QStringLiteral("the dialog did not offer %1").arg(queue)));
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

QStringList PrintServiceTest::otherWindows() const
{
    QStringList others;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget != m_window.get() && widget->isVisible())
            others << widget->metaObject()->className() + (u' ' + widget->objectName());
    }
    return others;
}

void PrintServiceTest::countCopiesShown(QStringList &counted)
{
    salvenor::test::whenWindowShows<salvenor::print::PrintProgressWindow>(
        [&counted](salvenor::print::PrintProgressWindow *window) {
            auto *run = window->findChild<salvenor::print::PrintRun *>();
            auto *label = window->findChild<QLabel *>(QStringLiteral("lblExemplar"));
            if (run == nullptr || label == nullptr)
                return;
            connect(
                run, &salvenor::print::PrintRun::copyStarted, window, [&counted, label] { counted << label->text(); });
        });
}

void PrintServiceTest::dateClickIsTaken(int day)
{
    QVERIFY(eventLoopAnswers());
    salvenor::test::clickDay(m_window->control<MonthCalendar>(QStringLiteral("Anreise")), QDate{2016, 3, day});
    QVERIFY2(m_window->statusText().startsWith(QStringLiteral("Anreisetag = ")), qPrintable(m_window->statusText()));
    QVERIFY2(
        m_window->statusText().contains(QStringLiteral("%1.03.2016").arg(day)), qPrintable(m_window->statusText()));
}

void PrintServiceTest::threeCopiesReachThePrinterAndEveryWindowCloses()
{
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_OUTPUT_QUEUE"));
    const QStringList outputs = QString::fromLocal8Bit(qgetenv("SALVENOR_PDF_OUTPUTS")).split(u':');
    const auto newPdfs = [&outputs] {
        QStringList found;
        for (const QString &folder : outputs) {
            for (const QFileInfo &file : QDir{folder}.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
                found << file.filePath();
        }
        return found;
    };
    for (const QString &old : newPdfs())
        QFile::remove(old);
    enterTypicalRequest();
    printThroughDialog(queue, 3);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 30000);
    QVERIFY(failureBox() == nullptr);
    QTRY_VERIFY2_WITH_TIMEOUT(otherWindows().isEmpty(), qPrintable(otherWindows().join(u',')), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(newPdfs().size(), 3, 60000);
    for (const QString &pdf : newPdfs()) {
        QProcess pdfinfo;
        pdfinfo.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(pdfinfo.waitForFinished(30000));
        QVERIFY2(QString::fromUtf8(pdfinfo.readAllStandardOutput())
                     .contains(QRegularExpression{QStringLiteral("Pages:\\s+1\\n")}),
            qPrintable(pdf));
        // The spooler's PostScript step drops the fonts' Unicode tables, so the words cannot be
        // read back as text; the page is read as a person would, by OCR.
        const QString png = m_dir.filePath(QStringLiteral("page"));
        QCOMPARE(QProcess::execute(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-gray"), QStringLiteral("-png"),
                         QStringLiteral("-singlefile"), pdf, png}),
            0);
        QProcess ocr;
        ocr.start(QStringLiteral("tesseract"),
            {png + QStringLiteral(".png"), QStringLiteral("-"), QStringLiteral("-l"), QStringLiteral("deu")});
        QVERIFY(ocr.waitForFinished(60000));
        const QString text = QString::fromUtf8(ocr.readAllStandardOutput());
        for (const char *expected : {"Nordseeinsel Quarnum", "Kurbeitragsberechnung", "Anreisetag = Mo. 14.03.2016",
                 "zu zahlender Kurbeitrag = 18,40 €", "Service-Telefon"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)),
                qPrintable(pdf + u' ' + QString::fromUtf8(expected) + u'\n' + text));
        QFile::remove(pdf);
    }
}

void PrintServiceTest::halfAnsweringServiceLeavesTheWindowAnswering()
{
    // The service lists its printers but never describes one; Qt would wait for it when it
    // builds its printer. The documented limit applies: 5 s.
    useServer(server("SALVENOR_HALF_ANSWERING_SERVER"));
    QVERIFY(eventLoopAnswers());
    QElapsedTimer clicked;
    qint64 messageAfter = -1;
    bool lookUpEnded = false;
    salvenor::test::whenWindowShows<QMessageBox>([&](QMessageBox *box) {
        messageAfter = clicked.elapsed();
        // The look-up has given up by its limit too: it holds no thread while the user reads this.
        lookUpEnded = QThreadPool::globalInstance()->waitForDone(3000);
        QVERIFY2(box->text().contains(QStringLiteral("Der Druckdienst antwortet nicht")), qPrintable(box->text()));
        for (QAbstractButton *button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::RejectRole)
                button->click();
        }
    });
    AnswerTimeProbe probe;
    clicked.start();
    QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    const qint64 clickReturned = clicked.elapsed();
    QVERIFY(m_window->isPrinting());
    dateClickIsTaken(17);
    QCOMPARE(messageAfter, -1); // all that while the service was still being asked
    QTRY_VERIFY_WITH_TIMEOUT(messageAfter >= 0, 15000);
    QVERIFY(lookUpEnded);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 5000);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    qInfo("half-answering service: click returned after %lld ms, message after %lld ms, longest answer time %lld ms",
        clickReturned, messageAfter, probe.longestMs());
}

void PrintServiceTest::failingServiceIsReportedAsItWent_data()
{
    // The service and the queue by the variables that name them (the removable queue is removed
    // while the dialog is open); what the warning says (%1: the queue); the last copy that
    // started; the jobs the spooler holds afterwards.
    QTest::addColumn<QByteArray>("service");
    QTest::addColumn<QByteArray>("queue");
    QTest::addColumn<int>("copies");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("lastCopy");
    QTest::addColumn<int>("jobsHeld");
    const QByteArray pdf = "SALVENOR_PDF_QUEUE";
    const QByteArray cups = "SALVENOR_CUPS_SERVER";
    const QString checkFirst = QStringLiteral("\nBitte sehen Sie am Drucker nach, bevor Sie noch einmal drucken.");
    const QString rest = QStringLiteral("\nDie übrigen Exemplare wurden nicht gedruckt.");
    const QString noAnswer = QStringLiteral("Der Druckdienst hat auf den Auftrag nicht geantwortet.");
    // The copy went out and no answer came: it may have been taken, so it is not called unprinted.
    QTest::newRow("service that never takes the job")
        << QByteArray{"SALVENOR_STALLING_SERVER"} << pdf << 3
        << "Von 3 Exemplaren wurden 0 gedruckt.\nExemplar 1 wurde vielleicht gedruckt: " + noAnswer + rest + checkFirst
        << 1 << 0;
    // The spooler takes the first copy and then answers nothing, not even its withdrawal.
    QTest::newRow("spooler frozen after taking a job")
        << QByteArray{"SALVENOR_FREEZING_SERVER"} << pdf << 3
        << "Von 3 Exemplaren wurden 0 gedruckt.\nExemplar 1 wurde vielleicht gedruckt: Der Druckdienst hat den "
           "Auftrag erhalten, aber nicht bestätigt, und er ließ sich nicht zurückziehen."
            + rest + checkFirst
        << 1 << 1;
    QTest::newRow("two copies taken, then the service stalls")
        << QByteArray{"SALVENOR_TWO_JOBS_SERVER"} << pdf << 4
        << "Von 4 Exemplaren wurden 2 gedruckt.\nExemplar 3 wurde vielleicht gedruckt: " + noAnswer + rest + checkFirst
        << 3 << 2;
    // The job is opened, its document never answered: withdrawn within the limit, nothing left.
    QTest::newRow("document not answered")
        << QByteArray{"SALVENOR_DOCUMENT_STALLING_SERVER"} << pdf << 2
        << "Von 2 Exemplaren wurden 0 gedruckt.\nExemplar 1 wurde nicht gedruckt: Der Druckdienst hat nicht "
           "rechtzeitig geantwortet; der Auftrag wurde zurückgezogen."
            + rest
        << 1 << 0;
    QTest::newRow("queue that refuses jobs")
        << cups << QByteArray{"SALVENOR_REJECTING_QUEUE"} << 2
        << "Von 2 Exemplaren wurden 0 gedruckt.\nExemplar 1 wurde nicht gedruckt: Der Drucker „%1“ nimmt zurzeit "
           "keine Aufträge an."
            + rest
        << 1 << 0;
    QTest::newRow("printer removed while the dialog is open")
        << cups << QByteArray{"SALVENOR_REMOVABLE_QUEUE"} << 1
        << QStringLiteral("Das Berechnungsblatt wurde nicht gedruckt.\nDen Drucker „%1“ gibt es nicht mehr.") << 1 << 0;
}

void PrintServiceTest::failingServiceIsReportedAsItWent()
{
    QFETCH(QByteArray, service);
    QFETCH(QByteArray, queue);
    QFETCH(int, copies);
    QFETCH(QString, warning);
    QFETCH(int, lastCopy);
    QFETCH(int, jobsHeld);
    const QString queueName = QString::fromLatin1(qgetenv(queue.constData()));
    useServer(server(service.constData()));
    enterTypicalRequest();
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 2000ms});
    QStringList counted;
    countCopiesShown(counted);
    printThroughDialog(queueName, copies, [&] {
        if (queue == "SALVENOR_REMOVABLE_QUEUE") {
            QCOMPARE(QProcess::execute(QStringLiteral("lpadmin"),
                         {QStringLiteral("-h"), QString::fromLatin1(server("SALVENOR_CUPS_SERVER")),
                             QStringLiteral("-x"), queueName}),
                0);
        }
    });
    const AnswerTimeProbe probe;
    // Whatever the service does, the window takes a date click as always.
    dateClickIsTaken(20);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 20000);
    QCOMPARE(failureBox()->text(), QString{warning}.replace(QStringLiteral("%1"), queueName));
    qInfo("longest answer time: %lld ms", probe.longestMs());
    useServer(server("SALVENOR_CUPS_SERVER"));
    QCOMPARE(jobsHeldIn(queueName), jobsHeld);
    // The count went up to the copy the warning names; the first may have gone before the
    // window was seen.
    QStringList started;
    for (int copy = 1; copy <= lastCopy; ++copy)
        started << QStringLiteral("Exemplar %1 von %2").arg(copy).arg(copies);
    QVERIFY2(started.mid(started.size() - counted.size()) == counted && (lastCopy == 1 || !counted.isEmpty()),
        qPrintable(counted.join(u',')));
}

void PrintServiceTest::closingWhileACopyHangsEndsAtOnce_data()
{
    QTest::addColumn<bool>("toldToEndWhileAsked");
    QTest::newRow("the user answers yes") << false;
    // SIGTERM while the user is asked whether to quit: the program ends as a closed window does,
    // the question gone and the window placement written, not with the close half done.
    QTest::newRow("told to end while asked") << true;
}

void PrintServiceTest::closingWhileACopyHangsEndsAtOnce()
{
    // Whether to close is asked (tests/gui/print_test.cpp has the question and "no"); then the copy
    // under way is withdrawn at once, not after the service's 20 s.
    QFETCH(bool, toldToEndWhileAsked);
    const std::optional<QString> settings = settingsFilePath();
    QVERIFY(settings.has_value());
    QFile::remove(*settings);
    useServer(server("SALVENOR_STALLING_SERVER"));
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 20000ms});
    printThroughDialog(QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE")), 3);
    QVERIFY(m_window->isPrinting());
    bool asked = false;
    salvenor::test::whenWindowShows<QMessageBox>([this, &asked, toldToEndWhileAsked](QMessageBox *question) {
        asked = question->text().startsWith(QStringLiteral("Es werden noch Exemplare gedruckt. Trotzdem beenden?"));
        if (!toldToEndWhileAsked) {
            question->button(QMessageBox::Yes)->click();
            return;
        }
        m_window->endNow(); // what the program does on SIGTERM and SIGINT
        // A question left open would be answered as the user may: no.
        const QPointer<QMessageBox> left{question};
        QTimer::singleShot(100, [left] {
            if (left != nullptr && left->isVisible())
                left->button(QMessageBox::No)->click();
        });
    });
    m_window->close();
    QVERIFY(asked);
    QVERIFY(!m_window->isVisible());
    QVERIFY2(QFileInfo::exists(*settings), qPrintable(*settings));
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 5000);
    QTRY_VERIFY2_WITH_TIMEOUT(otherWindows().isEmpty(), qPrintable(otherWindows().join(u',')), 5000);
}

void PrintServiceTest::ninetyNineCopiesGoOutWhileTheWindowAnswers()
{
    useServer(server("SALVENOR_CUPS_SERVER"));
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE"));
    cancelJobsIn(queue);
    enterTypicalRequest();
    QStringList counted;
    countCopiesShown(counted);
    QElapsedTimer took;
    took.start();
    printThroughDialog(queue, 99);
    AnswerTimeProbe probe;
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 120000);
    qInfo("99 copies in %lld ms; longest answer time meanwhile: %lld ms", took.elapsed(), probe.longestMs());
    QVERIFY(failureBox() == nullptr);
    QCOMPARE(jobsHeldIn(queue), 99);
    QVERIFY2(counted.contains(QStringLiteral("Exemplar 99 von 99")), qPrintable(counted.join(u',')));
    QTRY_VERIFY2_WITH_TIMEOUT(otherWindows().isEmpty(), qPrintable(otherWindows().join(u',')), 5000);
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
