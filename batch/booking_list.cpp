#include "booking_list.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "batch/text_encoding.h"
#include "core/contribution.h"

namespace salvenor::batch {

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 16U;
constexpr std::size_t kOutputFlushSize = std::size_t{1} << 20U;
constexpr std::string_view kArrivalColumn = "Anreise";
constexpr std::string_view kDepartureColumn = "Abreise";
// The separators a header is tried with when the one given splits it into a single field.
constexpr std::string_view kUsualSeparators = ";,\t";
// The added columns: the nights, one sum per category, the total and the errors.
constexpr std::size_t kResultColumns = kCategoryCount + 3;
constexpr std::size_t kErrorColumn = kResultColumns - 1;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

// A column name without case, blanks and punctuation: "Erw. Schwer" and "erw_schwer" alike.
std::string normalisedName(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c & 0x80) != 0)
            out += lowerAscii(c);
    }
    return out;
}

std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0U : 1U)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The category key a column name probably means, where it is close to one without being it:
// "Kinder", "Studenten", "erwachsener", "Erw Schwer", "Erw.".
std::optional<std::string_view> nearCategoryKey(std::string_view name)
{
    const std::string column = normalisedName(name);
    if (column.empty())
        return std::nullopt;
    std::optional<std::string_view> best;
    std::size_t bestScore = 0;
    for (const CategoryRules &category : kCategories) {
        const std::string key = normalisedName(category.key);
        // Short keys tolerate one change, longer ones two.
        const std::size_t tolerance = key.size() <= 4 ? 1 : 2;
        // An abbreviation ("Erw.", "Stud") is at least this long.
        constexpr std::size_t kShortestAbbreviation = 3;
        std::size_t score = 0;
        if (column == key)
            score = 1000;
        else if (const std::size_t distance = editDistance(column, key); distance <= tolerance)
            score = 600 - distance; // "Kinder_Schwer" means Kind_Schwer, not Kind
        else if (column.starts_with(key))
            score = 500 + key.size();
        else if (column.size() >= kShortestAbbreviation && key.starts_with(column))
            score = 300 + column.size();
        if (score > bestScore) {
            bestScore = score;
            best = category.key;
        }
    }
    return best;
}

// A column close to a category key without being one would count nobody: the list is refused.
void refuseNearMiss(std::string_view name)
{
    const std::optional<std::string_view> key = nearCategoryKey(name);
    if (!key)
        return;
    std::string keys;
    for (const CategoryRules &category : kCategories)
        keys.append(keys.empty() ? "" : ", ").append(category.key);
    throw UnusableList("Die Spalte „" + std::string{name} + "“ ist keine Personengruppe; gemeint ist wohl „"
        + std::string{*key} + "“. Personengruppen: " + keys + ". Die Spalte umbenennen oder mit --pass-column \""
        + std::string{name} + "\" unverändert durchreichen.");
}

// Starts the next message of a row: its messages are joined by "; ".
std::string &nextMessage(std::string &errors)
{
    if (!errors.empty())
        errors += "; ";
    return errors;
}

std::string kibText(std::size_t bytes)
{
    return std::to_string(bytes / 1024) + " KiB";
}

// Where the columns the calculation reads stand in the header.
struct Columns
{
    std::optional<std::size_t> arrival;
    std::optional<std::size_t> departure;
    std::array<std::optional<std::size_t>, kCategoryCount> counts;
    std::size_t fieldCount = 0;
    // Result columns the input has already (a list calculated before), by header position.
    std::vector<std::optional<std::size_t>> resultAt;
    std::array<bool, kResultColumns> resultPresent{};
    bool rerun = false;
};

// The program's texts, in the list's encoding, made once.
struct Texts
{
    std::array<std::string, kResultColumns> resultNames;
    std::string header; // separator and the names of the added columns
    std::string notADate;
    std::string noSuchDay;
    std::string outsideArrivals;
    std::string outsideDepartures;
    std::string missing;
    std::string beforeArrival;
    std::string notAWholeNumber;
    std::string outsideCounts;
    std::string openQuote;
    std::string closeQuote;
    std::string fieldsOfHeader;
};

// One field of a record, as offsets into the record's bytes.
struct FieldSpan
{
    std::size_t rawBegin = 0; // where the field begins, blanks and quotes included
    std::size_t begin = 0; // its text, inside the quotes
    std::size_t end = 0;
    std::size_t rawEnd = 0; // before the separator or the line end
    bool quoted = false;
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
    CarriageReturn, // a CR outside quotes: a line end if LF follows
    Broken, // the rest of a line whose quoted field was not closed as it should be
};

class ListWriter final
{
public:
    ListWriter(std::ostream &out, const ListOptions &options)
        : m_out(out)
        , m_options(options)
        , m_separator(options.separator)
    {
        m_raw.reserve(kBlockSize);
    }

