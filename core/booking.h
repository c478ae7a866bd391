#pragma once

#include <array>

#include "categories.h"
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

// What the window shows for a booking: the nights, each category's sum and the total.
struct BookingResult
{
    int nights = 0;
    std::array<Money, kCategoryCount> sums{};
    Money total;
};

// The window's rules for one booking. The booking must be valid (dates in the calendars' range,
// the departure not before the arrival, counts within their maxima); otherwise it throws as
// calculateCategory does.
BookingResult calculateBooking(const Booking &booking);

} // namespace salvenor
