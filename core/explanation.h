#pragma once

#include <string>

#include "contribution.h"

namespace salvenor {

// A short German explanation of how a category's sum came about, for the sum label's tooltip:
// nights per part with season and rate, the count, and which cap rules applied.
std::string explainSum(const CategoryResult &result);

} // namespace salvenor
