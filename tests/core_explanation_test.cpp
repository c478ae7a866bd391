#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/contribution.h"
#include "core/explanation.h"

using namespace salvenor;

namespace {

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// The nights named in the lines that price them ("3 Nächte Nachsaison zu 0,40 €").
int pricedNights(const std::string &text)
{
    int nights = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        std::size_t digits = 0;
        while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9')
            ++digits;
        const std::string rest = line.substr(digits);
        const bool pricesNights = digits > 0 && (rest.starts_with(" Nacht ") || rest.starts_with(" Nächte "))
            && rest.find(" zu ") != std::string::npos;
        if (pricesNights)
            nights += std::stoi(line.substr(0, digits));
    }
    return nights;
}

struct Stay
{
    Date arrival;
    Date departure;
};

constexpr Stay kAcrossNewYear{makeDate(28, 12, 2016), makeDate(3, 1, 2017)};
constexpr Stay kNovemberToJanuary{makeDate(1, 11, 2016), makeDate(10, 1, 2017)};
constexpr Stay kOneNight{makeDate(14, 3, 2016), makeDate(15, 3, 2016)};
constexpr Stay kSummer{makeDate(1, 6, 2016), makeDate(31, 7, 2016)};

class ExplanationTest : public testing::TestWithParam<PersonCategory>
{
protected:
    std::string explain(const Stay &stay, int count) const
    {
        return explainSum(calculateCategory(GetParam(), stay.arrival, stay.departure, count));
    }
    const CategoryRules &rules() const { return rulesOf(GetParam()); }
};

} // namespace

TEST_P(ExplanationTest, SingularAndPlural)
{
    const std::string one = explain(kOneNight, 1);
    EXPECT_TRUE(contains(one, "1 Nacht Vorsaison zu ")) << one;
    EXPECT_TRUE(contains(one, "× 1 Person = ")) << one;
    EXPECT_FALSE(contains(one, "Nächte")) << one;
    const std::string two = explain({kOneNight.arrival, makeDate(17, 3, 2016)}, 2);
    EXPECT_TRUE(contains(two, "3 Nächte Vorsaison zu ")) << two;
    EXPECT_TRUE(contains(two, "× 2 Personen = ")) << two;
}

TEST_P(ExplanationTest, NightsPerCalendarYearAreTrue)
{
    const std::string text = explain(kAcrossNewYear, 1);
    // 28, 29, 30 and 31 December; 1 and 2 January.
    if (changesTariff(rules())) {
        EXPECT_TRUE(contains(text, "4 Nächte Nachsaison im Anreisejahr")) << text;
        EXPECT_TRUE(contains(text, "2 Nächte im Folgejahr")) << text;
        EXPECT_FALSE(contains(text, "zählt nach der Satzung")) << text;
    } else {
        EXPECT_TRUE(contains(text, "4 Nächte im Anreisejahr, 2 Nächte im Folgejahr.\n")) << text;
        EXPECT_TRUE(contains(text, "Die Nacht vom 31. Dezember zum 1. Januar zählt nach der Satzung zum neuen Jahr."))
            << text;
        EXPECT_TRUE(contains(text, "3 Nächte Nachsaison zu ")) << text;
        EXPECT_TRUE(contains(text, "3 Nächte zum Nebensaisonsatz des neuen Jahres zu ")) << text;
        EXPECT_FALSE(contains(text, "3 Nächte im Folgejahr")) << text;
    }
    EXPECT_EQ(pricedNights(text), 6) << text;
}

TEST_P(ExplanationTest, NewYearsEveAlone)
{
    // One night, from 31 December to 1 January.
    const std::string text = explain({makeDate(31, 12, 2016), makeDate(1, 1, 2017)}, 1);
    EXPECT_EQ(pricedNights(text), 1) << text;
    if (!changesTariff(rules())) {
        EXPECT_TRUE(contains(text, "1 Nacht im Anreisejahr, 0 Nächte im Folgejahr.\n")) << text;
        EXPECT_TRUE(contains(text, "1 Nacht zum Nebensaisonsatz des neuen Jahres zu ")) << text;
        EXPECT_FALSE(contains(text, "0 Nächte Nachsaison")) << text;
    }
    const std::string three = explain({makeDate(30, 12, 2016), makeDate(2, 1, 2017)}, 1);
    if (!changesTariff(rules())) {
        EXPECT_TRUE(contains(three, "2 Nächte im Anreisejahr, 1 Nacht im Folgejahr.\n")) << three;
    }
}

TEST_P(ExplanationTest, CapAndYearTurnRule)
{
    const std::string summer = explain(kSummer, 1);
    EXPECT_TRUE(contains(summer, "60 Nächte Hauptsaison zu ")) << summer;
    // A category whose tariffs have no cap is never capped.
    const bool capped = std::all_of(rules().tariffs.begin(), rules().tariffs.end(),
        [](const TariffPeriod &tariff) { return tariff.set.capPerPerson.has_value(); });
    EXPECT_EQ(contains(summer, "Begrenzt auf den Höchstbetrag von "), capped) << summer;
    EXPECT_EQ(contains(summer, "Höchstbetrag"), capped) << summer;

    const std::string text = explain(kNovemberToJanuary, 1);
    EXPECT_EQ(pricedNights(text), 70) << text;
    // A category whose tariff changes counts New Year's Eve with the old year; the others say
    // that they count it with the new one.
    if (changesTariff(rules())) {
        EXPECT_TRUE(contains(text, "61 Nächte Nachsaison im Anreisejahr")) << text;
        EXPECT_TRUE(contains(text, "9 Nächte im Folgejahr")) << text;
    } else {
        EXPECT_TRUE(contains(text, "61 Nächte im Anreisejahr, 9 Nächte im Folgejahr.")) << text;
        EXPECT_FALSE(contains(text, "10 Nächte im")) << text;
    }
    EXPECT_EQ(contains(text, "der Höchstbetrag für das alte Jahr und 9 Nächte im neuen Jahr zu "),
        rules().yearTurnCapRule && capped)
        << text;
}

TEST_P(ExplanationTest, OneChildRule)
{
    const std::string text = explain(kOneNight, 2);
    EXPECT_EQ(contains(text, "Nur ein Kind der Familie zahlt: geteilt durch 2"), rules().oneChildRule) << text;
    EXPECT_FALSE(contains(explain(kOneNight, 1), "Nur ein Kind")) << text;
}

INSTANTIATE_TEST_SUITE_P(EveryCategory, ExplanationTest, testing::ValuesIn(kAllCategories),
    [](const testing::TestParamInfo<PersonCategory> &row) { return std::string{rulesOf(row.param).key}; });
