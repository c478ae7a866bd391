#include "print_progress_window.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "print/print_run.h"

namespace salvenor::print {

PrintProgressWindow::PrintProgressWindow(PrintRun *run, QWidget *owner)
    : QDialog(owner)
    , m_run(run)
{
    setObjectName(QStringLiteral("dlgDruckfortschritt"));
    setWindowTitle(QStringLiteral("Drucken"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    m_copyLabel = new QLabel(this);
    m_copyLabel->setObjectName(QStringLiteral("lblExemplar"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("barDruckfortschritt"));
    m_bar->setAccessibleName(QStringLiteral("Druckfortschritt"));
    m_bar->setRange(0, run->copies());
    m_bar->setValue(0);
    m_cancelButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_cancelButton->setObjectName(QStringLiteral("cmdAbbrechen"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_copyLabel);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancelButton, 0, Qt::AlignRight);
    onCopyStarted(1);

    connect(m_cancelButton, &QPushButton::clicked, this, &PrintProgressWindow::reject);
    connect(run, &PrintRun::copyStarted, this, &PrintProgressWindow::onCopyStarted);
    connect(run, &PrintRun::finished, this, &PrintProgressWindow::onFinished);
}

PrintProgressWindow::~PrintProgressWindow() = default;

void PrintProgressWindow::onCopyStarted(int copy)
{
    m_copyLabel->setText(QStringLiteral("Exemplar %1 von %2").arg(copy).arg(m_run->copies()));
    m_bar->setValue(copy - 1);
}

void PrintProgressWindow::reject()
{
    // Esc, the close box and the button: stop after the current copy; the window closes when
    // the run has ended.
    m_run->cancel();
    m_cancelButton->setEnabled(false);
    m_copyLabel->setText(QStringLiteral("Wird abgebrochen …"));
}

void PrintProgressWindow::onFinished(int handedOver, const QString &failure)
{
    m_bar->setValue(handedOver);
    QWidget *owner = parentWidget();
    if (!failure.isEmpty()) {
        const int copies = m_run->copies();
        const QString text = copies == 1
            ? QStringLiteral("Das Berechnungsblatt wurde nicht gedruckt.\n%1").arg(failure)
            : QStringLiteral("Von %1 Exemplaren wurden %2 gedruckt.\nExemplar %3 wurde nicht gedruckt: %4")
                  .arg(copies)
                  .arg(handedOver)
                  .arg(handedOver + 1)
                  .arg(failure);
        auto *box = new QMessageBox{QMessageBox::Warning, QStringLiteral("Drucken"), text, QMessageBox::Ok, owner};
        box->setObjectName(QStringLiteral("printFailed"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    m_run->deleteLater();
    close();
}

} // namespace salvenor::print
