#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "date.h"
#include "money.h"

namespace salvenor {

// The person categories, in the order of the window's rows, the tab order and the sheet's lines.
// Each has one row in kCategories below; everything else iterates that table.
enum class PersonCategory { Erwachsene, Erw_Schwer, Student, Kind, Kind_Schwer, Kind_Fremd };

// The rates and the cap of one category under one tariff, per person; a tariff without a cap
// has none (std::nullopt).
struct TariffSet
{
    Money mainSeasonRate;
    Money offSeasonRate;
    std::optional<Money> capPerPerson;
};

// One tariff of a category, in force from the night of `firstNight` until the night before the
// next tariff's first night. A tariff changes only at a year end. `name` is what texts call it; a
// category's only tariff has none.
struct TariffPeriod
{
    Date firstNight;
    std::string_view name;
    TariffSet set;
};

// The adults' amounts changed with 1 January 2016; the other categories keep a single tariff.
// The adults with a disability of at least 80 % pay 85 % of the adults' amounts (rounded half up),
// so a new adults' tariff brings one for them from the same day.
inline constexpr std::array kAdultTariffs{
    TariffPeriod{.firstNight = kFirstArrival,
        .name = "Tarif 2015",
        .set = {.mainSeasonRate = 320_ct, .offSeasonRate = 210_ct, .capPerPerson = 8960_ct}},
    TariffPeriod{.firstNight = makeDate(1, 1, 2016),
        .name = "Tarif 2016",
        .set = {.mainSeasonRate = 350_ct, .offSeasonRate = 230_ct, .capPerPerson = 9800_ct}},
};
inline constexpr std::array kDisabledAdultTariffs{
    TariffPeriod{.firstNight = kFirstArrival,
        .name = "Tarif 2015",
        .set = {.mainSeasonRate = 272_ct, .offSeasonRate = 179_ct, .capPerPerson = 7616_ct}},
    TariffPeriod{.firstNight = makeDate(1, 1, 2016),
        .name = "Tarif 2016",
        .set = {.mainSeasonRate = 298_ct, .offSeasonRate = 196_ct, .capPerPerson = 8344_ct}},
};
inline constexpr std::array kYouthTariffs{TariffPeriod{.firstNight = kFirstArrival,
    .name = {},
    .set = {.mainSeasonRate = 80_ct, .offSeasonRate = 40_ct, .capPerPerson = 2240_ct}}};
inline constexpr std::array kDisabledChildTariffs{TariffPeriod{.firstNight = kFirstArrival,
    .name = {},
    .set = {.mainSeasonRate = 68_ct, .offSeasonRate = 34_ct, .capPerPerson = 1904_ct}}};

// Everything of one person category; the rest of the program iterates kCategories.
struct CategoryRules
{
    PersonCategory category;
    // The category's name in the controls (`Anz_` + key, `Tage_` + key, `Summe_` + key) and the
    // booking lists' columns.
    std::string_view key;
    // What the category's row is about, in German: what a screen reader says of its controls.
    std::string_view subject;
    // The row's caption in the window, in one or two lines.
    std::string_view caption;
    std::string_view captionSecondLine = {};
    // The sheet's line text after the count.
    std::string_view printedName;
    int maxCount;
    bool yearTurnCapRule = false;
    bool oneChildRule = false;
    // The category's tariffs, by their first nights, earliest first.
    std::span<const TariffPeriod> tariffs;
    // Further names by which a booking list's column counts this category; its key, subject,
    // caption and printed name are read as such too.
    std::span<const std::string_view> listNames = {};
};

// The bylaw's amounts, held as listed (every cap is 28 main-season nights; the reduced
// categories carry 85 % rounded half up, their caps 28 nights at the reduced rate).
inline constexpr std::array kCategories{
    CategoryRules{
        .category = PersonCategory::Erwachsene,
        .key = "Erwachsene",
        .subject = "Erwachsene",
        .caption = "Anzahl Erwachsene",
        .printedName = " Erwachsene(r) ",
        .maxCount = 30,
        .tariffs = kAdultTariffs,
    },
    CategoryRules{
        .category = PersonCategory::Erw_Schwer,
        .key = "Erw_Schwer",
        .subject = "Erwachsene 80% Schwerbehindert",
        .caption = "Anzahl Erwachsene",
        .captionSecondLine = "80% Schwerbehindert",
        .printedName = " Erwachsene(r) 80% Schwerb.",
        .maxCount = 40,
        .tariffs = kDisabledAdultTariffs,
    },
    CategoryRules{
        .category = PersonCategory::Student,
        .key = "Student",
        .subject = "Studenten, Schüler und Azubis",
        .caption = "Studenten, Schüler und Azubis",
        .captionSecondLine = "bis einschließlich 26 jahre",
        .printedName = " Student, Schüler, Azubi",
        .maxCount = 20,
        .yearTurnCapRule = true,
        .tariffs = kYouthTariffs,
    },
    CategoryRules{
        .category = PersonCategory::Kind,
        .key = "Kind",
        .subject = "Kinder ab 12 Jahre",
        .caption = "Kinder ab 12 Jahre",
        .printedName = " Kind(er) ab 12 J.",
        .maxCount = 10,
        .yearTurnCapRule = true,
        .oneChildRule = true,
        .tariffs = kYouthTariffs,
    },
    CategoryRules{
        .category = PersonCategory::Kind_Schwer,
        .key = "Kind_Schwer",
        .subject = "Kinder ab 12 Jahre 80% Schwerbehindert",
        .caption = "Kinder ab 12 Jahre",
        .captionSecondLine = "80% Schwerbehindert",
        .printedName = " Kind(er) ab 12 J. 80% Schwerb.",
        .maxCount = 10,
        .yearTurnCapRule = true,
        .oneChildRule = true,
        .tariffs = kDisabledChildTariffs,
    },
    CategoryRules{
        .category = PersonCategory::Kind_Fremd,
        .key = "Kind_Fremd",
        .subject = "Nicht familienangehörige Kinder ab 12 Jahre",
        .caption = "Nicht Familienangehörige",
        .captionSecondLine = "Kinder ab 12 Jahre",
        .printedName = " Nicht Fam.ang. Kind(er) ab 12 J.",
        .maxCount = 40,
        .yearTurnCapRule = true,
        .tariffs = kYouthTariffs,
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

// The tariff in force on the night that begins on `night`; the first tariff before it begins.
constexpr const TariffPeriod &tariffOn(const CategoryRules &rules, Date night)
{
    const TariffPeriod *inForce = &rules.tariffs.front();
    for (const TariffPeriod &tariff : rules.tariffs) {
        if (tariff.firstNight <= night)
            inForce = &tariff;
    }
    return *inForce;
}

// Whether the category's tariff ever changes. Such a category counts the night of 31 December
// with the year it begins in, at every year end; the others count it with the new year.
constexpr bool changesTariff(const CategoryRules &rules)
{
    return rules.tariffs.size() > 1;
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

static_assert(
    [] {
        for (const CategoryRules &rules : kCategories) {
            for (std::size_t i = 1; i < rules.tariffs.size(); ++i) {
                const Date first = rules.tariffs[i].firstNight;
                if (!(rules.tariffs[i - 1].firstNight < first) || first.month() != std::chrono::January
                    || first.day() != std::chrono::day{1})
                    return false;
            }
        }
        return true;
    }(),
    "each category's tariffs follow one another, each later one from a 1 January");

} // namespace salvenor
