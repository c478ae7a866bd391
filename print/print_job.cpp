#include "print_job.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

#include "print/print_progress_window.h"
#include "print/print_run.h"
#include "print/sheet_pdf.h"

namespace salvenor::print {

namespace {

// Qt's key of the options that its print dialog sets for a queue of the print service
// (PPK_CupsOptions in Qt's private qcups_p.h: a flat list of names and values). The job goes to
// the service through its own library, not through Qt's engine, so the dialog's choices are taken
// from there; Qt has no public API for them, and the key has stayed the same since Qt 4.
constexpr auto kCupsOptionsProperty = static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);

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

// Something other than a regular file or a new one (a FIFO, a device, a folder): opening it
// could wait for ever, and it cannot hold a PDF. A link to nothing neither: the dialog's check
// would create an empty file where it points and remove the link.
bool isNoFileForAPdf(const QString &path)
{
    const QFileInfo info{path};
    return !path.isEmpty() && (info.exists() ? !info.isFile() : info.isSymLink());
}

QString refusedPathText(const QString &path)
{
    return QStringLiteral("„%1“ ist keine gewöhnliche Datei. Bitte wählen Sie eine neue Datei oder eine "
                          "vorhandene PDF-Datei.")
        .arg(QDir::toNativeSeparators(path));
}

// Says why nothing can be printed now and offers the PDF file instead: true where it is wanted.
bool pdfWanted(QWidget *owner, const QString &why, const QString &name)
{
    QMessageBox box{QMessageBox::Warning, QStringLiteral("Drucken"), why, QMessageBox::NoButton, owner};
    box.setObjectName(name);
    QPushButton *save = box.addButton(QStringLiteral("Als PDF-Datei speichern …"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.exec();
    return box.clickedButton() == save;
}

// Qt's print dialog opens the chosen output file to see that it is writable before it accepts;
// on a FIFO that waits for ever. Such a name is refused before the dialog looks at it.
class SheetPrintDialog final : public QPrintDialog
{
public:
    SheetPrintDialog(QPrinter *printer, QWidget *owner)
        : QPrintDialog(printer, owner)
    {
        if (auto *buttons = findChild<QDialogButtonBox *>()) {
            disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr);
            connect(buttons, &QDialogButtonBox::accepted, this, &SheetPrintDialog::checkAndAccept);
        }
    }
    Q_DISABLE_COPY_MOVE(SheetPrintDialog)
    ~SheetPrintDialog() override = default;

    void accept() override
    {
        if (outputIsUsable())
            QPrintDialog::accept();
    }

private:
    bool outputIsUsable()
    {
        const auto *name = findChild<QLineEdit *>(QStringLiteral("filename"));
        if (name == nullptr || !name->isEnabled() || !isNoFileForAPdf(name->text()))
            return true;
        QMessageBox::warning(this, QStringLiteral("Drucken"), refusedPathText(name->text()));
        return false;
    }

    void checkAndAccept()
    {
        // Then the dialog's own checks (a folder, an unwritable file, overwrite?) as before.
        if (outputIsUsable() && !QMetaObject::invokeMethod(this, "_q_checkFields"))
            accept();
    }
};

} // namespace

PrintRequest::PrintRequest(QWidget *owner, SheetReader read, const PrintTimeouts &timeouts)
    : QObject(owner)
    , m_owner(owner)
    , m_read(std::move(read))
    , m_timeouts(timeouts)
{
    m_checkDeadline.setSingleShot(true);
    connect(&m_check, &QFutureWatcherBase::finished, this, [this] { onServiceChecked(m_check.result()); });
    // The promise is the limit: a library that waits a little longer is not waited for.
    connect(&m_checkDeadline, &QTimer::timeout, this, [this] { onServiceChecked(ServiceAnswer::Silent); });
}

PrintRequest::~PrintRequest()
{
    m_abandoned->store(true);
    restoreCursor();
}

void PrintRequest::restoreCursor()
{
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
    m_busyCursor = false;
}

void PrintRequest::start()
{
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_busyCursor = true;
    // The worker runs in Qt's global thread pool and holds nothing of this object (the limit is
    // copied, the abandon flag shared); it ends by itself within the limit, or soon after this
    // request has gone, and the program waits for it before it ends. Its answer comes back through
    // the watcher, which goes with this object.
    m_check.setFuture(QtConcurrent::run(
        [limit = m_timeouts.lookup, abandoned = m_abandoned] { return askPrintService(limit, *abandoned); }));
    m_checkDeadline.start(m_timeouts.lookup);
}

void PrintRequest::onServiceChecked(ServiceAnswer answer)
{
    if (m_checked)
        return;
    m_checked = true;
    m_checkDeadline.stop();
    restoreCursor();
    const QPointer<PrintRequest> alive{this};
    if (answer == ServiceAnswer::Silent)
        offerPdfFile();
    else if (answer == ServiceAnswer::Answered
        || pdfWanted(m_owner,
            QStringLiteral("Der Druckdienst ist nicht erreichbar, daher kann gerade nicht gedruckt werden.\n"
                           "Das Berechnungsblatt lässt sich aber als PDF-Datei speichern."),
            QStringLiteral("printServiceUnreachable")))
        showPrintDialog();
    // Nothing goes out: the request is done.
    if (alive != nullptr && !m_running)
        deleteLater();
}

void PrintRequest::showPrintDialog()
{
    // The service has just answered what Qt asks here, so these calls return at once.
    QPrinter printer{QPrinter::HighResolution};
    SheetPrintDialog dialog{&printer, m_owner};
    dialog.setObjectName(QStringLiteral("dlgCommonDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    // Qt names the file only on X11; elsewhere (Wayland) the field holds the folder alone.
    if (auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("filename"));
        name != nullptr && (name->text().isEmpty() || QFileInfo{name->text()}.isDir()))
        name->setText(
            QDir{name->text().isEmpty() ? QDir::homePath() : name->text()}.filePath(QStringLiteral("print.pdf")));
    if (dialog.exec() != QDialog::Accepted)
        return;

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
    startRun(std::move(target), printer.copyCount());
}

// The print service is silent: the sheet can still be saved as a PDF file.
void PrintRequest::offerPdfFile()
{
    if (!pdfWanted(m_owner,
            QStringLiteral("Der Druckdienst antwortet nicht, daher kann gerade nicht gedruckt werden.\n"
                           "Das Berechnungsblatt lässt sich aber als PDF-Datei speichern."),
            QStringLiteral("printServiceSilent")))
        return;
    QString file;
    for (;;) {
        file = QFileDialog::getSaveFileName(m_owner, QStringLiteral("Berechnungsblatt als PDF-Datei speichern"),
            file.isEmpty() ? QDir::home().filePath(QStringLiteral("Kurbeitrag.pdf")) : file,
            QStringLiteral("PDF-Dateien (*.pdf)"), nullptr, QFileDialog::DontUseNativeDialog);
        if (file.isEmpty())
            return;
        if (!isNoFileForAPdf(file))
            break;
        QMessageBox::warning(m_owner, QStringLiteral("Drucken"), refusedPathText(file));
    }
    PrintTarget target;
    target.outputFile = file;
    target.layout = pdfPageLayout();
    startRun(std::move(target), 1);
}

void PrintRequest::startRun(PrintTarget target, int copies)
{
    if (copies < 1)
        return;
    auto *run = new PrintRun{std::move(target), m_read(), copies, m_timeouts.answer};
    auto *progress = new PrintProgressWindow{run, m_owner};
    // The request ends with the run's window.
    connect(progress, &QObject::destroyed, this, &QObject::deleteLater);
    m_running = true;
    progress->show();
    run->start();
}

PrintRequest *printWithDialog(QWidget *owner, const SheetReader &read, const PrintTimeouts &timeouts)
{
    auto *request = new PrintRequest{owner, read, timeouts};
    request->start();
    return request;
}

bool mayCloseWhilePrinting(QWidget *owner)
{
    const auto windows = owner->findChildren<PrintProgressWindow *>();
    const bool going = std::any_of(
        windows.begin(), windows.end(), [](const PrintProgressWindow *window) { return !window->hasEnded(); });
    if (!going)
        return true;
    const auto answer = QMessageBox::question(owner, QStringLiteral("Drucken"),
        QStringLiteral("Es werden noch Exemplare gedruckt. Trotzdem beenden?\n"
                       "Die übrigen Exemplare werden dann nicht gedruckt."),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;
    stopPrinting(owner);
    return true;
}

void stopPrinting(QWidget *owner)
{
    for (PrintProgressWindow *window : owner->findChildren<PrintProgressWindow *>()) {
        if (!window->hasEnded())
            window->abandon();
    }
}

} // namespace salvenor::print
