#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/money.h"

namespace salvenor::test {

// Reads exactly what formatMoney writes ("1.234,50", "-3,20"); throws std::invalid_argument
// naming the text otherwise. The program itself never reads money back from text: the tests read
// what the booking-list tool wrote, and the fuzzers check that formatMoney writes what this reads.
inline Money parseMoney(std::string_view text)
{
    const auto reject = [text](const char *why) {
        std::string message{"\""};
        message.append(text).append("\" is not a money text: ").append(why);
        return std::invalid_argument(message);
    };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

    std::size_t pos = 0;
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        ++pos;

    const std::size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos)
        throw reject("no decimal comma");
    if (text.size() - comma != 3 || !isDigit(text[comma + 1]) || !isDigit(text[comma + 2]))
        throw reject("not exactly two decimals");

    const std::string_view integerPart = text.substr(pos, comma - pos);
    if (integerPart.empty())
        throw reject("no digits before the comma");
    // Groups: a first group of 1 to 3 digits, then ".ddd" groups.
    const std::size_t firstGroup = integerPart.size() % 4 == 0 ? 0 : integerPart.size() % 4;
    if (firstGroup == 0 || firstGroup > 3)
        throw reject("digit groups misplaced");
    std::int64_t units = 0;
    int digitCount = 0;
    for (std::size_t i = 0; i < integerPart.size(); ++i) {
        const char c = integerPart[i];
        const bool separatorPlace = i >= firstGroup && (i - firstGroup) % 4 == 0;
        if (separatorPlace) {
            if (c != '.')
                throw reject("digit groups misplaced");
            continue;
        }
        if (!isDigit(c))
            throw reject("unexpected character");
        if (++digitCount > 15)
            throw reject("amount too large");
        units = units * 10 + (c - '0');
    }
    if (integerPart.size() > 1 && integerPart.front() == '0')
        throw reject("leading zero");
    const std::int64_t decimals = std::int64_t{text[comma + 1] - '0'} * 10 + (text[comma + 2] - '0');
    const std::int64_t cents = units * 100 + decimals;
    if (negative && cents == 0)
        throw reject("negative zero");
    return Money::fromCents(negative ? -cents : cents);
}

} // namespace salvenor::test
