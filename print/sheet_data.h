#pragma once

#include <array>

#include <QDate>
#include <QString>

#include "core/booking.h"
#include "core/categories.h"
#include "core/date.h"
#include "core/money.h"

namespace salvenor::print {

// One category line of the sheet.
struct SheetCategoryLine
{
    int count = 0;
    Money sum;
    bool perCategory = false; // the family's children: the amount per night of the whole category
};

// What the sheet prints: the stay, each category's count and sum, the total.
struct SheetData
{
    QDate today;
    QDate arrival;
    QDate departure;
    QString arrivalDayText;
    QString departureDayText;
    std::array<SheetCategoryLine, kCategoryCount> lines; // in the categories' order
    // For each line, whether no one rate of the bylaw times the nights and persons makes its sum
    // (two rates, a cap), so that its amount per night is an average; and how the sum came about,
    // printed in small type below the line: the nights at each rate and the cap, or that only one
    // child of the family pays. Neither where the sheet is made from sums alone.
    std::array<bool, kCategoryCount> averagedAmounts{};
    std::array<QString, kCategoryCount> rateNotes;
    Money total;
    QString servicePhone;
};

// What a sheet is made of: a stay, the counts and the sums for them.
struct SheetFacts
{
    Date today;
    Date arrival;
    Date departure;
    std::array<int, kCategoryCount> counts{}; // in the categories' order
    std::array<Money, kCategoryCount> sums{};
    Money total;
};

// The sheet of a stay; the service telephone is the product's.
SheetData sheetDataOf(const SheetFacts &facts);

// The sheet of a booking priced by the core, the same from the window and the batch tool.
SheetData sheetDataOf(Date today, const Booking &booking, const BookingResult &result);

} // namespace salvenor::print
