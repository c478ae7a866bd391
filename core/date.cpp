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

// Reads the digits that stand at `pos`, all of them, moving past them, and gives the number of
// digits read and their value (a number of more than nine digits is no date part and is not
// added up). Each reader then checks the count it allows, so that a part with a digit too many or
// too few is refused whatever follows it.
struct DigitRun
{
    std::size_t count = 0;
    int value = 0;
};

DigitRun readDigits(std::string_view text, std::size_t &pos)
{
    constexpr std::size_t kMostDigits = 9;
    DigitRun run;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (run.count < kMostDigits)
            run.value = run.value * 10 + (text[pos] - '0');
        ++run.count;
        ++pos;
    }
    return run;
}

bool readSeparator(std::string_view text, std::size_t &pos, char separator)
{
    if (pos >= text.size() || text[pos] != separator)
        return false;
    ++pos;
    return true;
}

} // namespace

namespace {

// The numbers read make a calendar day, or a day no calendar has.
ParsedDate dayOf(int day, int month, int year)
{
    const Date date = makeDate(day, static_cast<unsigned>(month), year);
    ParsedDate parsed{.kind = DateTextKind::NoSuchDay, .date = {}, .day = day, .month = month, .year = year};
    if (date.ok()) {
        parsed.kind = DateTextKind::CalendarDay;
        parsed.date = date;
    }
    return parsed;
}

// "14.03.2016" with `separator` for the points: a day and a month of one or two digits, a year of
// four; with `shortYears` also "14.03.16", a year of two digits in this century.
ParsedDate readGermanDate(std::string_view text, char separator, bool shortYears)
{
    std::size_t pos = 0;
    const DigitRun day = readDigits(text, pos);
    if (day.count < 1 || day.count > 2 || !readSeparator(text, pos, separator))
        return {};
    const DigitRun month = readDigits(text, pos);
    if (month.count < 1 || month.count > 2 || !readSeparator(text, pos, separator))
        return {};
    const DigitRun year = readDigits(text, pos);
    if (pos != text.size())
        return {};
    constexpr int kCentury = 2000;
    if (year.count == 4)
        return dayOf(day.value, month.value, year.value);
    if (shortYears && year.count == 2)
        return dayOf(day.value, month.value, kCentury + year.value);
    return {};
}

// ISO "2016-03-14": every part with all its digits.
ParsedDate readIsoDate(std::string_view text)
{
    std::size_t pos = 0;
    const DigitRun year = readDigits(text, pos);
    if (year.count != 4 || !readSeparator(text, pos, '-'))
        return {};
    const DigitRun month = readDigits(text, pos);
    if (month.count != 2 || !readSeparator(text, pos, '-'))
        return {};
    const DigitRun day = readDigits(text, pos);
    if (day.count != 2 || pos != text.size())
        return {};
    return dayOf(day.value, month.value, year.value);
}

} // namespace

ParsedDate parseDateText(std::string_view text)
{
    if (text.find('-') != std::string_view::npos)
        return readIsoDate(text);
    return readGermanDate(text, '.', false);
}

ParsedDate parseEnteredDate(std::string_view text)
{
    if (const ParsedDate strict = parseDateText(text); strict.kind != DateTextKind::NotADate)
        return strict;
    if (const ParsedDate shortYear = readGermanDate(text, '.', true); shortYear.kind != DateTextKind::NotADate)
        return shortYear;
    return readGermanDate(text, ',', true);
}

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
