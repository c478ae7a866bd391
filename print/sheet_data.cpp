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
        sheet.lines.at(index)
            = {.count = facts.counts.at(index), .sum = facts.sums.at(index), .perCategory = rules.oneChildRule};
    }
    sheet.total = facts.total;
    sheet.servicePhone = QString::fromUtf8(kServicePhone);
    return sheet;
}

SheetData sheetDataOf(Date today, const Booking &booking, const BookingResult &result)
{
    SheetFacts facts{.today = today,
        .arrival = booking.arrival,
        .departure = booking.departure,
        .counts = booking.counts,
        .sums = {},
        .total = result.total};
    for (std::size_t index = 0; index < kCategoryCount; ++index)
        facts.sums.at(index) = result.categories.at(index).sum;
    return sheetDataOf(facts);
}

} // namespace salvenor::print
