#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "batch/column_map.h"
#include "batch/csv_reader.h"
#include "batch/text_encoding.h"
#include "core/booking.h"

namespace salvenor::batch {

// Writes the result list: the input's rows and columns byte for byte, then the result columns the
// list lacks, each row's figures or its message in them. The program's own texts are written in
// the list's encoding, and a field is quoted only where its text needs it. Collects the output
// and writes it in large pieces.
class ResultWriter final
{
public:
    ResultWriter(std::ostream &out, Encoding encoding, char separator);

    void setSeparator(char separator);
    // Bytes as they are: a line end, an empty row, the separator line.
    void raw(std::string_view bytes) { m_output += bytes; }
    // The header with the names of the result columns it lacks (also a header repeated in the list).
    void header(const CsvRecord &record, const ColumnMap &columns);
    void calculated(const CsvRecord &record, const ColumnMap &columns, const BookingResult &result);
    // A row that cannot be calculated: no figures, the message (UTF-8) in "Fehler".
    void faulty(const CsvRecord &record, const ColumnMap &columns, std::string_view errors);
    // A record that could not be read as fields: its text split at every separator, quotes taken as
    // they stand, each part written as a proper field, so that the result list is sound CSV again.
    void broken(const CsvRecord &record, const ColumnMap &columns, std::string_view errors);
    void flushIfFull();
    // What is written but not yet handed to the stream.
    std::size_t held() const { return m_output.size(); }
    void finish();

private:
    std::string_view ownFields(const CsvRecord &record, const ColumnMap &columns, std::size_t &fieldCount) const;
    void surplusRow(const CsvRecord &record, const ColumnMap &columns, std::string_view errors);
    void rerunRow(
        const CsvRecord &record, const ColumnMap &columns, std::string_view errors, const BookingResult *result);
    void appendField(std::string_view text);
    void appendMoney(Money amount);

    std::ostream &m_out;
    Encoding m_encoding;
    std::string_view m_noBreakSpace;
    char m_separator;
    std::string m_output;
    std::string m_needsQuotes; // the characters that make a field need quotes
    bool m_moneyNeedsQuotes = false;
    std::array<std::string, kResultColumns> m_resultNames; // in the list's encoding
};

} // namespace salvenor::batch
