#include "string_table.h"

#include <array>
#include <utility>

namespace salvenor {

namespace {

constexpr std::array<std::pair<std::int32_t, std::string_view>, 5> kEntries{{
    {1000, "&Datei"},
    {1012, "&Beenden"},
    {1019, "&Ansicht"},
    {1021, "Status&leiste"},
    {1025, "&?"},
}};

} // namespace

std::optional<std::string_view> stringTableEntry(std::int32_t id)
{
    for (const auto &[entryId, text] : kEntries) {
        if (entryId == id)
            return text;
    }
    return std::nullopt;
}

} // namespace salvenor
