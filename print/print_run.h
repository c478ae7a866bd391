#pragma once

#include <atomic>
#include <chrono>
#include <memory>
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

// The copies of one print, drawn and handed over outside the GUI thread, so that a slow or
// silent print service never blocks the window. Reports each copy and the end through queued
// signals; cancel() stops after the current copy (at once when the service is silent). The
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
    bool isCancelled() const { return m_cancelled.load(); }
    int copies() const { return m_copies; }

signals:
    void copyStarted(int copy);
    // handedOver copies reached the printer or the file; `failure` says why the others did not
    // (empty when all did, or when the user cancelled).
    void finished(int handedOver, const QString &failure);

private:
    void work();
    void printToQueue(int &handedOver, QString &failure);
    void printToFile(int &handedOver, QString &failure);
    void announce(int copy);

    PrintTarget m_target;
    SheetData m_sheet;
    int m_copies;
    std::chrono::milliseconds m_answerLimit;
    std::atomic<bool> m_cancelled{false};
    std::thread m_worker;
};

} // namespace salvenor::print
