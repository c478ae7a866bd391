// Every stay the calendars allow up to 120 nights, and every stay across a year end from
// September into March, for all six categories at counts 0, 1, 2 and the maximum.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bylaw_figures.h"
#include "core/booking.h"
#include "core/contribution.h"
#include "core/stay.h"
#include "test_support.h"

namespace salvenor {
namespace {

// The rate of each single night, looked up by its own date: an oracle for the uncapped amount
// that knows nothing of the seven cases.
class NightlyRates final
{
public:
    explicit NightlyRates(PersonCategory category)
    {
        const std::string_view key = rulesOf(category).key;
        const int days = daysBetween(kFirstArrival, kLastDeparture);
        m_prefix.resize(static_cast<std::size_t>(days) + 1);
        Money running;
        for (int i = 0; i < days; ++i) {
            const Date night = addDays(kFirstArrival, i);
            const test::BylawRates *rates = nullptr;
            for (const test::BylawRates &row : test::kBylawRates) {
                if (row.category == key && row.fromYear <= yearOf(night))
                    rates = &row;
            }
            if (rates == nullptr)
                throw std::logic_error("no bylaw rates for " + std::string{key} + " in " + dateText(night));
            const unsigned month = static_cast<unsigned>(night.month());
            running += (month >= 5 && month <= 10) ? rates->mainSeason : rates->offSeason;
            m_prefix[static_cast<std::size_t>(i) + 1] = running;
        }
    }

    Money forStay(Date arrival, Date departure) const
    {
        return m_prefix.at(index(departure)) - m_prefix.at(index(arrival));
    }

private:
    static std::size_t index(Date date) { return static_cast<std::size_t>(daysBetween(kFirstArrival, date)); }

    std::vector<Money> m_prefix;
};

struct SweepCounters
{
    long stays = 0;
};

void checkStay(
    PersonCategory category, const NightlyRates &oracle, Date arrival, Date departure, SweepCounters &counters)
{
    const CategoryRules &rules = rulesOf(category);
    const int nights = daysBetween(arrival, departure);
    // The highest of the category's caps; none where a tariff of it has none.
    std::optional<Money> highestCap;
    for (const TariffPeriod &tariff : rules.tariffs) {
        if (!tariff.set.capPerPerson) {
            highestCap.reset();
            break;
        }
        highestCap = std::max(highestCap.value_or(Money{}), *tariff.set.capPerPerson);
    }
    const CategoryResult one = calculateCategory(category, arrival, departure, 1);
    const StaySplit &split = one.split;
    ++counters.stays;

    ASSERT_EQ(split.N1 + split.N2, nights) << dateText(arrival) << "-" << dateText(departure);
    ASSERT_GE(split.N1, 0);
    ASSERT_GE(split.N2, 0);

    // Within one season pattern the split must price each night at its own season's rate.
    const bool pricedPerNight
        = split.seasonCase != SeasonCase::None && split.seasonCase != SeasonCase::PreIntoPostSeason;
    if (pricedPerNight && nights < 150) {
        ASSERT_EQ(one.uncappedSum, oracle.forStay(arrival, departure))
            << rules.key << " " << dateText(arrival) << "-" << dateText(departure);
    }
    // The stay across the whole main season, priced at its rate: it arrives in the pre-season and
    // departs in the post-season, within the year. A main-season arrival is split instead.
    if (split.seasonCase == SeasonCase::PreIntoPostSeason) {
        const SeasonBoundaries seasons = Saison(arrival, departure);
        ASSERT_LT(arrival, seasons.HS_Anf) << dateText(arrival) << "-" << dateText(departure);
        ASSERT_GE(departure, seasons.NS_Anf) << dateText(arrival) << "-" << dateText(departure);
        ASSERT_LE(departure, seasons.Jahr_End) << dateText(arrival) << "-" << dateText(departure);
    }
    if (split.seasonCase == SeasonCase::None || split.seasonCase == SeasonCase::PostSeasonIntoNewYear) {
        ASSERT_LT(yearOf(arrival), yearOf(departure));
    }
    if (one.yearTurnApplied) {
        ASSERT_LT(yearOf(arrival), yearOf(departure));
    } else if (highestCap) {
        ASSERT_LE(one.sum, *highestCap) << rules.key << " " << dateText(arrival) << "-" << dateText(departure);
    }
    if (!split.cap || one.uncappedSum <= *split.cap) {
        ASSERT_EQ(one.sum, one.uncappedSum);
    }

    for (const int count : {0, 1, 2, rules.maxCount}) {
        const Money amount = calculateCategory(category, arrival, departure, count).sum;
        if (count == 0) {
            ASSERT_EQ(amount, Money{});
            continue;
        }
        // The caps act per person, so a party pays count times one person's sum; for the
        // family's children the sum is always that of one child.
        const Money expected = rules.oneChildRule ? one.sum : count * one.sum;
        ASSERT_EQ(amount, expected) << rules.key << " x" << count << " " << dateText(arrival) << "-"
                                    << dateText(departure);
    }

    // The one calculation of a whole booking: this category's sum as above; the others, nobody in
    // them, their nights and 0.
    Booking booking{.arrival = arrival, .departure = departure, .counts = {}};
    booking.counts.at(indexOf(category)) = 2;
    const BookingResult whole = calculateBooking(booking);
    ASSERT_EQ(whole.nights, nights);
    ASSERT_EQ(whole.total, rules.oneChildRule ? one.sum : 2 * one.sum)
        << dateText(arrival) << "-" << dateText(departure);
    for (const CategoryResult &other : whole.categories) {
        ASSERT_EQ(other.split.N1 + other.split.N2, nights);
        ASSERT_EQ(other.sum, other.count == 0 ? Money{} : whole.total);
    }
}

class Sweep : public testing::TestWithParam<PersonCategory>
{
};

TEST_P(Sweep, StaysOfUpToOneHundredAndTwentyNights)
{
    const PersonCategory category = GetParam();
    const NightlyRates oracle{category};
    SweepCounters counters;
    for (Date arrival = kFirstArrival; arrival <= kLastArrival; arrival = addDays(arrival, 1)) {
        const Date lastDeparture = std::min(addDays(arrival, 120), kLastDeparture);
        for (Date departure = arrival; departure <= lastDeparture; departure = addDays(departure, 1)) {
            checkStay(category, oracle, arrival, departure, counters);
            if (HasFatalFailure())
                return;
        }
    }
    EXPECT_GT(counters.stays, 1'300'000);
}

TEST_P(Sweep, EveryYearEndCrossing)
{
    const PersonCategory category = GetParam();
    const NightlyRates oracle{category};
    SweepCounters counters;
    for (int year = 2001; year < 2030; ++year) {
        for (Date arrival = makeDate(1, 9, year); arrival <= makeDate(31, 12, year); arrival = addDays(arrival, 1)) {
            for (Date departure = makeDate(1, 1, year + 1); departure <= makeDate(31, 3, year + 1);
                 departure = addDays(departure, 1)) {
                checkStay(category, oracle, arrival, departure, counters);
                if (HasFatalFailure())
                    return;
            }
        }
    }
    EXPECT_GT(counters.stays, 300'000);
}

INSTANTIATE_TEST_SUITE_P(AllCategories, Sweep, testing::ValuesIn(kAllCategories),
    [](const testing::TestParamInfo<PersonCategory> &param) { return std::string{rulesOf(param.param).key}; });

} // namespace
} // namespace salvenor
