#pragma once

#include <ostream>
#include <vector>

#include "core/categories.h"
#include "core/contribution.h"

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
    const char *sum;
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
    {PC::Erwachsene, "14.03.2016", "18.03.2016", 2, PreSeason, "18,40"},
    {PC::Erwachsene, "14.03.2016", "18.03.2016", 0, PreSeason, "0,00"},
    {PC::Erwachsene, "14.03.2016", "14.03.2016", 2, PreSeason, "0,00"},
    {PC::Erwachsene, "25.04.2016", "05.05.2016", 1, PreIntoMainSeason, "27,80"},
    {PC::Erwachsene, "20.10.2015", "05.11.2015", 3, MainIntoPostSeason, "140,40"},
    {PC::Erwachsene, "20.12.2016", "31.12.2016", 1, PostSeason, "25,30"},
    {PC::Erwachsene, "01.07.2015", "29.07.2015", 1, MainSeason, "89,60"},
    {PC::Erwachsene, "01.07.2015", "01.08.2015", 3, MainSeason, "268,80"},
    {PC::Erwachsene, "01.07.2016", "30.07.2016", 4, MainSeason, "392,00"},
    {PC::Erwachsene, "01.06.2016", "01.08.2016", 2, MainSeason, "196,00"},
    {PC::Erwachsene, "10.04.2015", "20.11.2015", 1, PreIntoPostSeason, "89,60"},
    {PC::Erwachsene, "28.12.2015", "03.01.2016", 2, PostSeasonIntoNewYear, "26,00"},
    {PC::Erwachsene, "01.12.2015", "10.01.2016", 2, PostSeasonIntoNewYear, "171,60"},
    {PC::Erwachsene, "01.11.2015", "01.01.2016", 1, PostSeasonIntoNewYear, "89,60"},
    {PC::Erwachsene, "01.11.2015", "02.01.2016", 1, PostSeasonIntoNewYear, "98,00"},
    {PC::Erwachsene, "20.12.2014", "05.01.2015", 1, PostSeasonIntoNewYear, "33,60"},
    {PC::Erwachsene, "30.12.2016", "02.01.2017", 3, PostSeasonIntoNewYear, "20,70"},
    // Arriving on 1 November is a post-season stay.
    {PC::Erwachsene, "01.11.2016", "10.11.2016", 1, PostSeason, "20,70"},
    // Departing on 1 May or 1 November keeps the last night in the earlier season.
    {PC::Erwachsene, "28.04.2016", "01.05.2016", 1, PreIntoMainSeason, "6,90"},
    {PC::Erwachsene, "29.10.2016", "01.11.2016", 1, MainIntoPostSeason, "10,50"},
    {PC::Erw_Schwer, "14.03.2016", "18.03.2016", 2, PreSeason, "15,68"},
    {PC::Erw_Schwer, "01.07.2016", "30.07.2016", 1, MainSeason, "83,44"},
    {PC::Erw_Schwer, "01.07.2015", "30.07.2015", 1, MainSeason, "76,16"},
    // clang-format on
};

inline const std::vector<SumExample> kSingleTariffExamples{
    // clang-format off
    {PC::Student, "10.07.2016", "17.07.2016", 1, MainSeason, "5,60"},
    {PC::Kind, "10.07.2016", "20.07.2016", 2, MainSeason, "8,00"},
    {PC::Kind_Fremd, "01.07.2016", "31.07.2016", 3, MainSeason, "67,20"},
    {PC::Kind_Schwer, "01.07.2016", "31.07.2016", 1, MainSeason, "19,04"},
    {PC::Kind_Schwer, "01.07.2016", "31.07.2016", 3, MainSeason, "19,04"},
    {PC::Student, "01.07.2016", "29.07.2016", 1, MainSeason, "22,40"},
    {PC::Student, "01.07.2016", "30.07.2016", 1, MainSeason, "22,40"},
    {PC::Student, "25.04.2016", "05.05.2016", 2, PreIntoMainSeason, "11,20"},
    {PC::Kind, "25.04.2016", "05.05.2016", 3, PreIntoMainSeason, "5,60"},
    {PC::Student, "28.10.2016", "03.11.2016", 1, MainIntoPostSeason, "4,00"},
    {PC::Student, "10.04.2016", "05.11.2016", 1, PreIntoPostSeason, "22,40"},
    {PC::Student, "28.12.2016", "03.01.2017", 1, PostSeasonIntoNewYear, "2,40"},
    {PC::Student, "01.11.2016", "10.01.2017", 1, PostSeasonIntoNewYear, "26,00"},
    // The year-turn rule as it stands raises this sum above the uncapped 36,00.
    {PC::Student, "20.12.2016", "20.03.2017", 1, PostSeasonIntoNewYear, "53,60"},
    {PC::Kind, "01.11.2016", "10.01.2017", 2, PostSeasonIntoNewYear, "26,00"},
    {PC::Kind_Fremd, "05.05.2016", "05.05.2016", 4, MainSeason, "0,00"},
    {PC::Kind_Schwer, "05.05.2016", "20.05.2016", 0, MainSeason, "0,00"},
    // Per person 22,40 equals the cap: the cap test is exact, no division.
    {PC::Student, "01.12.2016", "26.01.2017", 3, PostSeasonIntoNewYear, "67,20"},
    // clang-format on
};

inline const std::vector<SumExample> kLaterYearExamples{
    // clang-format off
    {PC::Erwachsene, "15.10.2015", "05.01.2016", 2, None, "196,00"},
    {PC::Erwachsene, "15.10.2015", "01.01.2016", 1, None, "89,60"},
    {PC::Erw_Schwer, "01.03.2017", "10.01.2018", 1, None, "83,44"},
    // Cap for the old year plus four later nights at the off-season rate.
    {PC::Student, "15.10.2015", "05.01.2016", 1, None, "24,00"},
    {PC::Kind_Fremd, "15.10.2015", "05.01.2016", 3, None, "72,00"},
    {PC::Kind, "15.10.2015", "05.01.2016", 3, None, "24,00"},
    {PC::Kind_Schwer, "15.10.2015", "05.01.2016", 1, None, "20,40"},
    // clang-format on
};

} // namespace salvenor::test
