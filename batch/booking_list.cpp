#include "booking_list.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "batch/result_writer.h"
#include "batch/text_encoding.h"
#include "core/date.h"

namespace salvenor::batch {

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 16U;
// The separators a header is tried with when the one given splits it into a single field.
constexpr std::string_view kUsualSeparators = ";,\t";

std::string_view trimmedBlanks(std::string_view text, std::string_view noBreakSpace)
{
    const auto blankAt = [](char c, char noBreakSpaceByte) { return c == ' ' || c == '\t' || c == noBreakSpaceByte; };
    if (text.empty() || (!blankAt(text.front(), noBreakSpace.front()) && !blankAt(text.back(), noBreakSpace.back())))
        return text; // the usual cell
    for (bool trimming = true; trimming;) {
        trimming = false;
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        // A no-break space, as spreadsheets and web pages put round a cell.
        if (text.starts_with(noBreakSpace)) {
            text.remove_prefix(noBreakSpace.size());
            trimming = true;
        }
        if (text.ends_with(noBreakSpace)) {
            text.remove_suffix(noBreakSpace.size());
            trimming = true;
        }
    }
    return text;
}

// Starts the next message of a row: its messages are joined by "; ".
std::string &nextMessage(std::string &errors)
{
    if (!errors.empty())
        errors += "; ";
    return errors;
}

// "14.03.2016 00:00", "14.03.2016 0:00" and "2016-03-14T00:00:00", as spreadsheets write a date with
// its time: the date.
std::string_view withoutTime(std::string_view text)
{
    const std::size_t gap = text.find_first_of(" T");
    if (gap == std::string_view::npos)
        return text;
    std::string_view time = text.substr(gap + 1);
    while (!time.empty() && time.front() == ' ')
        time.remove_prefix(1);
    // Hours of one or two digits, then minutes and perhaps seconds of two.
    const auto number = [&time](std::size_t leastDigits, int limit) {
        std::size_t digits = 0;
        int value = 0;
        while (digits < time.size() && digits < 2 && time[digits] >= '0' && time[digits] <= '9')
            value = value * 10 + (time[digits++] - '0');
        time.remove_prefix(digits);
        return digits >= leastDigits && value < limit;
    };
    const auto colon = [&time] {
        const bool found = time.starts_with(':');
        time.remove_prefix(found ? 1 : 0);
        return found;
    };
    constexpr int kHours = 24;
    constexpr int kMinutes = 60;
    bool valid = number(1, kHours) && colon() && number(2, kMinutes);
    if (valid && !time.empty())
        valid = colon() && number(2, kMinutes) && time.empty();
    return valid ? text.substr(0, gap) : text;
}

// A row that sums up the rows above it ("Summe;;;40;21"), as spreadsheets put under a list.
bool namesASum(std::string_view text)
{
    std::string word;
    for (const char c : text) {
        if (c >= 'A' && c <= 'Z')
            word += static_cast<char>(c - 'A' + 'a');
        else if (c >= 'a' && c <= 'z')
            word += c;
    }
    constexpr std::array<std::string_view, 7> kSumWords{
        "summe", "summen", "gesamt", "gesamtsumme", "insgesamt", "total", "zwischensumme"};
    return std::find(kSumWords.begin(), kSumWords.end(), word) != kSumWords.end();
}

// Reads the records of a booking list as its header and its rows, calculates each row through
// the core and hands it to the result writer.
class BookingListReader final : public CsvRecordSink
{
public:
    BookingListReader(std::ostream &out, const ListOptions &options, Encoding encoding, char separator, long firstLine)
        : m_options(options)
        , m_encoding(encoding)
        , m_noBreakSpace(noBreakSpaceIn(encoding))
        , m_writer(out, encoding, separator)
        , m_csv(separator, firstLine, *this)
        , m_separatorChecked(firstLine > 1 || options.separatorGiven) // a "sep=" line or the command line names it
    { }

