#pragma once

#include <array>
#include <optional>
#include <string>

#include "categories.h"
#include "date.h"
#include "money.h"

namespace salvenor {

// How a stay lies in the seasons of its arrival's year, and so how its nights are priced.
enum class SeasonCase {
    // From before the post-season into a later year, which none of the cases covers: its nights
    // of the arrival's year go at the main-season rate, the later nights at the off-season rate.
    None = 0,
    PreSeason = 1, // within the pre-season: off-season rate
    MainSeason = 2, // within the main season: main-season rate
    PostSeason = 3, // within the post-season, up to the year's end: off-season rate
    PreIntoMainSeason = 4, // pre-season nights, then main-season nights
    MainIntoPostSeason = 5, // main-season nights, then post-season nights
    PreIntoPostSeason = 6, // from the pre- or main season into the post-season: main-season rate
    PostSeasonIntoNewYear = 7, // post-season nights, then the later year's at the off-season rate
};

// The nights of a stay in at most two parts, each with its nightly rate per person.
struct StaySplit
{
    SeasonCase seasonCase = SeasonCase::None;
    int N1 = 0;
    Money R1;
    int N2 = 0;
    Money R2;
    const TariffPeriod *tariff1 = nullptr; // where R1 comes from
    const TariffPeriod *tariff2 = nullptr; // where R2 comes from
    std::optional<Money> cap; // per person; none for a tariff without a cap
    // Into a later year, for the categories without a tariff change: the bylaw counts the night
    // of 31 December with the new year, so N1 is one night less than the old year's nights.
    bool newYearsEveWithNewYear = false;
};

// How a category's sum came about, step by step.
struct CategoryResult
{
    StaySplit split;
    int count = 0;
    Money uncappedSum; // count x (N1 x R1 + N2 x R2)
    bool capApplied = false; // the per-person amount lay above the cap
    bool yearTurnApplied = false; // the cap for the old year plus the new year's nights
    bool oneChildApplied = false; // the sum of the family's children reduced to one child
    Money sum; // what the sum label shows
};

// Throws std::invalid_argument for a date that is not a calendar day or a departure before the
// arrival, and std::out_of_range for a date outside the calendars' range or an unknown category.
StaySplit splitStay(PersonCategory category, Date arrival, Date departure);

// As splitStay, and std::out_of_range for a count outside 0 to the category's maximum.
CategoryResult calculateCategory(PersonCategory category, Date arrival, Date departure, int count);

// calculateCategory for every category of one stay, the stay checked and its seasons found once;
// throws what calculateCategory would throw first, category by category in their order. A
// category with a count of 0 has its nights (as N1) and a sum of 0, no rates.
std::array<CategoryResult, kCategoryCount> calculateCategories(
    Date arrival, Date departure, const std::array<int, kCategoryCount> &counts);

} // namespace salvenor
