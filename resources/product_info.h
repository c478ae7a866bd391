#pragma once

namespace salvenor {

// The operator's contact data, shown on the windows and printed on the sheet (fictional).
inline constexpr const char *kServicePhone = "(0 49 99) 555-0123";
inline constexpr const char *kWebAddress = "www.quarnum.example";
inline constexpr const char *kMailAddress = "kurbeitrag@quarnum.example";

// The name under which the settings store keeps the window placement.
inline constexpr const char *kSettingsApplication = "Salvenor 2016";

} // namespace salvenor
