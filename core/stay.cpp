#include "stay.h"

#include <stdexcept>

namespace salvenor {

namespace {

constexpr const char *kCrLf = "\r\n";

void requireOk(Date date, const char *what)
{
    if (!date.ok())
        throw std::invalid_argument(std::string{what} + " is not a calendar date");
}

} // namespace

SeasonBoundaries Saison(Date arrival, Date departure)
{
    requireOk(arrival, "arrival");
    requireOk(departure, "departure");
    const int year = yearOf(arrival);
    SeasonBoundaries seasons{
        makeDate(1, 1, year),
        makeDate(1, 5, year),
        makeDate(1, 11, year),
        makeDate(31, 12, year),
        year + 1,
    };
    if (departure > seasons.Jahr_End) {
        seasons.VS_Anf = makeDate(1, 1, year + 1);
        seasons.HS_Anf = makeDate(1, 5, year + 1);
    }
    return seasons;
}

StayUpdate arrivalClicked(Date arrival)
{
    requireDateIn(arrival, kFirstArrival, kLastArrival, "arrival");
    StayUpdate update;
    update.departure = addDays(arrival, 1);
    update.arrivalDayText = dayText(arrival);
    update.departureDayText = dayText(update.departure);
    update.clickedDepartureText = update.departureDayText;
    update.nights = 1;
    update.nightsText = std::to_string(update.nights);
    update.statusText = "Anreisetag = " + update.arrivalDayText;
    return update;
}

StayUpdate departureClicked(Date arrival, Date departure)
{
    requireDateIn(arrival, kFirstArrival, kLastArrival, "arrival");
    requireDateIn(departure, kFirstDeparture, kLastDeparture, "departure");
    StayUpdate update;
    update.arrivalDayText = dayText(arrival);
    update.clickedDepartureText = dayText(departure);
    update.departure = departure;
    if (arrival > departure) {
        update.warning = DepartureWarning{
            "Hinweis - Abreisedatum",
            "  Der " + dateText(departure) + " liegt vor dem " + dateText(arrival) + kCrLf
                + "   Das Abreisedatum wird jetzt automatisch" + kCrLf + "auf einen Tag nach dem Anreisedatum gesetzt.",
        };
        update.departure = addDays(arrival, 1);
    }
    update.departureDayText = dayText(update.departure);
    update.nights = daysBetween(arrival, update.departure);
    update.nightsText = std::to_string(update.nights);
    update.statusText = "Anreisetag = " + update.arrivalDayText + " Abreisetag = " + update.departureDayText
        + " - Der Kurbeitrag wird für " + update.nightsText + " Übernachtung(en) berechnet.";
    return update;
}

std::string todayLine(Date today)
{
    requireOk(today, "today");
    return "Heute ist " + std::string{weekdayName(today)} + " der" + kCrLf
        + std::to_string(static_cast<unsigned>(today.day())) + ". " + std::string{monthName(today)} + " "
        + std::to_string(yearOf(today));
}

} // namespace salvenor
