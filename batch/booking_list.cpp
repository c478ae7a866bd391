#include "booking_list.h"

#include <algorithm>
#include <csv.h>
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

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Starts the next message of a row: its messages are joined by "; ".
std::string &nextMessage(std::string &errors)
{
    if (!errors.empty())
        errors += "; ";
    return errors;
}

// Where the columns the calculation reads stand in the header.
struct Columns
{
    std::optional<std::size_t> arrival;
    std::optional<std::size_t> departure;
    std::array<std::optional<std::size_t>, kCategoryCount> counts;
    std::size_t fieldCount = 0;
};

// The program's texts, in the list's encoding, made once.
struct Texts
{
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

// Collects the fields of one record from the CSV reader.
struct Record
{
    std::vector<std::string> fields;
    std::size_t count = 0;
    bool ended = false;
    // A field came after the record had ended within the same line: a CR without its LF.
    bool endedInsideLine = false;

    std::string_view field(std::size_t index) const
    {
        return index < count ? std::string_view{fields[index]} : std::string_view{};
    }
};

extern "C" void collectField(void *data, std::size_t length, void *target)
{
    auto *record = static_cast<Record *>(target);
    if (record->ended)
        record->endedInsideLine = true;
    if (record->count == record->fields.size())
        record->fields.emplace_back();
    record->fields[record->count++].assign(static_cast<const char *>(data), length);
}

extern "C" void endRecord(int /*terminator*/, void *target)
{
    static_cast<Record *>(target)->ended = true;
}

class ListWriter final
{
public:
    ListWriter(std::ostream &out, const ListOptions &options)
        : m_out(out)
        , m_options(options)
    {
        // Not strict: a quote inside an unquoted field is taken as it is, as spreadsheets do.
        if (csv_init(&m_parser, 0) != 0)
            throw std::bad_alloc();
        csv_set_delim(&m_parser, static_cast<unsigned char>(m_options.separator));
        m_needsQuotes = std::string{m_options.separator} + "\"\r\n";
    }
    ~ListWriter() { csv_free(&m_parser); }
    ListWriter(const ListWriter &) = delete;
    ListWriter &operator=(const ListWriter &) = delete;

    void start(Encoding encoding);
    void feed(std::string_view block);
    ListSummary finish();
    long rowsDone() const { return m_summary.rows; }

private:
    void readLine(std::string_view line);
    void completeRecord();
    void readHeader(std::string_view body);
    void writeRow(std::string_view body);
    std::optional<Date> readDate(
        std::optional<std::size_t> column, std::string_view name, bool arrival, std::string &errors) const;
    int readCount(std::optional<std::size_t> column, const CategoryRules &category, std::string &errors) const;
    void appendField(std::string_view text);
    void flushIfFull();

