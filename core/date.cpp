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

// Reads one to `maxDigits` digits at `pos`, moving past them; false where none stand there.
bool readNumber(std::string_view text, std::size_t &pos, std::size_t minDigits, std::size_t maxDigits, int &value)
{
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
        value = value * 10 + (text[pos++] - '0');
    return pos - start >= minDigits && (pos == text.size() || text[pos] < '0' || text[pos] > '9');
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

// "14.03.2016" with `separator` for the points; with `shortYears` also "14.03.16", a year of this
// century.
ParsedDate readGermanDate(std::string_view text, char separator, bool shortYears)
{
    int day = 0;
    int month = 0;
    int year = 0;
    std::size_t pos = 0;
    const bool dayAndMonth = readNumber(text, pos, 1, 2, day) && readSeparator(text, pos, separator)
        && readNumber(text, pos, 1, 2, month) && readSeparator(text, pos, separator);
    const std::size_t yearStart = pos;
    if (!dayAndMonth || !readNumber(text, pos, shortYears ? 2 : 4, 4, year) || pos != text.size())
        return {};
    constexpr int kCentury = 2000;
    if (pos - yearStart == 2)
        year += kCentury;
    else if (pos - yearStart != 4)
        return {};
    return dayOf(day, month, year);
}

} // namespace

ParsedDate parseDateText(std::string_view text)
{
    if (text.size() == 10 && text[4] == '-') {
        int day = 0;
        int month = 0;
        int year = 0;
        std::size_t pos = 0;
        const bool read = readNumber(text, pos, 4, 4, year) && readSeparator(text, pos, '-')
            && readNumber(text, pos, 2, 2, month) && readSeparator(text, pos, '-') && readNumber(text, pos, 2, 2, day);
        return read && pos == text.size() ? dayOf(day, month, year) : ParsedDate{};
    }
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
