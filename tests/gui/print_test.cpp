#include <arpa/inet.h>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include "app/main_window.h"
#include "core/categories.h"
#include "core_answers.h"
#include "gui_helpers.h"
#include "print/print_progress_window.h"
#include "print/print_run.h"
#include "print/sheet_pdf.h"
#include "sheet_examples.h"
#include "small_file_system.h"

using namespace salvenor::print;
using namespace salvenor::ui;
using namespace std::chrono_literals;

// Printing to a PDF file the way a user does it: the print button, the print dialog with
// "Print to file (PDF)", a file name and a number of copies, the progress window. No print
// service is reachable here (tests/e2e/print_service_test.sh has the real ones), so the dialog
// offers the file only.
class PrintTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void sheetStandsAtItsMillimetres();
    void copiesToAFileBecomePagesAndEveryWindowCloses();
    void cancelInTheDialogPrintsNothing();
    void cancelledRunLeavesNoFile();
    void dialogRefusesTheFile_data();
    void dialogRefusesTheFile();
    void fileThatCannotBeCreatedIsReported();
    void fullFileSystemIsReportedAndLeavesNoFile();
    void escapeAfterAFinishedRunIsHarmless();
    void existingFileIsReplaced();
    void copiesAreCountedAsTheyGo();
    void aRunToAPrinterCountsFromItsFirstCopy();
    void printButtonIsIgnoredWhileCopiesGo();
    void closingTheWindowWhileCopiesGoAsksFirst();
    void failureTextSaysWhichCopiesWentOut_data();
    void failureTextSaysWhichCopiesWentOut();
    void silentServiceOffersThePdfFile();
    void windowGoneWhileThePrintersAreLookedUpEndsTheLookUp();

private:
    struct Accepted
    {
        bool warned = false; // that no print service is reachable, before the dialog
        bool shown = false;
        QPageLayout layout; // as the dialog left the printer
        QString fileField; // as the dialog showed it
    };
    // Clicks the print button; takes the PDF file offered for want of a print service; in the
    // dialog picks "Print to file (PDF)", types `file` and
    // `copies` and clicks Print (or, with `cancel`, presses Esc).
    std::shared_ptr<Accepted> printToFile(const QString &file, int copies, bool cancel = false);
    // Waits until the print has ended; then no window but the main one and the word of where a PDF
    // file went may be left. Closes that and gives its text.
    QString waitForTheEnd();
    QStringList otherWindows() const;
    QMessageBox *failureBox() const;

    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
};

namespace {

constexpr double kMillimetresPerPoint = 25.4 / 72;

struct Word
{
    QString text;
    double xMin, yMin, xMax, yMax; // millimetres from the page's top-left corner
    int page;
};

// The words of a PDF with their boxes, read back by pdftotext -bbox.
std::vector<Word> wordsOf(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return {};
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    std::vector<Word> words;
    int page = 0;
    static const QRegularExpression word{QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>|<page )re")};
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        words.push_back({match.captured(5), match.captured(1).toDouble() * kMillimetresPerPoint,
            match.captured(2).toDouble() * kMillimetresPerPoint, match.captured(3).toDouble() * kMillimetresPerPoint,
            match.captured(4).toDouble() * kMillimetresPerPoint, page});
    }
    return words;
}

const Word *findWord(const std::vector<Word> &words, const QString &text, int page = 1, int occurrence = 0)
{
    for (const Word &word : words) {
        if (word.text == text && word.page == page && occurrence-- == 0)
            return &word;
    }
    return nullptr;
}

// The page count pdfinfo reads; 0 when it cannot read the file as a PDF.
int pagesOf(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return 0;
    static const QRegularExpression pages{QStringLiteral(R"(^Pages:\s+(\d+))"), QRegularExpression::MultilineOption};
    return pages.match(QString::fromUtf8(process.readAllStandardOutput())).captured(1).toInt();
}

// Runs `act` on the first message box that shows but the word that no print service is reachable,
// which printToFile answers.
void whenMessageShows(const std::function<void(QMessageBox *)> &act)
{
    salvenor::test::whenWindowShows<QMessageBox>([act](QMessageBox *box) {
        if (box->objectName() == QStringLiteral("printServiceUnreachable"))
            QTimer::singleShot(20, [act] { whenMessageShows(act); });
        else
            act(box);
    });
}

// The print dialog's warning about the chosen file, kept in `warning`; the dialog stays open after
// it, and the user then cancels it.
void keepWarningThenCancelTheDialog(QString &warning)
{
    whenMessageShows([&warning](QMessageBox *box) {
        warning = box->text();
        box->close();
        QMetaObject::invokeMethod(
            qApp,
            [] {
                if (auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget()))
                    dialog->reject();
            },
            Qt::QueuedConnection);
    });
}

