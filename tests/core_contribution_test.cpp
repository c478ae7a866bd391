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
    const char *arrival, *departure;
    int count;
    int caseNumber;
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
    EXPECT_EQ(r.split.caseNumber, e.caseNumber);
    EXPECT_EQ(formatMoney(r.sum), e.sum);
    EXPECT_EQ(categorySum(e.category, d(e.arrival), d(e.departure), e.count), e.sum);
}

INSTANTIATE_TEST_SUITE_P(Adults, CategorySum,
    testing::Values(SumExample{PC::Erwachsene, "14.03.2016", "18.03.2016", 2, 1, "18,40"},
        SumExample{PC::Erwachsene, "14.03.2016", "18.03.2016", 0, 1, "0,00"},
        SumExample{PC::Erwachsene, "14.03.2016", "14.03.2016", 2, 1, "0,00"},
        SumExample{PC::Erwachsene, "25.04.2016", "05.05.2016", 1, 4, "27,80"},
        SumExample{PC::Erwachsene, "20.10.2015", "05.11.2015", 3, 5, "140,40"},
        SumExample{PC::Erwachsene, "20.12.2016", "31.12.2016", 1, 3, "25,30"},
        SumExample{PC::Erwachsene, "01.07.2015", "29.07.2015", 1, 2, "89,60"},
        SumExample{PC::Erwachsene, "01.07.2015", "01.08.2015", 3, 2, "268,80"},
        SumExample{PC::Erwachsene, "01.07.2016", "30.07.2016", 4, 2, "392,00"},
        SumExample{PC::Erwachsene, "01.06.2016", "01.08.2016", 2, 2, "196,00"},
        SumExample{PC::Erwachsene, "10.04.2015", "20.11.2015", 1, 6, "89,60"},
        SumExample{PC::Erwachsene, "28.12.2015", "03.01.2016", 2, 7, "26,00"},
        SumExample{PC::Erwachsene, "01.12.2015", "10.01.2016", 2, 7, "171,60"},
        SumExample{PC::Erwachsene, "01.11.2015", "01.01.2016", 1, 7, "89,60"},
        SumExample{PC::Erwachsene, "01.11.2015", "02.01.2016", 1, 7, "98,00"},
        SumExample{PC::Erwachsene, "20.12.2014", "05.01.2015", 1, 7, "33,60"},
        SumExample{PC::Erwachsene, "30.12.2016", "02.01.2017", 3, 7, "20,70"},
        // Departing on 1 May or 1 November keeps the last night in the earlier season.
        SumExample{PC::Erwachsene, "28.04.2016", "01.05.2016", 1, 4, "6,90"},
        SumExample{PC::Erwachsene, "29.10.2016", "01.11.2016", 1, 5, "10,50"},
        SumExample{PC::Erw_Schwer, "14.03.2016", "18.03.2016", 2, 1, "15,68"},
        SumExample{PC::Erw_Schwer, "01.07.2016", "30.07.2016", 1, 2, "83,44"},
        SumExample{PC::Erw_Schwer, "01.07.2015", "30.07.2015", 1, 2, "76,16"}));

INSTANTIATE_TEST_SUITE_P(SingleTariffCategories, CategorySum,
    testing::Values(SumExample{PC::Student, "10.07.2016", "17.07.2016", 1, 2, "5,60"},
        SumExample{PC::Kind, "10.07.2016", "20.07.2016", 2, 2, "8,00"},
        SumExample{PC::Kind_Fremd, "01.07.2016", "31.07.2016", 3, 2, "67,20"},
        SumExample{PC::Kind_Schwer, "01.07.2016", "31.07.2016", 1, 2, "19,04"},
        SumExample{PC::Kind_Schwer, "01.07.2016", "31.07.2016", 3, 2, "19,04"},
        SumExample{PC::Student, "01.07.2016", "29.07.2016", 1, 2, "22,40"},
        SumExample{PC::Student, "01.07.2016", "30.07.2016", 1, 2, "22,40"},
        SumExample{PC::Student, "25.04.2016", "05.05.2016", 2, 4, "11,20"},
        SumExample{PC::Kind, "25.04.2016", "05.05.2016", 3, 4, "5,60"},
        SumExample{PC::Student, "28.10.2016", "03.11.2016", 1, 5, "4,00"},
        SumExample{PC::Student, "10.04.2016", "05.11.2016", 1, 6, "22,40"},
        SumExample{PC::Student, "28.12.2016", "03.01.2017", 1, 7, "2,40"},
        SumExample{PC::Student, "01.11.2016", "10.01.2017", 1, 7, "26,00"},
        // The year-turn rule as it stands raises this sum above the uncapped 36,00.
        SumExample{PC::Student, "20.12.2016", "20.03.2017", 1, 7, "53,60"},
        SumExample{PC::Kind, "01.11.2016", "10.01.2017", 2, 7, "26,00"},
        SumExample{PC::Kind_Fremd, "05.05.2016", "05.05.2016", 4, 2, "0,00"},
        SumExample{PC::Kind_Schwer, "05.05.2016", "20.05.2016", 0, 2, "0,00"},
        // Per person 22,40 equals the cap: the cap test is exact, no division.
        SumExample{PC::Student, "01.12.2016", "26.01.2017", 3, 7, "67,20"}));

INSTANTIATE_TEST_SUITE_P(IntoALaterYearFromBeforeThePostSeason, CategorySum,
    testing::Values(SumExample{PC::Erwachsene, "15.10.2015", "05.01.2016", 2, 0, "196,00"},
        SumExample{PC::Erwachsene, "15.10.2015", "01.01.2016", 1, 0, "89,60"},
        SumExample{PC::Erw_Schwer, "01.03.2017", "10.01.2018", 1, 0, "83,44"},
        // Cap for the old year plus four later nights at the off-season rate.
        SumExample{PC::Student, "15.10.2015", "05.01.2016", 1, 0, "24,00"},
        SumExample{PC::Kind_Fremd, "15.10.2015", "05.01.2016", 3, 0, "72,00"},
        SumExample{PC::Kind, "15.10.2015", "05.01.2016", 3, 0, "24,00"},
        SumExample{PC::Kind_Schwer, "15.10.2015", "05.01.2016", 1, 0, "20,40"}));

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
    EXPECT_EQ(s.caseNumber, 7);
    EXPECT_EQ(s.N1, 31);
    EXPECT_EQ(formatMoney(s.R1), "2,10");
    EXPECT_EQ(s.tariff1, Tariff::Tariff2015);
    EXPECT_EQ(s.N2, 9);
    EXPECT_EQ(formatMoney(s.R2), "2,30");
    EXPECT_EQ(s.tariff2, Tariff::Tariff2016);
    EXPECT_EQ(s.capClass, CapClass::AcrossTariffChange);
    EXPECT_EQ(formatMoney(s.cap), "98,00");

    EXPECT_EQ(splitStay(PC::Erwachsene, d("01.11.2015"), d("01.01.2016")).capClass, CapClass::Stay2015);
    EXPECT_EQ(splitStay(PC::Erwachsene, d("01.01.2016"), d("02.01.2016")).capClass, CapClass::Arrival2016);
    EXPECT_EQ(splitStay(PC::Kind, d("01.11.2015"), d("02.01.2016")).capClass, CapClass::Single);
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
    for (const CategoryRules &rules : kCategoryRules) {
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
    EXPECT_THROW(categorySum(static_cast<PC>(6), a, b, 1), std::out_of_range);
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
