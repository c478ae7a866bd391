#pragma once

#include <ostream>
#include <vector>

#include "core/categories.h"
#include "core/contribution.h"
#include "core/money.h"

namespace salvenor::test {

using PC = PersonCategory;
using enum SeasonCase;

// The bylaw's worked examples and the cases around them: one category, one stay, one count and
// the sum the window shows. The core's tests and the booking-list tests both run them.
struct SumExample
{
    PC category;
    const char *arrival;
    const char *departure;
    int count;
    SeasonCase seasonCase;
    Money sum;
    // clang-format on
};

inline void PrintTo(const SumExample &e, std::ostream *os)
{
    *os << rulesOf(e.category).key << " x" << e.count << " " << e.arrival << "-" << e.departure;
}

// Each row: the category, the arrival, the departure, the count, the case of the stay's split
// and the sum the window shows.
inline const std::vector<SumExample> kAdultExamples{
    // clang-format off
    {PC::Erwachsene, "14.03.2016", "18.03.2016", 2, PreSeason, 1840_ct},
    {PC::Erwachsene, "14.03.2016", "18.03.2016", 0, PreSeason, 0_ct},
    {PC::Erwachsene, "14.03.2016", "14.03.2016", 2, PreSeason, 0_ct},
    {PC::Erwachsene, "25.04.2016", "05.05.2016", 1, PreIntoMainSeason, 2780_ct},
    {PC::Erwachsene, "20.10.2015", "05.11.2015", 3, MainIntoPostSeason, 14040_ct},
    {PC::Erwachsene, "20.12.2016", "31.12.2016", 1, PostSeason, 2530_ct},
    {PC::Erwachsene, "01.07.2015", "29.07.2015", 1, MainSeason, 8960_ct},
    {PC::Erwachsene, "01.07.2015", "01.08.2015", 3, MainSeason, 26880_ct},
    {PC::Erwachsene, "01.07.2016", "30.07.2016", 4, MainSeason, 39200_ct},
    {PC::Erwachsene, "01.06.2016", "01.08.2016", 2, MainSeason, 19600_ct},
    {PC::Erwachsene, "10.04.2015", "20.11.2015", 1, PreIntoPostSeason, 8960_ct},
    {PC::Erwachsene, "28.12.2015", "03.01.2016", 2, PostSeasonIntoNewYear, 2600_ct},
    {PC::Erwachsene, "01.12.2015", "10.01.2016", 2, PostSeasonIntoNewYear, 17160_ct},
    {PC::Erwachsene, "01.11.2015", "01.01.2016", 1, PostSeasonIntoNewYear, 8960_ct},
    {PC::Erwachsene, "01.11.2015", "02.01.2016", 1, PostSeasonIntoNewYear, 9800_ct},
    {PC::Erwachsene, "20.12.2014", "05.01.2015", 1, PostSeasonIntoNewYear, 3360_ct},
    {PC::Erwachsene, "30.12.2016", "02.01.2017", 3, PostSeasonIntoNewYear, 2070_ct},
    // Arriving on 1 November is a post-season stay.
    {PC::Erwachsene, "01.11.2016", "10.11.2016", 1, PostSeason, 2070_ct},
    // Departing on 1 May or 1 November keeps the last night in the earlier season.
    {PC::Erwachsene, "28.04.2016", "01.05.2016", 1, PreIntoMainSeason, 690_ct},
    {PC::Erwachsene, "29.10.2016", "01.11.2016", 1, MainIntoPostSeason, 1050_ct},
    {PC::Erw_Schwer, "14.03.2016", "18.03.2016", 2, PreSeason, 1568_ct},
    {PC::Erw_Schwer, "01.07.2016", "30.07.2016", 1, MainSeason, 8344_ct},
    {PC::Erw_Schwer, "01.07.2015", "30.07.2015", 1, MainSeason, 7616_ct},
    // clang-format on
};

inline const std::vector<SumExample> kSingleTariffExamples{
    // clang-format off
    {PC::Student, "10.07.2016", "17.07.2016", 1, MainSeason, 560_ct},
    {PC::Kind, "10.07.2016", "20.07.2016", 2, MainSeason, 800_ct},
    {PC::Kind_Fremd, "01.07.2016", "31.07.2016", 3, MainSeason, 6720_ct},
    {PC::Kind_Schwer, "01.07.2016", "31.07.2016", 1, MainSeason, 1904_ct},
    {PC::Kind_Schwer, "01.07.2016", "31.07.2016", 3, MainSeason, 1904_ct},
    {PC::Student, "01.07.2016", "29.07.2016", 1, MainSeason, 2240_ct},
    {PC::Student, "01.07.2016", "30.07.2016", 1, MainSeason, 2240_ct},
    {PC::Student, "25.04.2016", "05.05.2016", 2, PreIntoMainSeason, 1120_ct},
    {PC::Kind, "25.04.2016", "05.05.2016", 3, PreIntoMainSeason, 560_ct},
    {PC::Student, "28.10.2016", "03.11.2016", 1, MainIntoPostSeason, 400_ct},
    {PC::Student, "10.04.2016", "05.11.2016", 1, PreIntoPostSeason, 2240_ct},
    {PC::Student, "28.12.2016", "03.01.2017", 1, PostSeasonIntoNewYear, 240_ct},
    {PC::Student, "01.11.2016", "10.01.2017", 1, PostSeasonIntoNewYear, 2600_ct},
    // The year-turn rule as it stands raises this sum above the uncapped 36,00.
    {PC::Student, "20.12.2016", "20.03.2017", 1, PostSeasonIntoNewYear, 5360_ct},
    {PC::Kind, "01.11.2016", "10.01.2017", 2, PostSeasonIntoNewYear, 2600_ct},
    {PC::Kind_Fremd, "05.05.2016", "05.05.2016", 4, MainSeason, 0_ct},
    {PC::Kind_Schwer, "05.05.2016", "20.05.2016", 0, MainSeason, 0_ct},
    // Per person 22,40 equals the cap: the cap test is exact, no division.
    {PC::Student, "01.12.2016", "26.01.2017", 3, PostSeasonIntoNewYear, 6720_ct},
    // clang-format on
};

inline const std::vector<SumExample> kLaterYearExamples{
    // clang-format off
    {PC::Erwachsene, "15.10.2015", "05.01.2016", 2, None, 19600_ct},
    {PC::Erwachsene, "15.10.2015", "01.01.2016", 1, None, 8960_ct},
    {PC::Erw_Schwer, "01.03.2017", "10.01.2018", 1, None, 8344_ct},
    // Cap for the old year plus four later nights at the off-season rate.
    {PC::Student, "15.10.2015", "05.01.2016", 1, None, 2400_ct},
    {PC::Kind_Fremd, "15.10.2015", "05.01.2016", 3, None, 7200_ct},
    {PC::Kind, "15.10.2015", "05.01.2016", 3, None, 2400_ct},
    {PC::Kind_Schwer, "15.10.2015", "05.01.2016", 1, None, 2040_ct},
    // clang-format on
};

} // namespace salvenor::test
