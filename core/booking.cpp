#include "booking.h"

namespace salvenor {

BookingResult calculateBooking(const Booking &booking)
{
    BookingResult result;
    result.nights = daysBetween(booking.arrival, booking.departure);
    result.categories = calculateCategories(booking.arrival, booking.departure, booking.counts);
    for (const CategoryResult &category : result.categories)
        result.total += category.sum;
    return result;
}

} // namespace salvenor
