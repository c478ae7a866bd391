#include "sheet_pdf.h"

#include <QFile>
#include <QPdfWriter>

#include "print/qt_print_surface.h"
#include "print/sheet_layout.h"

namespace salvenor::print {

bool isWholePdf(const QByteArray &pdf)
{
    // The end-of-file mark stands in the document's last kilobyte.
    constexpr qsizetype kTailBytes = 1024;
    return pdf.startsWith("%PDF-") && pdf.right(kTailBytes).contains("%%EOF");
}

QPageLayout pdfPageLayout()
{
    constexpr double kMargin = 25.4 / 6;
    return QPageLayout{QPageSize{QPageSize::A4}, QPageLayout::Portrait, QMarginsF{kMargin, kMargin, kMargin, kMargin},
        QPageLayout::Millimeter};
}

void setUpPdfWriter(QPdfWriter &writer, const QPageLayout &layout, int resolution)
{
    writer.setResolution(resolution);
    writer.setPageLayout(layout);
    writer.setTitle(QString::fromLatin1(kSheetTitle));
    writer.setCreator(QString::fromLatin1(kSheetCreator));
}

QString sheetTitle(const QString &reference)
{
    const QString title = QString::fromLatin1(kSheetTitle);
    return reference.isEmpty() ? title : title + QLatin1Char(' ') + reference;
}

bool writeSheetPdf(const QString &file, const SheetData &sheet, const QString &title)
{
    int pages = 0;
    {
        QPdfWriter writer{file};
        setUpPdfWriter(writer, pdfPageLayout(), 1200);
        writer.setTitle(title);
        QtPrintSurface surface{writer};
        printSheet(surface, sheet);
        pages = surface.finishedPages();
    }
    return pages == 1 && QFile::exists(file) && QFile{file}.size() > 0;
}

} // namespace salvenor::print
