#pragma once

#include <array>
#include <string>

#include <QDate>
#include <QString>

#include "core/categories.h"
#include "core/date.h"

namespace salvenor::print {

// One category line of the sheet as the main window shows it.
struct SheetCategoryLine
{
    QString countText; // the selector's text, such as "2"
    QString sumText; // the sum label's money text, such as "44,80"
    bool perCategory; // the family's children: the amount per night of the whole category
};

// What the sheet reads from the main window, taken at the moment it prints.
struct SheetData
{
    QDate today;
    QDate arrival;
    QDate departure;
    QString arrivalDayText;
    QString departureDayText;
    std::array<SheetCategoryLine, kCategoryCount> lines; // in the categories' order
    QString totalText;
    QString servicePhone;
};

// What a sheet is made of: a stay, the counts and the core's answers for them.
struct SheetFacts
{
    Date today;
    Date arrival;
    Date departure;
    std::array<int, kCategoryCount> counts{}; // in the categories' order
    std::array<std::string, kCategoryCount> sums; // money texts, such as "44,80"
    std::string total;
};

// The sheet of a stay, the same from the window, the batch tool and the tests; the service
// telephone is the product's.
SheetData sheetDataOf(const SheetFacts &facts);

} // namespace salvenor::print
