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

QString nightsAt(int nights, Money rate, const QString &when = {})
{
    return QString::number(nights) + (nights == 1 ? QStringLiteral(" Nacht") : QStringLiteral(" Nächte")) + when
        + QStringLiteral(" zu ") + euros(rate);
}

// How the sum came about, per person, as the explanation in the window says it: "4 Nächte zu
// 1,79 € + 1 Nacht zu 1,96 €", "29 Nächte zu 2,98 €, höchstens 83,44 € je Person", "Höchstbetrag
// 22,40 € für das alte Jahr + 9 Nächte im neuen Jahr zu 0,40 €" (the year-turn rule: the cap, and
// the new year's nights but the first).
QString rateNoteOf(const CategoryResult &result)
{
    const StaySplit &split = result.split;
    const Money cap = split.cap.value_or(Money{});
    QString note;
    if (result.yearTurnApplied) {
        note = QStringLiteral("Höchstbetrag ") + euros(cap) + QStringLiteral(" für das alte Jahr");
        if (split.N2 > 1)
            note += QStringLiteral(" + ") + nightsAt(split.N2 - 1, split.R2, QStringLiteral(" im neuen Jahr"));
    } else {
        // Two parts at one rate are one part.
        const bool oneRate = split.R1 == split.R2;
        QStringList parts;
        if (split.N1 + (oneRate ? split.N2 : 0) > 0)
            parts << nightsAt(split.N1 + (oneRate ? split.N2 : 0), split.R1);
        if (!oneRate && split.N2 > 0)
            parts << nightsAt(split.N2, split.R2);
        note = parts.join(QStringLiteral(" + "));
        if (result.capApplied)
            note += QStringLiteral(", höchstens ") + euros(cap) + QStringLiteral(" je Person");
    }
    if (result.oneChildApplied)
        note += QStringLiteral(", nur ein Kind der Familie zahlt");
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
        sheet.averagedAmounts.at(index) = line.count > 0 && line.sum > Money{} && !oneRateMakesTheSum(category, line);
        if (sheet.averagedAmounts.at(index))
            sheet.rateNotes.at(index) = rateNoteOf(category);
        else if (category.oneChildApplied)
            sheet.rateNotes.at(index) = QStringLiteral("nur ein Kind der Familie zahlt");
    }
    return sheet;
}

} // namespace salvenor::print
