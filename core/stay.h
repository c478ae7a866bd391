#pragma once

#include <optional>
#include <string>

#include "date.h"

namespace salvenor {

// The season boundaries of the stay's working year (the arrival's year).
struct SeasonBoundaries
{
    Date VS_Anf; // first day of the pre-season
    Date HS_Anf; // first day of the main season
    Date NS_Anf; // first day of the post-season
    Date Jahr_End; // last day of the working year
    int Jahr_Folgend; // the working year plus one
};

// VS_Anf and HS_Anf move to the following year when the departure lies after Jahr_End.
// Throws std::invalid_argument for a date that is not a calendar date.
SeasonBoundaries Saison(Date arrival, Date departure);

struct DepartureWarning
{
    std::string title;
    std::string text;
};

// What a date click changes on the window, in texts.
struct StayUpdate
{
    Date departure; // the departure as it stands afterwards
    std::string arrivalDayText; // Anreisedatum
    std::string clickedDepartureText; // Abreisedatum while the warning is open (equals departureDayText without one)
    std::string departureDayText; // Abreisedatum afterwards
    int nights = 0;
    std::string nightsText; // the six nights labels
    std::string statusText; // the status bar
    std::optional<DepartureWarning> warning;
};

// A day clicked on the arrival calendar: the departure moves to the day after it.
// Throws std::out_of_range for an arrival outside 01.01.2001 to 30.12.2030.
StayUpdate arrivalClicked(Date arrival);

// A day clicked on the departure calendar. A departure before the arrival carries the warning
// and is corrected to the day after the arrival. Throws std::out_of_range for an arrival outside
// 01.01.2001 to 30.12.2030 or a departure outside 02.01.2001 to 31.12.2030.
StayUpdate departureClicked(Date arrival, Date departure);

// The two-line today line: "Heute ist Sonntag der\r\n6. Dezember 2026".
std::string todayLine(Date today);

} // namespace salvenor
