#pragma once

namespace salvenor {

// The operator's contact data, shown on the window and printed on the sheet (fictional).
inline constexpr const char *kServicePhone = "(0 49 99) 555-0123";
inline constexpr const char *kWebAddress = "www.quarnum.example";
inline constexpr const char *kMailAddress = "kurbeitrag@quarnum.example";
inline constexpr const char *kProductTitle = "Salvenor 2016";
inline constexpr const char *kCompanyName = "Wirtschaftsbetriebe der Stadt DUZE Quarnum GmbH";

} // namespace salvenor
