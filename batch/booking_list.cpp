#include "booking_list.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
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

// A count as spreadsheets write it: "2", "0002", "2,0" or "2.0". A zero fraction is the whole
// number; three digits after the point are a group of thousands ("1.000", as German spreadsheets
// group digits), never taken for 1. Nothing where the text is no whole number; kTooMany where it
// has more than nine digits.
constexpr int kTooMany = std::numeric_limits<int>::max();

std::optional<int> countIn(std::string_view text)
{
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
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1); // "0002" is 2
    // Beyond nine digits a count lies outside every category's range; fewer always fit an int.
    constexpr std::size_t kMostDigits = 9;
    if (digits.size() > kMostDigits)
        return kTooMany;
    int count = 0;
    for (const char digit : digits)
        count = count * 10 + (digit - '0');
    return count;
}

// A cell that could be a count of persons: a whole number no larger than the largest count of a category.
bool couldCountPersons(std::string_view text)
{
    static const int largest
        = std::max_element(kCategories.begin(), kCategories.end(), [](const auto &a, const auto &b) {
              return a.maxCount < b.maxCount;
          })->maxCount;
    const std::optional<int> count = countIn(text);
    return count && *count <= largest;
}

// What a cell of a column of an unknown name says of it.
enum class CellKind {
    Count, // a number that could count persons: "2", "2,0", "2 Pers.", "+2", "ca. 2", "zwei", "dto."
    Words, // text: a column of it counts nothing
    Other, // neither: a larger number, a fraction, a time ("41", "1,5", "14:00"), a placeholder ("-", "#NAME?")
};

// A cell as a spreadsheet shows its value: without the marks that keep a number as text ("'2",
// "=2", "=""2""" as "="2"") and with full-width digits as digits.
std::string shownValue(std::string_view text)
{
    if (text.starts_with('\'') || text.starts_with('='))
        text.remove_prefix(1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool fullWidthDigit = text.compare(i, 2, "\xEF\xBC") == 0 && i + 2 < text.size()
            && static_cast<unsigned char>(text[i + 2]) >= 0x90 && static_cast<unsigned char>(text[i + 2]) <= 0x99;
        value += fullWidthDigit ? static_cast<char>('0' + (static_cast<unsigned char>(text[i + 2]) - 0x90)) : text[i];
        i += fullWidthDigit ? 2 : 0;
    }
    return value;
}

// The letters of a cell in lower case (UTF-8 umlauts kept), without blanks and punctuation.
std::string lettersOf(std::string_view utf8)
{
    const std::string lower = lowerCase(utf8);
    std::string letters;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        if (lower[i] >= 'a' && lower[i] <= 'z')
            letters += lower[i];
        else if (lower[i] == '\xC3' && i + 1 < lower.size())
            letters.append(lower, i++, 2);
    }
    return letters;
}

// A number first: a count where it is whole and small, also with words after it.
CellKind kindOfNumberFirst(std::string_view rest, std::size_t digits)
{
    // A fraction other than zeros, three figures after the point (a thousand), or a time is no count.
    const std::string_view after = rest.substr(digits);
    if (after.size() >= 2 && (after[0] == ',' || after[0] == '.' || after[0] == ':') && after[1] >= '0'
        && after[1] <= '9') {
        const std::string_view figures = after.substr(1, after.find_first_not_of("0123456789", 1) - 1);
        constexpr std::size_t kGroupDigits = 3;
        if (after[0] == ':' || figures.find_first_not_of('0') != std::string_view::npos
            || figures.size() == kGroupDigits)
            return CellKind::Other;
    }
    return couldCountPersons(rest.substr(0, digits)) ? CellKind::Count : CellKind::Other;
}