// Types `name` into the file dialog's name field once it has the focus, as the user does, and
// clicks Save where the dialog then names that file. (selectFile() leaves a focused field as it
// is, so whether it took depended on which came first on a loaded machine.) A dialog that names
// another file is cancelled: the test fails instead of waiting.
bool typeFileNameAndSave(QFileDialog *dialog, const QString &name)
{
    auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    if (field == nullptr || buttons == nullptr) {
        dialog->reject();
        return false;
    }
    // Typed into a field without the focus, each prefix of the path ("/", "/tmp") stays selected
    // in the dialog's list, and the first of them is what Save takes.
    field->activateWindow();
    field->setFocus();
    if (!QTest::qWaitFor([field] { return field->hasFocus(); }, 10000)) {
        dialog->reject();
        return false;
    }
    field->selectAll();
    QTest::keyClicks(field, name);
    if (dialog->selectedFiles().value(0) != name) {
        qWarning() << "The file dialog names" << dialog->selectedFiles() << "after" << name << "was typed";
        dialog->reject();
        return false;
    }
    buttons->button(QDialogButtonBox::Save)->click();
    return true;
}

// Catches each progress window as it shows: a run of one page may end before a poll sees it.
class ProgressWindowCatcher final : public QObject
{
public:
    explicit ProgressWindowCatcher(std::function<void(PrintProgressWindow *)> caught)
        : m_caught(std::move(caught))
    {
        qApp->installEventFilter(this);
    }
    Q_DISABLE_COPY_MOVE(ProgressWindowCatcher)
    ~ProgressWindowCatcher() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *window = qobject_cast<PrintProgressWindow *>(watched))
                m_caught(window);
        }
        return false;
    }

private:
    std::function<void(PrintProgressWindow *)> m_caught;
};

// A print service that takes connections and never answers: the kernel completes them for a
// socket that listens, and nothing ever reads the requests.
class SilentService
{
public:
    SilentService()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), length) != 0
            || ::listen(m_socket, 16) != 0
            || ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_address = QByteArrayLiteral("127.0.0.1:") + QByteArray::number(ntohs(address.sin_port));
    }
    Q_DISABLE_COPY_MOVE(SilentService)
    ~SilentService()
    {
        if (m_socket >= 0)
            ::close(m_socket);
    }
    // Where the print library finds it (CUPS_SERVER); empty when it could not listen.
    QByteArray address() const { return m_address; }

private:
    int m_socket = -1;
    QByteArray m_address;
};

// Points the print library at `address` until the object goes.
class PrintServiceAt
{
public:
    explicit PrintServiceAt(const QByteArray &address)
        : m_before(qgetenv("CUPS_SERVER"))
    {
        qputenv("CUPS_SERVER", address);
    }
    Q_DISABLE_COPY_MOVE(PrintServiceAt)
    ~PrintServiceAt() { qputenv("CUPS_SERVER", m_before); }

private:
    QByteArray m_before;
};

// What the progress window shows: the copy under way and how far the bar is.
QString progressShown(PrintProgressWindow *window)
{
    const auto *bar = window->findChild<QProgressBar *>(QStringLiteral("barDruckfortschritt"));
    return QStringLiteral("%1: %2").arg(window->copyText(), bar != nullptr ? bar->text() : QStringLiteral("no bar"));
}

} // namespace

void PrintTest::initTestCase()
{
    // No print service: the check answers at once and the dialog lists no printer.
    qputenv("CUPS_SERVER", QDir::temp().filePath(QStringLiteral("salvenor-no-print-service")).toLocal8Bit());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    salvenor::test::silenceOffscreenSizeHintWarnings();
    QVERIFY(m_dir.isValid());
}

void PrintTest::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->load({QDate{2016, 3, 14}});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY2(otherWindows().isEmpty(), qPrintable(otherWindows().join(u',')));
}

void PrintTest::cleanup()
{
    if (m_window == nullptr)
        return;
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 30000);
    if (QMessageBox *box = failureBox())
        box->close();
    m_window.reset();
}

QStringList PrintTest::otherWindows() const
{
    QStringList others;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget != m_window.get() && widget->isVisible())
            others << widget->metaObject()->className() + (u' ' + widget->objectName());
    }
    return others;
}

QMessageBox *PrintTest::failureBox() const
{
    return m_window->findChild<QMessageBox *>(QStringLiteral("printFailed"));
}

