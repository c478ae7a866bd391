#include "contribution.h"

#include <stdexcept>

#include "stay.h"

namespace salvenor {

namespace {

// The tariff of a whole stay: the one in force on its last night (on its arrival, for a stay of no
// nights). A stay with nights on both sides of a tariff change takes the later tariff.
const TariffPeriod &stayTariffOf(const CategoryRules &rules, Date arrival, Date departure)
{
    return tariffOn(rules, departure > arrival ? addDays(departure, -1) : arrival);
}

void requireStay(Date arrival, Date departure)
{
    requireDateIn(arrival, kFirstArrival, kLastArrival, "arrival");
    requireDateIn(departure, kFirstArrival, kLastDeparture, "departure");
    if (departure < arrival)
        throw std::invalid_argument(
            "departure " + dateText(departure) + " lies before the arrival " + dateText(arrival));
}

struct LaterYearStay
{
    Date A;
    Date D;
    const SeasonBoundaries &seasons;
    Money main; // the stay's tariff
    Money off;
};

void splitIntoLaterYear(StaySplit &split, const CategoryRules &rules, const LaterYearStay &stay)
{
    // The adults count the night of 31 December with the old year, the categories without a
    // tariff change with the new one.
    const int nightsOfOldYear = daysBetween(stay.A, stay.seasons.Jahr_End) + (changesTariff(rules) ? 1 : 0);
    split.N1 = nightsOfOldYear;
    split.N2 = daysBetween(stay.A, stay.D) - nightsOfOldYear;
    split.newYearsEveWithNewYear = !changesTariff(rules);
    split.R2 = stay.off;
    if (stay.A >= stay.seasons.NS_Anf) {
        split.seasonCase = SeasonCase::PostSeasonIntoNewYear;
        // The nights up to the year end at the tariff in force on the arrival.
        const TariffPeriod &arrivalTariff = tariffOn(rules, stay.A);
        split.R1 = arrivalTariff.set.offSeasonRate;
        split.tariff1 = &arrivalTariff;
    } else {
        // From before the post-season: the old year's nights include main-season nights.
        split.seasonCase = SeasonCase::None;
        split.R1 = stay.main;
    }
}

} // namespace

namespace {

// The split of a stay already checked, with its seasons.
StaySplit splitIn(const CategoryRules &rules, Date A, Date D, const SeasonBoundaries &s)
{
    // A departure on the first day of a tariff still belongs to the old one: its last night is
    // New Year's Eve.
    const TariffPeriod &stayTariff = stayTariffOf(rules, A, D);
    const Money main = stayTariff.set.mainSeasonRate;
    const Money off = stayTariff.set.offSeasonRate;

    StaySplit split;
    split.tariff1 = split.tariff2 = &stayTariff;
    const auto single = [&](SeasonCase seasonCase, Money rate) {
        split.seasonCase = seasonCase;
        split.N1 = daysBetween(A, D);
        split.R1 = rate;
    };
    const auto twoParts = [&](SeasonCase seasonCase, Date boundary, Money rate1, Money rate2) {
        split.seasonCase = seasonCase;
        split.N1 = daysBetween(A, boundary);
        split.R1 = rate1;
        split.N2 = daysBetween(boundary, D);
        split.R2 = rate2;
    };

    if (A >= s.VS_Anf && D < s.HS_Anf) {
        single(SeasonCase::PreSeason, off);
    } else if (A >= s.HS_Anf && D < s.NS_Anf) {
        single(SeasonCase::MainSeason, main);
    } else if (A >= s.NS_Anf && D <= s.Jahr_End) {
        single(SeasonCase::PostSeason, off);
    } else if (A >= s.VS_Anf && A < s.HS_Anf && D >= s.HS_Anf && D < s.NS_Anf) {
        twoParts(SeasonCase::PreIntoMainSeason, s.HS_Anf, off, main);
    } else if (A >= s.HS_Anf && A < s.NS_Anf && D >= s.NS_Anf && D <= s.Jahr_End) {
        twoParts(SeasonCase::MainIntoPostSeason, s.NS_Anf, main, off);
    } else if (A >= s.VS_Anf && D >= s.NS_Anf) {
        single(SeasonCase::PreIntoPostSeason, main);
        split.R2 = off;
    } else if (D > s.Jahr_End) {
        splitIntoLaterYear(split, rules, {.A = A, .D = D, .seasons = s, .main = main, .off = off});
    }

    // The cap classes: a stay takes the cap of its tariff; one that runs across a change, the later.
    split.cap = stayTariff.set.capPerPerson;
    return split;
}

void requireCount(const CategoryRules &rules, int count)
{
    if (count < 0 || count > rules.maxCount)
        throw std::out_of_range("count " + std::to_string(count) + " lies outside 0 to "
            + std::to_string(rules.maxCount) + " for " + std::string{rules.key});
}

// A category's sum for a stay already checked, with its seasons.
CategoryResult priced(
    const CategoryRules &rules, Date arrival, Date departure, const SeasonBoundaries &seasons, int count)
{
    CategoryResult result;
    result.split = splitIn(rules, arrival, departure, seasons);

    result.count = count;
    const StaySplit &split = result.split;

    result.uncappedSum = count * (split.N1 * split.R1 + split.N2 * split.R2);
    result.sum = result.uncappedSum;

    // The per-person amount is the uncapped sum divided by the count; comparing the sum with
    // count x cap keeps the test exact. Equal to the cap is not above it.
    const bool aboveCap = split.cap.has_value() && result.uncappedSum > count * *split.cap;
    if (aboveCap) {
        result.sum = count * *split.cap;
        result.capApplied = true;
    }
    if (rules.yearTurnCapRule && yearOf(arrival) < yearOf(departure) && aboveCap) {
        result.sum = count * *split.cap + count * split.R2 * (split.N2 - 1);
        result.yearTurnApplied = true;
    }
    if (rules.oneChildRule && count > 1) {
        result.sum = divideRounded(result.sum, count);
        result.oneChildApplied = true;
    }
    return result;
}

} // namespace

StaySplit splitStay(PersonCategory category, Date arrival, Date departure)
{
    const CategoryRules &rules = rulesOf(category);
    requireStay(arrival, departure);
    return splitIn(rules, arrival, departure, Saison(arrival, departure));
}

CategoryResult calculateCategory(PersonCategory category, Date arrival, Date departure, int count)
{
    const CategoryRules &rules = rulesOf(category);
    requireCount(rules, count);
    requireStay(arrival, departure);
    return priced(rules, arrival, departure, Saison(arrival, departure), count);
}

std::array<CategoryResult, kCategoryCount> calculateCategories(
    Date arrival, Date departure, const std::array<int, kCategoryCount> &counts)
{
    // The first failure calculateCategory would report, category by category in their order.
    requireCount(kCategories.front(), counts.front());
    requireStay(arrival, departure);
    const SeasonBoundaries seasons = Saison(arrival, departure);
    std::array<CategoryResult, kCategoryCount> results;
    for (const CategoryRules &rules : kCategories) {
        const std::size_t index = indexOf(rules.category);
        requireCount(rules, counts.at(index));
        if (counts.at(index) == 0) {
            // Nobody to price: the nights alone, which say why the sum is 0. A list of a million
            // bookings names one or two categories a booking.
            results.at(index).split.N1 = daysBetween(arrival, departure);
            continue;
        }
        results.at(index) = priced(rules, arrival, departure, seasons, counts.at(index));
    }
    return results;
}

} // namespace salvenor
