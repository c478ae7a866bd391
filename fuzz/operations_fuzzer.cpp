// The core's public operations on arbitrary dates (valid or not, in range or not) and counts:
// each either throws its documented error or returns figures that hold together.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "core/booking.h"
#include "core/contribution.h"
#include "core/explanation.h"
#include "core/stay.h"
#include "tests/money_text.h"

using namespace salvenor;

namespace {

class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    { }

    template<typename T> T take()
    {
        T value{};
        const std::size_t n = std::min(sizeof(T), m_size - m_used);
        std::memcpy(&value, m_data + m_used, n);
        m_used += n;
        return value;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_used = 0;
};

// Mostly dates in or near the calendars' range; now and then anything at all.
Date takeDate(Input &input)
{
    const auto mode = input.take<std::uint8_t>();
    if (mode % 8 == 0)
        return makeDate(input.take<std::int8_t>(), input.take<std::uint8_t>(), input.take<std::int16_t>());
    return addDays(makeDate(1, 1, 2000), input.take<std::uint16_t>() % 11700);
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

template<typename Operation> void expectDocumentedErrors(Operation &&operation)
{
    try {
        operation();
    } catch (const std::out_of_range &) {
    } catch (const std::invalid_argument &) { }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Input input{data, size};
    const Date arrival = takeDate(input);
    const Date departure = takeDate(input);
    // Every category and one value past the last, which must be refused.
    const auto category = static_cast<PersonCategory>(input.take<std::uint8_t>() % (kCategoryCount + 1));
    const int count = static_cast<int>(input.take<std::uint8_t>()) - 128; // negative ones too

    expectDocumentedErrors([&] {
        const SeasonBoundaries seasons = Saison(arrival, departure);
        require(seasons.Jahr_Folgend == yearOf(arrival) + 1);
        require(seasons.VS_Anf < seasons.HS_Anf && seasons.NS_Anf <= seasons.Jahr_End);
    });
    expectDocumentedErrors([&] {
        const StayUpdate update = arrivalClicked(arrival);
        require(daysBetween(arrival, update.departure) == 1);
    });
    expectDocumentedErrors([&] {
        const StayUpdate update = departureClicked(arrival, departure);
        require(update.departure >= arrival);
        require(update.nights == daysBetween(arrival, update.departure));
        require(update.warning.has_value() == (departure < arrival));
    });
    expectDocumentedErrors([&] {
        const CategoryResult result = calculateCategory(category, arrival, departure, count);
        require(result.split.N1 >= 0 && result.split.N2 >= 0);
        require(result.split.N1 + result.split.N2 == daysBetween(arrival, departure));
        require(result.sum.cents() >= 0);
        require(test::parseMoney(formatMoney(result.sum)) == result.sum);
        require(!explainSum(result).empty());
        // The one calculation of a booking with that count in the first and the last category.
        Booking booking{.arrival = arrival, .departure = departure, .counts = {}};
        booking.counts.front() = count <= kCategories.front().maxCount ? count : 0;
        booking.counts.back() = count <= kCategories.back().maxCount ? count : 0;
        const BookingResult whole = calculateBooking(booking);
        require(whole.nights == daysBetween(arrival, departure));
        require(whole.total == whole.categories.front().sum + whole.categories.back().sum);
        if (category == kCategories.back().category)
            require(whole.categories.back().sum == result.sum);
    });
    return 0;
}