    std::ostream &m_out;
    const ListOptions &m_options;
    csv_parser m_parser{};
    Record m_record;
    std::string m_raw; // the record's bytes as read, over one or more lines
    std::string m_partialLine; // a line cut off by the end of a block
    std::string m_output;
    Encoding m_encoding = Encoding::Utf8;
    Texts m_texts;
    Columns m_columns;
    bool m_headerRead = false;
    ListSummary m_summary;
    std::string m_needsQuotes; // the characters that make a field need quotes
};

void ListWriter::start(Encoding encoding)
{
    m_encoding = encoding;
    const auto text = [encoding](std::string_view utf8) { return encodeText(utf8, encoding); };
    const std::string separator(1, m_options.separator);
    m_texts.header = separator + text("Nächte");
    for (const CategoryRules &category : kCategories)
        m_texts.header += separator + "Summe_" + std::string{category.key};
    m_texts.header += separator + "Gesamt" + separator + "Fehler";
    m_texts.notADate = text(" ist kein Datum der Form TT.MM.JJJJ oder JJJJ-MM-TT");
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
    m_texts.fieldsOfHeader = text(" Felder, die Kopfzeile hat ");
    if (encoding == Encoding::Utf8WithByteOrderMark)
        m_output += kByteOrderMark;
}

void ListWriter::feed(std::string_view block)
{
    std::size_t start = 0;
    while (start < block.size()) {
        const std::size_t newline = block.find('\n', start);
        if (newline == std::string_view::npos) {
            m_partialLine.append(block.substr(start));
            return;
        }
        const std::string_view line = block.substr(start, newline + 1 - start);
        if (m_partialLine.empty()) {
            readLine(line);
        } else {
            m_partialLine.append(line);
            readLine(m_partialLine);
            m_partialLine.clear();
        }
        start = newline + 1;
    }
}

void ListWriter::readLine(std::string_view line)
{
    // An empty line between records is no record: it passes through as it is.
    if (m_raw.empty() && (line == "\n" || line == "\r\n")) {
        m_output += line;
        return;
    }
    m_raw.append(line);
    if (csv_parse(&m_parser, line.data(), line.size(), collectField, endRecord, &m_record) != line.size())
        throw std::bad_alloc(); // the only error of the reader outside strict mode
    if (m_record.ended)
        completeRecord();
    flushIfFull();
}

ListSummary ListWriter::finish()
{
    if (!m_partialLine.empty()) {
        readLine(m_partialLine); // the last line, without a line end
        m_partialLine.clear();
    }
    // libcsv's state "in a field" (FIELD_BEGUN) of a quoted field: no closing quote came.
    constexpr int kInField = 2;
    if (m_parser.pstate == kInField && m_parser.quoted != 0) {
        // The input ended inside a quoted field: the row is incomplete and is not written.
        if (!m_headerRead)
            throw UnusableList("Die Kopfzeile endet mitten in einem Feld in Anführungszeichen.");
        m_summary.truncated = true;
        ++m_summary.rows;
        ++m_summary.rowsWithErrors;
        m_raw.clear();
    } else {
        csv_fini(&m_parser, collectField, endRecord, &m_record);
        if (m_record.ended || !m_raw.empty())
            completeRecord();
    }
    if (!m_headerRead)
        throw UnusableList("Die Eingabe ist leer: Es fehlt die Kopfzeile mit den Spaltennamen.");
    m_out.write(m_output.data(), static_cast<std::streamsize>(m_output.size()));
    m_output.clear();
    return m_summary;
}

void ListWriter::completeRecord()
{
    std::string_view body = m_raw;
    std::string_view terminator;
    if (body.ends_with("\r\n"))
        terminator = body.substr(body.size() - 2);
    else if (body.ends_with('\n'))
        terminator = body.substr(body.size() - 1);
    body.remove_suffix(terminator.size());
    if (m_headerRead) {
        writeRow(body);
    } else {
        if (m_record.endedInsideLine)
            throw UnusableList("Die Zeilen enden mit einem CR allein; gelesen werden Zeilenenden aus CR LF oder LF.");
        readHeader(body);
        m_output += body;
        m_output += m_texts.header;
    }
    m_output += terminator;
    m_raw.clear();
    m_record.count = 0;
    m_record.ended = false;
    m_record.endedInsideLine = false;
}

void ListWriter::readHeader(std::string_view body)
{
    m_headerRead = true;
    m_columns.fieldCount = m_record.count;
    for (std::size_t i = 0; i < m_record.count; ++i) {
        const std::string_view name = trimmed(m_record.field(i));
        const auto take = [&](std::optional<std::size_t> &column, std::string_view expected) {
            if (!sameName(name, expected))
                return;
            if (column)
                throw UnusableList("Die Spalte „" + std::string{expected} + "“ steht zweimal in der Kopfzeile.");
            column = i;
        };
        take(m_columns.arrival, kArrivalColumn);
        take(m_columns.departure, kDepartureColumn);
        for (const CategoryRules &category : kCategories)
            take(m_columns.counts.at(indexOf(category.category)), category.key);
    }
    if (!m_columns.arrival || !m_columns.departure) {
        const std::string_view missing = m_columns.arrival ? kDepartureColumn : kArrivalColumn;
        throw UnusableList("Die Kopfzeile hat keine Spalte „" + std::string{missing}
            + "“. Erste Zeile: " + std::string{body.substr(0, 200)});
    }
}

std::optional<Date> ListWriter::readDate(
    std::optional<std::size_t> column, std::string_view name, bool arrival, std::string &errors) const
{
    const std::string_view text = trimmed(m_record.field(*column));
    const auto fail = [&](std::string_view what) {
        nextMessage(errors).append(name).append(" ").append(text).append(what);
        return std::nullopt;
    };
    if (text.empty()) {
        nextMessage(errors).append(name).append(m_texts.missing);
        return std::nullopt;
    }
    const ParsedDate parsed = parseDateText(text);
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
    const std::string_view text = trimmed(m_record.field(*column));
    if (text.empty())
        return 0;
    const bool whole = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    // Beyond nine digits a count lies outside every category's range; fewer always fit an int.
    constexpr std::size_t kMostDigits = 9;
    int count = category.maxCount + 1;
    if (whole && text.size() <= kMostDigits) {
        count = 0;
        for (const char digit : text)
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

void ListWriter::writeRow(std::string_view body)
{
    const long number = ++m_summary.rows;
    std::string errors;
    if (m_record.endedInsideLine)
        errors = encodeText("Die Zeile enthält ein CR ohne LF", m_encoding);
    if (m_record.count != m_columns.fieldCount) {
        nextMessage(errors) += encodeText("Die Zeile hat ", m_encoding) + std::to_string(m_record.count)
            + m_texts.fieldsOfHeader + std::to_string(m_columns.fieldCount);
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

    m_output += body;
    // A short row is filled up with empty fields, so that the results stand in their columns.
    for (std::size_t i = m_record.count; i < m_columns.fieldCount; ++i)
        m_output += m_options.separator;
    if (!errors.empty()) {
        ++m_summary.rowsWithErrors;
        m_output.append(kCategoryCount + 2, m_options.separator); // no nights, sums or total
        m_output += m_options.separator;
        appendField(errors);
        return;
    }
    booking.arrival = *arrival;
    booking.departure = *departure;
    const BookingResult result = calculateBooking(booking);
    m_summary.total += result.total;
    m_output += m_options.separator;
    m_output += std::to_string(result.nights);
    for (const Money sum : result.sums) {
        m_output += m_options.separator;
        appendField(formatMoney(sum));
    }
    m_output += m_options.separator;
    appendField(formatMoney(result.total));
    m_output += m_options.separator; // no error
    if (m_options.onCalculated)
        m_options.onCalculated({.number = number, .booking = booking, .result = result});
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
    std::uint64_t bytesRead = 0;
    bool first = true;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        std::string_view data{block.data(), got};
        if (first) {
            const Encoding encoding = detectEncoding(data);
            writer.start(encoding);
            if (encoding == Encoding::Utf8WithByteOrderMark)
                data.remove_prefix(kByteOrderMark.size());
            first = false;
        }
        writer.feed(data);
        bytesRead += got;
        if (options.onProgress)
            options.onProgress(bytesRead, writer.rowsDone());
    }
    if (in.bad())
        throw UnusableList("Die Eingabe konnte nicht gelesen werden.");
    if (first)
        writer.start(Encoding::Utf8);
    return writer.finish();
}

} // namespace salvenor::batch
