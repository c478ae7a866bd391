#include "print_run.h"

#include <exception>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPdfWriter>
#include <QSaveFile>

#include "print/qt_print_surface.h"
#include "print/sheet_layout.h"
#include "print/sheet_pdf.h"

namespace salvenor::print {

namespace {

// Where a PDF writer puts its end-of-file mark: within the last bytes, after the trailer.

QString quoted(const QString &path)
{
    return QStringLiteral("„%1“").arg(QDir::toNativeSeparators(path));
}

// One copy of the sheet as a PDF document in memory: nothing of a guest's sheet is left in a
// temporary folder, and a full disk cannot cut it.
QByteArray drawnSheet(const PrintTarget &target, const SheetData &sheet)
{
    QByteArray pdf;
    QBuffer buffer{&pdf};
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer{&buffer};
        setUpPdfWriter(writer, target.layout, target.resolution);
        QtPrintSurface surface{writer};
        printSheet(surface, sheet);
        if (surface.finishedPages() != 1)
            return {};
    }
    return pdf;
}

} // namespace

PrintRun::PrintRun(
    PrintTarget target, SheetData sheet, int copies, std::chrono::milliseconds answerLimit, QObject *parent)
    : QObject(parent)
    , m_target(std::move(target))
    , m_sheet(std::move(sheet))
    , m_copies(copies)
    , m_answerLimit(answerLimit)
{ }

PrintRun::~PrintRun()
{
    stop();
}

void PrintRun::start()
{
    // An owned thread, not the pool's: it uses this object (the sheet, the cancel flag) and stop()
    // (also from the destructor) joins it before that goes. What it reports is posted to this
    // object in the GUI thread, and Qt drops what is still queued when the object is deleted.
    m_worker = std::thread{[this] { work(); }};
}

void PrintRun::cancel()
{
    m_cancelled.store(true);
}

void PrintRun::stop()
{
    cancel();
    if (m_worker.joinable())
        m_worker.join();
    // What the worker posted is dropped with the signals' receivers.
    disconnect(this, &PrintRun::finished, nullptr, nullptr);
    disconnect(this, &PrintRun::copyStarted, nullptr, nullptr);
}

void PrintRun::announce(int copy)
{
    QMetaObject::invokeMethod(
        this, [this, copy] { emit copyStarted(copy); }, Qt::QueuedConnection);
}

void PrintRun::work()
{
    RunResult result;
    try {
        if (toFile())
            printToFile(result);
        else
            printToQueue(result);
    } catch (const std::exception &error) {
        result.failure = QStringLiteral("Beim Drucken ist ein interner Fehler aufgetreten (%1).")
                             .arg(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        result.failure = QStringLiteral("Beim Drucken ist ein interner Fehler aufgetreten.");
    }
    result.cancelled = m_cancelled.load();
    QMetaObject::invokeMethod(
        this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
}

void PrintRun::printToQueue(RunResult &result)
{
    const std::string printer = m_target.printerName.toStdString();
    for (int copy = 1; copy <= m_copies && !m_cancelled.load(); ++copy) {
        announce(copy);
        // Each copy is a document of its own, handed to the queue from memory.
        const QByteArray pdf = drawnSheet(m_target, m_sheet);
        if (!isWholePdf(pdf)) {
            result.failure = QStringLiteral("Das Blatt konnte nicht gezeichnet werden.");
            return;
        }
        const JobOutcome outcome = submitJob(printer, std::string_view{pdf.constData(), std::size_t(pdf.size())},
            kSheetTitle, m_target.options, m_answerLimit, m_cancelled);
        switch (outcome.result) {
        case JobResult::Taken:
            ++result.handedOver;
            break;
        case JobResult::Refused:
            // A cancel withdraws the copy under way; the user asked for that.
            if (!m_cancelled.load())
                result.failure = QString::fromStdString(outcome.reason);
            return;
        case JobResult::Uncertain:
            result.uncertain = true;
            result.failure = QString::fromStdString(outcome.reason);
            return;
        }
    }
}

void PrintRun::printToFile(RunResult &result)
{
    const QFileInfo existing{m_target.outputFile};
    if (existing.exists() && !existing.isFile()) {
        result.failure = QStringLiteral("%1 ist keine gewöhnliche Datei.").arg(quoted(m_target.outputFile));
        return;
    }
    // Written beside the target and put in its place only when it is whole: a full disk or a
    // cancel leaves the target as it was.
    QSaveFile file{m_target.outputFile};
    if (!file.open(QIODevice::WriteOnly)) {
        result.failure = QStringLiteral("Die Datei %1 kann nicht angelegt werden.").arg(quoted(m_target.outputFile));
        return;
    }
    int pages = 0;
    {
        QPdfWriter writer{&file};
        setUpPdfWriter(writer, m_target.layout, m_target.resolution);
        QtPrintSurface surface{writer, true};
        for (int copy = 1; copy <= m_copies && !m_cancelled.load(); ++copy) {
            announce(copy);
            printSheet(surface, m_sheet);
        }
        pages = surface.finishedPages();
        surface.finish();
    }
    if (m_cancelled.load()) {
        file.cancelWriting();
        return;
    }
    const QString incomplete = QStringLiteral("Die Datei %1 konnte nicht vollständig geschrieben werden; "
                                              "vielleicht ist der Datenträger voll.")
                                   .arg(quoted(m_target.outputFile));
    if (pages != m_copies || file.error() != QFileDevice::NoError || !file.commit()) {
        result.failure = incomplete;
        return;
    }
    QFile written{m_target.outputFile};
    if (!written.open(QIODevice::ReadOnly) || !isWholePdf(written.readAll())) {
        written.close();
        QFile::remove(m_target.outputFile);
        result.failure = incomplete;
        return;
    }
    result.handedOver = pages;
}

} // namespace salvenor::print
