#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

#include "print/print_service.h"
#include "print/sheet_data.h"

class QWidget;

namespace salvenor::print {

struct PrintTarget;

using SheetReader = std::function<SheetData()>;

struct PrintTimeouts
{
    // How long the print service may take to list its printers and describe the first one
    // before the print dialog.
    std::chrono::milliseconds lookup{5000};
    // How long it may take to accept one copy.
    std::chrono::milliseconds answer{30000};
};

// One click of the print button. Asks the print service off the GUI thread, within
// `timeouts.lookup`, what Qt's print dialog will ask it; when it stays silent, says so and
// offers to save the sheet as a PDF file. Otherwise the print dialog owned by `owner`; Cancel
// prints nothing and shows nothing. The sheet is read once the dialog has closed, and its
// copies go out in the background while a progress window counts them and offers to cancel;
// a copy the printer did not take is reported, never passed over. The request deletes itself
// when nothing more is to be done (its `destroyed` says that printing has ended).
class PrintRequest final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrintRequest)

public:
    PrintRequest(QWidget *owner, SheetReader read, const PrintTimeouts &timeouts);
    ~PrintRequest() override;

    void start();

private:
    void onServiceChecked(ServiceAnswer answer);
    void showPrintDialog();
    void offerPdfFile();
    void startRun(PrintTarget target, int copies);
    void restoreCursor();

    QWidget *m_owner;
    SheetReader m_read;
    PrintTimeouts m_timeouts;
    QFutureWatcher<ServiceAnswer> m_check;
    // Shared with the look-up, which may outlive the request.
    std::shared_ptr<std::atomic<bool>> m_abandoned = std::make_shared<std::atomic<bool>>(false);
    QTimer m_checkDeadline;
    bool m_checked = false;
    bool m_busyCursor = false;
    bool m_running = false;
};

// Starts a print request for the print button of `owner`.
PrintRequest *printWithDialog(QWidget *owner, const SheetReader &read, const PrintTimeouts &timeouts = {});

// Whether `owner` may close now: while copies go, asks whether to quit anyway; on yes the
// runs are stopped after the copy under way and their windows closed.
bool mayCloseWhilePrinting(QWidget *owner);

// Stops the runs of `owner` without asking (the program is told to end).
void stopPrinting(QWidget *owner);

} // namespace salvenor::print
