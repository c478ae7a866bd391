#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include <QObject>
#include <QPageLayout>
#include <QString>

#include "print/print_service.h"
#include "print/sheet_data.h"

namespace salvenor::print {

// Where the copies of one print go, as the print dialog (or the PDF fallback) chose it.
struct PrintTarget
{
    QString printerName; // a queue of the print service: one job of one page per copy
    QString outputFile; // or a PDF file: one page per copy
    QPageLayout layout; // paper, orientation and printable area
    int resolution = 1200;
    JobOptions options; // what the dialog set for the queue (media, sides, its own options)
};

// How a run ended.
struct RunResult
{
    int handedOver = 0; // copies that reached the printer, or pages written to the file
    bool uncertain = false; // copy handedOver + 1 went out unconfirmed: it may print
    QString failure; // why copy handedOver + 1 did not (or may not have) gone out; empty when all did
    bool cancelled = false;
};

// The copies of one print, drawn and handed over outside the GUI thread, so that a slow or
// silent print service never blocks the window. Reports each copy and the end through queued
// signals; finished() comes exactly once, whatever happened. cancel() stops after the current
// copy (at once when the service is silent). A file is written whole or not at all. The
// destructor cancels and waits for the worker.
class PrintRun final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrintRun)

public:
    PrintRun(PrintTarget target, SheetData sheet, int copies, std::chrono::milliseconds answerLimit,
        QObject *parent = nullptr);
    ~PrintRun() override;

    void start();
    void cancel();
    // Cancels and waits for the worker; finished() is not sent afterwards.
    void stop();
    bool isCancelled() const { return m_cancelled.load(); }
    int copies() const { return m_copies; }
    bool toFile() const { return !m_target.outputFile.isEmpty(); }
    const QString &outputFile() const { return m_target.outputFile; }

signals:
    void copyStarted(int copy);
    void finished(const salvenor::print::RunResult &result);

private:
    void work();
    void printToQueue(RunResult &result);
    void printToFile(RunResult &result);
    void announce(int copy);

    PrintTarget m_target;
    SheetData m_sheet;
    int m_copies;
    std::chrono::milliseconds m_answerLimit;
    std::atomic<bool> m_cancelled{false};
    std::thread m_worker;
};

} // namespace salvenor::print
