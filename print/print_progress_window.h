#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace salvenor::print {

class PrintRun;
struct RunResult;

// Counts the copies of a print while they go out ("Exemplar 2 von 3") and offers to cancel.
// Not modal: the main window stays usable. Owns the run and starts it. Esc, the close box and
// "Abbrechen" cancel after the current copy; the window closes by itself once the run has
// ended, and only then. When a copy did not reach the printer, a warning says how many did and
// why the rest did not.
class PrintProgressWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrintProgressWindow)

public:
    PrintProgressWindow(PrintRun *run, QWidget *owner);
    ~PrintProgressWindow() override;

    bool hasEnded() const { return m_ended; }
    // Which copy goes out now and of how many, as the window shows it.
    QString copyText() const;
    // Stops the run after the current copy, waits for it and closes, without a message.
    void abandon();

    // The text of the warning after a run that did not hand over every copy; empty when it did
    // or when the user cancelled and nothing is in doubt.
    static QString failureText(int copies, bool toFile, const RunResult &result);

protected:
    void reject() override;

private:
    void onCopyStarted(int copy);
    void onFinished(const RunResult &result);

    PrintRun *m_run; // a child of this window
    bool m_ended = false;
    QLabel *m_copyLabel = nullptr;
    QProgressBar *m_bar = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

} // namespace salvenor::print