// `utf8` is the cell read in the list's encoding.
CellKind kindOfCell(std::string_view utf8)
{
    if (utf8.find_first_of("\r\n") != std::string_view::npos)
        return CellKind::Words; // a remark over lines
    const std::string value = shownValue(utf8);
    std::string_view rest = value;
    while (!rest.empty() && (rest.front() == '+' || rest.front() == '(' || rest.front() == '~'))
        rest.remove_prefix(1);
    if (const std::size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size()); digits > 0)
        return kindOfNumberFirst(rest, digits);
    // A spreadsheet's error value: "#NAME?", "#WERT!", "#NV".
    if (value.starts_with('#') && value.size() > 2 && lettersOf(value).size() >= 2)
        return CellKind::Other;
    const std::string letters = lettersOf(value);
    // A small number behind a few letters: "ca. 2", "x2", "Nr. 2", "#2".
    constexpr std::size_t kFewLetters = 3;
    if (const std::size_t digit = value.find_first_of("0123456789");
        digit != std::string::npos && letters.size() <= kFewLetters) {
        if (digit > 0 && value[digit - 1] == '-')
            return CellKind::Other; // below zero
        const std::string_view number = std::string_view{value}.substr(digit);
        return kindOfNumberFirst(number, std::min(number.find_first_not_of("0123456789"), number.size()));
    }
    // Numbers in words, and the words for "the same as above", count.
    constexpr std::array<std::string_view, 29> kCounting{"eins", "ein", "eine", "einer", "zwei", "drei", "vier", "fünf",
        "sechs", "sieben", "acht", "neun", "zehn", "elf", "zwölf", "ii", "iii", "iv", "vi", "vii", "viii", "ix", "dto",
        "dito", "ditto", "do", "so", "wieoben", "idem"};
    if (std::find(kCounting.begin(), kCounting.end(), letters) != kCounting.end())
        return CellKind::Count;
    // Placeholders for nothing.
    constexpr std::array<std::string_view, 23> kNothing{"ka", "keine", "kein", "na", "nv", "nein", "leer", "nichts",
        "null", "none", "ohne", "nicht", "tbd", "offen", "nan", "nil", "entf", "entfällt", "unbekannt", "fehlt",
        "folgt", "ebenso", "gleich"};
    if (letters.size() < 2 || std::find(kNothing.begin(), kNothing.end(), letters) != kNothing.end())
        return CellKind::Other;
    return CellKind::Words;
}

// A quoted field over several lines that holds the separator and a date: a ditto mark (") in a
// row, as clerks type for "the same as above", opens a field that the next ditto mark closes, and
// the rows between are read as one. Such a field holds the rest of one row and the start of the
// next: as many separators as a row has, or a row's two dates among separators.
struct FieldOverLines
{
    std::string date; // the first; empty where the record has no such field
    int dates = 0;
    std::size_t separators = 0;
};

FieldOverLines dateInAFieldOverLines(const CsvRecord &record, char separator, std::string &scratch)
{
    const std::string partings{separator, '\r', '\n', ' ', '"'};
    FieldOverLines found;
    for (std::size_t i = 0; i < record.fieldCount && i < record.fields->size(); ++i) {
        if (!(*record.fields)[i].quoted)
            continue;
        const std::string_view text = record.fieldText(i, scratch);
        if (text.find(separator) == std::string_view::npos || text.find_first_of("\r\n") == std::string_view::npos)
            continue;
        FieldOverLines field{.date = {},
            .dates = 0,
            .separators = static_cast<std::size_t>(std::count(text.begin(), text.end(), separator))};
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find_first_of(partings, start), text.size());
            const std::string_view word = text.substr(start, end - start);
            constexpr std::size_t kShortestDate = 6; // "1.1.16"
            if (word.size() >= kShortestDate && parseEnteredDate(word).kind != DateTextKind::NotADate) {
                field.date = field.date.empty() ? std::string{word} : field.date;
                ++field.dates;
            }
            start = end + 1;
        }
        if (field.dates > found.dates)
            found = std::move(field);
    }
    return found;
}

// Reads the records of a booking list as its header and its rows, calculates each row through
// the core and hands it to the result writer. Until the columns of unknown names are judged, it
// holds back what it would write, say and hand over.
class BookingListReader final : public CsvRecordSink
{
public:
    BookingListReader(std::ostream &out, const ListOptions &options, ListEncoding encoding, char separator,
        long firstLine, std::uint64_t offsetOfFirstLine)
        : m_options(options)
        , m_encoding(std::move(encoding))
        , m_noBreakSpace(noBreakSpaceIn(m_encoding.encoding))
        , m_writer(out, m_encoding.encoding, separator)
        , m_csv(separator, firstLine, *this)
        , m_separatorChecked(firstLine > 1 || options.separatorGiven) // a "sep=" line or the command line names it
        , m_offsetOfFirstLine(offsetOfFirstLine)
    { }

