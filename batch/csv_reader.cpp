#include "csv_reader.h"

#include <algorithm>

namespace salvenor::batch {

namespace {

std::string kibText(std::size_t bytes)
{
    return std::to_string(bytes / 1024) + " KiB";
}

} // namespace

std::string_view CsvRecord::rawField(std::size_t index) const
{
    if (index >= fieldCount || index >= fields->size())
        return {};
    const FieldSpan &field = (*fields)[index];
    if (field.rawEnd > bytes.size() || field.end - field.begin > kFieldLimit)
        return {};
    return bytes.substr(field.rawBegin, field.rawEnd - field.rawBegin);
}

std::string_view CsvRecord::quotedFieldText(const FieldSpan &field, std::string &scratch) const
{
    if (field.end > bytes.size() || field.begin > field.end || field.end - field.begin > kFieldLimit)
        return {};
    const std::string_view text = bytes.substr(field.begin, field.end - field.begin);
    if (text.find('"') == std::string_view::npos)
        return text;
    scratch.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        scratch += text[i];
        if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"')
            ++i;
    }
    return scratch;
}

std::string CsvRecord::fieldText(std::size_t index) const
{
    std::string scratch;
    return std::string{fieldText(index, scratch)};
}

bool CsvRecord::emptyFrom(std::size_t index, std::string_view noBreakSpace) const
{
    if (fieldCount > fields->size())
        return false; // fields beyond kRecordLimit
    std::string scratch;
    const std::string blanks = " \t" + std::string{noBreakSpace};
    for (std::size_t i = index; i < fieldCount; ++i) {
        if (fieldText(i, scratch).find_first_not_of(blanks) != std::string_view::npos)
            return false;
    }
    return true;
}

CsvReader::CsvReader(char separator, long firstLine, CsvRecordSink &sink)
    : m_sink(sink)
    , m_separator(separator)
    , m_line(firstLine)
    , m_recordLine(firstLine)
{
    constexpr std::size_t kUsualRecord = 4096;
    m_raw.reserve(kUsualRecord);
}

void CsvReader::feed(std::string_view block)
{
    const std::uint64_t origin = m_scanOrigin;
    std::size_t done = 0;
    while (done < block.size()) {
        m_scanOrigin = origin + done;
        done += scan(block.substr(done));
        drainPending();
    }
    m_scanOrigin = origin + block.size();
}

// Bytes handed back by a broken record are read again, before what follows them.
void CsvReader::drainPending()
{
    while (!m_pending.empty()) {
        std::string bytes = std::move(m_pending);
        m_pending.clear();
        const std::size_t done = scan(bytes);
        m_pending.append(bytes, done);
    }
}

void CsvReader::finish()
{
    drainPending();
    while (m_state != ScanState::RecordStart) {
        if (m_state == ScanState::Quoted) {
            // The input ended inside a quoted field: the line it began in is a faulty row, the
            // lines after it are read again.
            recordBrokenQuote("Das Feld in Anführungszeichen ab Zeile " + std::to_string(m_quoteLine)
                    + " wird bis zum Ende der Eingabe nicht geschlossen",
                "Das Feld in Anführungszeichen wird bis zum Ende der Eingabe nicht geschlossen");
        } else {
            // The last line, without a line end (or with a CR alone).
            endRecord(m_state == ScanState::CarriageReturn && m_size <= kRecordLimit ? "\r" : "");
        }
        drainPending();
    }
}

void CsvReader::readAgainWith(char separator)
{
    m_separator = separator;
    m_readAgain = true;
}

bool CsvReader::isLineBreak(char c) const
{
    return c == '\n' || (c == '\r' && m_lineEnds == LineEnds::CarriageReturnAlone);
}

void CsvReader::endField(std::size_t at)
{
    if (!m_field.quoted)
        m_field.end = at; // a quoted field's text ended at its closing quote
    m_field.rawEnd = at;
    if (m_field.end - m_field.begin > kFieldLimit && !m_tooLongField)
        m_tooLongField = m_fieldCount + 1;
    if (m_fieldCount < m_fields.size())
        m_fields[m_fieldCount] = m_field;
    else if (m_field.rawBegin < kRecordLimit)
        m_fields.push_back(m_field);
    ++m_fieldCount;
    m_field = FieldSpan{.rawBegin = at + 1, .begin = at + 1};
}

