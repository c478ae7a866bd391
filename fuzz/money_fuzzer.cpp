// The money-text parser on arbitrary bytes: it either rejects the text with std::invalid_argument
// or reads exactly what the formatter writes back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/money.h"
#include "tests/money_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text{reinterpret_cast<const char *>(data), size};
    try {
        const salvenor::Money amount = salvenor::test::parseMoney(text);
        if (salvenor::formatMoney(amount) != text)
            std::abort();
    } catch (const std::invalid_argument &) {
        // rejected, as it should be for anything the formatter would not write
    }
    return 0;
}