    void raw(std::string_view bytes) { m_writer.raw(bytes); }
    void feed(std::string_view block) { m_csv.feed(block); }
    long rowsDone() const { return m_summary.rows; }
    ListSummary finish();

private:
    // A column of an unknown name, judged by its cells.
    struct UnknownColumn
    {
        std::size_t column;
        long counts = 0; // cells that could count persons
        // Its different texts (the first few): a column of names or remarks has many, while a
        // placeholder repeated ("entf.") is one.
        std::vector<std::string> words;

        void noteWords(std::string_view text)
        {
            constexpr std::size_t kWordsKept = 64;
            if (words.size() < kWordsKept && std::find(words.begin(), words.end(), text) == words.end())
                words.emplace_back(text);
        }
    };
    // A count column.
    struct CountColumn
    {
        std::size_t column;
        std::size_t category; // its index
        std::string label; // the category's key, with the column's name where that is another
    };

    void record(const CsvRecord &record) override;
    void readHeader(const CsvRecord &record);
    void judgeColumns();
    // A column of counts: cells that could count persons, no fewer than its different texts (a
    // placeholder or a word among the counts hides none).
    static bool counts(const UnknownColumn &unknown)
    {
        return unknown.counts > 0 && unknown.counts >= static_cast<long>(unknown.words.size());
    }
    void judgeCells(const CsvRecord &record, std::string &errors);
    bool triedAnotherSeparator(const CsvRecord &record);
    bool holdsAnArrival(const CsvRecord &record);
    bool isHeaderLine(const CsvRecord &record);
    bool isRepeatedHeader(const CsvRecord &record);
    bool isTrailer(const CsvRecord &record);
    void readRow(const CsvRecord &record);
    void noteDittoMarks(const CsvRecord &record, std::string &errors);
    bool hasItsFields(const CsvRecord &record) const;
    void faultyRow(const CsvRecord &record, const std::string &errors, const std::string &note);
    std::string_view value(const CsvRecord &record, std::optional<std::size_t> column);
    std::optional<Date> readDate(const CsvRecord &record, std::optional<std::size_t> column, std::string_view name,
        bool arrival, std::string &errors);
    int readCount(const CsvRecord &record, const CountColumn &column, std::string &errors);
    int countOf(std::string_view text, const CountColumn &column, std::string &errors) const;
    void noteOtherEncoding(const CsvRecord &record);
    void message(long line, const std::string &text);
    void say(const std::string &text);
    void calculatedRow(CalculatedRow row);

    const ListOptions &m_options;
    ListEncoding m_encoding;
    std::string_view m_noBreakSpace;
    ResultWriter m_writer;
    CsvReader m_csv;
    bool m_separatorChecked;
    bool m_headerRead = false;
    ColumnMap m_columns;
    std::vector<std::string> m_headerNames; // UTF-8, plain (see plainName)
    std::vector<std::string> m_headerFields; // as the list has them, for another encoding's reading
    std::string m_headerText; // the header line in UTF-8, for messages
    long m_headerLine = 1;
    std::vector<UnknownColumn> m_unknown;
    std::vector<CountColumn> m_countColumns; // in the order of the categories
    std::vector<bool> m_columnAsFound; // for each of ListOptions::columnsAs, in a header so far
    bool m_columnsSummed = false; // a category has more than one
    bool m_judged = false;
    std::vector<std::string> m_heldMessages;
    std::vector<CalculatedRow> m_heldRows;
    std::size_t m_heldBytes = 0; // of the messages and rows held
    int m_dittoMarksNamed = 0;
    ListSummary m_summary;
    int m_errorLinesNamed = 0;
    std::string m_scratch;
    std::uint64_t m_offsetOfFirstLine; // the input's bytes before the first line read (a byte-order mark, "sep=")
    std::size_t m_otherEncodingSeen = 0; // of m_encoding.otherKindAt
    std::vector<long> m_otherEncodingLines;
};

void BookingListReader::say(const std::string &text)
{
    if (!m_options.onMessage)
        return;
    if (m_judged) {
        m_options.onMessage(text);
    } else {
        m_heldBytes += text.size();
        m_heldMessages.push_back(text);
    }
}

void BookingListReader::message(long line, const std::string &text)
{
    say("Zeile " + std::to_string(line) + ": " + text);
}

void BookingListReader::calculatedRow(CalculatedRow row)
{
    if (m_judged) {
        m_options.onCalculated(row);
    } else {
        m_heldBytes += sizeof row + row.reference.size();
        m_heldRows.push_back(std::move(row));
    }
}