void CsvReader::keep(char c)
{
    if (m_size < kRecordLimit)
        m_raw += c;
    ++m_size;
}

// Reads bytes into the record, ending records and fields as they come. Returns how many bytes
// were read; fewer than given where a broken record handed bytes back (m_pending).
std::size_t CsvReader::scan(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const Step step = scanStep(bytes, i);
        i = step.next;
        if (step.stop)
            break;
    }
    return i;
}

namespace {

constexpr std::string_view kByteOrderMarkBytes = "\xEF\xBB\xBF";

} // namespace

CsvReader::Step CsvReader::scanStep(std::string_view bytes, std::size_t i)
{
    switch (m_state) {
    case ScanState::RecordStart:
        m_recordLine = m_line;
        m_field = FieldSpan{};
        m_state = ScanState::FieldStart;
        if (bytes.substr(i).starts_with(kByteOrderMarkBytes)) {
            // A byte-order mark starting a record (a second export joined to the first): kept as it
            // is, and read as a blank before the first field, so that a quote after it opens one.
            for (const char c : kByteOrderMarkBytes)
                keep(c);
            return {.next = i + kByteOrderMarkBytes.size()};
        }
        m_state = ScanState::RecordStart;
        if (const std::optional<Step> step = plainLine(bytes, i))
            return *step;
        m_state = ScanState::FieldStart;
        return atFieldStart(bytes[i], i);
    case ScanState::FieldStart:
        return atFieldStart(bytes[i], i);
    case ScanState::Unquoted:
        return {.next = inUnquotedField(bytes, i)};
    case ScanState::Quoted:
        return inQuotedField(bytes[i], i);
    case ScanState::AfterQuote:
        return afterQuote(bytes[i], i);
    case ScanState::CarriageReturn:
        return afterCarriageReturn(bytes[i], i);
    case ScanState::Broken:
        keep(bytes[i]);
        if (!isLineBreak(bytes[i]))
            return {.next = i + 1};
        if (bytes[i] == '\r')
            return endOfLine(i + 1, "\r");
        return endOfLine(i + 1, std::string_view{m_raw}.ends_with("\r\n") ? "\r\n" : "\n");
    }
    return {.next = i + 1};
}

// Most lines hold no quote and no CR but their line end: such a line, whole in the block, is read
// at once, with what reading it byte by byte would give.
std::optional<CsvReader::Step> CsvReader::plainLine(std::string_view bytes, std::size_t i)
{
    constexpr std::size_t kLongestPlainLine = 4096;
    if (m_lineEnds == LineEnds::CarriageReturnAlone)
        return std::nullopt;
    const std::size_t lineFeed = bytes.find('\n', i);
    if (lineFeed == std::string_view::npos || lineFeed - i > kLongestPlainLine)
        return std::nullopt;
    std::size_t end = lineFeed;
    if (end > i && bytes[end - 1] == '\r')
        --end;
    const std::string_view line = bytes.substr(i, end - i);
    if (line.find('"') != std::string_view::npos || line.find('\r') != std::string_view::npos)
        return std::nullopt;
    bool blank = true;
    std::size_t fieldCount = 0;
    for (std::size_t fieldStart = 0;;) {
        const std::size_t separator = std::min(line.find(m_separator, fieldStart), line.size());
        std::size_t begin = fieldStart;
        while (begin < separator && (line[begin] == ' ' || line[begin] == '\t'))
            ++begin;
        if (begin == separator)
            begin = fieldStart; // blanks alone are the field's text
        else
            blank = false;
        const FieldSpan field{
            .rawBegin = fieldStart, .begin = begin, .end = separator, .rawEnd = separator, .quoted = false};
        if (fieldCount < m_fields.size())
            m_fields[fieldCount] = field;
        else
            m_fields.push_back(field);
        ++fieldCount;
        if (separator == line.size())
            break;
        fieldStart = separator + 1;
    }
    m_raw.assign(bytes.substr(i, lineFeed + 1 - i));
    m_size = m_raw.size();
    m_fieldCount = fieldCount;
    m_blank = blank;
    if (m_lineEnds == LineEnds::NotYetSeen)
        m_lineEnds = LineEnds::LineFeed;
    m_state = ScanState::FieldStart; // as a line ends when read byte by byte
    return endOfLine(lineFeed + 1, end < lineFeed ? "\r\n" : "\n");
}

