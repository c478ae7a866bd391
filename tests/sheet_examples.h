#pragma once

#include <QString>

#include "core/categories.h"
#include "core/date.h"
#include "core/money.h"
#include "print/sheet_data.h"

namespace salvenor::test {

// A window as the sheet reads it: two adults and two children of the family for 7 nights. The
// amounts are the layout's input, any money texts (not the tariff's): the sheet prints what the
// window shows and divides it by the nights.
inline print::SheetData sevenNightsSheet(Money total = 5040_ct)
{
    print::SheetFacts facts{.today = makeDate(14, 3, 2016),
        .arrival = makeDate(14, 3, 2016),
        .departure = makeDate(21, 3, 2016),
        .counts = {},
        .sums = {},
        .total = total};
    facts.counts.at(indexOf(PersonCategory::Erwachsene)) = 2;
    facts.sums.at(indexOf(PersonCategory::Erwachsene)) = 4480_ct;
    facts.counts.at(indexOf(PersonCategory::Kind)) = 2;
    facts.sums.at(indexOf(PersonCategory::Kind)) = 560_ct;
    return print::sheetDataOf(facts);
}

} // namespace salvenor::test
