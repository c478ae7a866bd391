#include "date.h"

#include <array>
#include <stdexcept>

namespace salvenor {

namespace {

// Fixed German names: the program never depends on the machine's locale.
constexpr std::array<std::string_view, 7> kShortWeekdays{"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
constexpr std::array<std::string_view, 7> kWeekdays{
    "Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
constexpr std::array<std::string_view, 12> kMonths{"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli",
    "August", "September", "Oktober", "November", "Dezember"};

unsigned sundayBasedWeekday(Date date)
{
    return std::chrono::weekday{std::chrono::sys_days{date}}.c_encoding();
}

void appendTwoDigits(std::string &out, unsigned value)
{
    out.push_back(static_cast<char>('0' + value / 10 % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

} // namespace

std::string dateText(Date date)
{
    if (!date.ok())
        throw std::invalid_argument("not a calendar date");
    const int year = yearOf(date);
    if (year < 0 || year > 9999)
        throw std::out_of_range("year " + std::to_string(year) + " has no four-digit form");
    std::string text;
    text.reserve(10);
    appendTwoDigits(text, static_cast<unsigned>(date.day()));
    text.push_back('.');
    appendTwoDigits(text, static_cast<unsigned>(date.month()));
    text.push_back('.');
    appendTwoDigits(text, static_cast<unsigned>(year / 100));
    appendTwoDigits(text, static_cast<unsigned>(year % 100));
    return text;
}

std::string_view shortWeekdayName(Date date)
{
    return kShortWeekdays.at(sundayBasedWeekday(date));
}

std::string_view weekdayName(Date date)
{
    return kWeekdays.at(sundayBasedWeekday(date));
}

std::string_view monthName(Date date)
{
    return kMonths.at(static_cast<unsigned>(date.month()) - 1);
}

std::string dayText(Date date)
{
    std::string text = dateText(date);
    return std::string{shortWeekdayName(date)} + ". " + text;
}

void requireDateIn(Date date, Date first, Date last, std::string_view what)
{
    if (!date.ok())
        throw std::invalid_argument(std::string{what} + " is not a calendar date");
    if (date < first || date > last)
        throw std::out_of_range(
            std::string{what} + " " + dateText(date) + " lies outside " + dateText(first) + " to " + dateText(last));
}

} // namespace salvenor
