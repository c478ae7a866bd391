#pragma once

#include <array>

#include "categories.h"
#include "contribution.h"
#include "date.h"
#include "money.h"

namespace salvenor {

// One stay and the persons of each category, in the categories' order.
struct Booking
{
    Date arrival;
    Date departure;
    std::array<int, kCategoryCount> counts{};
};

// What the window, the sheet and the booking lists show for a booking: the nights, each
// category's sum with its nights, rates and steps (a category nobody is counted in: its nights and
// a sum of 0), and the total, the exact sum of the six sums.
struct BookingResult
{
    int nights = 0;
    std::array<CategoryResult, kCategoryCount> categories{};
    Money total;
};

// The one calculation of a booking, for every view. The booking must be valid (dates in the
// calendars' range, the departure not before the arrival, counts within their maxima); otherwise
// it throws as calculateCategory does.
BookingResult calculateBooking(const Booking &booking);

} // namespace salvenor
