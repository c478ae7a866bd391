#pragma once

#include <QApplication>

namespace salvenor::ui {

// The application object of the program. An exception that leaves an event handler would end
// the program in Qt's event loop and lose what the guest entered; here it stops at the one
// boundary every event passes, is written to standard error and announced by
// `exceptionStopped`, so that the windows can bring themselves back to a consistent state.
class GuardedApplication final : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GuardedApplication)

public:
    GuardedApplication(int &argc, char **argv);
    ~GuardedApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

signals:
    void exceptionStopped(const QString &what);

private:
    void report(const QString &what);

    bool m_reporting = false;
};

} // namespace salvenor::ui
