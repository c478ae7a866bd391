#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace salvenor {

// The program's string table: texts addressed by a 16-bit id (the menu captions).
std::optional<std::string_view> stringTableEntry(std::int32_t id);

} // namespace salvenor