    void raw(std::string_view bytes) { m_writer.raw(bytes); }
    void feed(std::string_view block) { m_csv.feed(block); }
    long rowsDone() const { return m_summary.rows; }
    ListSummary finish();

private:
    void record(const CsvRecord &record) override;
    void readHeader(const CsvRecord &record);
    bool triedAnotherSeparator(const CsvRecord &record);
    bool holdsAnArrival(const CsvRecord &record);
    bool isHeaderLine(const CsvRecord &record);
    bool isRepeatedHeader(const CsvRecord &record);
    bool isTrailer(const CsvRecord &record);
    void readRow(const CsvRecord &record);
    void faultyRow(const CsvRecord &record, const std::string &errors, const std::string &note);
    std::string_view value(const CsvRecord &record, std::optional<std::size_t> column);
    std::optional<Date> readDate(const CsvRecord &record, std::optional<std::size_t> column, std::string_view name,
        bool arrival, std::string &errors);
    int readCount(
        const CsvRecord &record, std::optional<std::size_t> column, const CategoryRules &category, std::string &errors);
    void message(long line, const std::string &text) const;

    const ListOptions &m_options;
    Encoding m_encoding;
    std::string_view m_noBreakSpace;
    ResultWriter m_writer;
    CsvReader m_csv;
    bool m_separatorChecked;
    bool m_headerRead = false;
    ColumnMap m_columns;
    std::vector<std::string> m_headerNames; // UTF-8, trimmed
    ListSummary m_summary;
    int m_errorLinesNamed = 0;
    std::string m_scratch;
};

void BookingListReader::message(long line, const std::string &text) const
{
    if (m_options.onMessage)
        m_options.onMessage("Zeile " + std::to_string(line) + ": " + text);
}

void BookingListReader::record(const CsvRecord &record)
{
    if (record.blank || (m_headerRead && isTrailer(record))) {
        // An empty line between records is no record: it passes through as it is. So does a line of
        // separators alone, as spreadsheet programs write empty rows within the range they export,
        // and a row of sums under the list.
        m_writer.raw(record.bytes);
    } else if (!m_headerRead) {
        if (triedAnotherSeparator(record))
            return;
        readHeader(record);
    } else if (isHeaderLine(record)) {
        if (isRepeatedHeader(record)) {
            m_writer.header(record, m_columns);
        } else {
            // Lists put together from several exports: the rows after a header are read by it.
            message(
                record.line, "Eine weitere Kopfzeile mit anderen Spalten; die Zeilen danach werden nach ihr gelesen.");
            readHeader(record);
        }
    } else {
        readRow(record);
    }
    m_writer.raw(record.lineEnd);
    m_writer.flushIfFull();
}

void BookingListReader::readHeader(const CsvRecord &record)
{
    if (record.broken())
        throw UnusableList(
            "Die Kopfzeile (Zeile " + std::to_string(record.line) + ") ist nicht lesbar: " + record.brokenQuote + ".");
    if (record.carriageReturnAlone)
        throw UnusableList("Die Kopfzeile enthält ein CR ohne LF; gelesen werden Zeilenenden aus CR LF, LF oder CR.");
    if (record.tooLong || record.tooLongField)
        throw UnusableList("Die Kopfzeile ist länger als " + std::to_string(kFieldLimit / 1024) + " KiB je Feld.");
    m_headerNames.clear();
    for (std::size_t i = 0; i < record.fieldCount; ++i) {
        const std::string name = decodeText(record.fieldText(i), m_encoding);
        m_headerNames.emplace_back(trimmedBlanks(name, "\xC2\xA0"));
    }
    m_columns = mapColumns(m_headerNames, m_options.passColumns, decodeText(record.bytes.substr(0, 200), m_encoding));
    m_headerRead = true;
    m_writer.header(record, m_columns);
}

// A header that is one field with the separator given, but holds both dates with another usual
// separator, is read with that one.
bool BookingListReader::triedAnotherSeparator(const CsvRecord &record)
{
    if (m_separatorChecked || (record.fieldCount != 1 && !record.broken()))
        return false;
    m_separatorChecked = true;
    const char separator = m_csv.separator();
    const std::string_view body = record.bytes;
    for (const char candidate : kUsualSeparators) {
        if (candidate == separator || body.find(candidate) == std::string_view::npos)
            continue;
        bool arrival = false;
        bool departure = false;
        std::size_t start = 0;
        while (start <= body.size()) {
            std::size_t end = body.find(candidate, start);
            if (end == std::string_view::npos)
                end = body.size();
            std::string_view name = trimmedBlanks(body.substr(start, end - start), m_noBreakSpace);
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = trimmedBlanks(name.substr(1, name.size() - 2), m_noBreakSpace);
            arrival = arrival || sameName(name, kArrivalColumn);
            departure = departure || sameName(name, kDepartureColumn);
            start = end + 1;
        }
        if (!arrival || !departure)
            continue;
        const auto shown = [](char c) { return c == '\t' ? std::string{"Tab"} : "„" + std::string(1, c) + "“"; };
        message(record.line,
            "Die Kopfzeile ist durch " + shown(candidate) + " getrennt, nicht durch " + shown(separator)
                + "; die Liste wird mit " + shown(candidate) + " gelesen und geschrieben (anders: --separator).");
        m_csv.readAgainWith(candidate);
        m_writer.setSeparator(candidate);
        return true;
    }
    return false;
}

// The header again, as lists put together from several exports have it.
bool BookingListReader::isRepeatedHeader(const CsvRecord &record)
{
    if (record.fieldCount != m_headerNames.size() || record.broken() || record.tooLong)
        return false;
    std::string scratch;
    for (std::size_t i = 0; i < record.fieldCount; ++i) {
        const std::string_view text = trimmedBlanks(record.fieldText(i, scratch), m_noBreakSpace);
        if (!sameName(decodeText(text, m_encoding), m_headerNames[i]))
            return false;
    }
    return true;
}

// The row's arrival begins with a digit: a booking's, whatever else the row holds.
bool BookingListReader::holdsAnArrival(const CsvRecord &record)
{
    const std::string_view arrival = value(record, m_columns.arrival);
    return !arrival.empty() && arrival.front() >= '0' && arrival.front() <= '9';
}

// A line that names both dates' columns: a header, not a booking.
bool BookingListReader::isHeaderLine(const CsvRecord &record)
{
    if (record.broken() || record.tooLong || holdsAnArrival(record))
        return false;
    bool arrivalNamed = false;
    bool departureNamed = false;
    std::string scratch;
    for (std::size_t i = 0; i < record.fieldCount; ++i) {
        const std::string_view text = trimmedBlanks(record.fieldText(i, scratch), m_noBreakSpace);
        arrivalNamed = arrivalNamed || sameName(text, kArrivalColumn);
        departureNamed = departureNamed || sameName(text, kDepartureColumn);
    }
    return arrivalNamed && departureNamed;
}

// A row of sums under the list: its first cell names a sum, and it holds no dates.
bool BookingListReader::isTrailer(const CsvRecord &record)
{
    if (record.broken() || holdsAnArrival(record))
        return false;
    std::string scratch;
    std::string_view first;
    for (std::size_t i = 0; i < record.fieldCount && first.empty(); ++i)
        first = trimmedBlanks(record.fieldText(i, scratch), m_noBreakSpace);
    if (!namesASum(first))
        return false;
    const std::string firstText{first};
    const auto noDate = [&firstText](std::string_view text) { return text.empty() || text == firstText; };
    return noDate(value(record, m_columns.arrival)) && noDate(value(record, m_columns.departure));
}

std::string_view BookingListReader::value(const CsvRecord &record, std::optional<std::size_t> column)
{
    if (!column)
        return {};
    return trimmedBlanks(record.fieldText(*column, m_scratch), m_noBreakSpace);
}

void BookingListReader::faultyRow(const CsvRecord &record, const std::string &errors, const std::string &note)
{
    ++m_summary.rowsWithErrors;
    if (m_errorLinesNamed < kErrorLinesNamed)
        message(record.line, note);
    else if (m_errorLinesNamed == kErrorLinesNamed)
        message(record.line, "weitere Zeilen mit Fehlern, siehe die Spalte „Fehler“ der Ergebnisliste.");
    ++m_errorLinesNamed;
    if (record.broken())
        m_writer.broken(record, m_columns, errors);
    else
        m_writer.faulty(record, m_columns, errors);
}

void BookingListReader::readRow(const CsvRecord &record)
{
    const long number = ++m_summary.rows;
    if (record.broken()) {
        faultyRow(record, record.brokenQuote, record.brokenQuoteNote);
        return;
    }
    std::string errors;
    // Too long: the row keeps its other fields, the long ones stay empty.
    if (record.tooLongField)
        errors = "Das Feld Nr. " + std::to_string(*record.tooLongField) + " ist länger als "
            + std::to_string(kFieldLimit / 1024) + " KiB und bleibt leer";
    if (record.tooLong)
        nextMessage(errors) += "Die Zeile ist länger als " + std::to_string(kRecordLimit / 1024)
            + " KiB, was danach kommt, bleibt leer";
    if (record.carriageReturnAlone)
        nextMessage(errors) += "Die Zeile enthält ein CR ohne LF";
    // Spreadsheets write separators after the last cell of some rows, or of the header only.
    const bool trailingSeparators
        = record.fieldCount > m_columns.fieldCount && record.emptyFrom(m_columns.fieldCount, m_noBreakSpace);
    const bool unnamedFieldsLeftOut
        = record.fieldCount < m_columns.fieldCount && record.fieldCount >= m_columns.namedFieldCount;
    if (record.fieldCount != m_columns.fieldCount && !trailingSeparators && !unnamedFieldsLeftOut) {
        nextMessage(errors) += "Die Zeile hat " + std::to_string(record.fieldCount)
            + (record.fieldCount == 1 ? " Feld" : " Felder") + ", die Kopfzeile hat "
            + std::to_string(m_columns.fieldCount);
    }
    const std::optional<Date> arrival = readDate(record, m_columns.arrival, kArrivalColumn, true, errors);
    const std::optional<Date> departure = readDate(record, m_columns.departure, kDepartureColumn, false, errors);
    if (arrival && departure && *departure < *arrival) {
        nextMessage(errors).append(kDepartureColumn).append(" ").append(dateText(*departure));
        errors.append(" liegt vor der Anreise ").append(dateText(*arrival));
    }
    Booking booking;
    for (const CategoryRules &category : kCategories) {
        const std::size_t index = indexOf(category.category);
        booking.counts.at(index) = readCount(record, m_columns.counts.at(index), category, errors);
    }
    if (!errors.empty()) {
        faultyRow(record, errors, errors + "; die Zeile wird nicht berechnet.");
        return;
    }
    booking.arrival = *arrival;
    booking.departure = *departure;
    const BookingResult result = calculateBooking(booking);
    m_summary.total += result.total;
    m_writer.calculated(record, m_columns, result);
    if (m_options.onCalculated) {
        m_options.onCalculated({.number = number,
            .line = record.line,
            .bytesRead = record.bytesRead,
            .reference = decodeText(value(record, m_columns.reference), m_encoding),
            .booking = booking,
            .result = result});
    }
}

std::optional<Date> BookingListReader::readDate(const CsvRecord &record, std::optional<std::size_t> column,
    std::string_view name, bool arrival, std::string &errors)
{
    const std::string_view text = value(record, column);
    const auto fail = [&](std::string_view what) {
        nextMessage(errors).append(name).append(" ").append(decodeText(text, m_encoding)).append(what);
        return std::nullopt;
    };
    if (text.empty()) {
        nextMessage(errors).append(name).append(" fehlt");
        return std::nullopt;
    }
    const std::string_view date = withoutTime(text);
    // "14.03.16" and "14,03,2016" too, as spreadsheets export and keypads type dates.
    const ParsedDate parsed = parseEnteredDate(date);
    if (parsed.kind == DateTextKind::NotADate) {
        nextMessage(errors).append(name).append(" „").append(decodeText(text, m_encoding));
        errors.append("“ ist kein Datum der Form TT.MM.JJJJ, TT.MM.JJ oder JJJJ-MM-TT");
        return std::nullopt;
    }
    if (parsed.kind == DateTextKind::NoSuchDay)
        return fail(" ist kein Kalendertag");
    const Date first = arrival ? kFirstArrival : kFirstDeparture;
    const Date last = arrival ? kLastArrival : kLastDeparture;
    if (parsed.date < first || parsed.date > last)
        return fail(" liegt außerhalb des Kalenders (" + dateText(first) + " bis " + dateText(last) + ")");
    return parsed.date;
}

int BookingListReader::readCount(
    const CsvRecord &record, std::optional<std::size_t> column, const CategoryRules &category, std::string &errors)
{
    const std::string_view text = value(record, column);
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
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1); // "0002" is 2
    if (!whole) {
        nextMessage(errors).append(category.key).append(" „").append(decodeText(text, m_encoding));
        errors.append("“ ist keine ganze Zahl");
        return 0;
    }
    // Beyond nine digits a count lies outside every category's range; fewer always fit an int.
    constexpr std::size_t kMostDigits = 9;
    int count = category.maxCount + 1;
    if (digits.size() <= kMostDigits) {
        count = 0;
        for (const char digit : digits)
            count = count * 10 + (digit - '0');
    }
    if (count > category.maxCount) {
        nextMessage(errors).append(category.key).append(" ").append(text).append(" liegt außerhalb von 0 bis ");
        errors.append(std::to_string(category.maxCount));
    }
    return count;
}

