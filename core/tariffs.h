#pragma once

#include <array>
#include <string_view>

#include "money.h"

namespace salvenor {

// The six person categories in their fixed order: rows of the window, tab order, lines of the sheet.
enum class PersonCategory { Erwachsene, Erw_Schwer, Student, Kind, Kind_Schwer, Kind_Fremd };

inline constexpr std::array<PersonCategory, 6> kAllCategories{
    PersonCategory::Erwachsene,
    PersonCategory::Erw_Schwer,
    PersonCategory::Student,
    PersonCategory::Kind,
    PersonCategory::Kind_Schwer,
    PersonCategory::Kind_Fremd,
};

// The rates and the cap of one category under one tariff, per person.
struct TariffSet
{
    Money mainSeasonRate;
    Money offSeasonRate;
    Money capPerPerson;
};

struct CategoryRules
{
    PersonCategory category;
    std::string_view key;
    int maxCount;
    // Adults change tariff at the turn 2015/2016; the others have one tariff (held in tariff).
    bool hasTariffChange;
    bool yearTurnCapRule;
    bool oneChildRule;
    TariffSet tariff2015;
    TariffSet tariff; // the 2016 tariff, or the single tariff of the other categories
};

inline constexpr TariffSet kNoTariff{};

// The bylaw's amounts, held as listed (every cap is 28 main-season nights; the reduced
// categories carry 85 % rounded half up, their caps 28 nights at the reduced rate).
inline constexpr std::array<CategoryRules, 6> kCategoryRules{{
    {PersonCategory::Erwachsene, "Erwachsene", 30, true, false, false, {320_ct, 210_ct, 8960_ct},
        {350_ct, 230_ct, 9800_ct}},
    {PersonCategory::Erw_Schwer, "Erw_Schwer", 40, true, false, false, {272_ct, 179_ct, 7616_ct},
        {298_ct, 196_ct, 8344_ct}},
    {PersonCategory::Student, "Student", 20, false, true, false, kNoTariff, {80_ct, 40_ct, 2240_ct}},
    {PersonCategory::Kind, "Kind", 10, false, true, true, kNoTariff, {80_ct, 40_ct, 2240_ct}},
    {PersonCategory::Kind_Schwer, "Kind_Schwer", 10, false, true, true, kNoTariff, {68_ct, 34_ct, 1904_ct}},
    {PersonCategory::Kind_Fremd, "Kind_Fremd", 40, false, true, false, kNoTariff, {80_ct, 40_ct, 2240_ct}},
}};

constexpr const CategoryRules &rulesOf(PersonCategory category)
{
    return kCategoryRules.at(static_cast<std::size_t>(category));
}

constexpr std::size_t indexOf(PersonCategory category)
{
    return static_cast<std::size_t>(category);
}

} // namespace salvenor
