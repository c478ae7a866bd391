#include <gtest/gtest.h>

#include <string>

#include "core/stay.h"
#include "test_support.h"

namespace salvenor {
namespace {

using test::d;

struct SeasonExample
{
    const char *name;
    const char *arrival;
    const char *departure;
    const char *vs;
    const char *hs;
    const char *ns;
    const char *end;
    int following;
};

class SeasonCalendar : public testing::TestWithParam<SeasonExample>
{
};

TEST_P(SeasonCalendar, GivesTheBoundariesOfTheWorkingYear)
{
    const SeasonExample &e = GetParam();
    const SeasonBoundaries s = Saison(d(e.arrival), d(e.departure));
    EXPECT_EQ(dateText(s.VS_Anf), e.vs);
    EXPECT_EQ(dateText(s.HS_Anf), e.hs);
    EXPECT_EQ(dateText(s.NS_Anf), e.ns);
    EXPECT_EQ(dateText(s.Jahr_End), e.end);
    EXPECT_EQ(s.Jahr_Folgend, e.following);
}

INSTANTIATE_TEST_SUITE_P(Examples, SeasonCalendar,
    testing::Values(SeasonExample{.name = "Summer",
                        .arrival = "15.07.2016",
                        .departure = "20.07.2016",
                        .vs = "01.01.2016",
                        .hs = "01.05.2016",
                        .ns = "01.11.2016",
                        .end = "31.12.2016",
                        .following = 2017},
        // Across the year end VS_Anf and HS_Anf move on; NS_Anf and Jahr_End stay.
        SeasonExample{.name = "AcrossTheYearEnd",
            .arrival = "30.12.2015",
            .departure = "03.01.2016",
            .vs = "01.01.2016",
            .hs = "01.05.2016",
            .ns = "01.11.2015",
            .end = "31.12.2015",
            .following = 2016},
        SeasonExample{.name = "DecemberToNewYearsEve",
            .arrival = "20.12.2016",
            .departure = "31.12.2016",
            .vs = "01.01.2016",
            .hs = "01.05.2016",
            .ns = "01.11.2016",
            .end = "31.12.2016",
            .following = 2017},
        SeasonExample{.name = "DecemberIntoTheNextYear",
            .arrival = "20.12.2016",
            .departure = "01.01.2017",
            .vs = "01.01.2017",
            .hs = "01.05.2017",
            .ns = "01.11.2016",
            .end = "31.12.2016",
            .following = 2017},
        // The working year comes from the arrival alone.
        SeasonExample{.name = "NewYearsDayOnly",
            .arrival = "01.01.2016",
            .departure = "01.01.2016",
            .vs = "01.01.2016",
            .hs = "01.05.2016",
            .ns = "01.11.2016",
            .end = "31.12.2016",
            .following = 2017}),
    [](const testing::TestParamInfo<SeasonExample> &row) { return std::string{row.param.name}; });

TEST(DayTexts, UseGermanWeekdaysCountedFromSunday)
{
    EXPECT_EQ(dayText(d("14.03.2016")), "Mo. 14.03.2016");
    EXPECT_EQ(dayText(d("15.03.2016")), "Di. 15.03.2016");
    EXPECT_EQ(dayText(d("16.03.2016")), "Mi. 16.03.2016");
    EXPECT_EQ(dayText(d("17.03.2016")), "Do. 17.03.2016");
    EXPECT_EQ(dayText(d("18.03.2016")), "Fr. 18.03.2016");
    EXPECT_EQ(dayText(d("19.03.2016")), "Sa. 19.03.2016");
    EXPECT_EQ(dayText(d("20.03.2016")), "So. 20.03.2016");
    EXPECT_EQ(dayText(d("01.01.2001")), "Mo. 01.01.2001");
    EXPECT_EQ(dayText(d("31.12.2030")), "Di. 31.12.2030");
}

TEST(TodayLine, HasFullNamesAndNoLeadingZero)
{
    EXPECT_EQ(todayLine(d("06.12.2026")), "Heute ist Sonntag der\r\n6. Dezember 2026");
    EXPECT_EQ(todayLine(d("14.03.2016")), "Heute ist Montag der\r\n14. März 2016");
    EXPECT_EQ(todayLine(d("01.01.2016")), "Heute ist Freitag der\r\n1. Januar 2016");
}

TEST(ArrivalClicked, MovesTheDepartureToTheNextDay)
{
    const StayUpdate u = arrivalClicked(d("31.12.2015"));
    EXPECT_EQ(dateText(u.departure), "01.01.2016");
    EXPECT_EQ(u.arrivalDayText, "Do. 31.12.2015");
    EXPECT_EQ(u.departureDayText, "Fr. 01.01.2016");
    EXPECT_EQ(u.clickedDepartureText, u.departureDayText);
    EXPECT_EQ(u.nights, 1);
    EXPECT_EQ(u.nightsText, "1");
    EXPECT_EQ(u.statusText, "Anreisetag = Do. 31.12.2015");
    EXPECT_FALSE(u.warning);

    EXPECT_EQ(dateText(arrivalClicked(kLastArrival).departure), "31.12.2030");
}

TEST(DepartureClicked, DescribesTheStayInTheStatusText)
{
    const StayUpdate u = departureClicked(d("14.03.2016"), d("18.03.2016"));
    EXPECT_FALSE(u.warning);
    EXPECT_EQ(dateText(u.departure), "18.03.2016");
    EXPECT_EQ(u.departureDayText, "Fr. 18.03.2016");
    EXPECT_EQ(u.nightsText, "4");
    EXPECT_EQ(u.statusText,
        "Anreisetag = Mo. 14.03.2016 Abreisetag = Fr. 18.03.2016 - Der Kurbeitrag wird für 4 "
        "Übernachtung(en) berechnet.");
}

TEST(DepartureClicked, OnTheArrivalDayGivesNoNights)
{
    const StayUpdate u = departureClicked(d("10.03.2016"), d("10.03.2016"));
    EXPECT_FALSE(u.warning);
    EXPECT_EQ(u.nights, 0);
    EXPECT_EQ(u.nightsText, "0");
    EXPECT_TRUE(u.statusText.ends_with(" - Der Kurbeitrag wird für 0 Übernachtung(en) berechnet."));
}

TEST(DepartureClicked, BeforeTheArrivalWarnsAndCorrects)
{
    const StayUpdate u = departureClicked(d("10.03.2016"), d("08.03.2016"));
    ASSERT_TRUE(u.warning);
    EXPECT_EQ(u.warning->title, "Hinweis - Abreisedatum");
    EXPECT_EQ(u.warning->text,
        "  Der 08.03.2016 liegt vor dem 10.03.2016\r\n"
        "   Das Abreisedatum wird jetzt automatisch\r\n"
        "auf einen Tag nach dem Anreisedatum gesetzt.");
    EXPECT_EQ(u.clickedDepartureText, "Di. 08.03.2016");
    EXPECT_EQ(dateText(u.departure), "11.03.2016");
    EXPECT_EQ(u.departureDayText, "Fr. 11.03.2016");
    EXPECT_EQ(u.nights, 1);
    EXPECT_EQ(u.statusText,
        "Anreisetag = Do. 10.03.2016 Abreisetag = Fr. 11.03.2016 - Der Kurbeitrag wird für 1 "
        "Übernachtung(en) berechnet.");
}

TEST(StayOperations, RejectDatesOutsideTheCalendars)
{
    EXPECT_THROW(arrivalClicked(d("31.12.2000")), std::out_of_range);
    EXPECT_THROW(arrivalClicked(d("31.12.2030")), std::out_of_range);
    EXPECT_THROW(departureClicked(d("01.01.2001"), d("01.01.2001")), std::out_of_range);
    EXPECT_THROW(departureClicked(d("01.01.2001"), d("01.01.2031")), std::out_of_range);
    EXPECT_THROW(departureClicked(d("31.12.2030"), d("31.12.2030")), std::out_of_range);
    EXPECT_THROW(Saison(makeDate(31, 2, 2016), d("01.03.2016")), std::invalid_argument);
    EXPECT_THROW(todayLine(makeDate(0, 1, 2016)), std::invalid_argument);
    try {
        arrivalClicked(d("31.12.2030"));
        FAIL() << "no exception";
    } catch (const std::out_of_range &e) {
        EXPECT_NE(std::string{e.what()}.find("31.12.2030"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace salvenor