void BookingListReader::record(const CsvRecord &record)
{
    if (!m_encoding.otherKindAt.empty())
        noteOtherEncoding(record);
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
            if (!m_judged)
                judgeColumns(); // the rows so far, by the header they stand under
            readHeader(record);
        }
    } else {
        readRow(record);
    }
    m_writer.raw(record.lineEnd);
    if (!m_judged && (m_summary.rows >= kRowsJudged || m_writer.held() + m_heldBytes >= kBytesJudged))
        judgeColumns();
    if (m_judged)
        m_writer.flushIfFull();
}

// The lines that hold fields of the other kind than the list (see ListEncoding), by where they stand.
void BookingListReader::noteOtherEncoding(const CsvRecord &record)
{
    const std::vector<std::uint64_t> &at = m_encoding.otherKindAt;
    while (m_otherEncodingSeen < at.size() && at[m_otherEncodingSeen] < m_offsetOfFirstLine + record.bytesRead) {
        if (m_otherEncodingLines.empty() || m_otherEncodingLines.back() != record.line)
            m_otherEncodingLines.push_back(record.line);
        ++m_otherEncodingSeen;
    }
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
    m_headerFields.clear();
    for (std::size_t i = 0; i < record.fieldCount; ++i) {
        m_headerFields.push_back(record.fieldText(i));
        const std::string name = m_encoding.decode(m_headerFields.back());
        m_headerNames.push_back(plainName(name));
    }
    m_headerText = m_encoding.decode(record.bytes.substr(0, 200));
    m_headerLine = record.line;
    m_columns = mapColumns(m_headerNames,
        ColumnChoices{.passColumns = m_options.passColumns, .columnsAs = m_options.columnsAs}, m_headerText);
    for (std::size_t k = 0; k < m_options.columnsAs.size(); ++k) {
        const std::string name = plainName(m_options.columnsAs[k].name);
        m_columnAsFound.resize(m_options.columnsAs.size());
        m_columnAsFound[k] = m_columnAsFound[k]
            || std::any_of(m_headerNames.begin(), m_headerNames.end(),
                [&name](const std::string &header) { return sameName(header, name); });
    }
    m_countColumns.clear();
    m_columnsSummed = false;
    for (std::size_t index = 0; index < kCategoryCount; ++index) {
        for (const std::size_t column : m_columns.counts.at(index)) {
            const std::string_view key = kCategories.at(index).key;
            const std::string &name = m_headerNames[column];
            m_countColumns.push_back({.column = column,
                .category = index,
                .label = sameName(name, key) ? std::string{key} : name + " (" + std::string{key} + ")"});
        }
        m_columnsSummed = m_columnsSummed || m_columns.counts.at(index).size() > 1;
    }
    m_unknown.clear();
    for (const std::size_t column : m_columns.unknown)
        m_unknown.push_back({.column = column, .counts = 0, .words = {}});
    m_headerRead = true;
    m_writer.header(record, m_columns);
    if (m_judged) // a further header of the list: what its own names say is settled now
        judgeColumns();
}

// How a header name reads in the other encodings, where it reads otherwise: a hint for a list read
// in the wrong one.
std::string otherReadings(std::string_view field, const ListEncoding &encoding)
{
    const std::string asRead = encoding.decode(field);
    std::string readings;
    std::vector<std::string> seen{asRead};
    const auto add = [&](Encoding other) {
        const std::string reading = isTextOf(field, other) ? decodeText(field, other) : asRead;
        if (!isTextOf(field, other) || std::find(seen.begin(), seen.end(), reading) != seen.end())
            return;
        seen.push_back(reading);
        const PersonColumn person = personColumnOf(reading);
        readings.append(readings.empty() ? "" : "; ").append("mit --encoding ").append(encodingName(other));
        readings.append(" hieße sie „" + reading + "“");
        if (person.kind == PersonColumn::Kind::Category)
            readings.append(" (" + std::string{kCategories.at(indexOf(person.category)).key} + ")");
    };
    add(Encoding::Utf8);
    for (const Encoding other : kSingleByteEncodings)
        add(other);
    return readings.empty() ? readings : " In einer anderen Kodierung gelesen: " + readings + ".";
}

