#pragma once

#include <array>
#include <string>

#include "date.h"
#include "money.h"
#include "tariffs.h"

namespace salvenor {

enum class Tariff { Tariff2015, Tariff2016, Single };

// Which cap limited the per-person amount: the adults' three classes, or the single cap.
enum class CapClass { Stay2015, Arrival2016, AcrossTariffChange, Single };

// The nights of a stay in at most two parts, each with its nightly rate per person.
struct StaySplit
{
    // 1 to 7 for the seven cases; 0 for a stay from before the post-season into a later year,
    // which none of them covers: its nights of the arrival's year go at the main-season rate,
    // the later nights at the off-season rate.
    int caseNumber = 0;
    int N1 = 0;
    Money R1;
    int N2 = 0;
    Money R2;
    Tariff tariff1 = Tariff::Single; // where R1 comes from
    Tariff tariff2 = Tariff::Single; // where R2 comes from
    CapClass capClass = CapClass::Single;
    Money cap; // per person
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

// Throws std::out_of_range for dates outside the calendars' range and std::invalid_argument for a
// departure before the arrival or an unknown category.
StaySplit splitStay(PersonCategory category, Date arrival, Date departure);

// As splitStay, and std::out_of_range for a count outside 0 to the category's maximum.
CategoryResult calculateCategory(PersonCategory category, Date arrival, Date departure, int count);

// The money text of the category's sum label.
std::string categorySum(PersonCategory category, Date arrival, Date departure, int count);

// The money text of the total of six money texts; throws std::invalid_argument for a text that
// is not a money text.
std::string grandTotal(const std::array<std::string, 6> &sumTexts);

} // namespace salvenor
