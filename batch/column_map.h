#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/categories.h"

namespace salvenor::batch {

// The list cannot be used at all (no header, no arrival or departure column, a column whose name
// is close to a category without naming one, a UTF-16 text): a German message.
class UnusableList : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The added columns: the nights, one sum per category, the total and the errors.
inline constexpr std::size_t kResultColumns = kCategoryCount + 3;
inline constexpr std::size_t kNightsColumn = 0;
inline constexpr std::size_t kTotalColumn = kCategoryCount + 1;
inline constexpr std::size_t kErrorColumn = kCategoryCount + 2;
inline constexpr std::string_view kArrivalColumn = "Anreise";
inline constexpr std::string_view kDepartureColumn = "Abreise";

// "Nächte", "Summe_<key>" for each category, "Gesamt", "Fehler" (UTF-8).
const std::array<std::string, kResultColumns> &resultColumnNames();

// What a column's name says of persons. The usual names of a category are read as it: its key,
// the words of its row in the window ("Kinder ab 12 Jahre", "Erwachsene 80% Schwerbehindert"),
// singular or plural, short forms ("Erw.", "Stud", "Schwerb."), other words for it ("Schüler",
// "Azubi"), with "Anzahl" or "Anz." before them.
struct PersonColumn
{
    enum class Kind {
        NotPersons, // any other column
        Category, // names exactly one category
        Unclear, // counts persons, but names no category or more than one
        Free, // persons who pay nothing ("Kinder unter 12")
        Amount, // money of persons ("Preis Erwachsene"), no count
    };
    Kind kind = Kind::NotPersons;
    PersonCategory category{}; // for Category
    std::string couldMean; // for Unclear: the categories it could mean, in German
};
PersonColumn personColumnOf(std::string_view nameUtf8);

// Where the columns the calculation reads stand in the header.
struct ColumnMap
{
    std::optional<std::size_t> arrival;
    std::optional<std::size_t> departure;
    std::array<std::optional<std::size_t>, kCategoryCount> counts;
    std::optional<std::size_t> reference; // the booking's own number, for its calculation sheet
    std::size_t fieldCount = 0;
    std::size_t namedFieldCount = 0; // up to the last column with a name
    // Result columns the input has already (a list calculated before), by header position.
    std::vector<std::optional<std::size_t>> resultAt;
    std::array<bool, kResultColumns> resultPresent{};
    bool rerun = false;
};

// Reads the header's names (UTF-8, trimmed); `headerText` is the header line for messages. Throws UnusableList for a
// list that cannot be used: no arrival or departure column, no person column, a name twice, a column that counts
// persons without naming one category, or a name close to a category's key. Names in `passColumns` (UTF-8) pass through
// untouched, whatever they look like.
ColumnMap mapColumns(
    const std::vector<std::string> &names, const std::vector<std::string> &passColumns, std::string_view headerText);

// Names compared as a spreadsheet user sees them: without case (ASCII and German umlauts).
bool sameName(std::string_view a, std::string_view b);

} // namespace salvenor::batch
