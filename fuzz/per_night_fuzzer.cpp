// The amount per night that the sheet prints for a category line, from the sums the core
// calculates for arbitrary stays and counts: the sum's money text read back as a number,
// divided by the nights (and by the count for the per-person rule), shown with two decimals.
// It must agree with the reference rounding and, multiplied back, come within half a cent per
// night and person of the sum.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/contribution.h"
#include "core/money.h"
#include "reference_rounding.h"
#include "tests/money_text.h"

using namespace salvenor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 6)
        return 0;
    const int firstDay = (data[0] | (data[1] << 8)) % 10957; // 01.01.2001 to 30.12.2030
    const int nights = 1 + (data[2] | (data[3] << 8)) % 400;
    const PersonCategory category = kAllCategories.at(data[4] % kAllCategories.size());
    const int count = 1 + data[5] % rulesOf(category).maxCount;
    const Date arrival = addDays(kFirstArrival, firstDay);
    const Date departure = addDays(arrival, nights);
    if (departure > kLastDeparture)
        return 0;

    const Money sum = calculateCategory(category, arrival, departure, count).sum;
    const double shown = static_cast<double>(sum.cents()) / 100.0; // the money text as a number
    const bool perCategory = rulesOf(category).oneChildRule;
    const double perNight = perCategory ? shown / nights : shown / nights / count;
    const std::string text = formatTwoDecimals(perNight);
    if (text != fuzzing::referenceTwoDecimals(perNight))
        std::abort();
    const double persons = perCategory ? 1 : count;
    const double back = static_cast<double>(test::parseMoney(text).cents()) * nights * persons;
    if (std::fabs(back - static_cast<double>(sum.cents())) > 0.5 * nights * persons + 1e-6)
        std::abort();
    return 0;
}
