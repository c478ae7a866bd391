#include "sheet_data.h"

#include "print/qt_dates.h"
#include "resources/product_info.h"

namespace salvenor::print {

SheetData sheetDataOf(const SheetFacts &facts)
{
    SheetData sheet;
    sheet.today = toQDate(facts.today);
    sheet.arrival = toQDate(facts.arrival);
    sheet.departure = toQDate(facts.departure);
    sheet.arrivalDayText = QString::fromStdString(dayText(facts.arrival));
    sheet.departureDayText = QString::fromStdString(dayText(facts.departure));
    for (const CategoryRules &rules : kCategories) {
        const std::size_t index = indexOf(rules.category);
        sheet.lines.at(index) = {.countText = QString::number(facts.counts.at(index)),
            .sumText = QString::fromStdString(facts.sums.at(index)),
            .perCategory = rules.oneChildRule};
    }
    sheet.totalText = QString::fromStdString(facts.total);
    sheet.servicePhone = QString::fromUtf8(kServicePhone);
    return sheet;
}

} // namespace salvenor::print
