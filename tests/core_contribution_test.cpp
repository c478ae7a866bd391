#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "core/contribution.h"
#include "test_support.h"
#include "worked_examples.h"

namespace salvenor {
namespace {

using test::d;
using test::SumExample;
using PC = PersonCategory;

// The window's sum texts for one stay: the given categories' texts, "0,00" for every other.
std::array<std::string, kCategoryCount> sumTexts(std::initializer_list<std::pair<PC, const char *>> given)
{
    std::array<std::string, kCategoryCount> texts;
    texts.fill("0,00");
    for (const auto &[category, text] : given)
        texts.at(indexOf(category)) = text;
    return texts;
}

// The bylaw's largest count per category; a category without one does not compile (-Wswitch).
constexpr int bylawMaximum(PC category)
{
    switch (category) {
    case PC::Erwachsene:
        return 30;
    case PC::Erw_Schwer:
        return 40;
    case PC::Student:
        return 20;
    case PC::Kind:
    case PC::Kind_Schwer:
        return 10;
    case PC::Kind_Fremd:
        return 40;
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
    EXPECT_EQ(formatMoney(r.sum), e.sum);
    EXPECT_EQ(categorySum(e.category, d(e.arrival), d(e.departure), e.count), e.sum);
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
    EXPECT_EQ(formatMoney(s.R1), "2,10");
    EXPECT_EQ(s.tariff1->name, "Tarif 2015");
    EXPECT_EQ(s.N2, 9);
    EXPECT_EQ(formatMoney(s.R2), "2,30");
    EXPECT_EQ(s.tariff2->name, "Tarif 2016");
    EXPECT_EQ(formatMoney(s.cap), "98,00"); // across the change: the new cap

    EXPECT_EQ(formatMoney(splitStay(PC::Erwachsene, d("01.11.2015"), d("01.01.2016")).cap), "89,60");
    EXPECT_EQ(formatMoney(splitStay(PC::Erwachsene, d("01.01.2016"), d("02.01.2016")).cap), "98,00");
    EXPECT_EQ(formatMoney(splitStay(PC::Erw_Schwer, d("31.12.2015"), d("01.01.2016")).cap), "76,16");
    EXPECT_EQ(formatMoney(splitStay(PC::Kind, d("01.11.2015"), d("02.01.2016")).cap), "22,40");
}

// The days on which a stay passes from one case of the split to the next.
TEST(StaySplitAtTheSeasonBoundaries, TakesTheCaseOfTheLastNight)
{
    // Departing on 1 November from the pre-season: the whole stay at the main rate.
    const StaySplit preIntoPost = splitStay(PC::Erwachsene, d("14.03.2016"), d("01.11.2016"));
    EXPECT_EQ(preIntoPost.seasonCase, SeasonCase::PreIntoPostSeason);
    EXPECT_EQ(preIntoPost.N1, 232);
    EXPECT_EQ(formatMoney(preIntoPost.R1), "3,50");
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
    EXPECT_EQ(formatMoney(s.R1), "2,10");
    EXPECT_EQ(categorySum(PC::Erwachsene, d("31.12.2015"), d("02.01.2016"), 1), "4,40");
}

TEST(CalendarRange, TakesItsFirstAndLastDay)
{
    EXPECT_EQ(categorySum(PC::Student, kFirstArrival, d("02.01.2001"), 1), "0,40");
    EXPECT_EQ(categorySum(PC::Student, d("30.12.2030"), kLastDeparture, 1), "0,40");
    EXPECT_THROW(categorySum(PC::Student, addDays(kFirstArrival, -1), d("02.01.2001"), 1), std::out_of_range);
    EXPECT_THROW(categorySum(PC::Student, d("30.12.2030"), addDays(kLastDeparture, 1), 1), std::out_of_range);
}

TEST(CategoryResult, TellsWhichRulesApplied)
{
    const CategoryResult capped = calculateCategory(PC::Kind_Fremd, d("01.07.2016"), d("31.07.2016"), 3);
    EXPECT_TRUE(capped.capApplied);
    EXPECT_FALSE(capped.yearTurnApplied);
    EXPECT_EQ(formatMoney(capped.uncappedSum), "72,00");

    const CategoryResult turned = calculateCategory(PC::Kind, d("01.11.2016"), d("10.01.2017"), 2);
    EXPECT_TRUE(turned.capApplied);
    EXPECT_TRUE(turned.yearTurnApplied);
    EXPECT_TRUE(turned.oneChildApplied);

    const CategoryResult plain = calculateCategory(PC::Kind, d("10.07.2016"), d("20.07.2016"), 1);
    EXPECT_FALSE(plain.capApplied || plain.yearTurnApplied || plain.oneChildApplied);
}

TEST(GrandTotal, AddsEveryCategorysTextExactly)
{
    EXPECT_EQ(grandTotal(sumTexts({{PC::Erwachsene, "18,40"}, {PC::Erw_Schwer, "15,68"}})), "34,08");
    EXPECT_EQ(grandTotal(sumTexts({{PC::Erwachsene, "392,00"}, {PC::Erw_Schwer, "1.234,50"}})), "1.626,50");
    EXPECT_EQ(grandTotal(sumTexts({{PC::Erwachsene, "0,10"}, {PC::Erw_Schwer, "0,20"}, {PC::Student, "0,30"},
                  {PC::Kind, "0,40"}, {PC::Kind_Schwer, "0,50"}, {PC::Kind_Fremd, "0,60"}})),
        "2,10");
    EXPECT_EQ(grandTotal(sumTexts({})), "0,00");
    // Each category's text counts, the last one's too.
    for (const PC category : kAllCategories)
        EXPECT_EQ(grandTotal(sumTexts({{category, "1.000,01"}})), "1.000,01") << rulesOf(category).key;
}

TEST(TypicalRequest, TwoAdultsForFourPreSeasonNights)
{
    const Date arrival = d("14.03.2016");
    const Date departure = d("18.03.2016");
    const std::string adults = categorySum(PC::Erwachsene, arrival, departure, 2);
    EXPECT_EQ(adults, "18,40");
    std::array<std::string, kCategoryCount> sums = sumTexts({});
    sums.at(indexOf(PC::Erwachsene)) = adults;
    EXPECT_EQ(grandTotal(sums), "18,40");
}

TEST(TariffTable, KeepsTheBylawsRelations)
{
    for (const CategoryRules &rules : kCategories) {
        for (const TariffPeriod &tariff : rules.tariffs)
            EXPECT_EQ(tariff.set.capPerPerson, 28 * tariff.set.mainSeasonRate) << rules.key << " " << tariff.name;
    }
    for (const CategoryRules &rules : kCategories)
        EXPECT_EQ(rules.maxCount, bylawMaximum(rules.category)) << rules.key;
}

TEST(BadInput, IsRejectedWithTheBadValueNamed)
{
    const Date a = d("14.03.2016");
    const Date b = d("18.03.2016");
    EXPECT_THROW(categorySum(PC::Erwachsene, a, b, -1), std::out_of_range);
    EXPECT_THROW(categorySum(PC::Erwachsene, a, b, 31), std::out_of_range);
    EXPECT_NO_THROW(categorySum(PC::Erw_Schwer, a, b, 40));
    EXPECT_THROW(categorySum(PC::Kind, a, b, 11), std::out_of_range);
    EXPECT_THROW(categorySum(PC::Student, b, a, 1), std::invalid_argument);
    EXPECT_THROW(categorySum(PC::Student, d("31.12.2000"), b, 1), std::out_of_range);
    EXPECT_THROW(categorySum(PC::Student, a, d("01.01.2031"), 1), std::out_of_range);
    EXPECT_THROW(categorySum(PC::Student, makeDate(30, 2, 2016), b, 1), std::invalid_argument);
    EXPECT_THROW(categorySum(static_cast<PC>(kCategoryCount), a, b, 1), std::out_of_range);
    EXPECT_THROW(splitStay(PC::Kind, b, a), std::invalid_argument);
    EXPECT_THROW(grandTotal(sumTexts({{PC::Erwachsene, "18,4"}})), std::invalid_argument);
    EXPECT_THROW(grandTotal(sumTexts({{kAllCategories.back(), ""}})), std::invalid_argument);

    try {
        categorySum(PC::Erwachsene, a, b, 31);
        FAIL() << "no exception";
    } catch (const std::out_of_range &e) {
        EXPECT_NE(std::string{e.what()}.find("31"), std::string::npos) << e.what();
        EXPECT_NE(std::string{e.what()}.find("Erwachsene"), std::string::npos) << e.what();
    }
    try {
        categorySum(PC::Student, b, a, 1);
        FAIL() << "no exception";
    } catch (const std::invalid_argument &e) {
        EXPECT_NE(std::string{e.what()}.find("14.03.2016"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace salvenor
