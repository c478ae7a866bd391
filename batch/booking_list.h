#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "batch/column_map.h" // UnusableList
#include "batch/csv_reader.h" // kFieldLimit, kRecordLimit
#include "batch/text_encoding.h"
#include "core/booking.h"
#include "core/money.h"

namespace salvenor::batch {

struct CalculatedRow
{
    long number; // 1 for the first row after the header
    // The line of the input the row begins in (the header is line 1): the number a spreadsheet
    // shows for the row, and the one messages and calculation sheets name it by.
    long line;
    std::uint64_t bytesRead; // of the input, up to the end of the row
    // The booking's own reference, in UTF-8: its "Nr" column, else its first column where that is
    // none of the columns read; empty where the list has none.
    std::string reference;
    Booking booking;
    BookingResult result;
};

// The rows with errors named one by one on standard error; the rest only in "Fehler".
inline constexpr int kErrorLinesNamed = 5;

// The rows the columns of unknown names are judged on before anything is written, or fewer where
// what is held back for them reaches kBytesJudged first (long rows), so that memory stays flat.
inline constexpr long kRowsJudged = 1000;
inline constexpr std::size_t kBytesJudged = std::size_t{8} << 20U;

struct ListOptions
{
    // The separator of the fields. A first line "sep=X" names another; so does a header that holds
    // "Anreise" and "Abreise" only when split at another of ";", "," and Tab.
    char separator = ';';
    bool separatorGiven = false; // on the command line: it is taken whatever the list names
    // Columns passed through on purpose, whatever their names or cells look like (see UnusableList).
    std::vector<std::string> passColumns;
    // Columns read as a category's count, whatever their names (--column "Lehrer=Erwachsene").
    std::vector<ColumnAs> columnsAs;
    // The list's encoding as the user names it; else it is found by the rules of EncodingScan.
    std::optional<Encoding> encoding;
    // After each calculated row (the calculation sheets).
    std::function<void(const CalculatedRow &)> onCalculated;
    // After each block read: bytes read so far and rows done.
    std::function<void(std::uint64_t bytesRead, long rows)> onProgress;
    // Once for each header, before the rows' messages: which column is read as which category and
    // which pass through, and the encoding (German, UTF-8, one line).
    std::function<void(const std::string &report)> onColumns;
    // A German message for standard error (UTF-8) about the lines worth a look: the first rows with errors, a broken
    // record, the separator taken from the list, a quoted field over several lines that looks like a ditto mark, fields
    // of another encoding.
    std::function<void(const std::string &message)> onMessage;
};

struct ListSummary
{
    long rows = 0;
    long rowsWithErrors = 0;
    Money total; // of every calculated row
    char separator = ';'; // the one the list was read with
    // Names of --column (UTF-8) that no header of the list has: persons the user meant to charge
    // that were not found, an error of the run.
    std::vector<std::string> columnsNotFound;
};

// Reads a booking list (CSV with a header row) from `in` and writes it to `out` with the
// results added: the input's rows and columns byte for byte, then "Nächte", one "Summe_" column
// per category, "Gesamt" and "Fehler" (where the input has these columns already, from an earlier
// run, they are calculated again in their places). A row that cannot be calculated gets a German
// message in "Fehler" and no figures; the other rows are still calculated. Empty rows, a repeated
// header and a trailer row of sums pass through. A column whose name names no category and whose
// cells are whole numbers that could count persons refuses the list, judged on its first rows
// (kRowsJudged, kBytesJudged), of which nothing is written before; after them, such a number in a column empty
// so far is an error of its row. The list's encoding is decided from all of it
// before the first byte is written, so `in` is read twice: it must be able to seek back to where
// it stands (a file, a string; not a pipe). Reads and writes in blocks, so memory does not grow
// with the list.
ListSummary processBookingList(std::istream &in, std::ostream &out, const ListOptions &options);

} // namespace salvenor::batch
