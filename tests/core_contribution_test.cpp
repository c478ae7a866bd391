#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "bylaw_figures.h"
#include "core/booking.h"
#include "core/contribution.h"
#include "test_support.h"
#include "worked_examples.h"

namespace salvenor {
namespace {

using test::d;
using test::SumExample;
using PC = PersonCategory;

// The bylaw's largest count of a category; -1 where the bylaw's figures have none.
int bylawMaximum(PC category)
{
    for (const test::BylawMaximum &maximum : test::kBylawMaxima) {
        if (maximum.category == rulesOf(category).key)
            return maximum.count;
    }
    return -1;
}

class CategorySum : public testing::TestWithParam<SumExample>
{
};

TEST_P(CategorySum, MatchesTheWorkedExample)
{
    const SumExample &e = GetParam();
    const CategoryResult r = calculateCategory(e.category, d(e.arrival), d(e.departure), e.count);
    EXPECT_EQ(r.split.seasonCase, e.seasonCase);
    EXPECT_EQ(r.sum, e.sum);
}

// "Erwachsene_x2_14032016_18032016": the category, the count and the stay.
std::string exampleName(const testing::TestParamInfo<SumExample> &example)
{
    const auto digits = [](std::string_view date) {
        std::string kept;
        for (const char c : date) {
            if (c >= '0' && c <= '9')
                kept += c;
        }
        return kept;
    };
    const SumExample &e = example.param;
    return std::string{rulesOf(e.category).key} + "_x" + std::to_string(e.count) + "_" + digits(e.arrival) + "_"
        + digits(e.departure);
}

INSTANTIATE_TEST_SUITE_P(Adults, CategorySum, testing::ValuesIn(test::kAdultExamples), exampleName);

INSTANTIATE_TEST_SUITE_P(
    SingleTariffCategories, CategorySum, testing::ValuesIn(test::kSingleTariffExamples), exampleName);

INSTANTIATE_TEST_SUITE_P(
    IntoALaterYearFromBeforeThePostSeason, CategorySum, testing::ValuesIn(test::kLaterYearExamples), exampleName);

TEST(StaySplitOfTheYearEnd, CountsNewYearsEveWithTheOldYearForAdultsOnly)
{
    const StaySplit adults = splitStay(PC::Erwachsene, d("28.12.2016"), d("03.01.2017"));
    EXPECT_EQ(adults.N1, 4);
    EXPECT_EQ(adults.N2, 2);
    const StaySplit students = splitStay(PC::Student, d("28.12.2016"), d("03.01.2017"));
    EXPECT_EQ(students.N1, 3);
    EXPECT_EQ(students.N2, 3);
}

TEST(StaySplitOfTheYearEnd, PaysTheOldTariffUpToNewYearsEve)
{
    const StaySplit s = splitStay(PC::Erwachsene, d("01.12.2015"), d("10.01.2016"));
    EXPECT_EQ(s.seasonCase, SeasonCase::PostSeasonIntoNewYear);
    EXPECT_EQ(s.N1, 31);
    EXPECT_EQ(s.R1, 210_ct);
    EXPECT_EQ(s.tariff1->name, "Tarif 2015");
    EXPECT_EQ(s.N2, 9);
    EXPECT_EQ(s.R2, 230_ct);
    EXPECT_EQ(s.tariff2->name, "Tarif 2016");
    EXPECT_EQ(s.cap, 9800_ct); // across the change: the new cap

    EXPECT_EQ(splitStay(PC::Erwachsene, d("01.11.2015"), d("01.01.2016")).cap, 8960_ct);
    EXPECT_EQ(splitStay(PC::Erwachsene, d("01.01.2016"), d("02.01.2016")).cap, 9800_ct);
    EXPECT_EQ(splitStay(PC::Erw_Schwer, d("31.12.2015"), d("01.01.2016")).cap, 7616_ct);
    EXPECT_EQ(splitStay(PC::Kind, d("01.11.2015"), d("02.01.2016")).cap, 2240_ct);
}

// The days on which a stay passes from one case of the split to the next.
TEST(StaySplitAtTheSeasonBoundaries, TakesTheCaseOfTheLastNight)
{
    // Departing on 1 November from the pre-season: the whole stay at the main rate.
    const StaySplit preIntoPost = splitStay(PC::Erwachsene, d("14.03.2016"), d("01.11.2016"));
    EXPECT_EQ(preIntoPost.seasonCase, SeasonCase::PreIntoPostSeason);
    EXPECT_EQ(preIntoPost.N1, 232);
    EXPECT_EQ(preIntoPost.R1, 350_ct);
    // One night less stays in case 4: the pre-season nights at the off-season rate.
    const StaySplit preIntoMain = splitStay(PC::Erwachsene, d("14.03.2016"), d("31.10.2016"));
    EXPECT_EQ(preIntoMain.seasonCase, SeasonCase::PreIntoMainSeason);
    EXPECT_EQ(preIntoMain.N1, 48);
    EXPECT_EQ(preIntoMain.N2, 183);

    // From the main season, departing on 31 December: still into the post-season, not beyond.
    const StaySplit mainIntoPost = splitStay(PC::Student, d("20.10.2016"), d("31.12.2016"));
    EXPECT_EQ(mainIntoPost.seasonCase, SeasonCase::MainIntoPostSeason);
    EXPECT_EQ(mainIntoPost.N1, 12);
    EXPECT_EQ(mainIntoPost.N2, 60);

    // Arriving on 1 May is the main season, and on into the post-season from there.
    const StaySplit mayDay = splitStay(PC::Kind, d("01.05.2016"), d("10.05.2016"));
    EXPECT_EQ(mayDay.seasonCase, SeasonCase::MainSeason);
    EXPECT_EQ(mayDay.N1, 9);
    const StaySplit mayDayIntoPost = splitStay(PC::Kind, d("01.05.2016"), d("05.11.2016"));
    EXPECT_EQ(mayDayIntoPost.seasonCase, SeasonCase::MainIntoPostSeason);
    EXPECT_EQ(mayDayIntoPost.N1, 184);
    EXPECT_EQ(mayDayIntoPost.N2, 4);

    // Arriving on 1 January opens the pre-season, whichever season the stay ends in.
    const StaySplit newYear = splitStay(PC::Erwachsene, d("01.01.2016"), d("05.01.2016"));
    EXPECT_EQ(newYear.seasonCase, SeasonCase::PreSeason);
    EXPECT_EQ(newYear.N1, 4);
    EXPECT_EQ(splitStay(PC::Erwachsene, d("01.01.2016"), d("10.05.2016")).seasonCase, SeasonCase::PreIntoMainSeason);
    EXPECT_EQ(splitStay(PC::Erwachsene, d("01.01.2016"), d("01.12.2016")).seasonCase, SeasonCase::PreIntoPostSeason);
}

TEST(StaySplitOfTheYearEnd, ArrivingOnNewYearsEve2015TakesTheOldOffSeasonRate)
{
    const StaySplit s = splitStay(PC::Erwachsene, d("31.12.2015"), d("02.01.2016"));
    EXPECT_EQ(s.seasonCase, SeasonCase::PostSeasonIntoNewYear);
    EXPECT_EQ(s.tariff1->name, "Tarif 2015");
    EXPECT_EQ(s.R1, 210_ct);
    EXPECT_EQ(calculateCategory(PC::Erwachsene, d("31.12.2015"), d("02.01.2016"), 1).sum, 440_ct);
}

TEST(CalendarRange, TakesItsFirstAndLastDay)
{
    EXPECT_EQ(calculateCategory(PC::Student, kFirstArrival, d("02.01.2001"), 1).sum, 40_ct);
    EXPECT_EQ(calculateCategory(PC::Student, d("30.12.2030"), kLastDeparture, 1).sum, 40_ct);
    EXPECT_THROW(calculateCategory(PC::Student, addDays(kFirstArrival, -1), d("02.01.2001"), 1), std::out_of_range);
    EXPECT_THROW(calculateCategory(PC::Student, d("30.12.2030"), addDays(kLastDeparture, 1), 1), std::out_of_range);
}

TEST(CategoryResult, TellsWhichRulesApplied)
{
    const CategoryResult capped = calculateCategory(PC::Kind_Fremd, d("01.07.2016"), d("31.07.2016"), 3);
    EXPECT_TRUE(capped.capApplied);
    EXPECT_FALSE(capped.yearTurnApplied);
    EXPECT_EQ(capped.uncappedSum, 7200_ct);

    const CategoryResult turned = calculateCategory(PC::Kind, d("01.11.2016"), d("10.01.2017"), 2);
    EXPECT_TRUE(turned.capApplied);
    EXPECT_TRUE(turned.yearTurnApplied);
    EXPECT_TRUE(turned.oneChildApplied);

    const CategoryResult plain = calculateCategory(PC::Kind, d("10.07.2016"), d("20.07.2016"), 1);
    EXPECT_FALSE(plain.capApplied || plain.yearTurnApplied || plain.oneChildApplied);
}

TEST(TypicalRequest, TwoAdultsForFourPreSeasonNights)
{
    const Date arrival = d("14.03.2016");
    const Date departure = d("18.03.2016");
    Booking booking{.arrival = arrival, .departure = departure, .counts = {}};
    booking.counts.at(indexOf(PC::Erwachsene)) = 2;
    const BookingResult result = calculateBooking(booking);
    EXPECT_EQ(result.categories.at(indexOf(PC::Erwachsene)).sum, 1840_ct);
    EXPECT_EQ(result.total, 1840_ct);
}

TEST(TariffTable, KeepsTheBylawsRelations)
{
    for (const CategoryRules &rules : kCategories) {
        for (const TariffPeriod &tariff : rules.tariffs)
            if (tariff.set.capPerPerson) {
                EXPECT_EQ(*tariff.set.capPerPerson, 28 * tariff.set.mainSeasonRate) << rules.key << " " << tariff.name;
            }
    }
    for (const CategoryRules &rules : kCategories)
        EXPECT_EQ(rules.maxCount, bylawMaximum(rules.category)) << rules.key;
}

// The severely disabled pay 85 % of the rates of those without a disability (rounded half up),
// tariff by tariff from the same first night: a new tariff of the one needs one of the other.
TEST(TariffTable, TheDisabledPayEightyFivePercentFromTheSameNight)
{
    for (const auto &[reduced, full] :
        {std::pair{PC::Erw_Schwer, PC::Erwachsene}, std::pair{PC::Kind_Schwer, PC::Kind}}) {
        const auto reducedTariffs = rulesOf(reduced).tariffs;
        const auto fullTariffs = rulesOf(full).tariffs;
        ASSERT_EQ(reducedTariffs.size(), fullTariffs.size()) << rulesOf(reduced).key;
        for (std::size_t i = 0; i < fullTariffs.size(); ++i) {
            const TariffPeriod &own = reducedTariffs[i];
            const TariffPeriod &base = fullTariffs[i];
            EXPECT_EQ(own.firstNight, base.firstNight) << rulesOf(reduced).key << " " << own.name;
            EXPECT_EQ(own.name, base.name) << rulesOf(reduced).key;
            EXPECT_EQ(own.set.mainSeasonRate, divideRounded(85 * base.set.mainSeasonRate, 100)) << own.name;
            EXPECT_EQ(own.set.offSeasonRate, divideRounded(85 * base.set.offSeasonRate, 100)) << own.name;
            EXPECT_EQ(own.set.capPerPerson.has_value(), base.set.capPerPerson.has_value()) << own.name;
        }
    }
}

TEST(BadInput, IsRejectedWithTheBadValueNamed)
{
    const Date a = d("14.03.2016");
    const Date b = d("18.03.2016");
    EXPECT_THROW(calculateCategory(PC::Erwachsene, a, b, -1), std::out_of_range);
    EXPECT_THROW(calculateCategory(PC::Erwachsene, a, b, 31), std::out_of_range);
    EXPECT_NO_THROW(calculateCategory(PC::Erw_Schwer, a, b, 40));
    EXPECT_THROW(calculateCategory(PC::Kind, a, b, 11), std::out_of_range);
    EXPECT_THROW(calculateCategory(PC::Student, b, a, 1), std::invalid_argument);
    EXPECT_THROW(calculateCategory(PC::Student, d("31.12.2000"), b, 1), std::out_of_range);
    EXPECT_THROW(calculateCategory(PC::Student, a, d("01.01.2031"), 1), std::out_of_range);
    EXPECT_THROW(calculateCategory(PC::Student, makeDate(30, 2, 2016), b, 1), std::invalid_argument);
    EXPECT_THROW(calculateCategory(static_cast<PC>(kCategoryCount), a, b, 1), std::out_of_range);
    EXPECT_THROW(splitStay(PC::Kind, b, a), std::invalid_argument);

    try {
        calculateCategory(PC::Erwachsene, a, b, 31);
        FAIL() << "no exception";
    } catch (const std::out_of_range &e) {
        EXPECT_NE(std::string{e.what()}.find("31"), std::string::npos) << e.what();
        EXPECT_NE(std::string{e.what()}.find("Erwachsene"), std::string::npos) << e.what();
    }
    try {
        calculateCategory(PC::Student, b, a, 1);
        FAIL() << "no exception";
    } catch (const std::invalid_argument &e) {
        EXPECT_NE(std::string{e.what()}.find("14.03.2016"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace salvenor
