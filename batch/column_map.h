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

// A header name the user says is a category's count (--column "Lehrer=Erwachsene").
struct ColumnAs
{
    std::string name; // UTF-8
    PersonCategory category{};
};
// "NAME=CATEGORY", the category by its key or any name the tool reads as it; nothing where the
// text after the last "=" names no single category.
std::optional<ColumnAs> columnAsOf(std::string_view text);

// What the user says of the list's columns on the command line.
struct ColumnChoices
{
    std::vector<std::string> passColumns; // passed through untouched, whatever their names say
    std::vector<ColumnAs> columnsAs;
};

// Where the columns the calculation reads stand in the header.
struct ColumnMap
{
    std::optional<std::size_t> arrival;
    std::optional<std::size_t> departure;
    // Each category's count columns: one, or more where the user names further ones, summed.
    std::array<std::vector<std::size_t>, kCategoryCount> counts;
    std::optional<std::size_t> reference; // the booking's own number, for its calculation sheet
    std::size_t fieldCount = 0;
    std::size_t namedFieldCount = 0; // up to the last column with a name
    // The result columns of a list calculated before: its block of "Nächte" to "Fehler", complete
    // and in order, by header position. A column of such a name elsewhere is the list's own.
    std::vector<std::optional<std::size_t>> resultAt;
    std::array<bool, kResultColumns> resultPresent{};
    bool rerun = false;
    std::size_t resultBlock = 0; // where that block begins
    // Columns whose name says nothing of what they hold: read cell by cell, and refused where
    // their cells are whole numbers that could count persons.
    std::vector<std::size_t> unknown;
    // Why a column cannot be used (a name that counts persons without naming one category, one
    // close to a category's key, a second column for a category): one German message each.
    std::vector<std::string> refusals;
};

// Reads the header's names (UTF-8, plain); `headerText` is the header line for messages. Throws UnusableList for a
// list without an arrival or departure column, or with one of them twice; collects the other refusals. Columns named in
// `choices` are read or passed as the user says, whatever they look like.
ColumnMap mapColumns(const std::vector<std::string> &names, const ColumnChoices &choices, std::string_view headerText);

// Where a list has no count column at all: its refusal.
std::string noCountColumnRefusal(std::string_view headerText, long line);

// Why a column whose cells are whole numbers cannot pass: its message, with what the user can say.
std::string countLikeRefusal(std::string_view name, std::size_t position);
// The error of a row whose cell `text`, in such a column empty so far, could count persons.
std::string countLikeCellError(std::string_view name, std::size_t position, std::string_view text);

// One line on standard error: which column is read as which category, and which pass through.
std::string columnsReport(const std::vector<std::string> &names, const ColumnMap &columns);

// Lower case of ASCII and the German capital umlauts, in UTF-8.
std::string lowerCase(std::string_view text);

// Names compared as a spreadsheet user sees them: without case (ASCII and German umlauts).
bool sameName(std::string_view a, std::string_view b);

// A name (UTF-8) as a spreadsheet shows it in its cell: without blanks round it, its line breaks
// (Alt+Enter in Excel), tabs and no-break spaces one blank each.
std::string plainName(std::string_view name);

} // namespace salvenor::batch
