#include "booking.h"

#include "contribution.h"

namespace salvenor {

BookingResult calculateBooking(const Booking &booking)
{
    BookingResult result;
    result.nights = daysBetween(booking.arrival, booking.departure);
    for (const CategoryRules &category : kCategories) {
        const std::size_t index = indexOf(category.category);
        const int count = booking.counts.at(index);
        if (count == 0)
            continue; // nothing to pay, as the window's 0,00
        result.sums.at(index) = calculateCategory(category.category, booking.arrival, booking.departure, count).sum;
        result.total += result.sums.at(index);
    }
    return result;
}

} // namespace salvenor