    void start(Encoding encoding, std::string_view separatorLine);
    void feed(std::string_view block);
    ListSummary finish();
    long rowsDone() const { return m_summary.rows; }

private:
    void makeTexts();
    // What a byte read did: where reading goes on, and whether it stops there because bytes
    // were handed back (m_pending).
    struct Step
    {
        std::size_t next = 0;
        bool stop = false;
    };
    std::size_t scan(std::string_view bytes);
    Step scanStep(std::string_view bytes, std::size_t i);
    Step endOfLine(std::size_t next, std::string_view terminator);
    Step atFieldStart(char c, std::size_t i);
    std::size_t inUnquotedField(std::string_view bytes, std::size_t i);
    Step inQuotedField(char c, std::size_t i);
    Step afterQuote(char c, std::size_t i);
    void keep(char c);
    void drainPending();
    void endField(std::size_t at);
    void endRecord(std::string_view terminator);
    void recordBrokenQuote(std::string errors, const std::string &stderrText);
    void resetRecord();
    std::string fieldText(std::size_t index) const;
    void readHeader(std::string_view body);
    void takeResultColumns(const std::array<std::optional<std::size_t>, kResultColumns> &resultNamed);
    bool triedAnotherSeparator(std::string_view body);
    void writeRow(std::string_view body, std::string errors);
    void writeRerunRow(std::string_view body, const std::string &errors, const BookingResult *result);
    void writeBrokenRow(std::string_view body, const std::string &errors);
    std::optional<Date> readDate(
        std::optional<std::size_t> column, std::string_view name, bool arrival, std::string &errors) const;
    int readCount(std::optional<std::size_t> column, const CategoryRules &category, std::string &errors) const;
    void appendField(std::string_view text);
    void flushIfFull();
    void message(long line, const std::string &text) const;

    std::ostream &m_out;
    const ListOptions &m_options;
    char m_separator;
    bool m_separatorChecked = false;
    std::string m_output;
    Encoding m_encoding = Encoding::Utf8;
    Texts m_texts;
    Columns m_columns;
    bool m_headerRead = false;
    ListSummary m_summary;
    std::string m_needsQuotes; // the characters that make a field need quotes

    // The record being read.
    ScanState m_state = ScanState::RecordStart;
    std::string m_raw; // its bytes, up to kRecordLimit
    std::size_t m_size = 0; // its length, also beyond kRecordLimit
    std::vector<FieldSpan> m_fields;
    std::size_t m_fieldCount = 0;
    FieldSpan m_field;
    std::vector<std::size_t> m_lineStarts; // of its second and later lines
    long m_line = 1; // the line being read
    long m_recordLine = 1; // the line the record began in
    long m_quoteLine = 0; // the line the open quoted field began in
    bool m_blank = true; // only blanks and separators so far: an empty line
    bool m_carriageReturnAlone = false;
    std::optional<std::size_t> m_tooLongField; // the number (from 1) of the first field beyond kFieldLimit
    std::string m_brokenErrors; // the record is a broken one: its message
    std::string m_pending; // bytes to read again before the rest of the block
    std::uint64_t m_scanOrigin = 0; // bytes of the input before those being read
    std::uint64_t m_bytesRead = 0; // up to the end of the last record
};

void ListWriter::start(Encoding encoding, std::string_view separatorLine)
{
    m_encoding = encoding;
    if (encoding == Encoding::Utf8WithByteOrderMark)
        m_output += kByteOrderMark;
    if (!separatorLine.empty()) {
        // "sep=X" as Excel writes it: the list names its separator; the line stays for Excel.
        m_separator = separatorLine[4];
        m_separatorChecked = true;
        m_output += separatorLine;
        ++m_line;
        m_recordLine = m_line;
    }
    makeTexts();
}

