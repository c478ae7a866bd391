#pragma once

#include <utility>
#include <vector>

#include <QDate>
#include <QString>

#include "core/categories.h"
#include "core/contribution.h"
#include "core/money.h"
#include "print/qt_dates.h"

namespace salvenor::test {

// The core's sum for one category's count over a stay, as the window shows it: the window's
// tests compare with it instead of restating the tariff.
inline QString coreSum(PersonCategory category, QDate arrival, QDate departure, int count)
{
    return QString::fromStdString(
        formatMoney(calculateCategory(category, toCoreDate(arrival), toCoreDate(departure), count).sum));
}

// The core's total for some categories' counts over a stay (the others count 0).
inline QString coreTotal(QDate arrival, QDate departure, const std::vector<std::pair<PersonCategory, int>> &counts)
{
    Money total;
    for (const auto &[category, count] : counts)
        total += calculateCategory(category, toCoreDate(arrival), toCoreDate(departure), count).sum;
    return QString::fromStdString(formatMoney(total));
}

} // namespace salvenor::test
