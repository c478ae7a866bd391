#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

#include "print/sheet_data.h"

namespace salvenor::print {

// Writes sheets, each into a PDF file of its own with one page, as writeSheetPdf draws them, in a
// fraction of its time. A document of its own per sheet spends nine tenths of its time at its end,
// where Qt subsets and embeds the fonts. Here the sheets wait until a batch is full (or flush());
// Qt then draws them as the pages of one document in memory, which embeds the fonts once, and qpdf
// writes each page with the objects it uses (the fonts among them) as a document of its own into
// the sheet's file (PdfPages). Should Qt or qpdf fail on that document or a page of it, those
// sheets are drawn each as a document of its own instead, and counted (sheetsWrittenAlone). Needs
// a QGuiApplication.
class SheetPdfSeries final
{
public:
    // Sheets drawn as one document: enough that embedding the fonts costs each little; few enough
    // that a batch is written soon and its document stays small (about 2.5 KB a page).
    static constexpr int kSheetsPerDocument = 100;

    // Whether the file of a sheet was written whole. A file that was not is not there: whatever was
    // written of it is removed, and an existing file or link of its name is left as it was.
    struct Outcome
    {
        QString file;
        bool written;
    };

    explicit SheetPdfSeries(int sheetsPerDocument = kSheetsPerDocument);
    // Sheets still waiting are not written: only add(), once a batch is full, and flush() write,
    // and they tell of each.
    ~SheetPdfSeries();
    SheetPdfSeries(const SheetPdfSeries &) = delete;
    SheetPdfSeries &operator=(const SheetPdfSeries &) = delete;
    SheetPdfSeries(SheetPdfSeries &&) = delete;
    SheetPdfSeries &operator=(SheetPdfSeries &&) = delete;

    // Takes the sheet for `file`, a new file (never written over or through a link). Once
    // `sheetsPerDocument` sheets wait, they are written and their outcomes returned, in the order
    // they were taken; otherwise nothing is written yet and the list is empty.
    [[nodiscard]] std::vector<Outcome> add(const QString &file, const SheetData &sheet, const QString &title);
    // Writes every sheet that waits; their outcomes in the order they were taken.
    [[nodiscard]] std::vector<Outcome> flush();
    // Forgets the sheets that wait, unwritten.
    void discard() { m_waiting.clear(); }
    int waiting() const { return static_cast<int>(m_waiting.size()); }
    // The sheets so far that were drawn as documents of their own, because Qt's document of the
    // batch or qpdf's writing of their page failed; none where all is well.
    long sheetsWrittenAlone() const { return m_sheetsWrittenAlone; }

    // Told of each file while it is written and may be incomplete (created, not yet whole), then
    // told an empty name: whoever ends the program meanwhile removes that file.
    void setFileInProgress(std::function<void(const QString &)> tell) { m_fileInProgress = std::move(tell); }
    // For tests: changes each document Qt drew before qpdf reads it, so that the way around a
    // fault can be seen.
    void alterDrawnDocuments(std::function<void(QByteArray &)> alter) { m_alterDrawn = std::move(alter); }

private:
    struct Waiting
    {
        QString file;
        SheetData sheet;
        QString title;
    };

    // Writes the PDF into the new file; false (and no file left) where it could not be written whole.
    bool writeNewFile(const QString &file, const char *data, qsizetype size);
    bool writeAlone(const Waiting &sheet);

    std::vector<Waiting> m_waiting;
    int m_sheetsPerDocument;
    long m_sheetsWrittenAlone = 0;
    std::function<void(const QString &)> m_fileInProgress;
    std::function<void(QByteArray &)> m_alterDrawn;
};

} // namespace salvenor::print
