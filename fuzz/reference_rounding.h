#pragma once

// A second, independent way to show a double with two decimals, for the fuzz targets to check
// formatTwoDecimals against: from the double's exact decimal expansion, rounded by hand in
// decimal digits to 15 significant digits (ties to even, as the C library rounds), then to
// two decimals with halves away from zero, then grouped by hand.
#include <cmath>
#include <cstdio>
#include <string>

namespace salvenor::fuzzing {

// Adds one to a string of decimal digits; returns true when it grew by a digit ("99" -> "100").
inline bool incrementDigits(std::string &digits)
{
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    return true;
}

inline std::string groupedEuros(std::string euros)
{
    std::string grouped;
    for (std::size_t i = 0; i < euros.size(); ++i) {
        if (i > 0 && (euros.size() - i) % 3 == 0)
            grouped.push_back('.');
        grouped.push_back(euros[i]);
    }
    return grouped;
}

// Only for finite values below 1e15 in magnitude.
inline std::string referenceTwoDecimals(double value)
{
    // glibc writes the exact binary value when asked for enough digits.
    static char exact[1300];
    std::snprintf(exact, sizeof exact, "%.1100f", std::fabs(value));
    const std::string text{exact};
    const std::size_t point = text.find('.');
    std::string digits = text.substr(0, point) + text.substr(point + 1);
    int integerDigits = static_cast<int>(point);
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return "0,00";
    digits.erase(0, first);
    integerDigits -= static_cast<int>(first);

    // 15 significant digits, ties to even.
    std::string significant = digits.substr(0, 15);
    const std::string rest = digits.size() > 15 ? digits.substr(15) : std::string{};
    bool up = false;
    if (!rest.empty() && rest[0] > '5') {
        up = true;
    } else if (!rest.empty() && rest[0] == '5') {
        const bool exactHalf = rest.find_first_not_of('0', 1) == std::string::npos;
        up = !exactHalf || ((significant.back() - '0') % 2 == 1);
    }
    if (up && incrementDigits(significant)) {
        significant.pop_back();
        ++integerDigits;
    }

    // The value is 0.<significant> x 10^integerDigits: write it with three decimals and more.
    std::string whole;
    std::string fraction;
    for (int position = std::min(integerDigits, 0);
         position < static_cast<int>(significant.size()) || position < integerDigits + 3; ++position) {
        const char digit = position >= 0 && position < static_cast<int>(significant.size())
            ? significant[static_cast<std::size_t>(position)]
            : '0';
        if (position < integerDigits)
            whole.push_back(digit);
        else
            fraction.push_back(digit);
    }
    if (whole.empty())
        whole = "0";
    std::string cents = whole + fraction.substr(0, 2);
    if (fraction[2] >= '5') // half a cent or more: away from zero
        incrementDigits(cents);
    const std::size_t nonZero = cents.find_first_not_of('0');
    cents = nonZero == std::string::npos ? std::string{"000"} : cents.substr(nonZero);
    while (cents.size() < 3)
        cents.insert(cents.begin(), '0');
    const bool shownNegative = value < 0 && cents != "000";
    return (shownNegative ? "-" : "") + groupedEuros(cents.substr(0, cents.size() - 2)) + ","
        + cents.substr(cents.size() - 2);
}

} // namespace salvenor::fuzzing
