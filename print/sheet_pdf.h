#pragma once

#include <QPageLayout>
#include <QString>

#include "print/sheet_data.h"

class QPdfWriter;

namespace salvenor::print {

// The title of the sheet's documents and print jobs.
inline constexpr const char *kSheetTitle = "Kurbeitragsberechnung";
// The program that made the sheet's PDF files, as their document information names it.
inline constexpr const char *kSheetCreator = "Salvenor 2016";

// The sheet's title followed by a booking's own reference, where it has one.
QString sheetTitle(const QString &reference);

// The page a sheet saved as a PDF file takes: A4 upright with the margins a printer commonly
// reports (1/6 inch), so that its printable area is 201.5 mm wide and holds the sheet's rules,
// which run from 3 to 193 mm whatever the page.
QPageLayout pdfPageLayout();

// Paper, resolution, title and creator of a PDF the sheet is drawn into.
void setUpPdfWriter(QPdfWriter &writer, const QPageLayout &layout, int resolution);

// Whether `pdf` holds a whole PDF document: its header and, near its end, its end-of-file mark.
bool isWholePdf(const QByteArray &pdf);

// Draws the sheet into a PDF file of one page with that title; false when the file could not be
// written. Needs a QGuiApplication (the offscreen platform will do), not a display.
bool writeSheetPdf(
    const QString &file, const SheetData &sheet, const QString &title = QString::fromLatin1(kSheetTitle));

} // namespace salvenor::print
