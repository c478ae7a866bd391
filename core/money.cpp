#include "money.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <stdexcept>

namespace salvenor {

Money divideRounded(Money amount, std::int64_t divisor)
{
    if (divisor <= 0)
        throw std::invalid_argument("divisor " + std::to_string(divisor) + " is not positive");
    const std::int64_t cents = amount.cents();
    const std::int64_t magnitude = cents < 0 ? -cents : cents;
    const std::int64_t rounded = (magnitude / divisor) + (2 * (magnitude % divisor) >= divisor ? 1 : 0);
    return Money::fromCents(cents < 0 ? -rounded : rounded);
}

void appendMoney(std::string &text, Money amount)
{
    const std::int64_t cents = amount.cents();
    if (cents == std::numeric_limits<std::int64_t>::min())
        throw std::out_of_range("amount too large to format");
    if (cents == 0) {
        text += "0,00"; // the most common sum of all
        return;
    }
    const bool negative = cents < 0;
    const auto magnitude = static_cast<std::uint64_t>(negative ? -cents : cents);
    // The text backwards: cents, comma, then the euros with a point before every third digit.
    std::array<char, 32> reversed{};
    std::size_t length = 0;
    reversed[length++] = static_cast<char>('0' + magnitude % 10);
    reversed[length++] = static_cast<char>('0' + magnitude / 10 % 10);
    reversed[length++] = ',';
    std::uint64_t euros = magnitude / 100;
    for (int digits = 0; digits == 0 || euros > 0; ++digits) {
        if (digits > 0 && digits % 3 == 0)
            reversed[length++] = '.';
        reversed[length++] = static_cast<char>('0' + euros % 10);
        euros /= 10;
    }
    if (negative)
        reversed[length++] = '-';
    const std::size_t start = text.size();
    text.resize(start + length);
    std::reverse_copy(reversed.begin(), reversed.begin() + static_cast<std::ptrdiff_t>(length),
        text.begin() + static_cast<std::ptrdiff_t>(start));
}

std::string formatMoney(Money amount)
{
    std::string text;
    appendMoney(text, amount);
    return text;
}

std::ostream &operator<<(std::ostream &out, Money amount)
{
    return out << formatMoney(amount) << " €";
}

std::string formatTwoDecimals(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 1e15)
        throw std::domain_error("value cannot be shown with two decimals");
    // 15 significant digits remove the binary representation error (3 * 2.1 -> 6.3,
    // 2.675 -> 2.675); the decimal text is then rounded exactly, halves away from zero.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    // buffer: [-]d.dddddddddddddde[+-]xx
    const char *p = buffer;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    std::string digits;
    digits.push_back(*p++);
    ++p; // the point
    while (*p != 'e')
        digits.push_back(*p++);
    const int exponent = std::atoi(p + 1);

    // value = 0.digits * 10^(exponent + 1); the cents are the digits up to 10^-2.
    const int keep = exponent + 1 + 2; // number of digits that stand before the cut
    std::int64_t cents = 0;
    bool roundUp = false;
    for (int i = 0; i < static_cast<int>(digits.size()); ++i) {
        if (i < keep)
            cents = cents * 10 + (digits[static_cast<std::size_t>(i)] - '0');
        else if (i == keep)
            roundUp = digits[static_cast<std::size_t>(i)] >= '5';
    }
    for (int i = static_cast<int>(digits.size()); i < keep; ++i)
        cents *= 10;
    if (roundUp)
        ++cents;
    if (cents == 0)
        return formatMoney(Money{});
    return formatMoney(Money::fromCents(negative ? -cents : cents));
}

} // namespace salvenor
