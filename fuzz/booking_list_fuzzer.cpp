// Any bytes as a booking list: the reader never crashes, every row is counted once, a calculated
// row's figures come from the core, and the date reader agrees with the date writer.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "batch/booking_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace salvenor;
    if (size < 1)
        return 0;
    const std::string_view bytes{reinterpret_cast<const char *>(data) + 1, size - 1};

    const ParsedDate parsed = parseDateText(bytes.substr(0, 12));
    if (parsed.kind == DateTextKind::CalendarDay && yearOf(parsed.date) >= 1000) {
        const ParsedDate again = parseDateText(dateText(parsed.date));
        if (again.kind != DateTextKind::CalendarDay || again.date != parsed.date)
            __builtin_trap();
    }

    std::istringstream in{std::string{bytes}};
    std::ostringstream out;
    batch::ListOptions options;
    options.separator = (data[0] & 1U) != 0 ? ',' : ';';
    long calculated = 0;
    options.onCalculated = [&calculated](const batch::CalculatedRow &row) {
        ++calculated;
        if (row.result.nights != daysBetween(row.booking.arrival, row.booking.departure) || row.result.nights < 0)
            __builtin_trap();
        if (calculateBooking(row.booking).total != row.result.total)
            __builtin_trap();
    };
    try {
        const batch::ListSummary summary = batch::processBookingList(in, out, options);
        if (summary.rowsWithErrors > summary.rows || calculated + summary.rowsWithErrors != summary.rows)
            __builtin_trap();
    } catch (const batch::UnusableList &) {
        // an unusable list is refused with a reason
    }
    return 0;
}
