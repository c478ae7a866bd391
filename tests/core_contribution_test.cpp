#include <gtest/gtest.h>

#include "core/contribution.h"
#include "test_support.h"
#include "worked_examples.h"

namespace salvenor {
namespace {

using test::d;
using test::SumExample;
using PC = PersonCategory;

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

INSTANTIATE_TEST_SUITE_P(Adults, CategorySum, testing::ValuesIn(test::kAdultExamples));

INSTANTIATE_TEST_SUITE_P(SingleTariffCategories, CategorySum, testing::ValuesIn(test::kSingleTariffExamples));

INSTANTIATE_TEST_SUITE_P(
    IntoALaterYearFromBeforeThePostSeason, CategorySum, testing::ValuesIn(test::kLaterYearExamples));

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
