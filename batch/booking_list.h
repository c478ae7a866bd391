#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>

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
    Booking booking;
    BookingResult result;
};

struct ListOptions
{
    char separator = ';';
    // After each calculated row (the calculation sheets).
    std::function<void(const CalculatedRow &)> onCalculated;
    // After each block read: bytes read so far and rows done.
    std::function<void(std::uint64_t bytesRead, long rows)> onProgress;
};

struct ListSummary
{
    long rows = 0;
    long rowsWithErrors = 0;
    Money total; // of every calculated row
    bool truncated = false; // the input ended inside a quoted field; that last row was not written
};

// The list cannot be used at all (no header, no arrival or departure column): a German message.
class UnusableList : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads a booking list (CSV with a header row) from `in` and writes it to `out` with the
// results added: the input's rows and columns byte for byte, then "Nächte", one "Summe_" column
// per category, "Gesamt" and "Fehler". A row that cannot be calculated gets a German message in
// "Fehler" and no figures; the other rows are still calculated. Reads and writes in blocks, so
// memory does not grow with the list.
ListSummary processBookingList(std::istream &in, std::ostream &out, const ListOptions &options);

} // namespace salvenor::batch