void ListWriter::makeTexts()
{
    const Encoding encoding = m_encoding;
    const auto text = [encoding](std::string_view utf8) { return encodeText(utf8, encoding); };
    m_texts.resultNames.at(0) = text("Nächte");
    for (const CategoryRules &category : kCategories)
        m_texts.resultNames.at(1 + indexOf(category.category)) = "Summe_" + std::string{category.key};
    m_texts.resultNames.at(kCategoryCount + 1) = "Gesamt";
    m_texts.resultNames.at(kErrorColumn) = "Fehler";
    m_texts.header.clear();
    for (const std::string &name : m_texts.resultNames)
        m_texts.header.append(1, m_separator).append(name);
    m_texts.notADate = text(" ist kein Datum der Form TT.MM.JJJJ, TT.MM.JJ oder JJJJ-MM-TT");
    m_texts.noSuchDay = text(" ist kein Kalendertag");
    m_texts.outsideArrivals
        = text(" liegt außerhalb des Kalenders (") + dateText(kFirstArrival) + " bis " + dateText(kLastArrival) + ")";
    m_texts.outsideDepartures = text(" liegt außerhalb des Kalenders (") + dateText(kFirstDeparture) + " bis "
        + dateText(kLastDeparture) + ")";
    m_texts.missing = text(" fehlt");
    m_texts.beforeArrival = text(" liegt vor der Anreise ");
    m_texts.notAWholeNumber = text(" ist keine ganze Zahl");
    m_texts.outsideCounts = text(" liegt außerhalb von 0 bis ");
    m_texts.openQuote = text("„");
    m_texts.closeQuote = text("“");
    m_texts.fieldsOfHeader = text(", die Kopfzeile hat ");
    m_needsQuotes = std::string{m_separator} + "\"\r\n";
}

void ListWriter::message(long line, const std::string &text) const
{
    // A header that cannot be read refuses the list with its own message.
    if (m_options.onMessage && (m_headerRead || m_state == ScanState::RecordStart))
        m_options.onMessage("Zeile " + std::to_string(line) + ": " + text);
}

void ListWriter::feed(std::string_view block)
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
void ListWriter::drainPending()
{
    while (!m_pending.empty()) {
        std::string bytes = std::move(m_pending);
        m_pending.clear();
        const std::size_t done = scan(bytes);
        m_pending.append(bytes, done);
    }
}

void ListWriter::endField(std::size_t at)
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

void ListWriter::keep(char c)
{
    if (m_size < kRecordLimit)
        m_raw += c;
    ++m_size;
}

// Reads bytes into the record, ending records and fields as they come. Returns how many bytes
// were read; fewer than given where a broken record handed bytes back (m_pending).
std::size_t ListWriter::scan(std::string_view bytes)
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

ListWriter::Step ListWriter::scanStep(std::string_view bytes, std::size_t i)
{
    switch (m_state) {
    case ScanState::RecordStart:
        m_recordLine = m_line;
        m_field = FieldSpan{};
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
        if (bytes[i] == '\n') {
            keep('\n');
            return endOfLine(i + 1, "\r\n");
        }
        // A CR without its LF ends a field as a line would.
        m_carriageReturnAlone = true;
        m_state = ScanState::FieldStart;
        return {.next = i};
    case ScanState::Broken:
        keep(bytes[i]);
        if (bytes[i] != '\n')
            return {.next = i + 1};
        return endOfLine(i + 1, std::string_view{m_raw}.ends_with("\r\n") ? "\r\n" : "\n");
    }
    return {.next = i + 1};
}

// The record ends with the line: scanning stops where the header is to be read again.
ListWriter::Step ListWriter::endOfLine(std::size_t next, std::string_view terminator)
{
    m_bytesRead = m_scanOrigin + next;
    endRecord(terminator);
    return {.next = next, .stop = !m_pending.empty()};
}