std::shared_ptr<PrintTest::Accepted> PrintTest::printToFile(const QString &file, int copies, bool cancel)
{
    auto accepted = std::make_shared<Accepted>();
    salvenor::test::whenWindowShows<QMessageBox>([accepted](QMessageBox *box) {
        accepted->warned = box->objectName() == QStringLiteral("printServiceUnreachable")
            && box->text().startsWith(QStringLiteral("Der Druckdienst ist nicht erreichbar"));
        for (QAbstractButton *button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::AcceptRole)
                QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
        }
    });
    salvenor::test::whenWindowShows<QPrintDialog>([accepted, file, copies, cancel](QPrintDialog *dialog) {
        accepted->shown = accepted->warned;
        auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
        auto *copiesBox = dialog->findChild<QSpinBox *>(QStringLiteral("copies"));
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        if (dialog->objectName() != QStringLiteral("dlgCommonDialog") || printers == nullptr || name == nullptr
            || copiesBox == nullptr || buttons == nullptr) {
            dialog->reject();
            QFAIL("not the print dialog with its controls");
        }
        // "Print to file (PDF)" is the list's last entry.
        printers->setCurrentIndex(printers->count() - 1);
        accepted->fileField = name->text();
        // Typed, the name would open the file-name completer over the dialog.
        name->setText(file);
        copiesBox->selectAll();
        QTest::keyClicks(copiesBox, QString::number(copies));
        if (!name->isEnabled() || copiesBox->value() != copies) {
            dialog->reject();
            QFAIL("the dialog did not take the file name and the copies");
        }
        if (cancel) {
            QTest::keyClick(dialog, Qt::Key_Escape);
            return;
        }
        QObject::connect(dialog, &QDialog::accepted, dialog,
            [accepted, dialog] { accepted->layout = dialog->printer()->pageLayout(); });
        // Clicked from a posted event, not from this timer: a message box the click opens must
        // see the other tests' timers fire.
        QMetaObject::invokeMethod(
            buttons, [buttons] { QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton); },
            Qt::QueuedConnection);
    });
    QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    return accepted;
}

QString PrintTest::waitForTheEnd()
{
    [this] { QTRY_VERIFY_WITH_TIMEOUT(!m_window->isPrinting(), 30000); }();
    QString written;
    if (auto *box = m_window->findChild<QMessageBox *>(QStringLiteral("pdfWritten"))) {
        written = box->text();
        box->close();
    }
    // The progress window closes by itself; nothing else is left behind.
    [this] {
        QTRY_VERIFY2_WITH_TIMEOUT(otherWindows().isEmpty(), qPrintable(otherWindows().join(u',')), 5000);
        QVERIFY(m_window->findChild<PrintProgressWindow *>() == nullptr);
    }();
    return written;
}

