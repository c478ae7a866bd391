#include "sheet_pdf_series.h"

#include <cerrno>
#include <csignal>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <string>
#include <unistd.h>
#include <utility>

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>

#include "print/pdf_pages.h"
#include "print/qt_print_surface.h"
#include "print/sheet_layout.h"
#include "print/sheet_pdf.h"

namespace salvenor::print {

namespace {

// The sheets drawn by Qt as the pages of one document in memory, as writeSheetPdf draws each;
// empty where Qt failed.
QByteArray drawnAsOneDocument(const std::vector<const SheetData *> &sheets)
{
    QByteArray pdf;
    try {
        QBuffer buffer{&pdf};
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer{&buffer};
        setUpPdfWriter(writer, pdfPageLayout(), 1200);
        QtPrintSurface surface{writer, true};
        for (const SheetData *sheet : sheets)
            printSheet(surface, *sheet);
        if (surface.finishedPages() != std::ssize(sheets))
            return {};
        surface.finish();
    } catch (const std::exception &) {
        return {};
    }
    return isWholePdf(pdf) ? pdf : QByteArray{};
}

// The sheet drawn as a document of its own, as writeSheetPdf draws it; empty where Qt failed.
QByteArray drawnAlone(const SheetData &sheet, const QString &title)
{
    QByteArray pdf;
    try {
        QBuffer buffer{&pdf};
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer{&buffer};
        setUpPdfWriter(writer, pdfPageLayout(), 1200);
        writer.setTitle(title);
        QtPrintSurface surface{writer};
        printSheet(surface, sheet); // ends the document
        if (surface.finishedPages() != 1)
            return {};
    } catch (const std::exception &) {
        return {};
    }
    return isWholePdf(pdf) ? pdf : QByteArray{};
}

} // namespace

SheetPdfSeries::SheetPdfSeries(int sheetsPerDocument)
    : m_sheetsPerDocument(sheetsPerDocument)
{ }

SheetPdfSeries::~SheetPdfSeries() = default;

std::vector<SheetPdfSeries::Outcome> SheetPdfSeries::add(
    const QString &file, const SheetData &sheet, const QString &title)
{
    m_waiting.push_back({file, sheet, title});
    if (std::ssize(m_waiting) < m_sheetsPerDocument)
        return {};
    return flush();
}

std::vector<SheetPdfSeries::Outcome> SheetPdfSeries::flush()
{
    const std::vector<Waiting> sheets = std::exchange(m_waiting, {});
    std::vector<Outcome> outcomes;
    outcomes.reserve(sheets.size());
    if (sheets.empty())
        return outcomes;
    std::vector<const SheetData *> drawn;
    drawn.reserve(sheets.size());
    for (const Waiting &sheet : sheets)
        drawn.push_back(&sheet.sheet);
    QByteArray bytes = drawnAsOneDocument(drawn);
    if (m_alterDrawn)
        m_alterDrawn(bytes);
    std::unique_ptr<PdfPages> document;
    try {
        if (!bytes.isEmpty())
            document = std::make_unique<PdfPages>(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    } catch (const std::exception &) {
        document.reset();
    }
    if (document && document->count() != sheets.size())
        document.reset();

    for (std::size_t index = 0; index < sheets.size(); ++index) {
        const Waiting &sheet = sheets[index];
        std::string pdf;
        try {
            if (document)
                pdf = document->pageAlone(index, sheet.title.toStdString());
        } catch (const std::exception &) {
            pdf.clear();
        }
        const bool written = pdf.empty() ? writeAlone(sheet)
                                         : writeNewFile(sheet.file, pdf.data(), static_cast<qsizetype>(pdf.size()));
        outcomes.push_back({sheet.file, written});
    }
    return outcomes;
}

bool SheetPdfSeries::writeAlone(const Waiting &sheet)
{
    ++m_sheetsWrittenAlone;
    const QByteArray pdf = drawnAlone(sheet.sheet, sheet.title);
    return !pdf.isEmpty() && writeNewFile(sheet.file, pdf.constData(), pdf.size());
}

bool SheetPdfSeries::writeNewFile(const QString &file, const char *data, qsizetype size)
{
    const QByteArray path = QFile::encodeName(file);
    // The file is made and named to whoever removes it on a signal as one step, with every signal
    // held back meanwhile: a signal between the two would leave an empty sheet behind.
    sigset_t everySignal;
    sigset_t previous;
    sigfillset(&everySignal);
    pthread_sigmask(SIG_BLOCK, &everySignal, &previous);
    // A new file only: never through a symbolic link, never over a file that is there.
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0 && m_fileInProgress)
        m_fileInProgress(file);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (descriptor < 0)
        return false;
    qsizetype written = 0;
    while (written < size) {
        const ssize_t count = ::write(descriptor, data + written, static_cast<std::size_t>(size - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        written += count;
    }
    const bool closed = ::close(descriptor) == 0;
    const bool whole = written == size && closed;
    if (!whole)
        ::unlink(path.constData()); // no empty or half-written sheet
    if (m_fileInProgress)
        m_fileInProgress({});
    return whole;
}

} // namespace salvenor::print
