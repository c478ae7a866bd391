#include "print_job.h"

#include <memory>
#include <thread>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

#include "print/print_progress_window.h"
#include "print/print_run.h"
#include "print/qt_print_surface.h"
#include "print/sheet_layout.h"
#include "print/sheet_pdf.h"

namespace salvenor::print {

namespace {

// Qt's key of the options that its print dialog sets for a queue of the print service.
constexpr auto kCupsOptionsProperty = static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);

// How often the window checks whether the service has answered.
constexpr int kLookupPollMilliseconds = 20;

// Asks the print service on a thread of its own while the window goes on answering events.
ServiceAnswer lookUpPrinters(std::chrono::milliseconds limit)
{
    struct Lookup
    {
        std::atomic<bool> done{false};
        ServiceAnswer answer = ServiceAnswer::Silent;
    };
    auto lookup = std::make_shared<Lookup>();
    // The worker ends by itself within the limit; it holds its own share of the result.
    std::thread{[lookup, limit] {
        lookup->answer = askPrintService(limit);
        lookup->done.store(true);
    }}.detach();

    QApplication::setOverrideCursor(Qt::BusyCursor);
    QEventLoop loop;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (lookup->done.load() || waited.elapsed() > limit.count() + 1000)
            loop.quit();
    });
    poll.start(kLookupPollMilliseconds);
    loop.exec();
    QApplication::restoreOverrideCursor();
    return lookup->done.load() ? lookup->answer : ServiceAnswer::Silent;
}

JobOptions queueOptions(QPrinter &printer)
{
    JobOptions options;
    options.emplace_back("media", printer.pageLayout().pageSize().key().toStdString());
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        options.emplace_back("sides", "one-sided");
        break;
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        options.emplace_back("sides", "two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        options.emplace_back("sides", "two-sided-short-edge");
        break;
    }
    const QStringList dialogOptions = printer.printEngine()->property(kCupsOptionsProperty).toStringList();
    for (qsizetype i = 0; i + 1 < dialogOptions.size(); i += 2)
        options.emplace_back(dialogOptions.at(i).toStdString(), dialogOptions.at(i + 1).toStdString());
    return options;
}

PrintRun *startRun(
    QWidget *owner, PrintTarget target, const SheetData &sheet, int copies, const PrintTimeouts &timeouts)
{
    if (copies < 1)
        return nullptr;
    auto *run = new PrintRun{std::move(target), sheet, copies, timeouts.answer, owner};
    auto *progress = new PrintProgressWindow{run, owner};
    progress->show();
    run->start();
    return run;
}

// The print service is silent: the sheet can still be saved as a PDF file.
PrintRun *offerPdfFile(QWidget *owner, const SheetReader &read, const PrintTimeouts &timeouts)
{
    QMessageBox box{QMessageBox::Warning, QStringLiteral("Drucken"),
        QStringLiteral("Der Druckdienst antwortet nicht, daher kann gerade nicht gedruckt werden.\n"
                       "Das Berechnungsblatt lässt sich aber als PDF-Datei speichern."),
        QMessageBox::NoButton, owner};
    box.setObjectName(QStringLiteral("printServiceSilent"));
    QPushButton *save = box.addButton(QStringLiteral("Als PDF-Datei speichern …"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() != save)
        return nullptr;
    const QString file = QFileDialog::getSaveFileName(owner, QStringLiteral("Berechnungsblatt als PDF-Datei speichern"),
        QDir::home().filePath(QStringLiteral("Kurbeitrag.pdf")), QStringLiteral("PDF-Dateien (*.pdf)"), nullptr,
        QFileDialog::DontUseNativeDialog);
    if (file.isEmpty())
        return nullptr;
    PrintTarget target;
    target.outputFile = file;
    target.layout = pdfPageLayout();
    return startRun(owner, std::move(target), read(), 1, timeouts);
}

} // namespace

void printCopies(QPrinter &printer, int copies, const SheetReader &read)
{
    if (copies < 1)
        return;
    printer.setCopyCount(1);
    if (!printer.outputFileName().isEmpty()) {
        // Copies to one file would overwrite each other: they become the pages of that file.
        QtPrintSurface surface{printer, true};
        for (int copy = 0; copy < copies; ++copy)
            printSheet(surface, read());
        surface.finish();
        return;
    }
    for (int copy = 0; copy < copies; ++copy) {
        QtPrintSurface surface{printer};
        printSheet(surface, read());
    }
}

PrintRun *printWithDialog(QWidget *owner, const SheetReader &read, const PrintTimeouts &timeouts)
{
    if (lookUpPrinters(timeouts.lookup) == ServiceAnswer::Silent)
        return offerPdfFile(owner, read, timeouts);

    QPrinter printer{QPrinter::HighResolution};
    QPrintDialog dialog{&printer, owner};
    dialog.setObjectName(QStringLiteral("dlgCommonDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;

    // Taken after the dialog: the window may have changed while it was open.
    PrintTarget target;
    target.layout = printer.pageLayout();
    target.resolution = printer.resolution();
    if (printer.outputFileName().isEmpty()) {
        target.printerName = printer.printerName();
        target.options = queueOptions(printer);
    } else {
        target.outputFile = printer.outputFileName();
    }
    return startRun(owner, std::move(target), read(), printer.copyCount(), timeouts);
}

} // namespace salvenor::print