void PrintTest::sheetStandsAtItsMillimetres()
{
    salvenor::test::clickDay(m_window->control<QCalendarWidget>(QStringLiteral("Abreise")), QDate{2016, 3, 21});
    salvenor::test::pickWithKeys(m_window->control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 2);
    salvenor::test::pickWithKeys(m_window->control<QComboBox>(QStringLiteral("Anz_Kind")), 2);
    const QString pdf = m_dir.filePath(QStringLiteral("sheet.pdf"));
    const auto accepted = printToFile(pdf, 1);
    QTRY_VERIFY(accepted->shown);
    waitForTheEnd();
    QVERIFY(failureBox() == nullptr);
    QCOMPARE(pagesOf(pdf), 1);

    const QRectF area = accepted->layout.paintRect(QPageLayout::Millimeter);
    const double left = area.left();
    const double top = area.top();
    const double width = area.width();
    const auto words = wordsOf(pdf);
    QVERIFY2(!words.empty(), "pdftotext found no words");
    constexpr double tolerance = 0.8;

    const Word *island = findWord(words, QStringLiteral("Nordseeinsel"));
    QVERIFY(island);
    QVERIFY(qAbs(island->xMin - (left + 13)) < tolerance);
    // Items at y = 0 stand fully on the page, their line box starting at the printable area's top.
    QVERIFY2(island->yMin >= top - 0.01 && island->yMin < top + 2, qPrintable(QString::number(island->yMin - top)));
    const Word *date = findWord(words, QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    QVERIFY(date);
    QVERIFY(qAbs(date->xMin - (left + 160)) < tolerance);

    const Word *title = findWord(words, QStringLiteral("Kurbeitragsberechnung"));
    QVERIFY(title);
    QVERIFY2(qAbs((title->xMin + title->xMax) / 2 - (left + width / 2)) < tolerance,
        qPrintable(QString::number((title->xMin + title->xMax) / 2 - (left + width / 2))));
    QVERIFY(title->yMin > top + 32 && title->yMin < top + 35);

    const Word *adults = findWord(words, QStringLiteral("Erwachsene(r)"));
    QVERIFY(adults);
    QVERIFY(adults->yMin > top + 62 && adults->yMin < top + 65);
    // An adult's amount per night, the family's children's per night for the category (not halved).
    QVERIFY(findWord(words,
        salvenor::test::coreSum(salvenor::PersonCategory::Erwachsene, QDate{2016, 3, 14}, QDate{2016, 3, 15}, 1)));
    QVERIFY(findWord(
        words, salvenor::test::coreSum(salvenor::PersonCategory::Kind, QDate{2016, 3, 14}, QDate{2016, 3, 15}, 2)));
    QVERIFY(findWord(words,
        salvenor::test::coreTotal(QDate{2016, 3, 14}, QDate{2016, 3, 21},
            {{salvenor::PersonCategory::Erwachsene, 2}, {salvenor::PersonCategory::Kind, 2}})));

    // The sums and the total end 40 mm before the printable area's right edge.
    const double rightEdge = left + width - 40;
    int euros = 0;
    for (const Word &word : words) {
        if (word.text == QStringLiteral("€") && word.xMin > left + 140) {
            ++euros;
            QVERIFY2(qAbs(word.xMax - rightEdge) < tolerance, qPrintable(QString::number(word.xMax - rightEdge)));
        }
    }
    // Each category's sum and the total.
    QCOMPARE(euros, static_cast<int>(salvenor::kCategoryCount) + 1);
    const Word *phone = findWord(words, QStringLiteral("555-0123"));
    QVERIFY(phone);
    QVERIFY(phone->yMin > top + 174 && phone->yMin < top + 180);
}

void PrintTest::copiesToAFileBecomePagesAndEveryWindowCloses()
{
    const QString pdf = m_dir.filePath(QStringLiteral("copies.pdf"));
    const auto request = printToFile(pdf, 3);
    QTRY_VERIFY(request->shown);
    // The folder the platform offers is completed to a file name.
    QCOMPARE(QFileInfo{request->fileField}.fileName(), QStringLiteral("print.pdf"));
    QCOMPARE(waitForTheEnd(), QStringLiteral("Das Berechnungsblatt wurde als PDF-Datei gespeichert:\n") + pdf);
    QVERIFY(failureBox() == nullptr);
    QCOMPARE(pagesOf(pdf), 3);
    const auto words = wordsOf(pdf);
    for (int page = 1; page <= 3; ++page)
        QVERIFY2(findWord(words, QStringLiteral("Nordseeinsel"), page), qPrintable(QString::number(page)));
    // The button prints again.
    const QString again = m_dir.filePath(QStringLiteral("again.pdf"));
    const auto printedAgain = printToFile(again, 1);
    QTRY_VERIFY(printedAgain->shown);
    waitForTheEnd();
    QCOMPARE(pagesOf(again), 1);
}

void PrintTest::cancelInTheDialogPrintsNothing()
{
    const QString file = m_dir.filePath(QStringLiteral("cancelled.pdf"));
    const QString before = m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text();
    const auto request = printToFile(file, 2, true);
    QTRY_VERIFY(request->shown);
    QTRY_VERIFY(!m_window->isPrinting());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    waitForTheEnd();
    QCOMPARE(m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text(), before);
    QTest::qWait(300); // time for a copy that went out after all to reach the file
    QVERIFY(!QFile::exists(file));
}

void PrintTest::cancelledRunLeavesNoFile()
{
    const QString file = m_dir.filePath(QStringLiteral("cancelled-run.pdf"));
    QPointer<PrintProgressWindow> progress;
    QString labelAfterCancel;
    bool openAfterCancel = false;
    bool cancelStillOffered = true;
    // What the window shows as copies that had started before the click are reported, and at
    // the end.
    QStringList shownAfterCancel;
    salvenor::test::whenWindowShows<PrintProgressWindow>([&](PrintProgressWindow *window) {
        progress = window;
        // Meanwhile the run reports further copies, which the window takes after the click.
        QThread::msleep(200);
        auto *cancel = window->findChild<QPushButton *>(QStringLiteral("cmdAbbrechen"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        // The copy under way is finished first: the window waits for the run.
        openAfterCancel = window->isVisible();
        labelAfterCancel = window->copyText();
        cancelStillOffered = cancel->isEnabled();
        auto *run = window->findChild<PrintRun *>();
        connect(run, &PrintRun::copyStarted, window,
            [&shownAfterCancel, window] { shownAfterCancel << window->copyText(); });
        connect(
            run, &PrintRun::finished, window, [&shownAfterCancel, window] { shownAfterCancel << window->copyText(); });
    });
    const auto request = printToFile(file, 900);
    QTRY_VERIFY(request->shown);
    QTRY_VERIFY_WITH_TIMEOUT(!labelAfterCancel.isEmpty(), 10000);
    QVERIFY(openAfterCancel);
    QCOMPARE(labelAfterCancel, QStringLiteral("Wird abgebrochen …"));
    QVERIFY(!cancelStillOffered);
    waitForTheEnd();
    QVERIFY(!shownAfterCancel.isEmpty());
    for (const QString &shown : std::as_const(shownAfterCancel))
        QCOMPARE(shown, QStringLiteral("Wird abgebrochen …"));
    QVERIFY(progress.isNull());
    QVERIFY(failureBox() == nullptr);
    QVERIFY(!QFile::exists(file));
    QCOMPARE(QDir{m_dir.path()}.entryList({QStringLiteral("cancelled-run*")}, QDir::Files | QDir::Hidden).size(), 0);
}

void PrintTest::dialogRefusesTheFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("in no folder") << QStringLiteral("in no folder");
    // Opening a FIFO waits for a reader for ever; the dialog must not try.
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("link to a FIFO") << QStringLiteral("link to fifo");
    // The dialog's own check would create the missing file as an empty one and then remove the
    // link in its place, leaving an empty PDF where the link pointed.
    QTest::newRow("link to nothing") << QStringLiteral("link to nothing");
}

void PrintTest::dialogRefusesTheFile()
{
    // The dialog itself finds that the file cannot be written and says why; it stays open, and
    // nothing is written anywhere.
    QFETCH(QString, kind);
    const QString fifo = m_dir.filePath(QStringLiteral("fifo.pdf"));
    const QString missing = m_dir.filePath(QStringLiteral("missing.pdf"));
    const QString link = m_dir.filePath(QStringLiteral("link.pdf"));
    const QString inNoFolder = m_dir.filePath(QStringLiteral("no-such-folder/sheet.pdf"));
    const auto removeAll = qScopeGuard([&] {
        for (const QString &path : {fifo, missing, link})
            QFile::remove(path);
    });
    if (kind == QStringLiteral("fifo") || kind == QStringLiteral("link to fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    if (kind.startsWith(QStringLiteral("link")))
        QVERIFY(QFile::link(kind == QStringLiteral("link to fifo") ? fifo : missing, link));
    const QString chosen = kind == QStringLiteral("in no folder") ? inNoFolder
        : kind == QStringLiteral("fifo")                          ? fifo
                                                                  : link;
    QString warning;
    keepWarningThenCancelTheDialog(warning);
    const auto request = printToFile(chosen, 1);
    QTRY_VERIFY(request->shown);
    QTRY_VERIFY_WITH_TIMEOUT(!warning.isEmpty(), 10000);
    if (kind == QStringLiteral("in no folder"))
        QVERIFY2(warning.contains(QDir::toNativeSeparators(chosen)), qPrintable(warning));
    else
        QVERIFY2(warning.contains(QStringLiteral("keine gewöhnliche Datei")), qPrintable(warning));
    waitForTheEnd();
    QVERIFY(!QFileInfo::exists(missing));
    QVERIFY(!QFileInfo::exists(inNoFolder));
    if (kind.startsWith(QStringLiteral("link")))
        QVERIFY(QFileInfo{link}.isSymLink());
}

void PrintTest::fileThatCannotBeCreatedIsReported()
{
    // The folder goes away between the dialog and the run: the run says so, and no window but
    // the main one and the warning is left.
    const QString folder = m_dir.filePath(QStringLiteral("vanishing"));
    QVERIFY(QDir{}.mkpath(folder));
    const QString file = folder + QStringLiteral("/sheet.pdf");
    salvenor::test::whenWindowShows<QPrintDialog>([&folder](QPrintDialog *dialog) {
        QObject::connect(dialog, &QDialog::accepted, dialog, [folder] { QDir{folder}.removeRecursively(); });
    });
    const auto request = printToFile(file, 2);
    QTRY_VERIFY(request->shown);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 10000);
    QVERIFY2(failureBox()->text().startsWith(QStringLiteral("Die PDF-Datei wurde nicht geschrieben.")),
        qPrintable(failureBox()->text()));
    QVERIFY2(failureBox()->text().contains(file), qPrintable(failureBox()->text()));
    failureBox()->close();
    waitForTheEnd();
    QVERIFY(!QFile::exists(file));
}

void PrintTest::fullFileSystemIsReportedAndLeavesNoFile()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    const QString mountPoint = m_dir.filePath(QStringLiteral("small"));
    const salvenor::test::SmallFileSystem small{mountPoint, QStringLiteral("64k")};
    if (!small.mounted())
        QSKIP("this machine does not let the test mount a file system");
    // Nearly full: the dialog can still open the new file, the sheet's pages do not fit.
    QFile filler{mountPoint + QStringLiteral("/filler")};
    QVERIFY(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(qsizetype{60} * 1024, 'x'));
    filler.close();
    const QString file = mountPoint + QStringLiteral("/sheet.pdf");
    const auto request = printToFile(file, 3);
    QTRY_VERIFY(request->shown);
    QTRY_VERIFY_WITH_TIMEOUT(failureBox() != nullptr, 10000);
    QVERIFY2(failureBox()->text().contains(QStringLiteral("nicht vollständig geschrieben")),
        qPrintable(failureBox()->text()));
    failureBox()->close();
    waitForTheEnd();
    // Neither a cut file at the target nor a half-written one beside it.
    QCOMPARE(QDir{mountPoint}.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("filler")});
}

void PrintTest::escapeAfterAFinishedRunIsHarmless()
{
    // Esc right after the run has reported its end, while its window is still there, and once
    // more after the events that followed: nothing may touch the run that is gone.
    QPointer<PrintProgressWindow> progress;
    int escapesSent = 0;
    const ProgressWindowCatcher catcher{[&](PrintProgressWindow *window) {
        progress = window;
        auto *run = window->findChild<PrintRun *>();
        QVERIFY(run != nullptr);
        connect(run, &PrintRun::finished, window, [window, &escapesSent] {
            QTest::keyClick(window, Qt::Key_Escape);
            QCoreApplication::postEvent(window, new QKeyEvent{QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier});
            ++escapesSent;
        });
    }};
    const QString file = m_dir.filePath(QStringLiteral("escape.pdf"));
    const auto request = printToFile(file, 1);
    QTRY_VERIFY(request->shown);
    waitForTheEnd();
    QCOMPARE(escapesSent, 1);
    QTRY_VERIFY(progress.isNull());
    QCOMPARE(pagesOf(file), 1);
}

void PrintTest::existingFileIsReplaced()
{
    // The dialog asks before it overwrites; then the old file gives way to the new pages.
    const QString file = m_dir.filePath(QStringLiteral("existing.pdf"));
    {
        QFile old{file};
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file");
    }
    QString question;
    whenMessageShows([&question](QMessageBox *box) {
        question = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    const auto request = printToFile(file, 2);
    QTRY_VERIFY(request->shown);
    waitForTheEnd();
    QVERIFY2(question.contains(QFileInfo{file}.fileName()), qPrintable(question));
    QVERIFY(failureBox() == nullptr);
    QCOMPARE(pagesOf(file), 2);
}

void PrintTest::copiesAreCountedAsTheyGo()
{
    // What the window shows when it opens, as each copy starts, and once the run has ended.
    QStringList shown;
    const ProgressWindowCatcher catcher{[&shown](PrintProgressWindow *window) {
        shown << progressShown(window);
        auto *run = window->findChild<PrintRun *>();
        QVERIFY(run != nullptr);
        connect(run, &PrintRun::copyStarted, window, [&shown, window] { shown << progressShown(window); });
        connect(run, &PrintRun::finished, window, [&shown, window] { shown << progressShown(window); });
    }};
    const QString file = m_dir.filePath(QStringLiteral("counted.pdf"));
    const auto request = printToFile(file, 3);
    QTRY_VERIFY(request->shown);
    waitForTheEnd();
    QVERIFY(failureBox() == nullptr);
    QCOMPARE(shown,
        (QStringList{QStringLiteral("Exemplar 1 von 3: 0%"), QStringLiteral("Exemplar 1 von 3: 0%"),
            QStringLiteral("Exemplar 2 von 3: 33%"), QStringLiteral("Exemplar 3 von 3: 66%"),
            QStringLiteral("Exemplar 3 von 3: 100%")}));
    QCOMPARE(pagesOf(file), 3);
    // Once the copies have gone, the window closes without a question.
    m_window->close();
    QVERIFY(!m_window->isVisible());
}

void PrintTest::aRunToAPrinterCountsFromItsFirstCopy()
{
    // No print service answers here: the first copy is refused, and it is copy 1.
    PrintTarget target;
    target.printerName = QStringLiteral("Salvenor-Test-Nowhere");
    target.layout = pdfPageLayout();
    PrintRun run{std::move(target), salvenor::test::sevenNightsSheet(), 2, 2000ms};
    QList<int> started;
    std::optional<RunResult> ended;
    connect(&run, &PrintRun::copyStarted, &run, [&started](int copy) { started << copy; });
    connect(&run, &PrintRun::finished, &run, [&ended](const RunResult &result) { ended = result; });
    run.start();
    QTRY_VERIFY_WITH_TIMEOUT(ended.has_value(), 10000);
    QCOMPARE(started, QList<int>{1});
    QCOMPARE(ended->handedOver, 0);
    QVERIFY(!ended->failure.isEmpty());
}

void PrintTest::printButtonIsIgnoredWhileCopiesGo()
{
    // While copies go, the main window takes input, and a second click on the print button
    // starts no second print.
    const QString file = m_dir.filePath(QStringLiteral("long-run.pdf"));
    QWidget *modal = nullptr;
    bool printingMeanwhile = false;
    bool lookingUpAgain = true;
    QString totalBefore;
    QString totalMeanwhile;
    salvenor::test::whenWindowShows<PrintProgressWindow>([&](PrintProgressWindow *window) {
        modal = QApplication::activeModalWidget();
        totalBefore = m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text();
        salvenor::test::pickWithKeys(m_window->control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 3);
        totalMeanwhile = m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text();
        QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
        // A second print would first look up the printers under the busy cursor.
        lookingUpAgain = QApplication::overrideCursor() != nullptr;
        printingMeanwhile = m_window->isPrinting() && !window->hasEnded();
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdAbbrechen")), Qt::LeftButton);
    });
    const auto request = printToFile(file, 900);
    QTRY_VERIFY(request->shown);
    QTRY_VERIFY_WITH_TIMEOUT(!totalMeanwhile.isEmpty(), 10000);
    waitForTheEnd();
    QCOMPARE(modal, nullptr);
    QVERIFY2(totalMeanwhile != totalBefore, qPrintable(totalMeanwhile));
    QVERIFY(printingMeanwhile);
    QVERIFY(!lookingUpAgain);
    QVERIFY(!QFile::exists(file));
}

void PrintTest::closingTheWindowWhileCopiesGoAsksFirst()
{
    const QString file = m_dir.filePath(QStringLiteral("closed.pdf"));
    QStringList questions;
    bool openAfterNo = false;
    bool printingAfterNo = false;
    bool progressOpenAfterYes = true;
    const auto answerWith = [&questions](QMessageBox::StandardButton answer) {
        salvenor::test::whenWindowShows<QMessageBox>([&questions, answer](QMessageBox *box) {
            questions << box->text();
            box->button(answer)->click();
        });
    };
    QPointer<PrintProgressWindow> progress;
    salvenor::test::whenWindowShows<PrintProgressWindow>([&](PrintProgressWindow *window) {
        progress = window;
        answerWith(QMessageBox::No);
        m_window->close();
        openAfterNo = m_window->isVisible();
        printingAfterNo = m_window->isPrinting() && !window->hasEnded();
        answerWith(QMessageBox::Yes);
        m_window->close();
        // Stopped and closed before the main window has gone, not left to end by itself.
        progressOpenAfterYes = window->isVisible() || !window->hasEnded();
    });
    const auto request = printToFile(file, 900);
    QTRY_VERIFY(request->shown);
    QTRY_COMPARE_WITH_TIMEOUT(questions.size(), 2, 10000);
    const QString question = QStringLiteral("Es werden noch Exemplare gedruckt. Trotzdem beenden?\n"
                                            "Die übrigen Exemplare werden dann nicht gedruckt.");
    QCOMPARE(questions, (QStringList{question, question}));
    QVERIFY(openAfterNo);
    QVERIFY(printingAfterNo);
    QVERIFY(!progressOpenAfterYes);
    QVERIFY(!m_window->isVisible());
    // The copies stop, their window closes without a message, and the file is not written.
    waitForTheEnd();
    QVERIFY(progress.isNull());
    QVERIFY(failureBox() == nullptr);
    QCOMPARE(QDir{m_dir.path()}.entryList({QStringLiteral("closed*")}, QDir::Files | QDir::Hidden).size(), 0);
}

void PrintTest::failureTextSaysWhichCopiesWentOut_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<int>("handedOver");
    QTest::addColumn<bool>("uncertain");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("text");
    const QString why = QStringLiteral("Der Drucker „Büro“ nimmt zurzeit keine Aufträge an.");
    const QString checkFirst = QStringLiteral("Bitte sehen Sie am Drucker nach, bevor Sie noch einmal drucken.");
    QTest::newRow("every copy went out") << 3 << false << 3 << false << QString{} << QString{};
    QTest::newRow("cancelled") << 3 << false << 1 << false << QString{} << QString{};
    QTest::newRow("file") << 2 << true << 0 << false << why
                          << QStringLiteral("Die PDF-Datei wurde nicht geschrieben.\n") + why;
    QTest::newRow("the one copy refused")
        << 1 << false << 0 << false << why << QStringLiteral("Das Berechnungsblatt wurde nicht gedruckt.\n") + why;
    QTest::newRow("the one copy in doubt")
        << 1 << false << 0 << true << why
        << QStringLiteral("Das Berechnungsblatt wurde vielleicht gedruckt.\n") + why + u'\n' + checkFirst;
    QTest::newRow("first of three refused")
        << 3 << false << 0 << false << why
        << QStringLiteral("Von 3 Exemplaren wurden 0 gedruckt.\nExemplar 1 wurde nicht gedruckt: ") + why
            + QStringLiteral("\nDie übrigen Exemplare wurden nicht gedruckt.");
    QTest::newRow("second of three in doubt")
        << 3 << false << 1 << true << why
        << QStringLiteral("Von 3 Exemplaren wurde 1 gedruckt.\nExemplar 2 wurde vielleicht gedruckt: ") + why
            + QStringLiteral("\nDie übrigen Exemplare wurden nicht gedruckt.\n") + checkFirst;
    QTest::newRow("second of two refused")
        << 2 << false << 1 << false << why
        << QStringLiteral("Von 2 Exemplaren wurde 1 gedruckt.\nExemplar 2 wurde nicht gedruckt: ") + why;
    QTest::newRow("last of four in doubt")
        << 4 << false << 3 << true << why
        << QStringLiteral("Von 4 Exemplaren wurden 3 gedruckt.\nExemplar 4 wurde vielleicht gedruckt: ") + why + u'\n'
            + checkFirst;
}

void PrintTest::failureTextSaysWhichCopiesWentOut()
{
    // The warning after a run that did not hand over every copy (the real ones come from a
    // print service: tests/e2e/print_service_test.sh).
    QFETCH(int, copies);
    QFETCH(bool, toFile);
    QFETCH(int, handedOver);
    QFETCH(bool, uncertain);
    QFETCH(QString, failure);
    QFETCH(QString, text);
    const RunResult result{.handedOver = handedOver, .uncertain = uncertain, .failure = failure, .cancelled = false};
    QCOMPARE(PrintProgressWindow::failureText(copies, toFile, result), text);
}

void PrintTest::silentServiceOffersThePdfFile()
{
    // A service that never answers: the window takes input while it is asked; within the
    // look-up's limit it says so and offers the file; a name that is no file for a PDF is refused
    // and the file dialog comes again. The sheet is the stay as the window shows it by then.
    const SilentService service;
    QVERIFY(!service.address().isEmpty());
    const PrintServiceAt silent{service.address()};
    m_window->setPrintTimeouts({.lookup = 1500ms, .answer = 2000ms});
    const QString link = m_dir.filePath(QStringLiteral("link-to-nothing.pdf"));
    QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nothing.pdf")), link));
    const QString file = m_dir.filePath(QStringLiteral("silent.pdf"));
    QString message;
    bool lookUpEnded = false;
    QString refusal;
    QStringList offered;
    QStringList notTaken;
    const auto save = [&notTaken](QFileDialog *dialog, const QString &name) {
        if (!typeFileNameAndSave(dialog, name))
            notTaken << name;
    };
    salvenor::test::whenWindowShows<QMessageBox>([&](QMessageBox *box) {
        message = box->objectName() + u' ' + box->text();
        // Nothing of the look-up is left running while the user reads this.
        lookUpEnded = QThreadPool::globalInstance()->waitForDone(5000);
        salvenor::test::whenWindowShows<QFileDialog>([&](QFileDialog *dialog) {
            offered << QFileInfo{dialog->selectedFiles().value(0)}.fileName();
            salvenor::test::whenWindowShows<QMessageBox>([&](QMessageBox *warning) {
                refusal = warning->text();
                salvenor::test::whenWindowShows<QFileDialog>([&](QFileDialog *again) {
                    offered << QFileInfo{again->selectedFiles().value(0)}.fileName();
                    save(again, file);
                });
                warning->close();
            });
            save(dialog, link);
        });
        for (QAbstractButton *button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::AcceptRole)
                button->click();
        }
    });
    salvenor::test::clickDay(m_window->control<QCalendarWidget>(QStringLiteral("Abreise")), QDate{2016, 3, 21});
    QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    salvenor::test::clickDay(m_window->control<QCalendarWidget>(QStringLiteral("Anreise")), QDate{2016, 3, 16});
    QVERIFY2(m_window->statusText().startsWith(QStringLiteral("Anreisetag = Mi. 16.03.2016")),
        qPrintable(m_window->statusText()));
    salvenor::test::pickWithKeys(m_window->control<QComboBox>(QStringLiteral("Anz_Erwachsene")), 2);
    const QString total = m_window->control<QLabel>(QStringLiteral("End_Summe_Gesamt"))->text();
    QVERIFY(message.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!message.isEmpty(), 10000);
    QVERIFY2(message.startsWith(QStringLiteral("printServiceSilent Der Druckdienst antwortet nicht, daher kann gerade "
                                               "nicht gedruckt werden.")),
        qPrintable(message));
    QVERIFY(lookUpEnded);
    waitForTheEnd();
    QVERIFY2(notTaken.isEmpty(), qPrintable(notTaken.join(u',')));
    QVERIFY(failureBox() == nullptr);
    QVERIFY2(refusal.startsWith(QStringLiteral("„%1“ ist keine gewöhnliche Datei.").arg(link)), qPrintable(refusal));
    QCOMPARE(offered, (QStringList{QStringLiteral("Kurbeitrag.pdf"), QFileInfo{link}.fileName()}));
    QVERIFY(QFileInfo{link}.isSymLink());
    QCOMPARE(pagesOf(file), 1);
    const auto words = wordsOf(file);
    QVERIFY(findWord(words, QStringLiteral("16.03.2016")));
    QVERIFY2(total != QStringLiteral("0,00") && findWord(words, total), qPrintable(total));
    // The file's page is A4 with the margins a printer commonly reports (1/6 inch): the sheet
    // stands where it does on such a printer.
    constexpr double kMargin = 25.4 / 6;
    const Word *island = findWord(words, QStringLiteral("Nordseeinsel"));
    QVERIFY(island);
    QVERIFY2(qAbs(island->xMin - (kMargin + 13)) < 0.8, qPrintable(QString::number(island->xMin)));
    QVERIFY2(qAbs(island->yMin - kMargin) < 0.5, qPrintable(QString::number(island->yMin)));
    int euros = 0;
    for (const Word &word : words) {
        if (word.text == QStringLiteral("€") && word.xMin > 150) {
            ++euros;
            QVERIFY2(qAbs(word.xMax - (210 - kMargin - 40)) < 0.8, qPrintable(QString::number(word.xMax)));
        }
    }
    // Each category's sum and the total.
    QCOMPARE(euros, static_cast<int>(salvenor::kCategoryCount) + 1);
}

void PrintTest::windowGoneWhileThePrintersAreLookedUpEndsTheLookUp()
{
    // The program waits for the look-up before it ends: once nobody waits for its answer, the
    // look-up stops instead of running to its limit.
    const SilentService service;
    QVERIFY(!service.address().isEmpty());
    const PrintServiceAt silent{service.address()};
    m_window->setPrintTimeouts({.lookup = 60000ms, .answer = 2000ms});
    QTest::mouseClick(m_window->control(QStringLiteral("cmdPrint")), Qt::LeftButton);
    QVERIFY(m_window->isPrinting());
    QVERIFY(QApplication::overrideCursor() != nullptr);
    m_window.reset();
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
}

QTEST_MAIN(PrintTest)
#include "print_test.moc"
