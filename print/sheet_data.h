#pragma once

#include <array>

#include <QDate>
#include <QString>

#include "core/categories.h"

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

} // namespace salvenor::print
