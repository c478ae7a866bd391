// Prints the sheet of the typical request (two adults, 14.03.2016 to 18.03.2016) without a
// dialog: to a PDF file (--pdf FILE) or to a named printer (--printer NAME), in --copies K copies.
#include <QApplication>
#include <QCommandLineParser>
#include <QPrinter>

#include "app/application.h"
#include "app/qt_conversions.h"
#include "core/contribution.h"
#include "core/date.h"
#include "print/print_job.h"
#include "resources/product_info.h"

using namespace salvenor;

namespace {

print::SheetData typicalRequest()
{
    const Date arrival = makeDate(14, 3, 2016);
    const Date departure = makeDate(18, 3, 2016);
    print::SheetData data;
    data.today = QDate::currentDate();
    data.arrival = ui::toQDate(arrival);
    data.departure = ui::toQDate(departure);
    data.arrivalDayText = QString::fromStdString(dayText(arrival));
    data.departureDayText = QString::fromStdString(dayText(departure));
    std::array<std::string, kCategoryCount> sums;
    for (const PersonCategory category : kAllCategories) {
        const int count = category == PersonCategory::Erwachsene ? 2 : 0;
        sums.at(indexOf(category)) = categorySum(category, arrival, departure, count);
        data.lines.at(indexOf(category)) = {
            QString::number(count), QString::fromStdString(sums.at(indexOf(category))), rulesOf(category).oneChildRule};
    }
    data.totalText = QString::fromStdString(grandTotal(sums));
    data.servicePhone = QString::fromUtf8(kServicePhone);
    return data;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app{argc, argv};
    ui::useGermanLanguage(app);
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("pdf"), QStringLiteral("PDF file to write"), QStringLiteral("file")},
        {QStringLiteral("printer"), QStringLiteral("printer to print on"), QStringLiteral("name")},
        {QStringLiteral("copies"), QStringLiteral("number of copies"), QStringLiteral("K"), QStringLiteral("1")}});
    parser.process(app);

    QPrinter printer{QPrinter::HighResolution};
    if (parser.isSet(QStringLiteral("pdf"))) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(parser.value(QStringLiteral("pdf")));
    } else {
        printer.setPrinterName(parser.value(QStringLiteral("printer")));
        if (!printer.isValid())
            return 2;
    }
    const int copies = parser.value(QStringLiteral("copies")).toInt();
    printer.setCopyCount(copies); // as the print dialog returns it
    print::printCopies(printer, printer.copyCount(), [] { return typicalRequest(); });
    return 0;
}
