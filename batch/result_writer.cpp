#include "result_writer.h"

#include <algorithm>

namespace salvenor::batch {

namespace {

constexpr std::size_t kOutputFlushSize = std::size_t{1} << 20U;

} // namespace

ResultWriter::ResultWriter(std::ostream &out, Encoding encoding, char separator)
    : m_out(out)
    , m_encoding(encoding)
    , m_noBreakSpace(noBreakSpaceIn(encoding))
    , m_separator(separator)
{
    for (std::size_t r = 0; r < kResultColumns; ++r)
        m_resultNames.at(r) = encodeText(resultColumnNames().at(r), encoding);
    m_output.reserve(kOutputFlushSize + kRecordLimit);
    setSeparator(separator);
}

void ResultWriter::setSeparator(char separator)
{
    m_separator = separator;
    m_needsQuotes = std::string{separator} + "\"\r\n";
    m_moneyNeedsQuotes = std::string_view{"0123456789,.-"}.find(separator) != std::string_view::npos;
}

void ResultWriter::header(const CsvRecord &record, const ColumnMap &columns)
{
    m_output += record.bytes;
    for (std::size_t r = 0; r < kResultColumns; ++r) {
        if (!columns.resultPresent.at(r)) {
            // Quoted where they hold the separator ("Summe_Kind" with "_"), as any field.
            m_output += m_separator;
            appendField(m_resultNames.at(r));
        }
    }
}

// The row's own bytes; without the empty fields a spreadsheet writes after the header's last
// column, so that the results stand in their columns. `fieldCount` is what remains.
std::string_view ResultWriter::ownFields(
    const CsvRecord &record, const ColumnMap &columns, std::size_t &fieldCount) const
{
    fieldCount = record.fieldCount;
    if (record.fieldCount <= columns.fieldCount || columns.fieldCount == 0
        || !record.emptyFrom(columns.fieldCount, m_noBreakSpace))
        return record.bytes;
    fieldCount = columns.fieldCount;
    return record.bytes.substr(0, (*record.fields)[columns.fieldCount - 1].rawEnd);
}

void ResultWriter::calculated(const CsvRecord &record, const ColumnMap &columns, const BookingResult &result)
{
    if (columns.rerun) {
        rerunRow(record, columns, {}, &result);
        return;
    }
    std::size_t fieldCount = 0;
    m_output += ownFields(record, columns, fieldCount);
    if (fieldCount < columns.fieldCount) // the header's unnamed last columns, left out
        m_output.append(columns.fieldCount - fieldCount, m_separator);
    m_output += m_separator;
    m_output += std::to_string(result.nights);
    for (const CategoryResult &category : result.categories) {
        m_output += m_separator;
        appendMoney(category.sum);
    }
    m_output += m_separator;
    appendMoney(result.total);
    m_output += m_separator; // no error
}

void ResultWriter::faulty(const CsvRecord &record, const ColumnMap &columns, std::string_view errors)
{
    const bool surplusFields = record.fieldCount > columns.fieldCount && columns.fieldCount > 0
        && !record.emptyFrom(columns.fieldCount, m_noBreakSpace) && !record.tooLongField && !record.tooLong;
    if (surplusFields) {
        surplusRow(record, columns, errors);
        return;
    }
    if (columns.rerun || record.tooLongField || record.tooLong) {
        rerunRow(record, columns, errors, nullptr);
        return;
    }
    std::size_t fieldCount = 0;
    m_output += ownFields(record, columns, fieldCount);
    // Empty fields up to "Fehler": a short row is filled up, so that the message stands in its
    // column; a long one's extra fields take the first result columns, as their bytes stay.
    const std::size_t errorColumn = columns.fieldCount + kErrorColumn;
    m_output.append(fieldCount <= errorColumn ? errorColumn + 1 - fieldCount : 1, m_separator);
    appendField(encodeText(errors, m_encoding));
}

// A row with more fields than the header: its fields beyond the header are the user's, not figures,
// so no result is written over them, now or in a later run. In a new list they go after "Fehler",
// the result columns staying empty; in a list calculated before every field stays where it is and
// the message takes "Fehler" (or comes last, where the header has none).
void ResultWriter::surplusRow(const CsvRecord &record, const ColumnMap &columns, std::string_view errors)
{
    const auto isErrorColumn
        = [&columns](std::size_t i) { return i < columns.fieldCount && columns.resultAt[i] == kErrorColumn; };
    for (std::size_t i = 0; i < record.fieldCount; ++i) {
        if (i > 0)
            m_output += m_separator;
        if (!columns.rerun && i == columns.fieldCount) {
            m_output.append(kErrorColumn, m_separator);
            appendField(encodeText(errors, m_encoding));
            m_output += m_separator;
        }
        if (isErrorColumn(i))
            appendField(encodeText(errors, m_encoding));
        else
            m_output += record.rawField(i);
    }
    if (columns.rerun && !columns.resultPresent.at(kErrorColumn)) {
        m_output += m_separator;
        appendField(encodeText(errors, m_encoding));
    }
}

// Field by field: for a list calculated before, whose result columns get the new figures where
// they stand, and for a row that is too long, whose long fields stay empty. Every other field
// passes through as it is; result columns the list lacks are added at the end.
void ResultWriter::rerunRow(
    const CsvRecord &record, const ColumnMap &columns, std::string_view errors, const BookingResult *result)
{
    const auto resultField = [&](std::size_t r) {
        if (r == kErrorColumn) {
            appendField(encodeText(errors, m_encoding));
        } else if (result == nullptr) {
            return;
        } else if (r == kNightsColumn) {
            m_output += std::to_string(result->nights);
        } else if (r == kTotalColumn) {
            appendMoney(result->total);
        } else {
            appendMoney(result->categories.at(r - 1).sum);
        }
    };
    const std::size_t fields = std::max(record.fieldCount, columns.fieldCount);
    for (std::size_t i = 0; i < fields; ++i) {
        if (i > 0)
            m_output += m_separator;
        if (i < columns.fieldCount && columns.resultAt[i])
            resultField(*columns.resultAt[i]);
        else
            m_output += record.rawField(i);
    }
    for (std::size_t r = 0; r < kResultColumns; ++r) {
        if (!columns.resultPresent.at(r)) {
            m_output += m_separator;
            resultField(r);
        }
    }
}

void ResultWriter::broken(const CsvRecord &record, const ColumnMap &columns, std::string_view errors)
{
    const std::string_view body = record.tooLong ? std::string_view{} : record.bytes;
    std::size_t fields = 0;
    std::size_t start = 0;
    while (!body.empty() && start <= body.size()) {
        std::size_t end = body.find(m_separator, start);
        if (end == std::string_view::npos)
            end = body.size();
        if (fields > 0)
            m_output += m_separator;
        appendField(body.substr(start, end - start));
        ++fields;
        start = end + 1;
    }
    for (std::size_t i = std::max<std::size_t>(fields, 1); i < columns.fieldCount; ++i)
        m_output += m_separator;
    // The results stand in the header's places: empty, the message in "Fehler" at the end.
    for (std::size_t r = 0; r < kResultColumns; ++r) {
        if (!columns.resultPresent.at(r))
            m_output += m_separator;
    }
    if (columns.rerun)
        m_output += m_separator; // "Fehler" of the header, if it has one, stays empty
    appendField(encodeText(errors, m_encoding));
}

void ResultWriter::appendField(std::string_view text)
{
    // Quoted only where the text holds the separator, a quote or a line break.
    if (text.find_first_of(m_needsQuotes) == std::string_view::npos) {
        m_output += text;
        return;
    }
    m_output += '"';
    for (const char c : text) {
        if (c == '"')
            m_output += '"';
        m_output += c;
    }
    m_output += '"';
}

void ResultWriter::appendMoney(Money amount)
{
    if (m_moneyNeedsQuotes)
        m_output += '"';
    salvenor::appendMoney(m_output, amount);
    if (m_moneyNeedsQuotes)
        m_output += '"';
}

void ResultWriter::flushIfFull()
{
    if (m_output.size() < kOutputFlushSize)
        return;
    m_out.write(m_output.data(), static_cast<std::streamsize>(m_output.size()));
    m_output.clear();
}

void ResultWriter::finish()
{
    m_out.write(m_output.data(), static_cast<std::streamsize>(m_output.size()));
    m_output.clear();
}

} // namespace salvenor::batch
