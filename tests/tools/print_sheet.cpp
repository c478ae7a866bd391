// Writes the sheet of the typical request (two adults, 14.03.2016 to 18.03.2016) into a PDF file
// without a dialog (--pdf FILE), for the picture of the sheet.
#include <QApplication>
#include <QCommandLineParser>

#include "app/application.h"
#include "app/qt_conversions.h"
#include "core/contribution.h"
#include "core/date.h"
#include "print/sheet_pdf.h"
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
    parser.addOption({QStringLiteral("pdf"), QStringLiteral("PDF file to write"), QStringLiteral("file")});
    parser.process(app);
    if (!parser.isSet(QStringLiteral("pdf")))
        return 2;
    return print::writeSheetPdf(parser.value(QStringLiteral("pdf")), typicalRequest()) ? 0 : 1;
}
