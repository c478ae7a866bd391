// formatTwoDecimals on arbitrary doubles and on quotients like those the sheet prints, against a
// separate reference rounding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "core/money.h"
#include "reference_rounding.h"

namespace {

void check(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) {
        try {
            salvenor::formatTwoDecimals(value);
        } catch (const std::domain_error &) {
            return;
        }
        std::abort(); // such a value has no two-decimal text
    }
    if (salvenor::formatTwoDecimals(value) != salvenor::fuzzing::referenceTwoDecimals(value))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 8)
        return 0;
    double raw = 0;
    std::memcpy(&raw, data, sizeof raw);
    check(raw);
    if (size >= 14) {
        // A quotient of whole cents, as amounts per night and person come about.
        std::int64_t cents = 0;
        std::memcpy(&cents, data, 6);
        const int divisor = 1 + (data[6] | (data[7] << 8)) % 20000;
        const int second = 1 + data[8] % 40;
        check(static_cast<double>(cents) / 100.0 / divisor);
        check(static_cast<double>(cents) / 100.0 / divisor / second);
        // Values just beside a half cent.
        const double half = (static_cast<double>(cents % 100000000) + 0.5) / 100.0;
        check(half);
        check(std::nextafter(half, 0.0));
        check(std::nextafter(half, 1e300));
    }
    return 0;
}
