#pragma once

#include <memory>

#include <QString>

#include "print/sheet_data.h"

namespace salvenor::print {

// Writes sheets one after the other, each into a PDF file of its own with one page, as
// writeSheetPdf does, in a fraction of its time. A document of its own per sheet spends nine tenths
// of its time at its end, where Qt subsets and embeds the fonts. Here Qt draws the sheets as the
// pages of one long document in memory that begins with a primer page, which holds every glyph a
// sheet may draw; each sheet's page, as Qt wrote it, goes into its file with the fonts Qt embedded
// once for the primer alone. A page that needs anything the primer has not (a glyph, a resource)
// is written by writeSheetPdf instead. Needs a QGuiApplication.
class SheetPdfSeries final
{
public:
    // The long document starts afresh after `pagesPerDocument` sheets, so that Qt's account of its
    // objects does not grow with the list.
    explicit SheetPdfSeries(int pagesPerDocument = 10'000);
    ~SheetPdfSeries();
    SheetPdfSeries(const SheetPdfSeries &) = delete;
    SheetPdfSeries &operator=(const SheetPdfSeries &) = delete;
    SheetPdfSeries(SheetPdfSeries &&) = delete;
    SheetPdfSeries &operator=(SheetPdfSeries &&) = delete;

    // False where the file could not be written whole; whatever was written of it is left.
    bool write(const QString &file, const SheetData &sheet, const QString &title);
    // The sheets so far that writeSheetPdf wrote.
    long sheetsWrittenAlone() const { return m_sheetsWrittenAlone; }

private:
    struct Primer;
    struct LongDocument;

    // The page of the next sheet as its own PDF file; empty where the primer's fonts do not serve it.
    QByteArray pageOfItsOwn(const SheetData &sheet, const QString &title);
    bool startLongDocument();

    std::unique_ptr<Primer> m_primer; // null until the first sheet; then null if it failed
    std::unique_ptr<LongDocument> m_document;
    int m_pagesPerDocument;
    bool m_primerTried = false;
    long m_sheetsWrittenAlone = 0;
};

} // namespace salvenor::print