ListWriter::Step ListWriter::atFieldStart(char c, std::size_t i)
{
    if (c == m_separator) {
        endField(m_size); // a line of separators alone is an empty row of a spreadsheet: no booking
    } else if (c == '"') {
        m_field.quoted = true;
        m_field.begin = m_size + 1;
        m_quoteLine = m_line;
        m_blank = false;
        m_state = ScanState::Quoted;
    } else if (c == '\r') {
        endField(m_size);
        m_state = ScanState::CarriageReturn;
    } else if (c == '\n') {
        endField(m_size);
        keep(c);
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
std::size_t ListWriter::inUnquotedField(std::string_view bytes, std::size_t i)
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

ListWriter::Step ListWriter::inQuotedField(char c, std::size_t i)
{
    if (c == '"') {
        m_field.end = m_size;
        m_state = ScanState::AfterQuote;
    }
    keep(c);
    if (c != '\n')
        return {.next = i + 1};
    ++m_line;
    m_lineStarts.push_back(m_size);
    if (m_size - m_field.begin <= kFieldLimit)
        return {.next = i + 1};
    // Still open after a field's limit: taken as a stray quote.
    recordBrokenQuote(encodeText("Das Feld in Anführungszeichen ab Zeile " + std::to_string(m_quoteLine) + " ist nach "
                              + kibText(kFieldLimit) + " noch nicht geschlossen",
                          m_encoding),
        "Das Feld in Anführungszeichen ist nach " + kibText(kFieldLimit) + " noch nicht geschlossen");
    return {.next = i + 1, .stop = true};
}

ListWriter::Step ListWriter::afterQuote(char c, std::size_t i)
{
    if (c == '"') {
        keep(c);
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
    const auto byte = static_cast<unsigned char>(c);
    const std::string shown
        = byte >= 0x20 && byte < 0x7F ? "„" + std::string(1, c) + "“" : std::string{"ein anderes Zeichen"};
    const std::string what = "auf das schließende Anführungszeichen in Zeile " + std::to_string(m_line) + " folgt "
        + shown + " statt des Trennzeichens oder des Zeilenendes";
    std::string errors = encodeText(
        "Das Feld in Anführungszeichen ab Zeile " + std::to_string(m_quoteLine) + " ist falsch geschlossen: " + what,
        m_encoding);
    if (m_quoteLine == m_line) {
        // The rest of this line belongs to the faulty row.
        m_brokenErrors = std::move(errors);
        message(m_quoteLine,
            "Das Feld in Anführungszeichen ist falsch geschlossen: " + what + "; die Zeile wird nicht berechnet.");
        m_state = ScanState::Broken;
        return {.next = i};
    }
    recordBrokenQuote(std::move(errors), "Das Feld in Anführungszeichen ist falsch geschlossen: " + what);
    return {.next = i, .stop = true};
}

// A quoted field of the record was not closed as it should be: the record up to the end of the
// line the field began in is one faulty row, and the lines after it are read again as rows.
void ListWriter::recordBrokenQuote(std::string errors, const std::string &stderrText)
{
    // m_lineStarts[k] is where line m_recordLine + k + 1 begins.
    const auto lineIndex = static_cast<std::size_t>(m_quoteLine - m_recordLine);
    std::size_t cut = lineIndex < m_lineStarts.size() ? m_lineStarts[lineIndex] : m_size;
    // Where the record outgrew its limit, the bytes after that line are gone: all is the faulty row.
    const bool readAgain = cut < m_size && m_size <= kRecordLimit;
    if (!readAgain)
        cut = m_size;
    message(m_quoteLine,
        stderrText + "; die Zeile wird nicht berechnet"
            + (readAgain ? ", ab Zeile " + std::to_string(m_quoteLine + 1) + " wird weitergelesen." : "."));
    if (readAgain) {
        m_pending = m_raw.substr(cut);
        m_raw.resize(cut);
        m_size = cut;
    }
    m_brokenErrors = std::move(errors);
    const long lineAfter = readAgain ? m_quoteLine + 1 : m_line;
    const std::string_view raw = m_raw;
    const char separator = m_separator;
    endRecord(raw.ends_with("\r\n") ? "\r\n" : (raw.ends_with('\n') ? "\n" : ""));
    if (m_separator == separator) // else the header is read again from its start
        m_line = lineAfter;
}

void ListWriter::resetRecord()
{
    m_raw.clear();
    m_size = 0;
    m_fieldCount = 0;
    m_lineStarts.clear();
    m_blank = true;
    m_carriageReturnAlone = false;
    m_tooLongField.reset();
    m_brokenErrors.clear();
    m_state = ScanState::RecordStart;
}

std::string ListWriter::fieldText(std::size_t index) const
{
    if (index >= m_fieldCount || index >= m_fields.size())
        return {};
    const FieldSpan &field = m_fields[index];
    if (field.end > m_raw.size() || field.begin > field.end || field.end - field.begin > kFieldLimit)
        return {};
    const std::string_view text = std::string_view{m_raw}.substr(field.begin, field.end - field.begin);
    if (!field.quoted)
        return std::string{text};
    std::string unquoted;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unquoted += text[i];
        if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"')
            ++i;
    }
    return unquoted;
}

void ListWriter::endRecord(std::string_view terminator)
{
    // At the end of the input the last field ends there.
    if (terminator.empty() && m_brokenErrors.empty()
        && (m_state == ScanState::FieldStart || m_state == ScanState::Unquoted || m_state == ScanState::AfterQuote))
        endField(m_size);
    // An empty line between records is no record: it passes through as it is. So does a line of
    // separators alone, as spreadsheet programs write empty rows within the range they export.
    if (m_blank && m_brokenErrors.empty() && !m_carriageReturnAlone && m_size <= kRecordLimit) {
        m_output += m_raw;
        if (!terminator.empty())
            ++m_line;
        resetRecord();
        return;
    }
    if (terminator == "\n" || terminator == "\r\n")
        ++m_line;
    std::string_view body = m_raw;
    if (m_size <= kRecordLimit)
        body.remove_suffix(std::min(terminator.size(), body.size()));
    const long recordLine = m_recordLine;
    if (!m_headerRead) {
        if (triedAnotherSeparator(body))
            return;
        if (!m_brokenErrors.empty())
            throw UnusableList(
                "Die Kopfzeile (Zeile " + std::to_string(recordLine) + ") ist nicht lesbar: " + m_brokenErrors + ".");
        if (m_carriageReturnAlone)
            throw UnusableList("Die Zeilen enden mit einem CR allein; gelesen werden Zeilenenden aus CR LF oder LF.");
        if (m_size > kRecordLimit || m_tooLongField)
            throw UnusableList("Die Kopfzeile ist länger als " + kibText(kFieldLimit) + " je Feld.");
        readHeader(body);
    } else if (!m_brokenErrors.empty()) {
        writeBrokenRow(m_size <= kRecordLimit ? body : std::string_view{}, m_brokenErrors);
    } else {
        std::string errors;
        // Too long: the row keeps its other fields, the long ones stay empty.
        std::string what;
        if (m_tooLongField)
            what = "Das Feld Nr. " + std::to_string(*m_tooLongField) + " ist länger als " + kibText(kFieldLimit)
                + " und bleibt leer";
        if (m_size > kRecordLimit)
            what += std::string{what.empty() ? "" : "; "} + "Die Zeile ist länger als " + kibText(kRecordLimit)
                + ", was danach kommt, bleibt leer";
        if (!what.empty()) {
            errors = encodeText(what, m_encoding);
            message(recordLine, what + "; die Zeile wird nicht berechnet.");
        }
        writeRow(body, std::move(errors));
    }
    m_output += terminator;
    resetRecord();
    flushIfFull();
}

// A header that is one field with the separator given, but holds both dates with another usual
// separator, is read with that one.
bool ListWriter::triedAnotherSeparator(std::string_view body)
{
    if (m_separatorChecked || (m_fieldCount != 1 && m_brokenErrors.empty()))
        return false;
    m_separatorChecked = true;
    for (const char candidate : kUsualSeparators) {
        if (candidate == m_separator || body.find(candidate) == std::string_view::npos)
            continue;
        bool arrival = false;
        bool departure = false;
        std::size_t start = 0;
        while (start <= body.size()) {
            std::size_t end = body.find(candidate, start);
            if (end == std::string_view::npos)
                end = body.size();
            std::string_view name = trimmed(body.substr(start, end - start));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = trimmed(name.substr(1, name.size() - 2));
            arrival = arrival || sameName(name, kArrivalColumn);
            departure = departure || sameName(name, kDepartureColumn);
            start = end + 1;
        }
        if (!arrival || !departure)
            continue;
        const auto shown = [](char c) { return c == '\t' ? std::string{"Tab"} : "„" + std::string(1, c) + "“"; };
        const std::string note = "Die Kopfzeile ist durch " + shown(candidate) + " getrennt, nicht durch "
            + shown(m_separator) + "; die Liste wird mit " + shown(candidate)
            + " gelesen und geschrieben (anders: --separator).";
        m_separator = candidate;
        makeTexts();
        // The header again, with the new separator.
        m_pending = m_raw + m_pending;
        const long line = m_recordLine;
        resetRecord();
        m_line = line;
        message(line, note);
        return true;
    }
    return false;
}

// A list of this program's has its "Summe_" columns; "Nächte", "Gesamt" or "Fehler" alone are the
// list's own columns (a hotel's total price) and pass through untouched.
void ListWriter::takeResultColumns(const std::array<std::optional<std::size_t>, kResultColumns> &resultNamed)
{
    for (std::size_t r = 1; r <= kCategoryCount; ++r)
        m_columns.rerun = m_columns.rerun || resultNamed.at(r).has_value();
    for (std::size_t r = 0; r < kResultColumns && m_columns.rerun; ++r) {
        if (resultNamed.at(r)) {
            m_columns.resultAt.at(*resultNamed.at(r)) = r;
            m_columns.resultPresent.at(r) = true;
        }
    }
}

void ListWriter::readHeader(std::string_view body)
{
    m_headerRead = true;
    m_columns.fieldCount = m_fieldCount;
    m_columns.resultAt.assign(m_fieldCount, std::nullopt);
    // Where each result column's name stands last: this program appends its columns after the list's own.
    std::array<std::optional<std::size_t>, kResultColumns> resultNamed{};
    for (std::size_t i = 0; i < m_fieldCount; ++i) {
        const std::string text = fieldText(i);
        const std::string_view name = trimmed(text);
        bool known = false;
        const auto take = [&](std::optional<std::size_t> &column, std::string_view expected) {
            if (!sameName(name, expected))
                return;
            if (column)
                throw UnusableList("Die Spalte „" + std::string{expected} + "“ steht zweimal in der Kopfzeile.");
            column = i;
            known = true;
        };
        take(m_columns.arrival, kArrivalColumn);
        take(m_columns.departure, kDepartureColumn);
        for (const CategoryRules &category : kCategories)
            take(m_columns.counts.at(indexOf(category.category)), category.key);
        for (std::size_t r = 0; r < kResultColumns; ++r) {
            if (!known && sameName(name, m_texts.resultNames.at(r))) {
                resultNamed.at(r) = i;
                known = true;
            }
        }
        // The names on the command line are UTF-8, the list's may be Windows-1252.
        const bool passed = std::any_of(m_options.passColumns.begin(), m_options.passColumns.end(),
            [this, name](const std::string &pass) { return sameName(trimmed(encodeText(pass, m_encoding)), name); });
        if (known || passed)
            continue;
        refuseNearMiss(decodeText(name, m_encoding));
    }
    takeResultColumns(resultNamed);
    if (!m_columns.arrival || !m_columns.departure) {
        const std::string_view missing = m_columns.arrival ? kDepartureColumn : kArrivalColumn;
        throw UnusableList("Die Kopfzeile hat keine Spalte „" + std::string{missing}
            + "“. Erste Zeile: " + decodeText(body.substr(0, 200), m_encoding));
    }
    m_output += body;
    for (std::size_t r = 0; r < kResultColumns; ++r) {
        if (!m_columns.resultPresent.at(r))
            m_output.append(1, m_separator).append(m_texts.resultNames.at(r));
    }
}

// Two-digit years ("14.03.16", as German spreadsheets export dates) are of this century: the
// calendars span 2001 to 2030.
std::string withFullYear(std::string_view text)
{
    const std::size_t lastPoint = text.rfind('.');
    const bool shortYear = lastPoint != std::string_view::npos && lastPoint + 3 == text.size()
        && std::all_of(text.begin() + static_cast<std::ptrdiff_t>(lastPoint) + 1, text.end(),
            [](char c) { return c >= '0' && c <= '9'; })
        && std::count(text.begin(), text.end(), '.') == 2;
    if (!shortYear)
        return std::string{text};
    return std::string{text.substr(0, lastPoint + 1)} + "20" + std::string{text.substr(lastPoint + 1)};
}

std::optional<Date> ListWriter::readDate(
    std::optional<std::size_t> column, std::string_view name, bool arrival, std::string &errors) const
{
    const std::string field = fieldText(*column);
    const std::string_view text = trimmed(field);
    const auto fail = [&](std::string_view what) {
        nextMessage(errors).append(name).append(" ").append(text).append(what);
        return std::nullopt;
    };
    if (text.empty()) {
        nextMessage(errors).append(name).append(m_texts.missing);
        return std::nullopt;
    }
    ParsedDate parsed = parseDateText(text);
    if (parsed.kind == DateTextKind::NotADate)
        parsed = parseDateText(withFullYear(text));
    if (parsed.kind == DateTextKind::NotADate) {
        nextMessage(errors).append(name).append(" ").append(m_texts.openQuote).append(text);
        errors.append(m_texts.closeQuote).append(m_texts.notADate);
        return std::nullopt;
    }
    if (parsed.kind == DateTextKind::NoSuchDay)
        return fail(m_texts.noSuchDay);
    const Date first = arrival ? kFirstArrival : kFirstDeparture;
    const Date last = arrival ? kLastArrival : kLastDeparture;
    if (parsed.date < first || parsed.date > last)
        return fail(arrival ? m_texts.outsideArrivals : m_texts.outsideDepartures);
    return parsed.date;
}

int ListWriter::readCount(std::optional<std::size_t> column, const CategoryRules &category, std::string &errors) const
{
    if (!column)
        return 0;
    const std::string field = fieldText(*column);
    const std::string_view text = trimmed(field);
    if (text.empty())
        return 0;
    // A count formatted as a number comes as "2,0" or "2.0": a zero fraction is the whole number.
    // Three digits after the point are a group of thousands ("1.000" as German spreadsheets group
    // digits), never taken for 1: a thousand lies outside every category's range.
    std::string_view digits = text;
    std::string grouped;
    if (const std::size_t point = text.find_first_of(",."); point != std::string_view::npos && point > 0
        && point + 1 < text.size()
        && std::all_of(
            text.begin() + static_cast<std::ptrdiff_t>(point) + 1, text.end(), [](char c) { return c == '0'; })) {
        constexpr std::size_t kGroupDigits = 3;
        grouped = std::string{text.substr(0, point)} + std::string{text.substr(point + 1)};
        digits = text.size() - point - 1 == kGroupDigits ? std::string_view{grouped} : text.substr(0, point);
    }
    const bool whole = std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    // Beyond nine digits a count lies outside every category's range; fewer always fit an int.
    constexpr std::size_t kMostDigits = 9;
    int count = category.maxCount + 1;
    if (whole && digits.size() <= kMostDigits) {
        count = 0;
        for (const char digit : digits)
            count = count * 10 + (digit - '0');
    }
    if (!whole) {
        nextMessage(errors).append(category.key).append(" ").append(m_texts.openQuote).append(text);
        errors.append(m_texts.closeQuote).append(m_texts.notAWholeNumber);
        return 0;
    }
    if (count > category.maxCount) {
        nextMessage(errors).append(category.key).append(" ").append(text).append(m_texts.outsideCounts);
        errors.append(std::to_string(category.maxCount));
    }
    return count;
}

void ListWriter::writeRow(std::string_view body, std::string errors)
{
    const long number = ++m_summary.rows;
    if (m_carriageReturnAlone)
        nextMessage(errors) += encodeText("Die Zeile enthält ein CR ohne LF", m_encoding);
    if (m_fieldCount != m_columns.fieldCount) {
        nextMessage(errors) += encodeText("Die Zeile hat ", m_encoding) + std::to_string(m_fieldCount)
            + (m_fieldCount == 1 ? " Feld" : " Felder") + m_texts.fieldsOfHeader + std::to_string(m_columns.fieldCount);
    }
    const std::optional<Date> arrival = readDate(m_columns.arrival, kArrivalColumn, true, errors);
    const std::optional<Date> departure = readDate(m_columns.departure, kDepartureColumn, false, errors);
    if (arrival && departure && *departure < *arrival) {
        nextMessage(errors)
            .append(kDepartureColumn)
            .append(" ")
            .append(dateText(*departure))
            .append(m_texts.beforeArrival);
        errors.append(dateText(*arrival));
    }
    Booking booking;
    for (const CategoryRules &category : kCategories)
        booking.counts.at(indexOf(category.category))
            = readCount(m_columns.counts.at(indexOf(category.category)), category, errors);

    if (!errors.empty()) {
        ++m_summary.rowsWithErrors;
        if (m_columns.rerun || m_tooLongField || m_size > kRecordLimit) {
            writeRerunRow(body, errors, nullptr);
            return;
        }
        m_output += body;
        // A short row is filled up with empty fields, so that the results stand in their columns.
        for (std::size_t i = m_fieldCount; i < m_columns.fieldCount; ++i)
            m_output += m_separator;
        m_output.append(kCategoryCount + 2, m_separator); // no nights, sums or total
        m_output += m_separator;
        appendField(errors);
        return;
    }
    booking.arrival = *arrival;
    booking.departure = *departure;
    const BookingResult result = calculateBooking(booking);
    m_summary.total += result.total;
    if (m_columns.rerun) {
        writeRerunRow(body, errors, &result);
    } else {
        m_output += body;
        m_output += m_separator;
        m_output += std::to_string(result.nights);
        for (const Money sum : result.sums) {
            m_output += m_separator;
            appendField(formatMoney(sum));
        }
        m_output += m_separator;
        appendField(formatMoney(result.total));
        m_output += m_separator; // no error
    }
    if (m_options.onCalculated) {
        m_options.onCalculated(
            {.number = number, .line = m_recordLine, .bytesRead = m_bytesRead, .booking = booking, .result = result});
    }
}

// Field by field: for a list calculated before, whose result columns get the new figures where
// they stand, and for a row that is too long, whose long fields stay empty. Every other field
// passes through as it is; result columns the list lacks are added at the end.
void ListWriter::writeRerunRow(std::string_view body, const std::string &errors, const BookingResult *result)
{
    const auto resultText = [&](std::size_t r) -> std::string {
        if (r == kErrorColumn)
            return errors;
        if (result == nullptr)
            return {};
        if (r == 0)
            return std::to_string(result->nights);
        if (r <= kCategoryCount)
            return formatMoney(result->sums.at(r - 1));
        return formatMoney(result->total);
    };
    const std::size_t fields = std::max(m_fieldCount, m_columns.fieldCount);
    for (std::size_t i = 0; i < fields; ++i) {
        if (i > 0)
            m_output += m_separator;
        if (i < m_columns.fieldCount && m_columns.resultAt[i]) {
            appendField(resultText(*m_columns.resultAt[i]));
        } else if (i < m_fieldCount && i < m_fields.size() && m_fields[i].rawEnd <= body.size()
            && m_fields[i].end - m_fields[i].begin <= kFieldLimit) {
            const FieldSpan &field = m_fields[i];
            m_output += body.substr(field.rawBegin, field.rawEnd - field.rawBegin);
        }
    }
    for (std::size_t r = 0; r < kResultColumns; ++r) {
        if (!m_columns.resultPresent.at(r)) {
            m_output += m_separator;
            appendField(resultText(r));
        }
    }
}

// A record that could not be read as fields: its text split at every separator, quotes taken as
// they stand, each part written as a proper field, so that the result list is sound CSV again.
void ListWriter::writeBrokenRow(std::string_view body, const std::string &errors)
{
    ++m_summary.rows;
    ++m_summary.rowsWithErrors;
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
    for (std::size_t i = std::max<std::size_t>(fields, 1); i < m_columns.fieldCount; ++i)
        m_output += m_separator;
    if (m_columns.rerun) {
        // The results stand in the header's places: empty, the message in "Fehler" at the end.
        for (std::size_t r = 0; r < kResultColumns; ++r) {
            if (!m_columns.resultPresent.at(r))
                m_output += m_separator;
        }
        m_output += m_separator;
        appendField(errors);
        return;
    }
    m_output.append(kCategoryCount + 2, m_separator);
    m_output += m_separator;
    appendField(errors);
}

ListSummary ListWriter::finish()
{
    drainPending();
    while (m_state != ScanState::RecordStart) {
        if (m_state == ScanState::Quoted) {
            // The input ended inside a quoted field: the line it began in is a faulty row, the
            // lines after it are read again.
            recordBrokenQuote(encodeText("Das Feld in Anführungszeichen ab Zeile " + std::to_string(m_quoteLine)
                                      + " wird bis zum Ende der Eingabe nicht geschlossen",
                                  m_encoding),
                "Das Feld in Anführungszeichen wird bis zum Ende der Eingabe nicht geschlossen");
        } else {
            // The last line, without a line end (or with a CR alone).
            endRecord(m_state == ScanState::CarriageReturn && m_size <= kRecordLimit ? "\r" : "");
        }
        drainPending();
    }
    if (!m_headerRead)
        throw UnusableList("Die Eingabe ist leer: Es fehlt die Kopfzeile mit den Spaltennamen.");
    m_out.write(m_output.data(), static_cast<std::streamsize>(m_output.size()));
    m_output.clear();
    m_summary.separator = m_separator;
    return m_summary;
}

void ListWriter::appendField(std::string_view text)
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

void ListWriter::flushIfFull()
{
    if (m_output.size() < kOutputFlushSize)
        return;
    m_out.write(m_output.data(), static_cast<std::streamsize>(m_output.size()));
    m_output.clear();
}

// "sep=X" and its line end, where the list begins with it.
std::string_view separatorLineOf(std::string_view data)
{
    if (!data.starts_with("sep=") || data.size() < 6)
        return {};
    const char separator = data[4];
    if (separator == '"' || separator == '\r' || separator == '\n')
        return {};
    if (data[5] == '\n')
        return data.substr(0, 6);
    if (data.substr(5).starts_with("\r\n"))
        return data.substr(0, 7);
    return {};
}

} // namespace

BookingResult calculateBooking(const Booking &booking)
{
    BookingResult result;
    result.nights = daysBetween(booking.arrival, booking.departure);
    for (const CategoryRules &category : kCategories) {
        const std::size_t index = indexOf(category.category);
        const int count = booking.counts.at(index);
        if (count == 0)
            continue; // nothing to pay, as the window's 0,00
        result.sums.at(index) = calculateCategory(category.category, booking.arrival, booking.departure, count).sum;
        result.total += result.sums.at(index);
    }
    return result;
}

ListSummary processBookingList(std::istream &in, std::ostream &out, const ListOptions &options)
{
    ListWriter writer{out, options};
    std::string block(kBlockSize, '\0');
    bool first = true;
    std::uint64_t bytesRead = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        std::string_view data{block.data(), got};
        bytesRead += got;
        if (first) {
            if (isUtf16(data)) {
                throw UnusableList("Die Eingabe ist UTF-16-Text (in Excel „Unicode-Text“); gelesen werden UTF-8 "
                                   "und Windows-1252. Bitte in Excel als „CSV UTF-8 (durch Trennzeichen getrennt)“ "
                                   "speichern.");
            }
            if (isWorkbook(data)) {
                throw UnusableList("Die Eingabe ist eine Arbeitsmappe (xlsx, ods oder xls), keine CSV-Liste. Bitte "
                                   "in der Tabellenkalkulation als „CSV UTF-8 (durch Trennzeichen getrennt)“ "
                                   "speichern.");
            }
            const Encoding encoding = detectEncoding(data);
            if (encoding == Encoding::Utf8WithByteOrderMark)
                data.remove_prefix(kByteOrderMark.size());
            const std::string_view separatorLine = separatorLineOf(data);
            writer.start(encoding, separatorLine);
            data.remove_prefix(separatorLine.size());
            first = false;
        }
        writer.feed(data);
        if (options.onProgress)
            options.onProgress(bytesRead, writer.rowsDone());
    }
    if (in.bad())
        throw UnusableList("Die Eingabe konnte nicht gelesen werden.");
    if (first)
        writer.start(Encoding::Utf8, {});
    return writer.finish();
}

} // namespace salvenor::batch
