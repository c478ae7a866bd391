#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/money.h"
#include "money_text.h"

namespace salvenor {
namespace {

using test::parseMoney;

TEST(MoneyText, GroupsThousandsWithAPoint)
{
    const std::pair<std::int64_t, const char *> cases[] = {
        {0, "0,00"},
        {5, "0,05"},
        {1840, "18,40"},
        {99999, "999,99"},
        {100000, "1.000,00"},
        {123450, "1.234,50"},
        {17035200, "170.352,00"},
        {26968438, "269.684,38"},
        {100000000, "1.000.000,00"},
        {-320, "-3,20"},
        {-123450, "-1.234,50"},
    };
    for (const auto &[cents, text] : cases) {
        EXPECT_EQ(formatMoney(Money::fromCents(cents)), text);
        EXPECT_EQ(parseMoney(text), Money::fromCents(cents)) << text;
    }
}

// What a failing comparison of amounts prints.
TEST(MoneyText, IsWhatATestFailureShows)
{
    const auto printed = [](Money amount) {
        std::ostringstream out;
        out << amount;
        return out.str();
    };
    EXPECT_EQ(printed(1840_ct), "18,40 €");
    EXPECT_EQ(printed(Money::fromCents(-123450)), "-1.234,50 €");
    EXPECT_EQ(printed(Money{}), "0,00 €");
}

TEST(MoneyText, ParsingAcceptsOnlyWhatTheFormatterWrites)
{
    for (const char *bad : {"", ",", "1", "18,4", "18,400", "18.40", "1234,50", "1.23,50", "12.3456,00", ".123,00",
             "0.123,00", "01,00", "-0,00", "+1,00", " 1,00", "1,00 ", "1,0a", "a,00", "1.2a4,00", "--1,00",
             "1.000.0000,00", "1234567890123456,00", "1,-1"}) {
        EXPECT_THROW(parseMoney(bad), std::invalid_argument) << '"' << bad << '"';
    }
    // Fifteen digits before the comma are the most it reads.
    EXPECT_EQ(parseMoney("999.999.999.999.999,99"), Money::fromCents(99'999'999'999'999'999));
    EXPECT_THROW(parseMoney("1.000.000.000.000.000,00"), std::invalid_argument);
    try {
        parseMoney("18,4");
        FAIL() << "no exception";
    } catch (const std::invalid_argument &e) {
        EXPECT_NE(std::string{e.what()}.find("\"18,4\""), std::string::npos);
    }
}

TEST(MoneyText, RoundTripsEveryAmountUpToTheLargestTotal)
{
    for (std::int64_t cents = 0; cents <= 30'000'000; cents += 997) {
        const Money amount = Money::fromCents(cents);
        ASSERT_EQ(parseMoney(formatMoney(amount)), amount);
    }
}

TEST(DivideRounded, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(divideRounded(Money::fromCents(1600), 2), Money::fromCents(800));
    EXPECT_EQ(divideRounded(Money::fromCents(5), 2), Money::fromCents(3));
    EXPECT_EQ(divideRounded(Money::fromCents(-5), 2), Money::fromCents(-3));
    EXPECT_EQ(divideRounded(Money::fromCents(10), 3), Money::fromCents(3));
    EXPECT_EQ(divideRounded(Money::fromCents(1234), 1), Money::fromCents(1234));
    EXPECT_THROW(divideRounded(Money::fromCents(10), 0), std::invalid_argument);
}

TEST(TwoDecimals, RoundsFifteenDigitsHalfAwayFromZero)
{
    EXPECT_EQ(formatTwoDecimals(4.125), "4,13");
    EXPECT_EQ(formatTwoDecimals(2.675), "2,68");
    EXPECT_EQ(formatTwoDecimals(3 * 2.1), "6,30");
    EXPECT_EQ(formatTwoDecimals(44.8 / 7 / 2), "3,20");
    EXPECT_EQ(formatTwoDecimals(5.6 / 7), "0,80");
    EXPECT_EQ(formatTwoDecimals(1234.5), "1.234,50");
    EXPECT_EQ(formatTwoDecimals(0.0), "0,00");
    EXPECT_EQ(formatTwoDecimals(0.005), "0,01");
    EXPECT_EQ(formatTwoDecimals(0.004999), "0,00");
    EXPECT_EQ(formatTwoDecimals(-0.001), "0,00");
    EXPECT_EQ(formatTwoDecimals(0.0004), "0,00");
    // Large values: the cut lies at or beyond the 15 significant digits.
    EXPECT_EQ(formatTwoDecimals(1234567890123.45), "1.234.567.890.123,45");
    EXPECT_EQ(formatTwoDecimals(12345678901234.5), "12.345.678.901.234,50");
    EXPECT_EQ(formatTwoDecimals(999999999999999.0), "999.999.999.999.999,00");
    EXPECT_THROW(formatTwoDecimals(1e15), std::domain_error);
    EXPECT_EQ(formatTwoDecimals(-2.675), "-2,68");
    EXPECT_EQ(formatTwoDecimals(22.4 / 3), "7,47");
    EXPECT_EQ(formatTwoDecimals(999.995), "1.000,00");
    EXPECT_THROW(formatTwoDecimals(1.0 / 0.0), std::domain_error);
    EXPECT_THROW(formatTwoDecimals(std::nan("")), std::domain_error);
}

} // namespace
} // namespace salvenor
