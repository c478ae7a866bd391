#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace salvenor::print {

class PrintRun;

// Counts the copies of a print while they go out ("Exemplar 2 von 3") and offers to cancel.
// Not modal: the main window stays usable. Closes itself at the end; when a copy did not reach
// the printer, a warning says how many did and why the rest did not.
class PrintProgressWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrintProgressWindow)

public:
    PrintProgressWindow(PrintRun *run, QWidget *owner);
    ~PrintProgressWindow() override;

protected:
    void reject() override;

private:
    void onCopyStarted(int copy);
    void onFinished(int handedOver, const QString &failure);

    PrintRun *m_run;
    QLabel *m_copyLabel = nullptr;
    QProgressBar *m_bar = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

} // namespace salvenor::print
