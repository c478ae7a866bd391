#pragma once

#include <ostream>
#include <stdexcept>
#include <string>

#include "core/categories.h"
#include "core/date.h"

namespace salvenor {

// Names a category in test output.
inline void PrintTo(PersonCategory category, std::ostream *os)
{
    *os << rulesOf(category).key;
}

} // namespace salvenor

namespace salvenor::test {

// "14.03.2016" -> Date, for readable test tables.
inline Date d(const std::string &text)
{
    if (text.size() != 10 || text[2] != '.' || text[5] != '.')
        throw std::invalid_argument("bad test date " + text);
    const Date date = makeDate(std::stoi(text.substr(0, 2)), static_cast<unsigned>(std::stoi(text.substr(3, 2))),
        std::stoi(text.substr(6, 4)));
    if (!date.ok())
        throw std::invalid_argument("bad test date " + text);
    return date;
}

} // namespace salvenor::test