CsvReader::Step CsvReader::afterCarriageReturn(char c, std::size_t i)
{
    if (c == '\n') {
        keep('\n');
        if (m_lineEnds == LineEnds::NotYetSeen)
            m_lineEnds = LineEnds::LineFeed;
        return endOfLine(i + 1, "\r\n");
    }
    // Where the first line ends in a CR alone (as old Mac programs write), every CR ends a line.
    if (m_lineEnds != LineEnds::LineFeed) {
        m_lineEnds = LineEnds::CarriageReturnAlone;
        return endOfLine(i, "\r");
    }
    // Elsewhere a CR without its LF ends a field as a line would, and is an error of its row.
    m_carriageReturnAlone = true;
    m_state = ScanState::FieldStart;
    return {.next = i};
}

// The record ends with the line: scanning stops where the header is to be read again.
CsvReader::Step CsvReader::endOfLine(std::size_t next, std::string_view terminator)
{
    m_bytesRead = m_scanOrigin + next;
    endRecord(terminator);
    return {.next = next, .stop = !m_pending.empty()};
}

CsvReader::Step CsvReader::atFieldStart(char c, std::size_t i)
{
    if (c == m_separator) {
        endField(m_size); // a line of separators alone is an empty row of a spreadsheet: no booking
    } else if (c == '"') {
        m_field.quoted = true;
        m_field.begin = m_size + 1;
        m_quoteLine = m_line;
        m_state = ScanState::Quoted;
    } else if (c == '\r') {
        endField(m_size);
        m_state = ScanState::CarriageReturn;
    } else if (c == '\n') {
        endField(m_size);
        keep(c);
        if (m_lineEnds == LineEnds::NotYetSeen)
            m_lineEnds = LineEnds::LineFeed;
        return endOfLine(i + 1, "\n");
    } else if (c != ' ' && c != '\t') {
        m_field.begin = m_size;
        m_blank = false;
        m_state = ScanState::Unquoted;
    }
    keep(c);
    return {.next = i + 1};
}

// The common case, a run of bytes at a time; the separator or line end is read at FieldStart.
std::size_t CsvReader::inUnquotedField(std::string_view bytes, std::size_t i)
{
    const char separator = m_separator;
    std::size_t k = i;
    while (k < bytes.size() && bytes[k] != separator && bytes[k] != '\r' && bytes[k] != '\n')
        ++k;
    if (m_size < kRecordLimit)
        m_raw.append(bytes.substr(i, std::min(k - i, kRecordLimit - m_size)));
    m_size += k - i;
    if (k < bytes.size())
        m_state = ScanState::FieldStart;
    return k;
}

CsvReader::Step CsvReader::inQuotedField(char c, std::size_t i)
{
    if (c == '"') {
        m_field.end = m_size;
        m_state = ScanState::AfterQuote;
    } else {
        m_blank = false;
    }
    keep(c);
    if (!isLineBreak(c))
        return {.next = i + 1};
    ++m_line;
    m_lineStarts.push_back(m_size);
    if (m_size - m_field.begin <= kFieldLimit)
        return {.next = i + 1};
    // Still open after a field's limit: taken as a stray quote.
    recordBrokenQuote("Das Feld in Anführungszeichen ab Zeile " + std::to_string(m_quoteLine) + " ist nach "
            + kibText(kFieldLimit) + " noch nicht geschlossen",
        "Das Feld in Anführungszeichen ist nach " + kibText(kFieldLimit) + " noch nicht geschlossen");
    return {.next = i + 1, .stop = true};
}

CsvReader::Step CsvReader::afterQuote(char c, std::size_t i)
{
    if (c == '"') {
        keep(c);
        m_blank = false; // a quote in the text
        m_state = ScanState::Quoted;
        return {.next = i + 1};
    }
    if (c == m_separator || c == '\r' || c == '\n') {
        m_state = ScanState::FieldStart; // the field ends there, its text at the quote
        return {.next = i};
    }
    if (c == ' ' || c == '\t') {
        keep(c);
        return {.next = i + 1};
    }
    // RFC 4180: a closing quote is followed by the separator or the line end only.
    m_blank = false;
    const auto byte = static_cast<unsigned char>(c);
    const std::string shown
        = byte >= 0x20 && byte < 0x7F ? "„" + std::string(1, c) + "“" : std::string{"ein anderes Zeichen"};
    const std::string what = "auf das schließende Anführungszeichen in Zeile " + std::to_string(m_line) + " folgt "
        + shown + " statt des Trennzeichens oder des Zeilenendes";
    std::string errors
        = "Das Feld in Anführungszeichen ab Zeile " + std::to_string(m_quoteLine) + " ist falsch geschlossen: " + what;
    if (m_quoteLine == m_line) {
        // The rest of this line belongs to the faulty row.
        m_brokenErrors = std::move(errors);
        m_brokenNote
            = "Das Feld in Anführungszeichen ist falsch geschlossen: " + what + "; die Zeile wird nicht berechnet.";
        m_state = ScanState::Broken;
        return {.next = i};
    }
    recordBrokenQuote(std::move(errors), "Das Feld in Anführungszeichen ist falsch geschlossen: " + what);
    return {.next = i, .stop = true};
}