ListSummary BookingListReader::finish()
{
    m_csv.finish();
    if (!m_headerRead)
        throw UnusableList("Die Eingabe ist leer: Es fehlt die Kopfzeile mit den Spaltennamen.");
    m_writer.finish();
    m_summary.separator = m_csv.separator();
    return m_summary;
}

// "sep=X" (or "SEP=X") and its line end, where the list begins with it.
std::string_view separatorLineOf(std::string_view data)
{
    if (data.size() < 6 || !sameName(data.substr(0, 4), "sep="))
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

// The whole list's encoding, read before anything is written; the stream stands where it began.
Encoding encodingOf(std::istream &in, std::string &block)
{
    const std::istream::pos_type start = in.tellg();
    if (start == std::istream::pos_type(-1))
        throw std::invalid_argument("processBookingList: the input cannot be read twice");
    EncodingScan scan;
    bool first = true;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        const std::string_view data{block.data(), got};
        if (first && isUtf16(data)) {
            throw UnusableList("Die Eingabe ist UTF-16-Text (in Excel „Unicode-Text“); gelesen werden UTF-8 "
                               "und Windows-1252. Bitte in Excel als „CSV UTF-8 (durch Trennzeichen getrennt)“ "
                               "speichern.");
        }
        if (first && isWorkbook(data)) {
            throw UnusableList("Die Eingabe ist eine Arbeitsmappe (xlsx, ods oder xls), keine CSV-Liste. Bitte "
                               "in der Tabellenkalkulation als „CSV UTF-8 (durch Trennzeichen getrennt)“ "
                               "speichern.");
        }
        first = false;
        scan.feed(data);
    }
    if (in.bad())
        throw UnusableList("Die Eingabe konnte nicht gelesen werden.");
    in.clear();
    in.seekg(start);
    return scan.result();
}

} // namespace

