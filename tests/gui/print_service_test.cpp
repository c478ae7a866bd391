#include <algorithm>
#include <cups/cups.h>
#include <memory>
#include <optional>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
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
// printer, one service that never answers, one that lists its printers but never describes
// them, one that never takes a job, a spooler that freezes once it has taken a job, a queue that
// refuses jobs, a printer removed while the dialog is open, 99 copies to a queue that holds
// them, a service that stalls after two copies, one that never answers a job's document, and the
// window closed while copies go. The services are started by tests/e2e/print_service_test.sh,
// which names them in the environment. In every case the window keeps answering, and no copy
// that did not reach the printer passes for printed.
class PrintServiceTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void threeCopiesReachThePrinterAndEveryWindowCloses();
    void silentServiceStillLetsTheSheetBeSavedAsPdf();
    void halfAnsweringServiceLeavesTheWindowAnswering();
    void windowGoneWhileThePrintersAreLookedUpEndsTheLookUp();
    void spoolerFrozenAfterTakingAJobIsReportedAsPerhapsPrinted();
    void closingTheWindowWhileCopiesGoAsksFirst();
    void toldToEndWhileTheQuestionIsOpenEndsInOrder();
    void serviceThatNeverTakesTheJobIsReported();
    void copiesTakenBeforeTheServiceStallsAreCounted();
    void copyWhoseDocumentIsNotAnsweredIsWithdrawn();
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
    // While the service is asked, the window takes a date click (which clears the counts).
    QVERIFY(message.isEmpty());
    dateClickIsTaken(16);
    salvenor::test::pickWithKeys(m_window->control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 2);
    const QString total = m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text();
    QTRY_VERIFY_WITH_TIMEOUT(!message.isEmpty(), 10000);
    QVERIFY2(message.contains(QStringLiteral("Der Druckdienst antwortet nicht")), qPrintable(message));
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 10000);
    QVERIFY(failureBox() == nullptr);
    qInfo("message after %lld ms; longest answer time meanwhile: %lld ms", clicked.elapsed(), probe.longestMs());

    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(pdftotext.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    QVERIFY2(text.contains(QStringLiteral("Kurbeitragsberechnung")), qPrintable(text));
    // The sheet is read once the file is chosen: the stay as the window then shows it.
    QVERIFY2(text.contains(QStringLiteral("Anreisetag = Mi. 16.03.2016")), qPrintable(text));
    QVERIFY2(text.contains(total + QStringLiteral(" €")), qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("Kurbeitragsberechnung")), 1);
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

void PrintServiceTest::windowGoneWhileThePrintersAreLookedUpEndsTheLookUp()
{
    // The program, told to end while a silent service is asked, waits for the look-up before
    // it ends: the look-up must stop when nobody waits for it, not run to its limit.
    useServer(server("SALVENOR_SILENT_SERVER"));
    m_window->setPrintTimeouts({.lookup = 60000ms, .answer = 20000ms});
    QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    QVERIFY(m_window->isPrinting());
    m_window.reset();
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
}

void PrintServiceTest::spoolerFrozenAfterTakingAJobIsReportedAsPerhapsPrinted()
{
    // The spooler takes the first copy and then answers nothing, not even the withdrawal: the
    // copy may print, and the user is told so instead of "not printed".
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE"));
    useServer(server("SALVENOR_FREEZING_SERVER"));
    enterTypicalRequest();
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 2000ms});
    printThroughDialog(queue, 3);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 20000);
    const QString text = failureBox()->text();
    QVERIFY2(text.contains(QStringLiteral("Von 3 Exemplaren wurden 0 gedruckt.")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Exemplar 1 wurde vielleicht gedruckt")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Die übrigen Exemplare wurden nicht gedruckt.")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("wurde nicht gedruckt")), qPrintable(text));
    useServer(server("SALVENOR_CUPS_SERVER"));
    QCOMPARE(jobsHeldIn(queue), 1);
}

void PrintServiceTest::closingTheWindowWhileCopiesGoAsksFirst()
{
    useServer(server("SALVENOR_STALLING_SERVER"));
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 20000ms});
    printThroughDialog(QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE")), 3);
    QVERIFY(m_window->isPrinting());
    QString question;
    const auto answerWith = [&question](QMessageBox::StandardButton answer) {
        salvenor::test::whenWindowShows<QMessageBox>([&question, answer](QMessageBox *box) {
            question = box->text();
            box->button(answer)->click();
        });
    };
    answerWith(QMessageBox::No);
    m_window->close();
    QVERIFY2(question.startsWith(QStringLiteral("Es werden noch Exemplare gedruckt. Trotzdem beenden?")),
        qPrintable(question));
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->isPrinting());
    question.clear();
    answerWith(QMessageBox::Yes);
    m_window->close();
    QVERIFY(!question.isEmpty());
    QVERIFY(!m_window->isVisible());
    // The copy under way is withdrawn at once, not after the service's 20 s.
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 5000);
    QTRY_VERIFY2_WITH_TIMEOUT(otherWindows().isEmpty(), qPrintable(otherWindows().join(u',')), 5000);
}

