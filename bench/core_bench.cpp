#include <benchmark/benchmark.h>

#include <array>

#include "core/booking.h"
#include "core/contribution.h"

namespace {

using namespace salvenor;

void BM_CategorySum(benchmark::State &state)
{
    const Date arrival = makeDate(1, 11, 2016);
    const Date departure = makeDate(10, 1, 2017);
    for (auto _ : state) {
        // The sum as the window shows it.
        std::string text = formatMoney(calculateCategory(PersonCategory::Kind, arrival, departure, 2).sum);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_CategorySum);

void BM_FullRecalculation(benchmark::State &state)
{
    const Date arrival = makeDate(28, 12, 2015);
    const Date departure = makeDate(3, 1, 2016);
    Booking booking{.arrival = arrival, .departure = departure, .counts = {}};
    booking.counts.fill(2);
    for (auto _ : state) {
        BookingResult result = calculateBooking(booking);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_FullRecalculation);

} // namespace

BENCHMARK_MAIN();