// A quoted field of the record was not closed as it should be: the record up to the end of the
// line the field began in is one faulty row, and the lines after it are read again as rows.
void CsvReader::recordBrokenQuote(std::string errors, const std::string &note)
{
    // m_lineStarts[k] is where line m_recordLine + k + 1 begins.
    const auto lineIndex = static_cast<std::size_t>(m_quoteLine - m_recordLine);
    std::size_t cut = lineIndex < m_lineStarts.size() ? m_lineStarts[lineIndex] : m_size;
    // Where the record outgrew its limit, the bytes after that line are gone: all is the faulty row.
    const bool readAgain = cut < m_size && m_size <= kRecordLimit;
    if (!readAgain)
        cut = m_size;
    m_brokenNote = note + "; die Zeile wird nicht berechnet"
        + (readAgain ? ", ab Zeile " + std::to_string(m_quoteLine + 1) + " wird weitergelesen." : ".");
    if (readAgain) {
        m_pending = m_raw.substr(cut);
        m_raw.resize(cut);
        m_size = cut;
    }
    m_brokenErrors = std::move(errors);
    const long lineAfter = readAgain ? m_quoteLine + 1 : m_line;
    const std::string_view raw = m_raw;
    std::string_view terminator;
    if (raw.ends_with("\r\n"))
        terminator = "\r\n";
    else if (raw.ends_with('\n'))
        terminator = "\n";
    else if (raw.ends_with('\r') && m_lineEnds == LineEnds::CarriageReturnAlone)
        terminator = "\r";
    const char separator = m_separator;
    endRecord(terminator);
    if (m_separator == separator) // else the header is read again from its start
        m_line = lineAfter;
}

void CsvReader::resetRecord()
{
    m_raw.clear();
    m_size = 0;
    m_fieldCount = 0;
    m_lineStarts.clear();
    m_blank = true;
    m_carriageReturnAlone = false;
    m_tooLongField.reset();
    m_brokenErrors.clear();
    m_brokenNote.clear();
    m_state = ScanState::RecordStart;
}

void CsvReader::endRecord(std::string_view terminator)
{
    // At the end of the input the last field ends there.
    if (terminator.empty() && m_brokenErrors.empty()
        && (m_state == ScanState::FieldStart || m_state == ScanState::Unquoted || m_state == ScanState::AfterQuote))
        endField(m_size);
    const bool blank = m_blank && m_brokenErrors.empty() && !m_carriageReturnAlone && m_size <= kRecordLimit;
    if (!terminator.empty())
        ++m_line;
    std::string_view bytes = m_raw;
    if (m_size <= kRecordLimit)
        bytes.remove_suffix(std::min(terminator.size(), bytes.size()));
    CsvRecord record{.bytes = bytes,
        .lineEnd = terminator,
        .line = m_recordLine,
        .lastLine = m_recordLine + static_cast<long>(m_lineStarts.size()),
        .bytesRead = m_bytesRead,
        .fields = &m_fields,
        .fieldCount = m_fieldCount,
        .blank = blank,
        .carriageReturnAlone = m_carriageReturnAlone,
        .tooLong = m_size > kRecordLimit,
        .tooLongField = m_tooLongField,
        .brokenQuote = std::move(m_brokenErrors),
        .brokenQuoteNote = std::move(m_brokenNote)};
    m_readAgain = false;
    m_sink.record(record);
    if (m_readAgain) {
        // The same bytes again, with the new separator.
        m_pending = m_raw + m_pending;
        const long line = m_recordLine;
        resetRecord();
        m_line = line;
        return;
    }
    resetRecord();
}

} // namespace salvenor::batch