ListSummary processBookingList(std::istream &in, std::ostream &out, const ListOptions &options)
{
    std::string block(kBlockSize, '\0');
    const Encoding encoding = encodingOf(in, block);
    std::optional<BookingListReader> reader;
    std::uint64_t bytesRead = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        std::string_view data{block.data(), got};
        bytesRead += got;
        if (!reader) {
            if (encoding == Encoding::Utf8WithByteOrderMark)
                data.remove_prefix(kByteOrderMark.size());
            const std::string_view separatorLine = separatorLineOf(data);
            // "sep=X" as Excel writes it: the list names its separator, unless the command line does;
            // the line stays for Excel.
            const char named = separatorLine.empty() ? options.separator : separatorLine[4];
            const char separator = options.separatorGiven ? options.separator : named;
            reader.emplace(out, options, encoding, separator, separatorLine.empty() ? 1 : 2);
            if (named != separator && options.onMessage) {
                options.onMessage(std::string{"Zeile 1: Die Liste nennt „"} + named
                    + "“ als Trennzeichen; gelesen wird " + "mit dem Trennzeichen von --separator.");
            }
            if (encoding == Encoding::Utf8WithByteOrderMark)
                reader->raw(kByteOrderMark);
            reader->raw(separatorLine);
            data.remove_prefix(separatorLine.size());
        }
        reader->feed(data);
        if (options.onProgress)
            options.onProgress(bytesRead, reader->rowsDone());
    }
    if (in.bad())
        throw UnusableList("Die Eingabe konnte nicht gelesen werden.");
    if (!reader)
        reader.emplace(out, options, encoding, options.separator, 1);
    return reader->finish();
}

} // namespace salvenor::batch