// The columns of unknown names are judged by the rows read so far, and the header's refusals
// given all at once; then what was held back goes out.
void BookingListReader::judgeColumns()
{
    std::vector<std::string> refusals = m_columns.refusals;
    for (const UnknownColumn &unknown : m_unknown) {
        if (counts(unknown)) {
            const std::size_t column = unknown.column;
            refusals.push_back(
                countLikeRefusal(m_headerNames[column], column) + otherReadings(m_headerFields[column], m_encoding));
        }
    }
    const bool anyCount
        = std::any_of(m_columns.counts.begin(), m_columns.counts.end(), [](const auto &read) { return !read.empty(); });
    if (refusals.empty() && !anyCount)
        refusals.push_back(noCountColumnRefusal(m_headerText, m_headerLine));
    if (!refusals.empty()) {
        std::string all;
        for (const std::string &refusal : refusals)
            all.append(all.empty() ? "" : "\n").append(refusal);
        throw UnusableList(all);
    }
    // Still watched: the columns with neither text nor counts so far.
    std::erase_if(m_unknown, [](const UnknownColumn &unknown) { return unknown.counts > 0 || !unknown.words.empty(); });
    const bool first = !m_judged;
    m_judged = true;
    if (m_options.onColumns) {
        m_options.onColumns(
            columnsReport(m_headerNames, m_columns) + "; Kodierung " + std::string{encodingName(m_encoding.encoding)});
    }
    if (!first)
        return;
    m_heldBytes = 0;
    for (const std::string &held : std::exchange(m_heldMessages, {}))
        m_options.onMessage(held);
    for (const CalculatedRow &held : std::exchange(m_heldRows, {}))
        m_options.onCalculated(held);
}

