#include "guarded_application.h"

#include <cstdio>
#include <exception>

namespace salvenor::ui {

GuardedApplication::GuardedApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{ }

GuardedApplication::~GuardedApplication() = default;

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        report(QString::fromUtf8(error.what()));
    } catch (...) {
        report(QStringLiteral("unknown exception"));
    }
    return false;
}

void GuardedApplication::report(const QString &what)
{
    std::fprintf(stderr, "Salvenor 2016: an event handler failed and was stopped: %s\n", qUtf8Printable(what));
    std::fflush(stderr);
    // A recovery that fails in turn is reported by the inner notify; it must not start another.
    if (m_reporting)
        return;
    m_reporting = true;
    try {
        emit exceptionStopped(what);
    } catch (...) {
        std::fprintf(stderr, "Salvenor 2016: the recovery failed as well\n");
    }
    m_reporting = false;
}

} // namespace salvenor::ui
