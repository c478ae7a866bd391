#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "core/date.h"

namespace salvenor {
namespace {

struct DateTextExample
{
    const char *name;
    const char *text;
    DateTextKind kind;
    Date date = {};
};

class DateTexts : public testing::TestWithParam<DateTextExample>
{
};

TEST_P(DateTexts, AreReadAsTheWindowAndSpreadsheetsWriteThem)
{
    const DateTextExample &example = GetParam();
    const ParsedDate parsed = parseDateText(example.text);
    EXPECT_EQ(parsed.kind, example.kind) << example.text;
    if (example.kind == DateTextKind::CalendarDay) {
        EXPECT_EQ(parsed.date, example.date) << example.text;
    }
    // What a person types is read as the strict form wherever that is a day.
    if (example.kind != DateTextKind::NotADate) {
        EXPECT_EQ(parseEnteredDate(example.text).kind, example.kind) << example.text;
        EXPECT_EQ(parseEnteredDate(example.text).date, parsed.date) << example.text;
    }
}

TEST(DateText, TypedFormsAreReadWithTheirCenturyAndTheKeypadsComma)
{
    struct Typed
    {
        const char *text;
        DateTextKind kind;
        int day;
        int month;
        int year;
    };
    using K = DateTextKind;
    for (const Typed &typed :
        {Typed{"14.3.16", K::CalendarDay, 14, 3, 2016}, Typed{"14,03,2016", K::CalendarDay, 14, 3, 2016},
            Typed{"1,1,01", K::CalendarDay, 1, 1, 2001}, Typed{"31.02.16", K::NoSuchDay, 31, 2, 2016},
            Typed{"29,02,2015", K::NoSuchDay, 29, 2, 2015}, Typed{"14.03,2016", K::NotADate, 0, 0, 0},
            Typed{"14.03.201", K::NotADate, 0, 0, 0}, Typed{"14.03.6", K::NotADate, 0, 0, 0},
            Typed{"14/03/16", K::NotADate, 0, 0, 0}, Typed{"14,,16", K::NotADate, 0, 0, 0},
            // A part with a digit too many is refused, whichever part it is.
            Typed{"014.3.16", K::NotADate, 0, 0, 0}, Typed{"14.003.16", K::NotADate, 0, 0, 0},
            Typed{"14.3.016", K::NotADate, 0, 0, 0}, Typed{"14,3,20166", K::NotADate, 0, 0, 0}}) {
        const ParsedDate parsed = parseEnteredDate(typed.text);
        EXPECT_EQ(parsed.kind, typed.kind) << typed.text;
        if (typed.kind == K::NotADate)
            continue;
        EXPECT_EQ(std::tuple(parsed.day, parsed.month, parsed.year), std::tuple(typed.day, typed.month, typed.year))
            << typed.text;
        if (typed.kind == K::CalendarDay) {
            EXPECT_EQ(parsed.date, makeDate(typed.day, static_cast<unsigned>(typed.month), typed.year)) << typed.text;
        }
    }
}

using K = DateTextKind;

INSTANTIATE_TEST_SUITE_P(Examples, DateTexts,
    testing::Values(
        DateTextExample{.name = "German", .text = "14.03.2016", .kind = K::CalendarDay, .date = makeDate(14, 3, 2016)},
        DateTextExample{
            .name = "OneDigitDayAndMonth", .text = "4.3.2016", .kind = K::CalendarDay, .date = makeDate(4, 3, 2016)},
        DateTextExample{.name = "Iso", .text = "2016-03-14", .kind = K::CalendarDay, .date = makeDate(14, 3, 2016)},
        DateTextExample{.name = "LeapDay", .text = "29.02.2016", .kind = K::CalendarDay, .date = makeDate(29, 2, 2016)},
        DateTextExample{.name = "NoLeapDay", .text = "29.02.2015", .kind = K::NoSuchDay},
        DateTextExample{.name = "ThirtyFirstOfFebruary", .text = "31.02.2016", .kind = K::NoSuchDay},
        DateTextExample{.name = "IsoNoSuchDay", .text = "2016-02-30", .kind = K::NoSuchDay},
        DateTextExample{.name = "MonthThirteen", .text = "01.13.2016", .kind = K::NoSuchDay},
        DateTextExample{.name = "DayZero", .text = "00.01.2016", .kind = K::NoSuchDay},
        DateTextExample{.name = "TwoDigitYear", .text = "14.03.16", .kind = K::NotADate},
        DateTextExample{.name = "ThreeDigitYear", .text = "14.03.201", .kind = K::NotADate},
        DateTextExample{.name = "ThreeDigitMonth", .text = "14.003.2016", .kind = K::NotADate},
        DateTextExample{.name = "NoDay", .text = ".03.2016", .kind = K::NotADate},
        DateTextExample{.name = "NoMonth", .text = "14..2016", .kind = K::NotADate},
        DateTextExample{.name = "IsoThreeDigitYear", .text = "201-03-14", .kind = K::NotADate},
        DateTextExample{.name = "IsoOneDigitDay", .text = "2016-03-4", .kind = K::NotADate},
        DateTextExample{.name = "ThreeDigitDay", .text = "014.03.2016", .kind = K::NotADate},
        DateTextExample{.name = "FiveDigitYear", .text = "14.03.20166", .kind = K::NotADate},
        DateTextExample{.name = "Slashes", .text = "14/03/2016", .kind = K::NotADate},
        DateTextExample{.name = "IsoOneDigitMonth", .text = "2016-3-14", .kind = K::NotADate},
        DateTextExample{.name = "TrailingText", .text = "14.03.2016x", .kind = K::NotADate},
        DateTextExample{.name = "Sign", .text = "+4.03.2016", .kind = K::NotADate},
        DateTextExample{.name = "Empty", .text = "", .kind = K::NotADate},
        DateTextExample{.name = "OnlyPoints", .text = "..", .kind = K::NotADate},
        DateTextExample{.name = "OneDigitYear", .text = "14.03.6", .kind = K::NotADate},
        DateTextExample{.name = "IsoThreeDigitDay", .text = "2016-03-144", .kind = K::NotADate},
        DateTextExample{.name = "IsoThreeDigitMonth", .text = "2016-003-14", .kind = K::NotADate},
        DateTextExample{.name = "IsoFiveDigitYear", .text = "20166-03-14", .kind = K::NotADate},
        DateTextExample{.name = "IsoTrailingText", .text = "2016-03-14x", .kind = K::NotADate},
        DateTextExample{.name = "IsoWithPoints", .text = "2016-03.14", .kind = K::NotADate},
        DateTextExample{.name = "TwelveDigitDay", .text = "999999999999.03.2016", .kind = K::NotADate},
        DateTextExample{.name = "TwelveDigitYear", .text = "14.03.999999999999", .kind = K::NotADate}),
    [](const testing::TestParamInfo<DateTextExample> &row) { return std::string{row.param.name}; });

TEST(DateText, WritesEveryYearWithFourDigits)
{
    EXPECT_EQ(dateText(makeDate(31, 12, 1999)), "31.12.1999");
    EXPECT_EQ(dateText(makeDate(1, 1, 2016)), "01.01.2016");
    EXPECT_EQ(dateText(makeDate(5, 6, 987)), "05.06.0987");
    // The ends of the four-digit form.
    EXPECT_EQ(dateText(makeDate(1, 1, 0)), "01.01.0000");
    EXPECT_EQ(dateText(makeDate(31, 12, 9999)), "31.12.9999");
    EXPECT_THROW(dateText(makeDate(1, 1, 10000)), std::out_of_range);
    EXPECT_THROW(dateText(makeDate(31, 12, -1)), std::out_of_range);
    EXPECT_THROW(dateText(makeDate(30, 2, 2016)), std::invalid_argument);
}

} // namespace
} // namespace salvenor
