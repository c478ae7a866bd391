#pragma once

#include <compare>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace salvenor {

// An amount in euros held as whole cents: every sum of the program is exact.
class Money final
{
public:
    constexpr Money() = default;

    static constexpr Money fromCents(std::int64_t cents) { return Money{cents}; }
    constexpr std::int64_t cents() const { return m_cents; }

    friend constexpr Money operator+(Money a, Money b) { return Money{a.m_cents + b.m_cents}; }
    friend constexpr Money operator-(Money a, Money b) { return Money{a.m_cents - b.m_cents}; }
    friend constexpr Money operator*(Money a, std::int64_t factor) { return Money{a.m_cents * factor}; }
    friend constexpr Money operator*(std::int64_t factor, Money a) { return Money{a.m_cents * factor}; }
    constexpr Money &operator+=(Money other)
    {
        m_cents += other.m_cents;
        return *this;
    }
    // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy 14 misreads a defaulted <=>
    friend constexpr auto operator<=>(Money, Money) = default;

private:
    constexpr explicit Money(std::int64_t cents)
        : m_cents{cents}
    { }

    std::int64_t m_cents = 0;
};

constexpr Money operator""_ct(unsigned long long cents)
{
    return Money::fromCents(static_cast<std::int64_t>(cents));
}

// The amount divided by a positive divisor, rounded to the cent with halves away from zero.
Money divideRounded(Money amount, std::int64_t divisor);

// "0,00", "18,40", "1.234,50", "-3,20": two decimals, decimal comma, a point between groups of three.
std::string formatMoney(Money amount);
// The same text, appended (no string of its own: a list of a million rows writes seven a row).
void appendMoney(std::string &text, Money amount);

// "18,40 €": what a test's failure message shows of an amount.
std::ostream &operator<<(std::ostream &out, Money amount);

// A double with two decimals in the German form, taken first to 15 significant digits and then
// rounded half away from zero (4.125 -> "4,13", 2.675 -> "2,68"). Throws std::domain_error for
// values that are not finite or too large to be held in cents.
std::string formatTwoDecimals(double value);

} // namespace salvenor
