#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/categories.h"
#include "core/date.h"
#include "core/money.h"

namespace salvenor::batch {

// One booking of a list: the stay and the persons of each category.
struct Booking
{
    Date arrival;
    Date departure;
    std::array<int, kCategoryCount> counts{};
};

// What the window would show for it.
struct BookingResult
{
    int nights = 0;
    std::array<Money, kCategoryCount> sums{};
    Money total;
};

// The window's rules for one booking, through the core. The booking must be valid (dates in the
// calendars' range, the departure not before the arrival, counts within their maxima).
BookingResult calculateBooking(const Booking &booking);

struct CalculatedRow
{
    long number; // 1 for the first row after the header
    // The line of the input the row begins in (the header is line 1): the number a spreadsheet
    // shows for the row, and the one messages and calculation sheets name it by.
    long line;
    std::uint64_t bytesRead; // of the input, up to the end of the row
    // The booking's own reference, in UTF-8: its "Nr" column, else its first column where that is
    // none of the columns read; empty where the list has none.
    std::string reference;
    Booking booking;
    BookingResult result;
};

// The longest field and the longest record read. A longer one is an error for its row and is not
// kept, so that memory stays flat whatever the input holds.
inline constexpr std::size_t kFieldLimit = std::size_t{64} * 1024;
inline constexpr std::size_t kRecordLimit = std::size_t{1024} * 1024;

struct ListOptions
{
    // The separator of the fields. A first line "sep=X" names another; so does a header that holds
    // "Anreise" and "Abreise" only when split at another of ";", "," and Tab.
    char separator = ';';
    // Columns whose names are close to a category key, passed through on purpose (see UnusableList).
    std::vector<std::string> passColumns;
    // After each calculated row (the calculation sheets).
    std::function<void(const CalculatedRow &)> onCalculated;
    // After each block read: bytes read so far and rows done.
    std::function<void(std::uint64_t bytesRead, long rows)> onProgress;
    // A German message for standard error (UTF-8) about the line it names: a broken record, a
    // field that is too long, the separator taken from the list.
    std::function<void(const std::string &message)> onMessage;
};

struct ListSummary
{
    long rows = 0;
    long rowsWithErrors = 0;
    Money total; // of every calculated row
    char separator = ';'; // the one the list was read with
};

// The list cannot be used at all (no header, no arrival or departure column, a column whose name
// is close to a category key, a UTF-16 text): a German message.
class UnusableList : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads a booking list (CSV with a header row) from `in` and writes it to `out` with the
// results added: the input's rows and columns byte for byte, then "Nächte", one "Summe_" column
// per category, "Gesamt" and "Fehler" (where the input has these columns already, from an earlier
// run, they are calculated again in their places). A row that cannot be calculated gets a German
// message in "Fehler" and no figures; the other rows are still calculated. A quoted field that is
// not closed as RFC 4180 says makes the line it began in one faulty row; reading goes on with the
// next line. Reads and writes in blocks, so memory does not grow with the list.
ListSummary processBookingList(std::istream &in, std::ostream &out, const ListOptions &options);

} // namespace salvenor::batch
