#include "print_progress_window.h"

#include <QDir>
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
    run->setParent(this);

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

QString PrintProgressWindow::copyText() const
{
    return m_copyLabel->text();
}

void PrintProgressWindow::onCopyStarted(int copy)
{
    if (m_run->isCancelled())
        return;
    m_copyLabel->setText(QStringLiteral("Exemplar %1 von %2").arg(copy).arg(m_run->copies()));
    m_bar->setValue(copy - 1);
}

void PrintProgressWindow::reject()
{
    if (m_ended) {
        QDialog::reject();
        return;
    }
    // Esc, the close box and the button while copies go: stop after the current copy; the
    // window closes when the run has ended.
    m_run->cancel();
    m_cancelButton->setEnabled(false);
    m_copyLabel->setText(QStringLiteral("Wird abgebrochen …"));
}

void PrintProgressWindow::abandon()
{
    m_run->stop();
    m_ended = true;
    close();
}

QString PrintProgressWindow::failureText(int copies, bool toFile, const RunResult &result)
{
    if (result.failure.isEmpty())
        return {};
    if (toFile)
        return QStringLiteral("Die PDF-Datei wurde nicht geschrieben.\n%1").arg(result.failure);
    const QString checkFirst = QStringLiteral("Bitte sehen Sie am Drucker nach, bevor Sie noch einmal drucken.");
    if (copies == 1) {
        return result.uncertain
            ? QStringLiteral("Das Berechnungsblatt wurde vielleicht gedruckt.\n%1\n%2").arg(result.failure, checkFirst)
            : QStringLiteral("Das Berechnungsblatt wurde nicht gedruckt.\n%1").arg(result.failure);
    }
    const QString summary = result.handedOver == 1
        ? QStringLiteral("Von %1 Exemplaren wurde 1 gedruckt.").arg(copies)
        : QStringLiteral("Von %1 Exemplaren wurden %2 gedruckt.").arg(copies).arg(result.handedOver);
    const int copy = result.handedOver + 1;
    QString text = result.uncertain
        ? QStringLiteral("%1\nExemplar %2 wurde vielleicht gedruckt: %3").arg(summary).arg(copy).arg(result.failure)
        : QStringLiteral("%1\nExemplar %2 wurde nicht gedruckt: %3").arg(summary).arg(copy).arg(result.failure);
    if (copy < copies)
        text += QStringLiteral("\nDie übrigen Exemplare wurden nicht gedruckt.");
    if (result.uncertain)
        text += QStringLiteral("\n%1").arg(checkFirst);
    return text;
}

void PrintProgressWindow::onFinished(const RunResult &result)
{
    m_ended = true;
    m_bar->setValue(result.handedOver);
    if (const QString text = failureText(m_run->copies(), m_run->toFile(), result); !text.isEmpty()) {
        auto *box
            = new QMessageBox{QMessageBox::Warning, QStringLiteral("Drucken"), text, QMessageBox::Ok, parentWidget()};
        box->setObjectName(QStringLiteral("printFailed"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    } else if (m_run->toFile()) {
        // A file, not paper: the clerk learns where the sheet went.
        auto *box = new QMessageBox{QMessageBox::Information, QStringLiteral("Drucken"),
            QStringLiteral("Das Berechnungsblatt wurde als PDF-Datei gespeichert:\n%1")
                .arg(QDir::toNativeSeparators(m_run->outputFile())),
            QMessageBox::Ok, parentWidget()};
        box->setObjectName(QStringLiteral("pdfWritten"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    close();
}

} // namespace salvenor::print
