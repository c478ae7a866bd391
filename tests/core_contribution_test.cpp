#include <gtest/gtest.h>

#include "core/contribution.h"
#include "test_support.h"

namespace salvenor {
namespace {

using test::d;
using PC = PersonCategory;

struct SumExample
{
    PC category;
    const char *arrival;
    const char *departure;
    int count;
    SeasonCase seasonCase;
    const char *sum;
};

void PrintTo(const SumExample &e, std::ostream *os)
{
    *os << rulesOf(e.category).key << " x" << e.count << " " << e.arrival << "-" << e.departure;
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

INSTANTIATE_TEST_SUITE_P(Adults, CategorySum,
    testing::Values(SumExample{.category = PC::Erwachsene,
                        .arrival = "14.03.2016",
                        .departure = "18.03.2016",
                        .count = 2,
                        .seasonCase = SeasonCase::PreSeason,
                        .sum = "18,40"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "14.03.2016",
            .departure = "18.03.2016",
            .count = 0,
            .seasonCase = SeasonCase::PreSeason,
            .sum = "0,00"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "14.03.2016",
            .departure = "14.03.2016",
            .count = 2,
            .seasonCase = SeasonCase::PreSeason,
            .sum = "0,00"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "25.04.2016",
            .departure = "05.05.2016",
            .count = 1,
            .seasonCase = SeasonCase::PreIntoMainSeason,
            .sum = "27,80"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "20.10.2015",
            .departure = "05.11.2015",
            .count = 3,
            .seasonCase = SeasonCase::MainIntoPostSeason,
            .sum = "140,40"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "20.12.2016",
            .departure = "31.12.2016",
            .count = 1,
            .seasonCase = SeasonCase::PostSeason,
            .sum = "25,30"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "01.07.2015",
            .departure = "29.07.2015",
            .count = 1,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "89,60"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "01.07.2015",
            .departure = "01.08.2015",
            .count = 3,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "268,80"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "01.07.2016",
            .departure = "30.07.2016",
            .count = 4,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "392,00"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "01.06.2016",
            .departure = "01.08.2016",
            .count = 2,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "196,00"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "10.04.2015",
            .departure = "20.11.2015",
            .count = 1,
            .seasonCase = SeasonCase::PreIntoPostSeason,
            .sum = "89,60"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "28.12.2015",
            .departure = "03.01.2016",
            .count = 2,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "26,00"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "01.12.2015",
            .departure = "10.01.2016",
            .count = 2,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "171,60"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "01.11.2015",
            .departure = "01.01.2016",
            .count = 1,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "89,60"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "01.11.2015",
            .departure = "02.01.2016",
            .count = 1,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "98,00"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "20.12.2014",
            .departure = "05.01.2015",
            .count = 1,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "33,60"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "30.12.2016",
            .departure = "02.01.2017",
            .count = 3,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "20,70"},
        // Arriving on 1 November is a post-season stay.
        SumExample{.category = PC::Erwachsene,
            .arrival = "01.11.2016",
            .departure = "10.11.2016",
            .count = 1,
            .seasonCase = SeasonCase::PostSeason,
            .sum = "20,70"},
        // Departing on 1 May or 1 November keeps the last night in the earlier season.
        SumExample{.category = PC::Erwachsene,
            .arrival = "28.04.2016",
            .departure = "01.05.2016",
            .count = 1,
            .seasonCase = SeasonCase::PreIntoMainSeason,
            .sum = "6,90"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "29.10.2016",
            .departure = "01.11.2016",
            .count = 1,
            .seasonCase = SeasonCase::MainIntoPostSeason,
            .sum = "10,50"},
        SumExample{.category = PC::Erw_Schwer,
            .arrival = "14.03.2016",
            .departure = "18.03.2016",
            .count = 2,
            .seasonCase = SeasonCase::PreSeason,
            .sum = "15,68"},
        SumExample{.category = PC::Erw_Schwer,
            .arrival = "01.07.2016",
            .departure = "30.07.2016",
            .count = 1,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "83,44"},
        SumExample{.category = PC::Erw_Schwer,
            .arrival = "01.07.2015",
            .departure = "30.07.2015",
            .count = 1,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "76,16"}));

INSTANTIATE_TEST_SUITE_P(SingleTariffCategories, CategorySum,
    testing::Values(SumExample{.category = PC::Student,
                        .arrival = "10.07.2016",
                        .departure = "17.07.2016",
                        .count = 1,
                        .seasonCase = SeasonCase::MainSeason,
                        .sum = "5,60"},
        SumExample{.category = PC::Kind,
            .arrival = "10.07.2016",
            .departure = "20.07.2016",
            .count = 2,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "8,00"},
        SumExample{.category = PC::Kind_Fremd,
            .arrival = "01.07.2016",
            .departure = "31.07.2016",
            .count = 3,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "67,20"},
        SumExample{.category = PC::Kind_Schwer,
            .arrival = "01.07.2016",
            .departure = "31.07.2016",
            .count = 1,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "19,04"},
        SumExample{.category = PC::Kind_Schwer,
            .arrival = "01.07.2016",
            .departure = "31.07.2016",
            .count = 3,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "19,04"},
        SumExample{.category = PC::Student,
            .arrival = "01.07.2016",
            .departure = "29.07.2016",
            .count = 1,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "22,40"},
        SumExample{.category = PC::Student,
            .arrival = "01.07.2016",
            .departure = "30.07.2016",
            .count = 1,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "22,40"},
        SumExample{.category = PC::Student,
            .arrival = "25.04.2016",
            .departure = "05.05.2016",
            .count = 2,
            .seasonCase = SeasonCase::PreIntoMainSeason,
            .sum = "11,20"},
        SumExample{.category = PC::Kind,
            .arrival = "25.04.2016",
            .departure = "05.05.2016",
            .count = 3,
            .seasonCase = SeasonCase::PreIntoMainSeason,
            .sum = "5,60"},
        SumExample{.category = PC::Student,
            .arrival = "28.10.2016",
            .departure = "03.11.2016",
            .count = 1,
            .seasonCase = SeasonCase::MainIntoPostSeason,
            .sum = "4,00"},
        SumExample{.category = PC::Student,
            .arrival = "10.04.2016",
            .departure = "05.11.2016",
            .count = 1,
            .seasonCase = SeasonCase::PreIntoPostSeason,
            .sum = "22,40"},
        SumExample{.category = PC::Student,
            .arrival = "28.12.2016",
            .departure = "03.01.2017",
            .count = 1,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "2,40"},
        SumExample{.category = PC::Student,
            .arrival = "01.11.2016",
            .departure = "10.01.2017",
            .count = 1,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "26,00"},
        // The year-turn rule as it stands raises this sum above the uncapped 36,00.
        SumExample{.category = PC::Student,
            .arrival = "20.12.2016",
            .departure = "20.03.2017",
            .count = 1,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "53,60"},
        SumExample{.category = PC::Kind,
            .arrival = "01.11.2016",
            .departure = "10.01.2017",
            .count = 2,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "26,00"},
        SumExample{.category = PC::Kind_Fremd,
            .arrival = "05.05.2016",
            .departure = "05.05.2016",
            .count = 4,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "0,00"},
        SumExample{.category = PC::Kind_Schwer,
            .arrival = "05.05.2016",
            .departure = "20.05.2016",
            .count = 0,
            .seasonCase = SeasonCase::MainSeason,
            .sum = "0,00"},
        // Per person 22,40 equals the cap: the cap test is exact, no division.
        SumExample{.category = PC::Student,
            .arrival = "01.12.2016",
            .departure = "26.01.2017",
            .count = 3,
            .seasonCase = SeasonCase::PostSeasonIntoNewYear,
            .sum = "67,20"}));

INSTANTIATE_TEST_SUITE_P(IntoALaterYearFromBeforeThePostSeason, CategorySum,
    testing::Values(SumExample{.category = PC::Erwachsene,
                        .arrival = "15.10.2015",
                        .departure = "05.01.2016",
                        .count = 2,
                        .seasonCase = SeasonCase::None,
                        .sum = "196,00"},
        SumExample{.category = PC::Erwachsene,
            .arrival = "15.10.2015",
            .departure = "01.01.2016",
            .count = 1,
            .seasonCase = SeasonCase::None,
            .sum = "89,60"},
        SumExample{.category = PC::Erw_Schwer,
            .arrival = "01.03.2017",
            .departure = "10.01.2018",
            .count = 1,
            .seasonCase = SeasonCase::None,
            .sum = "83,44"},
        // Cap for the old year plus four later nights at the off-season rate.
        SumExample{.category = PC::Student,
            .arrival = "15.10.2015",
            .departure = "05.01.2016",
            .count = 1,
            .seasonCase = SeasonCase::None,
            .sum = "24,00"},
        SumExample{.category = PC::Kind_Fremd,
            .arrival = "15.10.2015",
            .departure = "05.01.2016",
            .count = 3,
            .seasonCase = SeasonCase::None,
            .sum = "72,00"},
        SumExample{.category = PC::Kind,
            .arrival = "15.10.2015",
            .departure = "05.01.2016",
            .count = 3,
            .seasonCase = SeasonCase::None,
            .sum = "24,00"},
        SumExample{.category = PC::Kind_Schwer,
            .arrival = "15.10.2015",
            .departure = "05.01.2016",
            .count = 1,
            .seasonCase = SeasonCase::None,
            .sum = "20,40"}));

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
    EXPECT_EQ(s.tariff1, Tariff::Tariff2015);
    EXPECT_EQ(s.N2, 9);
    EXPECT_EQ(formatMoney(s.R2), "2,30");
    EXPECT_EQ(s.tariff2, Tariff::Tariff2016);
    EXPECT_EQ(formatMoney(s.cap), "98,00"); // across the change: the new cap

    EXPECT_EQ(formatMoney(splitStay(PC::Erwachsene, d("01.11.2015"), d("01.01.2016")).cap), "89,60");
    EXPECT_EQ(formatMoney(splitStay(PC::Erwachsene, d("01.01.2016"), d("02.01.2016")).cap), "98,00");
    EXPECT_EQ(formatMoney(splitStay(PC::Erw_Schwer, d("31.12.2015"), d("01.01.2016")).cap), "76,16");
    EXPECT_EQ(formatMoney(splitStay(PC::Kind, d("01.11.2015"), d("02.01.2016")).cap), "22,40");
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

TEST(GrandTotal, AddsTheSixTextsExactly)
{
    EXPECT_EQ(grandTotal({"18,40", "15,68", "0,00", "0,00", "0,00", "0,00"}), "34,08");
    EXPECT_EQ(grandTotal({"392,00", "1.234,50", "0,00", "0,00", "0,00", "0,00"}), "1.626,50");
    EXPECT_EQ(grandTotal({"0,10", "0,20", "0,30", "0,40", "0,50", "0,60"}), "2,10");
    EXPECT_EQ(grandTotal({"0,00", "0,00", "0,00", "0,00", "0,00", "0,00"}), "0,00");
}

TEST(TypicalRequest, TwoAdultsForFourPreSeasonNights)
{
    const Date arrival = d("14.03.2016");
    const Date departure = d("18.03.2016");
    const std::string adults = categorySum(PC::Erwachsene, arrival, departure, 2);
    EXPECT_EQ(adults, "18,40");
    EXPECT_EQ(grandTotal({adults, "0,00", "0,00", "0,00", "0,00", "0,00"}), "18,40");
}

TEST(TariffTable, KeepsTheBylawsRelations)
{
    for (const CategoryRules &rules : kCategories) {
        EXPECT_EQ(rules.tariff.capPerPerson, 28 * rules.tariff.mainSeasonRate) << rules.key;
        if (rules.hasTariffChange) {
            EXPECT_EQ(rules.tariff2015.capPerPerson, 28 * rules.tariff2015.mainSeasonRate) << rules.key;
        }
    }
    const int maxima[] = {30, 40, 20, 10, 10, 40};
    for (std::size_t i = 0; i < kAllCategories.size(); ++i)
        EXPECT_EQ(rulesOf(kAllCategories[i]).maxCount, maxima[i]);
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
    EXPECT_THROW(grandTotal({"18,4", "0,00", "0,00", "0,00", "0,00", "0,00"}), std::invalid_argument);

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
