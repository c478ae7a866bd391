#include "print_run.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QPdfWriter>
#include <QPointer>
#include <QTemporaryFile>

#include "print/qt_print_surface.h"
#include "print/sheet_layout.h"
#include "print/sheet_pdf.h"

namespace salvenor::print {

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
    cancel();
    if (m_worker.joinable())
        m_worker.join();
}

void PrintRun::start()
{
    m_worker = std::thread{[this] { work(); }};
}

void PrintRun::cancel()
{
    m_cancelled.store(true);
}

void PrintRun::announce(int copy)
{
    QMetaObject::invokeMethod(
        this, [this, copy] { emit copyStarted(copy); }, Qt::QueuedConnection);
}

void PrintRun::work()
{
    int handedOver = 0;
    QString failure;
    if (m_target.outputFile.isEmpty())
        printToQueue(handedOver, failure);
    else
        printToFile(handedOver, failure);
    QMetaObject::invokeMethod(
        this, [this, handedOver, failure] { emit finished(handedOver, failure); }, Qt::QueuedConnection);
}

void PrintRun::printToQueue(int &handedOver, QString &failure)
{
    for (int copy = 1; copy <= m_copies && !m_cancelled.load(); ++copy) {
        announce(copy);
        // Each copy is a document of its own, drawn to a file and handed to the queue.
        QTemporaryFile document{QDir::tempPath() + QStringLiteral("/salvenor-XXXXXX.pdf")};
        if (!document.open()) {
            failure = QStringLiteral("Die Druckdatei kann nicht angelegt werden.");
            return;
        }
        int pages = 0;
        {
            QPdfWriter writer{document.fileName()};
            setUpPdfWriter(writer, m_target.layout, m_target.resolution);
            QtPrintSurface surface{writer};
            printSheet(surface, m_sheet);
            pages = surface.finishedPages();
        }
        if (pages == 0) {
            failure = QStringLiteral("Das Blatt konnte nicht gezeichnet werden.");
            return;
        }
        const JobOutcome outcome
            = submitJob(m_target.printerName.toStdString(), QFile::encodeName(document.fileName()).toStdString(),
                kSheetTitle, m_target.options, m_answerLimit, m_cancelled);
        if (!outcome.accepted) {
            if (!m_cancelled.load())
                failure = QString::fromStdString(outcome.error);
            return;
        }
        ++handedOver;
    }
}

void PrintRun::printToFile(int &handedOver, QString &failure)
{
    int pages = 0;
    {
        QPdfWriter writer{m_target.outputFile};
        setUpPdfWriter(writer, m_target.layout, m_target.resolution);
        QtPrintSurface surface{writer, true};
        for (int copy = 1; copy <= m_copies && !m_cancelled.load(); ++copy) {
            announce(copy);
            printSheet(surface, m_sheet);
        }
        pages = surface.finishedPages();
        surface.finish();
    }
    if (m_cancelled.load() && pages == 0)
        return;
    if (pages == 0 || !QFile::exists(m_target.outputFile)) {
        failure = QStringLiteral("Die Datei %1 kann nicht geschrieben werden.")
                      .arg(QDir::toNativeSeparators(m_target.outputFile));
        return;
    }
    handedOver = pages;
}

} // namespace salvenor::print
