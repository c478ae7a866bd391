#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "date.h"
#include "money.h"

namespace salvenor {

// The person categories, in the order of the window's rows, the tab order and the sheet's lines.
// Each has one row in kCategories below; everything else iterates that table.
enum class PersonCategory { Erwachsene, Erw_Schwer, Student, Kind, Kind_Schwer, Kind_Fremd };

// The adults' amounts changed with 1 January 2016; the other categories keep a single tariff.
enum class Tariff { Tariff2015, Tariff2016, Single };

// The last day of the old tariff and the first day of the new one.
inline constexpr Date kLastDayOfTariff2015 = makeDate(31, 12, 2015);
inline constexpr Date kFirstDayOfTariff2016 = makeDate(1, 1, 2016);

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
    // The category's name in the controls (`Anz_` + key, `Tage_` + key, `Summe_` + key).
    std::string_view key;
    // What the category's row is about, in German: what a screen reader says of its controls.
    std::string_view subject;
    // The sheet's line text after the count, and the line's position from the page's top (mm).
    std::string_view printedName;
    int printedTop;
    int maxCount;
    // The adults change tariff at the turn 2015/2016; the others have one tariff (in `tariff`).
    bool hasTariffChange = false;
    bool yearTurnCapRule = false;
    bool oneChildRule = false;
    TariffSet tariff2015 = {};
    TariffSet tariff; // the 2016 tariff, or the single tariff of the other categories
};

// The bylaw's amounts, held as listed (every cap is 28 main-season nights; the reduced
// categories carry 85 % rounded half up, their caps 28 nights at the reduced rate).
inline constexpr std::array kCategories{
    CategoryRules{
        .category = PersonCategory::Erwachsene,
        .key = "Erwachsene",
        .subject = "Erwachsene",
        .printedName = " Erwachsene(r) ",
        .printedTop = 63,
        .maxCount = 30,
        .hasTariffChange = true,
        .tariff2015 = {.mainSeasonRate = 320_ct, .offSeasonRate = 210_ct, .capPerPerson = 8960_ct},
        .tariff = {.mainSeasonRate = 350_ct, .offSeasonRate = 230_ct, .capPerPerson = 9800_ct},
    },
    CategoryRules{
        .category = PersonCategory::Erw_Schwer,
        .key = "Erw_Schwer",
        .subject = "Erwachsene 80% Schwerbehindert",
        .printedName = " Erwachsene(r) 80% Schwerb.",
        .printedTop = 73,
        .maxCount = 40,
        .hasTariffChange = true,
        .tariff2015 = {.mainSeasonRate = 272_ct, .offSeasonRate = 179_ct, .capPerPerson = 7616_ct},
        .tariff = {.mainSeasonRate = 298_ct, .offSeasonRate = 196_ct, .capPerPerson = 8344_ct},
    },
    CategoryRules{
        .category = PersonCategory::Student,
        .key = "Student",
        .subject = "Studenten, Schüler und Azubis",
        .printedName = " Student, Schüler, Azubi",
        .printedTop = 83,
        .maxCount = 20,
        .yearTurnCapRule = true,
        .tariff = {.mainSeasonRate = 80_ct, .offSeasonRate = 40_ct, .capPerPerson = 2240_ct},
    },
    CategoryRules{
        .category = PersonCategory::Kind,
        .key = "Kind",
        .subject = "Kinder ab 12 Jahre",
        .printedName = " Kind(er) ab 12 J.",
        .printedTop = 93,
        .maxCount = 10,
        .yearTurnCapRule = true,
        .oneChildRule = true,
        .tariff = {.mainSeasonRate = 80_ct, .offSeasonRate = 40_ct, .capPerPerson = 2240_ct},
    },
    CategoryRules{
        .category = PersonCategory::Kind_Schwer,
        .key = "Kind_Schwer",
        .subject = "Kinder ab 12 Jahre 80% Schwerbehindert",
        .printedName = " Kind(er) ab 12 J. 80% Schwerb.",
        .printedTop = 103,
        .maxCount = 10,
        .yearTurnCapRule = true,
        .oneChildRule = true,
        .tariff = {.mainSeasonRate = 68_ct, .offSeasonRate = 34_ct, .capPerPerson = 1904_ct},
    },
    CategoryRules{
        .category = PersonCategory::Kind_Fremd,
        .key = "Kind_Fremd",
        .subject = "Nicht familienangehörige Kinder ab 12 Jahre",
        .printedName = " Nicht Fam.ang. Kind(er) ab 12 J.",
        .printedTop = 113,
        .maxCount = 40,
        .yearTurnCapRule = true,
        .tariff = {.mainSeasonRate = 80_ct, .offSeasonRate = 40_ct, .capPerPerson = 2240_ct},
    },
};

inline constexpr std::size_t kCategoryCount = kCategories.size();

// Every category in the table's order.
inline constexpr std::array<PersonCategory, kCategoryCount> kAllCategories = [] {
    std::array<PersonCategory, kCategoryCount> all{};
    for (std::size_t i = 0; i < kCategoryCount; ++i)
        all.at(i) = kCategories.at(i).category;
    return all;
}();

constexpr std::size_t indexOf(PersonCategory category)
{
    return static_cast<std::size_t>(category);
}

constexpr const CategoryRules &rulesOf(PersonCategory category)
{
    return kCategories.at(indexOf(category));
}

// The name a tariff has in texts; empty for the single tariff, which texts leave unnamed.
constexpr std::string_view tariffName(Tariff tariff)
{
    switch (tariff) {
    case Tariff::Tariff2015:
        return "Tarif 2015";
    case Tariff::Tariff2016:
        return "Tarif 2016";
    case Tariff::Single:
        break;
    }
    return {};
}

static_assert(
    [] {
        for (std::size_t i = 0; i < kCategoryCount; ++i) {
            if (indexOf(kCategories.at(i).category) != i)
                return false;
        }
        return true;
    }(),
    "kCategories lists the categories in their enum's order");

} // namespace salvenor
