#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include <QDate>
#include <QString>

#include "core/categories.h"
#include "core/contribution.h"
#include "print/qt_dates.h"

namespace salvenor::test {

// The core's sum for one category's count over a stay, as the window shows it: the window's
// tests compare with it instead of restating the tariff.
inline QString coreSum(PersonCategory category, QDate arrival, QDate departure, int count)
{
    return QString::fromStdString(categorySum(category, toCoreDate(arrival), toCoreDate(departure), count));
}

// The core's total for some categories' counts over a stay (the others count 0).
inline QString coreTotal(QDate arrival, QDate departure, const std::vector<std::pair<PersonCategory, int>> &counts)
{
    std::array<std::string, kCategoryCount> sums;
    for (const PersonCategory category : kAllCategories)
        sums.at(indexOf(category)) = categorySum(category, toCoreDate(arrival), toCoreDate(departure), 0);
    for (const auto &[category, count] : counts)
        sums.at(indexOf(category)) = categorySum(category, toCoreDate(arrival), toCoreDate(departure), count);
    return QString::fromStdString(grandTotal(sums));
}

} // namespace salvenor::test