void PrintServiceTest::toldToEndWhileTheQuestionIsOpenEndsInOrder()
{
    // SIGTERM while the user is asked whether to quit: the program ends as a closed window
    // does, the question gone and the window placement written, not with the close half done.
    const std::optional<QString> settings = settingsFilePath();
    QVERIFY(settings.has_value());
    QFile::remove(*settings);
    useServer(server("SALVENOR_STALLING_SERVER"));
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 20000ms});
    printThroughDialog(QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE")), 3);
    QVERIFY(m_window->isPrinting());
    bool asked = false;
    salvenor::test::whenWindowShows<QMessageBox>([this, &asked](QMessageBox *question) {
        asked = true;
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

void PrintServiceTest::serviceThatNeverTakesTheJobIsReported()
{
    useServer(server("SALVENOR_STALLING_SERVER"));
    enterTypicalRequest();
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 2000ms});
    printThroughDialog(QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE")), 3);
    QVERIFY(m_window->isPrinting());
    AnswerTimeProbe probe;
    // While the copy hangs, the window takes a date click as always.
    dateClickIsTaken(20);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 15000);
    // The job went out and no answer came: it may have been taken.
    const QString text = failureBox()->text();
    QVERIFY2(text.contains(QStringLiteral("Von 3 Exemplaren wurden 0 gedruckt")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Exemplar 1 wurde vielleicht gedruckt: Der Druckdienst hat auf den Auftrag "
                                          "nicht geantwortet.")),
        qPrintable(text));
    qInfo("longest answer time while a copy hangs: %lld ms", probe.longestMs());
}

void PrintServiceTest::copiesTakenBeforeTheServiceStallsAreCounted()
{
    // The service takes two of four copies and gives no answer to the third: the warning counts
    // the two, names the third as perhaps printed and the fourth as not printed.
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE"));
    useServer(server("SALVENOR_TWO_JOBS_SERVER"));
    enterTypicalRequest();
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 2000ms});
    QStringList counted;
    countCopiesShown(counted);
    printThroughDialog(queue, 4);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 20000);
    QCOMPARE(failureBox()->text(),
        QStringLiteral("Von 4 Exemplaren wurden 2 gedruckt.\n"
                       "Exemplar 3 wurde vielleicht gedruckt: Der Druckdienst hat auf den Auftrag nicht geantwortet.\n"
                       "Die übrigen Exemplare wurden nicht gedruckt.\n"
                       "Bitte sehen Sie am Drucker nach, bevor Sie noch einmal drucken."));
    useServer(server("SALVENOR_CUPS_SERVER"));
    QCOMPARE(jobsHeldIn(queue), 2);
    // The first count may have gone before the window was seen; the last is the third copy.
    const QStringList copies{
        QStringLiteral("Exemplar 1 von 4"), QStringLiteral("Exemplar 2 von 4"), QStringLiteral("Exemplar 3 von 4")};
    QVERIFY2(
        !counted.isEmpty() && copies.mid(copies.size() - counted.size()) == counted, qPrintable(counted.join(u',')));
}

void PrintServiceTest::copyWhoseDocumentIsNotAnsweredIsWithdrawn()
{
    // The service opens the job but never answers its document: within the limit the copy is
    // withdrawn, reported as not printed, and nothing of it is left in the queue.
    const QString queue = QString::fromLatin1(qgetenv("SALVENOR_PDF_QUEUE"));
    useServer(server("SALVENOR_DOCUMENT_STALLING_SERVER"));
    enterTypicalRequest();
    m_window->setPrintTimeouts({.lookup = 5000ms, .answer = 2000ms});
    printThroughDialog(queue, 2);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 20000);
    QCOMPARE(failureBox()->text(),
        QStringLiteral("Von 2 Exemplaren wurden 0 gedruckt.\n"
                       "Exemplar 1 wurde nicht gedruckt: Der Druckdienst hat nicht rechtzeitig geantwortet; der "
                       "Auftrag wurde zurückgezogen.\n"
                       "Die übrigen Exemplare wurden nicht gedruckt."));
    useServer(server("SALVENOR_CUPS_SERVER"));
    QCOMPARE(jobsHeldIn(queue), 0);
}

void PrintServiceTest::queueThatRefusesJobsIsReported()
{
    useServer(server("SALVENOR_CUPS_SERVER"));
    printThroughDialog(QString::fromLatin1(qgetenv("SALVENOR_REJECTING_QUEUE")), 2);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 15000);
    QVERIFY2(failureBox()->text().contains(QStringLiteral("Von 2 Exemplaren wurden 0 gedruckt")),
        qPrintable(failureBox()->text()));
    QVERIFY2(failureBox()->text().contains(QStringLiteral("Der Drucker „%1“ nimmt zurzeit keine Aufträge an.")
                                               .arg(qgetenv("SALVENOR_REJECTING_QUEUE"))),
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
    QVERIFY2(failureBox()->text().contains(QStringLiteral("Den Drucker „%1“ gibt es nicht mehr.").arg(queue)),
        qPrintable(failureBox()->text()));
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