// The cells of the columns of unknown names: noted while they are judged; after that, a number in
// one empty so far makes its row an error, as nobody said what it counts.
void BookingListReader::judgeCells(const CsvRecord &record, std::string &errors)
{
    for (UnknownColumn &unknown : m_unknown) {
        const std::string_view text = value(record, unknown.column);
        if (text.empty())
            continue;
        const CellKind kind = kindOfCell(m_encoding.decode(text));
        if (kind == CellKind::Words && !m_judged)
            unknown.noteWords(text);
        if (kind != CellKind::Count)
            continue;
        // After the judged rows, every count in a column that held neither counts nor text there.
        if (m_judged)
            nextMessage(errors) += countLikeCellError(m_headerNames[unknown.column], unknown.column, text);
        ++unknown.counts;
    }
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
        if (!sameName(plainName(m_encoding.decode(text)), m_headerNames[i]))
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

// The row has the header's fields: also where a spreadsheet wrote separators after its last cell or
// left out the header's unnamed last columns, and, in a list calculated before, where a row added
// since ends before the results.
bool BookingListReader::hasItsFields(const CsvRecord &record) const
{
    const std::size_t expected = m_columns.fieldCount;
    if (record.fieldCount == expected)
        return true;
    if (record.fieldCount > expected)
        return record.emptyFrom(expected, m_noBreakSpace);
    const bool resultsLast = m_columns.rerun && m_columns.resultBlock + kResultColumns >= m_columns.namedFieldCount;
    return record.fieldCount >= m_columns.namedFieldCount
        || (resultsLast && record.fieldCount >= m_columns.resultBlock);
}

// A quoted field over several lines that looks like ditto marks: named, the first few of them.
// A quoted field over several lines that looks like ditto marks. Where it holds what a row holds
// (see FieldOverLines), it is an error of its row (two bookings read as one would price one of them as the
// other); where it holds less (a remark over two lines), it is named, the first few of them.
void BookingListReader::noteDittoMarks(const CsvRecord &record, std::string &errors)
{
    const FieldOverLines field = dateInAFieldOverLines(record, m_csv.separator(), m_scratch);
    if (field.date.empty())
        return;
    const std::string what = "Ein Feld in Anführungszeichen reicht bis Zeile " + std::to_string(record.lastLine)
        + " und enthält Trennzeichen und ein Datum (" + m_encoding.decode(field.date) + ")";
    if (field.separators + 1 >= m_columns.fieldCount || (field.dates >= 2 && field.separators >= 2)) {
        nextMessage(errors) += what
            + ": wohl Wiederholungszeichen \" für „wie oben“, die mehrere Buchungen zu einer machen; bitte die "
              "Werte selbst eintragen";
    } else if (m_dittoMarksNamed < kErrorLinesNamed) {
        message(record.line,
            what
                + ": Die Zeilen werden als eine Buchung gelesen. Steht dort ein Wiederholungszeichen \" für „wie "
                  "oben“, "
                  "bitte den Wert selbst eintragen.");
    } else if (m_dittoMarksNamed == kErrorLinesNamed) {
        message(record.line, "weitere Felder in Anführungszeichen über mehrere Zeilen mit einem Datum.");
    }
    ++m_dittoMarksNamed;
}

void BookingListReader::readRow(const CsvRecord &record)
{
    const long number = ++m_summary.rows;
    if (record.broken()) {
        faultyRow(record, record.brokenQuote, record.brokenQuoteNote);
        return;
    }
    std::string errors;
    if (record.lastLine > record.line)
        noteDittoMarks(record, errors);
    // Too long: the row keeps its other fields, the long ones stay empty.
    if (record.tooLongField)
        nextMessage(errors) += "Das Feld Nr. " + std::to_string(*record.tooLongField) + " ist länger als "
            + std::to_string(kFieldLimit / 1024) + " KiB und bleibt leer";
    if (record.tooLong)
        nextMessage(errors) += "Die Zeile ist länger als " + std::to_string(kRecordLimit / 1024)
            + " KiB, was danach kommt, bleibt leer";
    if (record.carriageReturnAlone)
        nextMessage(errors) += "Die Zeile enthält ein CR ohne LF";
    if (!hasItsFields(record)) {
        nextMessage(errors) += "Die Zeile hat " + std::to_string(record.fieldCount)
            + (record.fieldCount == 1 ? " Feld" : " Felder") + ", die Kopfzeile hat "
            + std::to_string(m_columns.fieldCount);
    }
    judgeCells(record, errors);
    const std::optional<Date> arrival = readDate(record, m_columns.arrival, kArrivalColumn, true, errors);
    const std::optional<Date> departure = readDate(record, m_columns.departure, kDepartureColumn, false, errors);
    if (arrival && departure && *departure < *arrival) {
        nextMessage(errors).append(kDepartureColumn).append(" ").append(dateText(*departure));
        errors.append(" liegt vor der Anreise ").append(dateText(*arrival));
    }
    Booking booking;
    for (const CountColumn &count : m_countColumns)
        booking.counts.at(count.category) += readCount(record, count, errors);
    for (std::size_t index = 0; index < kCategoryCount && m_columnsSummed; ++index) {
        const CategoryRules &category = kCategories.at(index);
        if (booking.counts.at(index) > category.maxCount) {
            nextMessage(errors)
                .append(category.key)
                .append(" zusammen ")
                .append(std::to_string(booking.counts.at(index)));
            errors.append(" liegt außerhalb von 0 bis ").append(std::to_string(category.maxCount));
        }
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
        calculatedRow({.number = number,
            .line = record.line,
            .bytesRead = record.bytesRead,
            .reference = m_encoding.decode(value(record, m_columns.reference)),
            .booking = booking,
            .result = result});
    }
}

std::optional<Date> BookingListReader::readDate(const CsvRecord &record, std::optional<std::size_t> column,
    std::string_view name, bool arrival, std::string &errors)
{
    const std::string_view text = value(record, column);
    const auto fail = [&](std::string_view what) {
        nextMessage(errors).append(name).append(" ").append(m_encoding.decode(text)).append(what);
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
        nextMessage(errors).append(name).append(" „").append(m_encoding.decode(text));
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

int BookingListReader::readCount(const CsvRecord &record, const CountColumn &column, std::string &errors)
{
    const std::string_view text = value(record, column.column);
    if (text.empty())
        return 0;
    const int most = kCategories.at(column.category).maxCount;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9' && text[0] - '0' <= most)
        return text[0] - '0'; // the usual cell
    return countOf(text, column, errors);
}

int BookingListReader::countOf(std::string_view text, const CountColumn &column, std::string &errors) const
{
    const std::optional<int> count = countIn(text);
    if (!count) {
        nextMessage(errors).append(column.label).append(" „").append(m_encoding.decode(text));
        errors.append("“ ist keine ganze Zahl");
        return 0;
    }
    const int most = kCategories.at(column.category).maxCount;
    if (*count > most) {
        nextMessage(errors).append(column.label).append(" ").append(text).append(" liegt außerhalb von 0 bis ");
        errors.append(std::to_string(most));
        return 0;
    }
    return *count;
}

ListSummary BookingListReader::finish()
{
    m_csv.finish();
    if (!m_headerRead)
        throw UnusableList("Die Eingabe ist leer: Es fehlt die Kopfzeile mit den Spaltennamen.");
    if (!m_judged)
        judgeColumns();
    for (std::size_t k = 0; k < m_options.columnsAs.size(); ++k) {
        if (k < m_columnAsFound.size() && m_columnAsFound[k])
            continue;
        const std::string &name = m_options.columnsAs[k].name;
        m_summary.columnsNotFound.push_back(name);
        if (m_options.onMessage) {
            m_options.onMessage("Die Spalte „" + name
                + "“ von --column steht in keiner Kopfzeile der Liste; ihre Personen sind nicht berechnet.");
        }
    }
    if (!m_otherEncodingLines.empty() && m_options.onMessage) {
        std::string lines;
        for (std::size_t i = 0; i < std::min<std::size_t>(m_otherEncodingLines.size(), kErrorLinesNamed); ++i)
            lines.append(i == 0 ? "" : ", ").append(std::to_string(m_otherEncodingLines[i]));
        if (m_otherEncodingLines.size() > kErrorLinesNamed || m_encoding.moreOfTheOtherKind)
            lines += " und weitere";
        const std::string single{encodingName(m_encoding.singleByte)};
        m_options.onMessage(isUtf8(m_encoding.encoding)
                ? "Die Liste ist UTF-8, hat aber Felder, die kein UTF-8 sind (Zeile " + lines + "); sie werden als "
                    + single + " gelesen und bleiben, wie sie sind (anders: --encoding)."
                : "Die Liste ist " + single + ", hat aber Felder in UTF-8 (Zeile " + lines
                    + "); sie werden als UTF-8 gelesen und bleiben, wie sie sind (anders: --encoding).");
    }
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
ListEncoding encodingOf(std::istream &in, std::string &block, std::optional<Encoding> forced)
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
            throw UnusableList("Die Eingabe ist UTF-16-Text (in Excel „Unicode-Text“); gelesen werden "
                + encodingNames() + ". Bitte in Excel als „CSV UTF-8 (durch Trennzeichen getrennt)“ speichern.");
        }
        if (first && isWorkbook(data)) {
            throw UnusableList("Die Eingabe ist eine Arbeitsmappe (xlsx, ods oder xls), keine CSV-Liste. Bitte "
                               "in der Tabellenkalkulation als „CSV UTF-8 (durch Trennzeichen getrennt)“ "
                               "speichern.");
        }
        if (first && data.find('\0') != std::string_view::npos)
            throw UnusableList("Die Eingabe enthält Null-Bytes und ist darum kein Text, keine CSV-Liste.");
        first = false;
        scan.feed(data);
    }
    if (in.bad())
        throw UnusableList("Die Eingabe konnte nicht gelesen werden.");
    in.clear();
    in.seekg(start);
    return forced ? scan.result(*forced) : scan.result();
}

} // namespace

ListSummary processBookingList(std::istream &in, std::ostream &out, const ListOptions &options)
{
    std::string block(kBlockSize, '\0');
    const ListEncoding encoding = encodingOf(in, block, options.encoding);
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
            const std::size_t before = data.size();
            // A byte-order mark stays at the top, whatever the list is read as.
            if (data.starts_with(kByteOrderMark))
                data.remove_prefix(kByteOrderMark.size());
            const std::string_view separatorLine = separatorLineOf(data);
            // "sep=X" as Excel writes it: the list names its separator, unless the command line does;
            // the line stays for Excel.
            const char named = separatorLine.empty() ? options.separator : separatorLine[4];
            const char separator = options.separatorGiven ? options.separator : named;
            reader.emplace(out, options, encoding, separator, separatorLine.empty() ? 1 : 2,
                before - data.size() + separatorLine.size());
            if (named != separator && options.onMessage) {
                options.onMessage(std::string{"Zeile 1: Die Liste nennt „"} + named
                    + "“ als Trennzeichen; gelesen wird " + "mit dem Trennzeichen von --separator.");
            }
            if (before != data.size())
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
        reader.emplace(out, options, encoding, options.separator, 1, 0);
    return reader->finish();
}

} // namespace salvenor::batch
