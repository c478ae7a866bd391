// Writes the sheet of the typical request (two adults, 14.03.2016 to 18.03.2016) into a PDF file
// without a dialog (--pdf FILE), for the picture of the sheet.
#include <QApplication>
#include <QCommandLineParser>

#include "app/application.h"
#include "core/booking.h"
#include "core/date.h"
#include "print/qt_dates.h"
#include "print/sheet_data.h"
#include "print/sheet_pdf.h"

using namespace salvenor;

namespace {

print::SheetData typicalRequest()
{
    Booking booking{.arrival = makeDate(14, 3, 2016), .departure = makeDate(18, 3, 2016), .counts = {}};
    booking.counts.at(indexOf(PersonCategory::Erwachsene)) = 2;
    return print::sheetDataOf(toCoreDate(QDate::currentDate()), booking, calculateBooking(booking));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app{argc, argv};
    ui::useGermanLanguage(app);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("pdf"), QStringLiteral("PDF file to write"), QStringLiteral("file")});
    parser.process(app);
    if (!parser.isSet(QStringLiteral("pdf")))
        return 2;
    return print::writeSheetPdf(parser.value(QStringLiteral("pdf")), typicalRequest()) ? 0 : 1;
}
