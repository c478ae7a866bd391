#include "sheet_data.h"

#include <cstdint>
#include <utility>

#include <QStringList>

#include "core/contribution.h"
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

namespace {

QString euros(Money amount)
{
    return QString::fromStdString(formatMoney(amount)) + QStringLiteral(" €");
}

// Whether one of the bylaw's rates, times the nights and the persons the line counts, is the sum.
bool oneRateMakesTheSum(const CategoryResult &result, const SheetCategoryLine &line)
{
    const StaySplit &split = result.split;
    const std::int64_t persons = line.perCategory ? 1 : line.count;
    const Money rate = split.N1 > 0 ? split.R1 : split.R2;
    return (split.N1 == 0 || split.N2 == 0 || split.R1 == split.R2)
        && line.sum == rate * (persons * (split.N1 + split.N2));
}

// "4 Nächte zu 1,79 € + 1 Nacht zu 1,96 €, höchstens 83,44 € je Person"
QString rateNoteOf(const CategoryResult &result)
{
    const StaySplit &split = result.split;
    // Two parts at one rate are one part, unless the year-turn rule tells them apart.
    const bool oneRate = split.R1 == split.R2 && !result.yearTurnApplied;
    const std::pair<int, Money> firstPart{oneRate ? split.N1 + split.N2 : split.N1, split.R1};
    const std::pair<int, Money> secondPart{oneRate ? 0 : split.N2, split.R2};
    QStringList parts;
    for (const auto &[nights, rate] : {firstPart, secondPart}) {
        if (nights > 0)
            parts << QStringLiteral("%1 %2 zu %3")
                         .arg(QString::number(nights), nights == 1 ? QStringLiteral("Nacht") : QStringLiteral("Nächte"),
                             euros(rate));
    }
    QString note = parts.join(QStringLiteral(" + "));
    if (result.yearTurnApplied)
        note += QStringLiteral(", im alten Jahr höchstens ") + euros(split.cap.value_or(Money{}))
            + QStringLiteral(" je Person");
    else if (result.capApplied)
        note += QStringLiteral(", höchstens ") + euros(split.cap.value_or(Money{})) + QStringLiteral(" je Person");
    if (result.oneChildApplied)
        note += QStringLiteral(", nur ein Kind zahlt");
    return note;
}

} // namespace

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
    SheetData sheet = sheetDataOf(facts);
    for (std::size_t index = 0; index < kCategoryCount; ++index) {
        const SheetCategoryLine &line = sheet.lines.at(index);
        const CategoryResult &category = result.categories.at(index);
        if (line.count > 0 && line.sum > Money{} && !oneRateMakesTheSum(category, line))
            sheet.rateNotes.at(index) = rateNoteOf(category);
    }
    return sheet;
}

} // namespace salvenor::print
