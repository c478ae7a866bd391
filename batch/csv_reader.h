#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace salvenor::batch {

// The longest field and the longest record read. A longer one is an error for its row and is not
// kept, so that memory stays flat whatever the input holds.
inline constexpr std::size_t kFieldLimit = std::size_t{64} * 1024;
inline constexpr std::size_t kRecordLimit = std::size_t{1024} * 1024;

// One field of a record, as offsets into the record's bytes.
struct FieldSpan
{
    std::size_t rawBegin = 0; // where the field begins, blanks and quotes included
    std::size_t begin = 0; // its text, inside the quotes
    std::size_t end = 0;
    std::size_t rawEnd = 0; // before the separator or the line end
    bool quoted = false;
};

// One record as the reader hands it over: a line of the list, or more where a quoted field holds
// line breaks.
struct CsvRecord
{
    std::string_view bytes; // without its line end; cut at kRecordLimit
    std::string_view lineEnd; // "\n", "\r\n", "\r", or empty at the end of the input
    long line = 0; // the line it begins in
    long lastLine = 0; // the line it ends in: a later one where a quoted field holds line breaks
    std::uint64_t bytesRead = 0; // of the input, up to its end
    const std::vector<FieldSpan> *fields = nullptr; // those within kRecordLimit
    std::size_t fieldCount = 0; // all of them
    // Only blanks and separators: an empty row of a spreadsheet, passed through as it is.
    bool blank = false;
    bool carriageReturnAlone = false; // a CR without LF inside the record
    bool tooLong = false; // beyond kRecordLimit: what follows is not kept
    std::optional<std::size_t> tooLongField; // the number (from 1) of the first field beyond kFieldLimit
    // A quoted field of the record was not closed as RFC 4180 says: the record cannot be read as
    // fields. Its message for the row, and the note for standard error (UTF-8).
    std::string brokenQuote;
    std::string brokenQuoteNote;

    bool broken() const { return !brokenQuote.empty(); }
    // A field as the list holds it, quotes and blanks included; empty where it was not kept.
    std::string_view rawField(std::size_t index) const;
    // A field's text, its quotes taken off and doubled quotes read as one; `scratch` holds it
    // where it had to be unquoted. Empty where the field is missing or was not kept.
    std::string_view fieldText(std::size_t index, std::string &scratch) const
    {
        if (index >= fieldCount || index >= fields->size())
            return {};
        const FieldSpan &field = (*fields)[index];
        // The usual field, unquoted and within the limits, is a part of the record as it stands.
        if (!field.quoted && field.end <= bytes.size() && field.end - field.begin <= kFieldLimit)
            return bytes.substr(field.begin, field.end - field.begin);
        return quotedFieldText(field, scratch);
    }
    std::string fieldText(std::size_t index) const;
    // No field from `index` on holds anything but blanks (and no-break spaces): the separators a spreadsheet writes
    // after the last cell. True where the record has no such fields.
    bool emptyFrom(std::size_t index, std::string_view noBreakSpace) const;

private:
    std::string_view quotedFieldText(const FieldSpan &field, std::string &scratch) const;
};

// Takes the records as they are read.
class CsvRecordSink
{
public:
    virtual void record(const CsvRecord &record) = 0;

protected:
    CsvRecordSink() = default;
    ~CsvRecordSink() = default;
    CsvRecordSink(const CsvRecordSink &) = default;
    CsvRecordSink &operator=(const CsvRecordSink &) = default;
};

// Where the reader stands between two bytes. The input comes in blocks of any size, so a field, a
// doubled quote or a CR LF may be cut between two of them: the state carries over to the next
// block, and finish() ends the record the last block left open (a quoted field that never closed
// is a faulty row then; the lines after its start are read again).
enum class ScanState {
    RecordStart, // nothing of the record read yet
    FieldStart, // blanks before a field
    Unquoted,
    Quoted,
    AfterQuote, // a quote inside a quoted field: its end, or the first of two
    CarriageReturn, // a CR outside quotes: a line end if LF follows, or where lines end in CR alone
    Broken, // the rest of a line whose quoted field was not closed as it should be
};

// Reads CSV as RFC 4180 says, in blocks, with the line of every record. A quote that opens a field
// and is not closed as it should be makes the line it began in one faulty record; reading goes
// on with the next line. Lines may end in LF, CR LF or, where the first line does, CR alone.
class CsvReader final
{
public:
    CsvReader(char separator, long firstLine, CsvRecordSink &sink);

    void feed(std::string_view block);
    // The end of the input: the last record, also without a line end.
    void finish();
    // From the sink, for the record it is given: read it again from its start with another
    // separator (a header that holds its names with another one).
    void readAgainWith(char separator);
    char separator() const { return m_separator; }

private:
    // What a byte read did: where reading goes on, and whether it stops there because bytes
    // were handed back (m_pending).
    struct Step
    {
        std::size_t next = 0;
        bool stop = false;
    };
    enum class LineEnds { NotYetSeen, LineFeed, CarriageReturnAlone };

    std::size_t scan(std::string_view bytes);
    Step scanStep(std::string_view bytes, std::size_t i);
    std::optional<Step> plainLine(std::string_view bytes, std::size_t i);
    Step endOfLine(std::size_t next, std::string_view terminator);
    Step atFieldStart(char c, std::size_t i);
    Step afterCarriageReturn(char c, std::size_t i);
    std::size_t inUnquotedField(std::string_view bytes, std::size_t i);
    Step inQuotedField(char c, std::size_t i);
    Step afterQuote(char c, std::size_t i);
    void keep(char c);
    void drainPending();
    void endField(std::size_t at);
    void endRecord(std::string_view terminator);
    void recordBrokenQuote(std::string errors, const std::string &note);
    void resetRecord();
    bool isLineBreak(char c) const;

    CsvRecordSink &m_sink;
    char m_separator;
    LineEnds m_lineEnds = LineEnds::NotYetSeen;
    bool m_readAgain = false;

    // The record being read.
    ScanState m_state = ScanState::RecordStart;
    std::string m_raw; // its bytes, up to kRecordLimit
    std::size_t m_size = 0; // its length, also beyond kRecordLimit
    std::vector<FieldSpan> m_fields;
    std::size_t m_fieldCount = 0;
    FieldSpan m_field;
    std::vector<std::size_t> m_lineStarts; // of its second and later lines
    long m_line; // the line being read
    long m_recordLine; // the line the record began in
    long m_quoteLine = 0; // the line the open quoted field began in
    bool m_blank = true; // only blanks and separators so far: an empty line
    bool m_carriageReturnAlone = false;
    std::optional<std::size_t> m_tooLongField;
    std::string m_brokenErrors; // the record is a broken one: its message
    std::string m_brokenNote;
    std::string m_pending; // bytes to read again before the rest of the block
    std::uint64_t m_scanOrigin = 0; // bytes of the input before those being read
    std::uint64_t m_bytesRead = 0; // up to the end of the last record
};

} // namespace salvenor::batch
