#pragma once

#include <string_view>

#include "core/money.h"

namespace salvenor::test {

// The bylaw's figures, written down here apart from the program's category table, so that the
// tests hold the table against an independent statement. A new tariff year is one more row of
// nightly rates; a new category, one row of each.

// The largest count of persons per category.
struct BylawMaximum
{
    std::string_view category; // the key
    int count;
};
inline constexpr BylawMaximum kBylawMaxima[] = {
    {.category = "Erwachsene", .count = 30},
    {.category = "Erw_Schwer", .count = 40},
    {.category = "Student", .count = 20},
    {.category = "Kind", .count = 10},
    {.category = "Kind_Schwer", .count = 10},
    {.category = "Kind_Fremd", .count = 40},
};

// The nightly rates per person: a row holds from the first night of its year until a later row
// of the same category.
struct BylawRates
{
    std::string_view category; // the key
    int fromYear;
    Money mainSeason;
    Money offSeason;
};
inline constexpr BylawRates kBylawRates[] = {
    {.category = "Erwachsene", .fromYear = 2001, .mainSeason = 320_ct, .offSeason = 210_ct},
    {.category = "Erwachsene", .fromYear = 2016, .mainSeason = 350_ct, .offSeason = 230_ct},
    {.category = "Erw_Schwer", .fromYear = 2001, .mainSeason = 272_ct, .offSeason = 179_ct},
    {.category = "Erw_Schwer", .fromYear = 2016, .mainSeason = 298_ct, .offSeason = 196_ct},
    {.category = "Student", .fromYear = 2001, .mainSeason = 80_ct, .offSeason = 40_ct},
    {.category = "Kind", .fromYear = 2001, .mainSeason = 80_ct, .offSeason = 40_ct},
    {.category = "Kind_Schwer", .fromYear = 2001, .mainSeason = 68_ct, .offSeason = 34_ct},
    {.category = "Kind_Fremd", .fromYear = 2001, .mainSeason = 80_ct, .offSeason = 40_ct},
};

} // namespace salvenor::test
