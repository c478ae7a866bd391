#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace salvenor {

// A calendar day without time of day.
using Date = std::chrono::year_month_day;

constexpr Date makeDate(int day, unsigned month, int year)
{
    return Date{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{static_cast<unsigned>(day)}};
}

// The days the two calendars offer.
inline constexpr Date kFirstArrival = makeDate(1, 1, 2001);
inline constexpr Date kLastArrival = makeDate(30, 12, 2030);
inline constexpr Date kFirstDeparture = makeDate(2, 1, 2001);
inline constexpr Date kLastDeparture = makeDate(31, 12, 2030);

constexpr Date addDays(Date date, int days)
{
    return Date{std::chrono::sys_days{date} + std::chrono::days{days}};
}

// Whole days from `from` to `to` (negative when `to` lies before `from`).
constexpr int daysBetween(Date from, Date to)
{
    return static_cast<int>((std::chrono::sys_days{to} - std::chrono::sys_days{from}).count());
}

constexpr int yearOf(Date date)
{
    return static_cast<int>(date.year());
}

// "14.03.2016"
std::string dateText(Date date);
// "Mo. 14.03.2016": German abbreviated weekday, ". " and the date text.
std::string dayText(Date date);
// "Mo" .. "So"
std::string_view shortWeekdayName(Date date);
// "Montag" .. "Sonntag"
std::string_view weekdayName(Date date);
// "Januar" .. "Dezember"
std::string_view monthName(Date date);

// What a date text holds: a calendar day, a day that no calendar has (31.02.2016), or no date.
enum class DateTextKind { CalendarDay, NoSuchDay, NotADate };
struct ParsedDate
{
    DateTextKind kind = DateTextKind::NotADate;
    Date date{}; // for a calendar day
    // The numbers read, the year with its century: what a message about a day no calendar has
    // shows.
    int day = 0;
    int month = 0;
    int year = 0;
};

// Reads "14.03.2016" and "4.3.2016" (day and month of one or two digits) and ISO "2016-03-14";
// the year always has four digits.
ParsedDate parseDateText(std::string_view text);

// What a person types or a spreadsheet writes besides: a year of two digits, of this century
// ("14.3.16"), and commas for the points ("14,03,2016", the decimal key of a German keypad).
ParsedDate parseEnteredDate(std::string_view text);

// Throws std::out_of_range naming `what` and the date when it lies outside [first, last].
void requireDateIn(Date date, Date first, Date last, std::string_view what);

} // namespace salvenor
