#pragma once

#include <QPageLayout>
#include <QString>

#include "print/sheet_data.h"

namespace salvenor::print {

// The page a sheet saved as a PDF file takes: A4 upright with 10 mm margins.
QPageLayout pdfPageLayout();

// Draws the sheet into a PDF file of one page; false when the file could not be written. Needs
// a QGuiApplication (the offscreen platform will do), not a display.
bool writeSheetPdf(const QString &file, const SheetData &sheet);

} // namespace salvenor::print
