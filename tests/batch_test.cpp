#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "batch/booking_list.h"
#include "batch/column_map.h"
#include "batch/text_encoding.h"
#include "core/contribution.h"
#include "money_text.h"
#include "test_support.h"
#include "worked_examples.h"

namespace salvenor::batch {
namespace {

using namespace std::string_literals;

// The core's sum as the list writes it.
std::string sumText(PersonCategory category, Date arrival, Date departure, int count)
{
    return formatMoney(calculateCategory(category, arrival, departure, count).sum);
}

std::string readFile(const std::string &name)
{
    std::ifstream file{std::string{SALVENOR_TEST_DATA} + "/batch/" + name, std::ios::binary};
    EXPECT_TRUE(file) << name;
    return {std::istreambuf_iterator<char>{file}, std::istreambuf_iterator<char>{}};
}

struct ProcessedList
{
    std::string output;
    ListSummary summary;
    std::vector<std::string> messages; // for standard error
};

ProcessedList process(const std::string &input, char separator = ';', std::vector<std::string> passColumns = {})
{
    std::istringstream in{input};
    std::ostringstream out;
    ListOptions options;
    options.separator = separator;
    options.passColumns = std::move(passColumns);
    ProcessedList run;
    options.onMessage = [&run](const std::string &message) { run.messages.push_back(message); };
    run.summary = processBookingList(in, out, options);
    run.output = out.str();
    return run;
}

// Why the list is refused, or "accepted".
std::string reasonFor(const std::string &input, std::vector<std::string> passColumns = {})
{
    try {
        process(input, ';', std::move(passColumns));
    } catch (const UnusableList &refused) {
        return refused.what();
    }
    return "accepted";
}

// The fields of one CSV line, quotes removed (what a spreadsheet reads).
std::vector<std::string> fieldsOf(const std::string &line, char separator = ';')
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

// The records of a whole CSV text, quotes removed; a quoted field may hold line breaks.
std::vector<std::vector<std::string>> recordsOf(const std::string &text, char separator)
{
    std::vector<std::vector<std::string>> records;
    std::string line;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == '\n' && !quoted) {
            records.push_back(fieldsOf(line, separator));
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        records.push_back(fieldsOf(line, separator));
    return records;
}

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in{text};
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The column of that name in a result list's header.
std::size_t columnOf(const std::vector<std::string> &header, const std::string &name)
{
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == name)
            return i;
    }
    ADD_FAILURE() << "no column " << name;
    return 0;
}

struct GoldenFile
{
    const char *input;
    char separator;
    const char *expected;
    long rows;
    long rowsWithErrors;
};

void PrintTo(const GoldenFile &golden, std::ostream *os)
{
    *os << golden.input;
}

class GoldenFiles : public testing::TestWithParam<GoldenFile>
{
};

TEST_P(GoldenFiles, AreWrittenByteForByte)
{
    const GoldenFile &golden = GetParam();
    const ProcessedList run = process(readFile(golden.input), golden.separator);
    EXPECT_EQ(run.output, readFile(golden.expected));
    EXPECT_EQ(run.summary.rows, golden.rows);
    EXPECT_EQ(run.summary.rowsWithErrors, golden.rowsWithErrors);
    // The summary's total is the sum of the list's own totals, so a tariff change touches only
    // the expected lists.
    const auto records = recordsOf(readFile(golden.expected), golden.separator);
    const std::size_t totalColumn = columnOf(records.at(0), "Gesamt");
    Money total;
    for (std::size_t i = 1; i < records.size(); ++i) {
        // An empty line stays one empty field; a faulty row has no total.
        if (records[i].size() > totalColumn && !records[i][totalColumn].empty())
            total += test::parseMoney(records[i][totalColumn]);
    }
    EXPECT_NE(formatMoney(total), "0,00");
    EXPECT_EQ(formatMoney(run.summary.total), formatMoney(total));
}

// A byte-order mark, CRLF, quoted fields with separators, quotes and a line break, ISO and
// German dates, empty cells, an empty line, and every kind of bad row; and a Windows-1252 list
// with commas, whose umlauts pass through and whose new texts are written in Windows-1252.
INSTANTIATE_TEST_SUITE_P(Lists, GoldenFiles,
    testing::Values(GoldenFile{.input = "bookings-utf8-bom-crlf.csv",
                        .separator = ';',
                        .expected = "bookings-utf8-bom-crlf.expected.csv",
                        .rows = 13,
                        .rowsWithErrors = 8},
        GoldenFile{.input = "bookings-windows1252.csv",
            .separator = ',',
            .expected = "bookings-windows1252.expected.csv",
            .rows = 3,
            .rowsWithErrors = 1}),
    [](const testing::TestParamInfo<GoldenFile> &row) { return row.param.separator == ';' ? "Utf8" : "Windows1252"; });

TEST(BookingList, WorkedExamplesAgreeWithTheCore)
{
    std::vector<test::SumExample> examples = test::kAdultExamples;
    examples.insert(examples.end(), test::kSingleTariffExamples.begin(), test::kSingleTariffExamples.end());
    examples.insert(examples.end(), test::kLaterYearExamples.begin(), test::kLaterYearExamples.end());
    std::string input = "Anreise;Abreise";
    for (const CategoryRules &category : kCategories)
        input.append(";").append(category.key);
    input += "\n";
    for (const test::SumExample &example : examples) {
        input.append(example.arrival).append(";").append(example.departure);
        for (const CategoryRules &category : kCategories) {
            input.append(";");
            if (category.category == example.category)
                input.append(std::to_string(example.count));
        }
        input += "\n";
    }
    // The typical request: two adults from Monday 14.03.2016 to Friday.
    input += "14.03.2016;18.03.2016;2" + std::string(kCategoryCount - 1, ';') + "\n";

    const ProcessedList run = process(input);
    const auto lines = linesOf(run.output);
    ASSERT_EQ(lines.size(), examples.size() + 2);
    const auto header = fieldsOf(lines[0]);
    for (std::size_t i = 0; i < examples.size(); ++i) {
        const test::SumExample &example = examples[i];
        const auto fields = fieldsOf(lines[i + 1]);
        const std::string sumColumn = "Summe_" + std::string{rulesOf(example.category).key};
        // The worked examples give the stays; the amounts are the core's, whatever the tariff.
        const std::string sum
            = sumText(example.category, test::d(example.arrival), test::d(example.departure), example.count);
        EXPECT_EQ(fields.at(columnOf(header, sumColumn)), sum) << lines[i + 1];
        EXPECT_EQ(fields.at(columnOf(header, "Gesamt")), sum) << lines[i + 1];
        EXPECT_EQ(fields.at(columnOf(header, "Fehler")), "") << lines[i + 1];
    }
    const auto typical = fieldsOf(lines.back());
    EXPECT_EQ(typical.at(columnOf(header, "Nächte")), "4");
    EXPECT_EQ(typical.at(columnOf(header, "Summe_Erwachsene")),
        sumText(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 2));
    EXPECT_EQ(typical.at(columnOf(header, "Gesamt")),
        sumText(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 2));
    EXPECT_EQ(run.summary.rowsWithErrors, 0);
}

TEST(BookingList, AGeneratedListAgreesWithTheCoreRowByRow)
{
    // 100,000 stays over the calendars' range, every category, about one row in a hundred bad.
    std::mt19937 random{20160314};
    const auto uniform = [&random](int low, int high) { return std::uniform_int_distribution{low, high}(random); };
    std::string input = "Nr;Anreise;Abreise";
    for (const CategoryRules &category : kCategories)
        input.append(";").append(category.key);
    input += "\r\n";
    constexpr int kRows = 100000;
    int badRows = 0;
    for (int row = 0; row < kRows; ++row) {
        const Date arrival = addDays(kFirstArrival, uniform(0, daysBetween(kFirstArrival, kLastArrival)));
        const Date departure = std::min(addDays(arrival, uniform(0, 60)), kLastDeparture);
        const std::string german = dateText(arrival);
        const std::string iso = german.substr(6, 4) + '-' + german.substr(3, 2) + '-' + german.substr(0, 2);
        const bool bad = uniform(0, 99) == 0;
        badRows += bad ? 1 : 0;
        input.append(std::to_string(row)).append(";").append(row % 2 == 0 ? german : iso);
        input.append(";").append(bad ? std::string{"30.02.2016"} : dateText(departure));
        for (const CategoryRules &category : kCategories)
            input.append(";").append(std::to_string(uniform(0, 3) == 0 ? uniform(0, category.maxCount) : 0));
        input += "\r\n";
    }

    const ProcessedList run = process(input);
    EXPECT_EQ(run.summary.rows, kRows);
    EXPECT_EQ(run.summary.rowsWithErrors, badRows);
    const auto lines = linesOf(run.output);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRows) + 1);
    const auto inputLines = linesOf(input);
    Money total;
    for (std::size_t row = 1; row < lines.size(); ++row) {
        const auto in = fieldsOf(inputLines[row]);
        const auto out = fieldsOf(lines[row]);
        ASSERT_EQ(out.size(), in.size() + kCategoryCount + 3) << lines[row];
        ASSERT_EQ(
            lines[row].substr(0, inputLines[row].size() - 1), inputLines[row].substr(0, inputLines[row].size() - 1));
        if (in[2] == "30.02.2016") {
            ASSERT_EQ(out.back(), "Abreise 30.02.2016 ist kein Kalendertag");
            continue;
        }
        const Date arrival = parseDateText(in[1]).date;
        const Date departure = test::d(in[2]);
        ASSERT_EQ(out[in.size()], std::to_string(daysBetween(arrival, departure)));
        Money rowTotal;
        for (const CategoryRules &category : kCategories) {
            const std::size_t index = indexOf(category.category);
            const Money sum = calculateCategory(category.category, arrival, departure, std::stoi(in[3 + index])).sum;
            ASSERT_EQ(out[in.size() + 1 + index], formatMoney(sum)) << lines[row];
            rowTotal += sum;
        }
        ASSERT_EQ(out[in.size() + 1 + kCategoryCount], formatMoney(rowTotal)) << lines[row];
        ASSERT_EQ(out.back(), "");
        total += rowTotal;
    }
    EXPECT_EQ(run.summary.total, total);
}

// The result cells the core gives a booking: nights, the sums, the total and an empty "Fehler".
std::string resultCells(std::string_view arrival, std::string_view departure,
    std::initializer_list<std::pair<PersonCategory, int>> counts, char separator = ';')
{
    Booking booking{
        .arrival = test::d(std::string{arrival}), .departure = test::d(std::string{departure}), .counts = {}};
    for (const auto &[category, count] : counts)
        booking.counts.at(indexOf(category)) = count;
    const BookingResult result = calculateBooking(booking);
    std::string cells = std::to_string(result.nights);
    for (const CategoryResult &category : result.categories)
        cells.append(1, separator).append(formatMoney(category.sum));
    return cells.append(1, separator).append(formatMoney(result.total)).append(1, separator);
}

// The result cells as the list writes them with `separator`: a cell that holds it is quoted.
std::string resultCellsWrittenWith(char separator, std::string_view arrival, std::string_view departure,
    std::initializer_list<std::pair<PersonCategory, int>> counts)
{
    std::string cells;
    std::istringstream in{resultCells(arrival, departure, counts)};
    for (std::string cell; std::getline(in, cell, ';');)
        cells += (cell.find(separator) != std::string::npos ? "\"" + cell + "\"" : cell) + separator;
    return cells;
}

// What stands in place of the result cells before a row's message: their separators, empty.
std::string noResults(char separator = ';')
{
    return std::string(kResultColumns, separator);
}

// A header with the names of the result columns after it, in UTF-8.
std::string withResultNames(std::string header)
{
    for (const std::string &name : resultColumnNames())
        header.append(";").append(name);
    return header;
}

std::string nLines(int count, const std::string &line)
{
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += line;
    return lines;
}

// A list as offices export it, and what the tool makes of it: the exit status (0 every row
// calculated, 1 rows with errors, 2 the list refused), the whole result, and a message on
// standard error (or the refusal's reason) that must be among them.
struct ListCase
{
    const char *name;
    std::string input;
    int status;
    std::string output; // not compared where empty
    std::string message = {};
    std::vector<std::string> passColumns = {};
    std::optional<char> separatorOption = {}; // --separator
    std::string unsaid = {}; // a message that must not come
    std::vector<std::string> columnsAs = {}; // --column
    std::optional<Encoding> encodingOption = {}; // --encoding
};

void PrintTo(const ListCase &row, std::ostream *os)
{
    *os << row.name;
}

class ListCases : public testing::TestWithParam<ListCase>
{
};

TEST_P(ListCases, AreCalculatedRefusedOrPassedThrough)
{
    const ListCase &row = GetParam();
    std::string messages;
    std::istringstream in{row.input};
    std::ostringstream out;
    ListOptions options;
    options.separator = row.separatorOption.value_or(';');
    options.separatorGiven = row.separatorOption.has_value();
    options.passColumns = row.passColumns;
    for (const std::string &columnAs : row.columnsAs)
        options.columnsAs.push_back(columnAsOf(columnAs).value());
    options.encoding = row.encodingOption;
    options.onMessage = [&messages](const std::string &message) { messages += message + "\n"; };
    options.onColumns = options.onMessage;
    int status = 0;
    try {
        const ListSummary summary = processBookingList(in, out, options);
        status = summary.rowsWithErrors > 0 || !summary.columnsNotFound.empty() ? 1 : 0;
    } catch (const UnusableList &refused) {
        status = 2;
        messages += refused.what();
        EXPECT_EQ(out.str(), "") << "a refused list writes nothing";
    }
    EXPECT_EQ(status, row.status) << messages;
    if (!row.output.empty()) {
        EXPECT_EQ(out.str(), row.output);
    }
    EXPECT_NE(messages.find(row.message), std::string::npos) << messages;
    if (!row.unsaid.empty()) {
        EXPECT_EQ(messages.find(row.unsaid), std::string::npos) << messages;
    }
}

const std::string kMarch = "14.03.2016;18.03.2016";
const std::string kSchoolClass = "Nr;Gruppe;Anreise;Abreise;Schüler;Lehrer\nK-1;Klasse 8b;04.07.2016;08.07.2016;18;2\n";
const std::string kOneChild = resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Kind, 1}});
const std::string kTwoAdultsAndAChild
    = resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 2}, {PersonCategory::Kind, 1}});

INSTANTIATE_TEST_SUITE_P(Lists, ListCases,
    testing::Values(
        ListCase{.name = "UsualColumnNames",
            .input = "Nummer;Anreise;Abreise;Anz. Erwachsene;Schüler\nB-1;" + kMarch + ";2;3\n",
            .status = 0,
            .output = withResultNames("Nummer;Anreise;Abreise;Anz. Erwachsene;Schüler") + "\nB-1;" + kMarch + ";2;3;"
                + resultCells(
                    "14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 2}, {PersonCategory::Student, 3}})
                + "\n"},
        ListCase{.name = "NoPersonColumn",
            .input = "Nummer;Anreise;Abreise;Zimmer\nB-1;" + kMarch + ";3\n",
            .status = 2,
            .output = {},
            .message = "keine Spalte mit der Zahl der Personen"},
        ListCase{.name = "OneFieldMoreThanTheHeader",
            .input = "Anreise;Abreise;Kind\n" + kMarch + ";1;x\n",
            .status = 1,
            .output = withResultNames("Anreise;Abreise;Kind") + "\n" + kMarch + ";1" + noResults()
                + "Die Zeile hat 4 Felder, die Kopfzeile hat 3;x\n",
            .message = "Zeile 2: Die Zeile hat 4 Felder"},
        ListCase{.name = "TrailingSeparatorsOfASpreadsheet",
            .input = "Nr;Anreise;Abreise;Erwachsene;Kind\nB-1;" + kMarch + ";2;1;\nB-2;" + kMarch + ";2;1;;\n",
            .status = 0,
            .output = withResultNames("Nr;Anreise;Abreise;Erwachsene;Kind") + "\nB-1;" + kMarch + ";2;1;"
                + kTwoAdultsAndAChild + "\nB-2;" + kMarch + ";2;1;" + kTwoAdultsAndAChild + "\n"},
        ListCase{.name = "QuotedEmptyRowIsEmpty",
            .input = "\"Anreise\";\"Abreise\";\"Kind\"\n\"\";\"\";\"\"\n",
            .status = 0,
            .output = withResultNames("\"Anreise\";\"Abreise\";\"Kind\"") + "\n\"\";\"\";\"\"\n"},
        ListCase{.name = "TrailerAndRepeatedHeaderPassThrough",
            .input = "Nr;Anreise;Abreise;Erwachsene;Kind\nB-1;" + kMarch + ";2;1\nSumme;;;2;1\n"
                + "Nr;Anreise;Abreise;Erwachsene;Kind\nB-2;" + kMarch + ";2;1\n",
            .status = 0,
            .output = withResultNames("Nr;Anreise;Abreise;Erwachsene;Kind") + "\nB-1;" + kMarch + ";2;1;"
                + kTwoAdultsAndAChild + "\nSumme;;;2;1\n" + withResultNames("Nr;Anreise;Abreise;Erwachsene;Kind")
                + "\nB-2;" + kMarch + ";2;1;" + kTwoAdultsAndAChild + "\n",
            .message = {},
            .unsaid = "Kopfzeile"},
        ListCase{.name = "NoBreakSpacesRoundCellsAndNames",
            .input = "Anreise;Abreise;\xC2\xA0Kind\xC2\xA0\n\xC2\xA0"
                     "14.03.2016;18.03.2016\xC2\xA0; 1\xC2\xA0\n",
            .status = 0,
            .output = {},
            .message = {}},
        ListCase{.name = "DatesWithTheirTime",
            .input = "Anreise;Abreise;Kind\n14.03.2016 00:00;2016-03-18T00:00:00;1\n14.03.2016 24:00;18.03.2016;1\n",
            .status = 1,
            .output = withResultNames("Anreise;Abreise;Kind") + "\n14.03.2016 00:00;2016-03-18T00:00:00;1;" + kOneChild
                + "\n14.03.2016 24:00;18.03.2016;1" + noResults()
                + "Anreise „14.03.2016 24:00“ ist kein Datum der Form TT.MM.JJJJ, TT.MM.JJ oder JJJJ-MM-TT\n"},
        ListCase{.name = "LinesEndingInCarriageReturnAlone",
            .input = "Anreise;Abreise;Kind\r" + kMarch + ";1\r" + kMarch + ";\"1\"\r",
            .status = 0,
            .output = withResultNames("Anreise;Abreise;Kind") + "\r" + kMarch + ";1;" + kOneChild + "\r" + kMarch
                + ";\"1\";" + kOneChild + "\r"},
        ListCase{.name = "AStrayQuoteInALineEndingInCarriageReturn",
            .input = "Anreise;Abreise;Kind\r\"x\"y;18.03.2016;1\r" + kMarch + ";1\r",
            .status = 1,
            .output = withResultNames("Anreise;Abreise;Kind") + "\r\"\"\"x\"\"y\";18.03.2016;1" + noResults()
                + "Das Feld in Anführungszeichen ab Zeile 2 ist falsch geschlossen: auf das schließende "
                  "Anführungszeichen in Zeile "
                  "2 folgt „y“ statt des Trennzeichens oder des Zeilenendes\r"
                + kMarch + ";1;" + kOneChild + "\r"},
        ListCase{.name = "AsciiFromWindowsGetsWindows1252",
            .input = "Anreise;Abreise;Kind\r\n" + kMarch + ";1\r\n",
            .status = 0,
            .output = encodeText(withResultNames("Anreise;Abreise;Kind"), Encoding::Windows1252) + "\r\n" + kMarch
                + ";1;" + kOneChild + "\r\n"},
        ListCase{.name = "Windows1252ThatShowsAfterTheFirstBlock",
            .input = "Anreise;Abreise;Kind;Gast\n" + nLines(5000, kMarch + ";1;Meier\n") + kMarch + ";x;M\xFCller\n",
            .status = 1,
            .output = encodeText(withResultNames("Anreise;Abreise;Kind;Gast"), Encoding::Windows1252) + "\n"
                + nLines(5000, kMarch + ";1;Meier;" + kOneChild + "\n") + kMarch + ";x;M\xFCller" + noResults()
                + "Kind \x84x\x93 ist keine ganze Zahl\n",
            .message = "Zeile 5002: Kind „x“ ist keine ganze Zahl"},
        ListCase{.name = "Windows1252PunctuationInANameRefused",
            .input = "Anreise;Abreise;Kind;Kinder\x92\n",
            .status = 2,
            .output = {},
            .message = "„Kinder’“"},
        ListCase{.name = "Windows1252PunctuationInANamePassed",
            .input = "Anreise;Abreise;Kind;Kinder\x92;Gast\x96Name\n",
            .status = 0,
            .output
            = encodeText(withResultNames("Anreise;Abreise;Kind;Kinder’;Gast–Name"), Encoding::Windows1252) + "\n",
            .message = {},
            .passColumns = {"Kinder’"}},
        ListCase{.name = "AnotherHeaderWithOtherColumns",
            .input = "Nr;Anreise;Abreise;Erwachsene;Kind\n1;" + kMarch + ";2;1\nAnreise;Abreise;Nr;Kind;Erwachsene\n"
                + kMarch + ";2;1;2\n",
            .status = 0,
            .output = withResultNames("Nr;Anreise;Abreise;Erwachsene;Kind") + "\n1;" + kMarch + ";2;1;"
                + kTwoAdultsAndAChild + "\n" + withResultNames("Anreise;Abreise;Nr;Kind;Erwachsene") + "\n" + kMarch
                + ";2;1;2;" + kTwoAdultsAndAChild + "\n",
            .message = "Zeile 3: Eine weitere Kopfzeile mit anderen Spalten"},
        ListCase{.name = "TrailerInTheDatesColumn",
            .input = "Anreise;Abreise;Erwachsene;Kind\n" + kMarch + ";2;1\nGESAMT;;2;1\n",
            .status = 0,
            .output = withResultNames("Anreise;Abreise;Erwachsene;Kind") + "\n" + kMarch + ";2;1;" + kTwoAdultsAndAChild
                + "\nGESAMT;;2;1\n"},
        ListCase{.name = "HeaderEndingInASeparator",
            .input = "Anreise;Abreise;Kind;\n" + kMarch + ";1\n",
            .status = 0,
            .output = withResultNames("Anreise;Abreise;Kind;") + "\n" + kMarch + ";1;;" + kOneChild + "\n"},
        ListCase{.name = "SpreadsheetFormsOfTimesCountsAndBlanks",
            .input = "Anreise;Abreise;Kind\n14.03.2016 0:00;18.03.2016;0001;\xC2\xA0\n",
            .status = 0,
            .output
            = withResultNames("Anreise;Abreise;Kind") + "\n14.03.2016 0:00;18.03.2016;0001;" + kOneChild + "\n"},
        ListCase{.name = "ARecognisedNamePassedOnPurpose",
            .input = "Anreise;Abreise;Kind;Anzahl Erwachsene\n" + kMarch + ";1;2\n",
            .status = 0,
            .output
            = withResultNames("Anreise;Abreise;Kind;Anzahl Erwachsene") + "\n" + kMarch + ";1;2;" + kOneChild + "\n",
            .message = {},
            .passColumns = {"Anzahl Erwachsene"}},
        ListCase{.name = "AKeyPassedOnPurpose",
            .input = "Anreise;Abreise;Kind;Erwachsene\n" + kMarch + ";1;2\n",
            .status = 0,
            .output = withResultNames("Anreise;Abreise;Kind;Erwachsene") + "\n" + kMarch + ";1;2;" + kOneChild + "\n",
            .message = {},
            .passColumns = {"erwachsene"}},
        // A rerun takes as its own only its complete block of result columns, in its order: a
        // column of such a name elsewhere is the list's own and stays as it is.
        [] {
            const std::string key{kCategories.back().key};
            return ListCase{.name = "AnEarlierRunsSumColumnAloneIsTheListsOwn",
                .input = "Anreise;Abreise;" + key + ";Summe_" + key + "\n" + kMarch + ";1;9,99\n",
                .status = 0,
                .output = withResultNames("Anreise;Abreise;" + key + ";Summe_" + key) + "\n" + kMarch + ";1;9,99;"
                    + resultCells("14.03.2016", "18.03.2016", {{kCategories.back().category, 1}}) + "\n"};
        }(),
        [] {
            // The clerk deleted the program's "Gesamt": the hotel's own "Gesamt" is not written over.
            std::string header = "Nr;Anreise;Abreise;Erwachsene;Gesamt";
            std::string row = "B-1;" + kMarch + ";2;356,00";
            for (const std::string &name : resultColumnNames()) {
                if (name != "Gesamt") {
                    header += ";" + name;
                    row += name == "Fehler" ? ";" : ";7";
                }
            }
            return ListCase{.name = "AnIncompleteResultBlockIsTheListsOwn",
                .input = header + "\n" + row + "\n",
                .status = 0,
                .output = withResultNames(header) + "\n" + row + ";"
                    + resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 2}}) + "\n"};
        }(),
        ListCase{.name = "RowsAddedToACalculatedListArePriced",
            .input = withResultNames("Nr;Anreise;Abreise;Kind") + "\nB-1;" + kMarch + ";1;" + kOneChild + "\nB-2;"
                + kMarch + ";1\nB-3;" + kMarch + ";1;\n",
            .status = 0,
            .output = withResultNames("Nr;Anreise;Abreise;Kind") + "\nB-1;" + kMarch + ";1;" + kOneChild + "\nB-2;"
                + kMarch + ";1;" + kOneChild + "\nB-3;" + kMarch + ";1;" + kOneChild + "\n"},
        ListCase{.name = "SepLineInCapitals",
            .input = "SEP=,\r\nAnreise,Abreise,Kind\r\n14.03.2016,18.03.2016,1\r\n",
            .status = 0,
            .output = {},
            .message = {},
            .unsaid = "Kopfzeile ist durch"},
        ListCase{.name = "SepLineWithoutALineEndIsTheHeader",
            .input = "sep=;",
            .status = 2,
            .output = {},
            .message = "keine Spalte „Anreise“"},
        ListCase{.name = "SepLineWithoutASeparator",
            .input = "sep=\r\nAnreise;Abreise;Kind\r\n",
            .status = 2,
            .output = {},
            .message = "Erste Zeile: sep="},
        ListCase{.name = "TheCommandLinesSeparatorOverTheSepLine",
            .input = "sep=,\nAnreise;Abreise;Kind\n" + kMarch + ";1\n",
            .status = 0,
            .output = {},
            .message
            = "Zeile 1: Die Liste nennt „,“ als Trennzeichen; gelesen wird mit dem Trennzeichen von --separator.",
            .separatorOption = ';'},
        ListCase{.name = "AnotherSeparatorOnlyWhereTheHeaderNamesBothDates",
            .input = "Nr,Abreise,Kind\n",
            .status = 2,
            .output = {},
            .message = "keine Spalte „Anreise“",
            .unsaid = "Kopfzeile ist durch"},
        ListCase{.name = "TheFirstFiveRowsWithErrorsAreNamed",
            .input = "Anreise;Abreise;Kind\n" + nLines(7, "14.03.2016;31.02.2016;1\n"),
            .status = 1,
            .output = {},
            .message = "Zeile 5: Abreise 31.02.2016 ist kein Kalendertag; die Zeile wird nicht berechnet.\nZeile 6: "
                       "Abreise 31.02.2016 ist kein Kalendertag; die Zeile wird nicht berechnet.\nZeile 7: weitere "
                       "Zeilen mit Fehlern, siehe die Spalte „Fehler“ der Ergebnisliste.\n"},
        // A column of counts under a name that names no category is read as the user says, or the
        // list is refused before anything is written.
        ListCase{.name = "TeachersUnderANameOfNoCategoryRefuseTheList",
            .input = kSchoolClass,
            .status = 2,
            .output = {},
            .message = "Die Spalte „Lehrer“ hält ganze Zahlen, die Personen zählen könnten"},
        ListCase{.name = "TeachersReadAsAdults",
            .input = kSchoolClass,
            .status = 0,
            .output = withResultNames("Nr;Gruppe;Anreise;Abreise;Schüler;Lehrer")
                + "\nK-1;Klasse 8b;04.07.2016;08.07.2016;18;2;"
                + resultCells(
                    "04.07.2016", "08.07.2016", {{PersonCategory::Student, 18}, {PersonCategory::Erwachsene, 2}})
                + "\n",
            .message = "Spalten: „Schüler“ als Student, „Lehrer“ als Erwachsene; unverändert: „Nr“, „Gruppe“; "
                       "Kodierung UTF-8\n",
            .columnsAs = {"lehrer=Erwachsene"}},
        ListCase{.name = "TeachersPassedOnPurpose",
            .input = kSchoolClass,
            .status = 0,
            .output = {},
            .message = "Spalten: „Schüler“ als Student; unverändert: „Nr“, „Gruppe“, „Lehrer“",
            .passColumns = {"Lehrer"}},
        [] {
            const int most = kCategories.at(indexOf(PersonCategory::Erwachsene)).maxCount;
            const std::string header = "Anreise;Abreise;Erwachsene;Begleiter";
            return ListCase{.name = "AColumnAddedToACategoryIsSummedWithinItsRange",
                .input = header + "\n" + kMarch + ";2;1\n" + kMarch + ";" + std::to_string(most) + ";1\n",
                .status = 1,
                .output = withResultNames(header) + "\n" + kMarch + ";2;1;"
                    + resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 3}}) + "\n" + kMarch + ";"
                    + std::to_string(most) + ";1" + noResults() + "Erwachsene zusammen " + std::to_string(most + 1)
                    + " liegt außerhalb von 0 bis " + std::to_string(most) + "\n",
                .columnsAs = {"Begleiter=Erwachsene"}};
        }(),
        ListCase{.name = "ANumberBelowTheJudgedRowsInAColumnEmptySoFar",
            .input = "Anreise;Abreise;Kind;Bemerkung\n" + nLines(kRowsJudged, kMarch + ";1;\n") + kMarch + ";1;2\n",
            .status = 1,
            .output = {},
            .message = "Zeile " + std::to_string(kRowsJudged + 2) + ": Die Spalte „Bemerkung“ hält hier die Zahl 2"},
        // More cells of text than of counts: a remark, not a count.
        ListCase{.name = "AColumnMostlyOfTextOrOfNumbersBeyondAnyCountPasses",
            .input = "Anreise;Abreise;Kind;Bemerkung;Gast\n" + kMarch + ";1;2;4711\n" + kMarch + ";1;Balkon;-1\n"
                + kMarch + ";1;Hund;1,5\n",
            .status = 0,
            .output = {},
            .message = "unverändert: „Bemerkung“, „Gast“"},
        ListCase{.name = "APlaceholderOrABigNumberDoesNotHideACountColumn",
            .input = "Nr;Anreise;Abreise;Erwachsene;Begleitung\n2;" + kMarch + ";2;-\n3;" + kMarch + ";2;k.A.\n4;"
                + kMarch + ";2;41\n5;" + kMarch + ";2;12 Pers.\n6;" + kMarch + ";2;#WERT!\n7;" + kMarch
                + ";2;2 Erwachsene\n8;" + kMarch + ";2;Oma\n",
            .status = 2,
            .output = {},
            .message = "Die Spalte „Begleitung“ hält ganze Zahlen"},
        ListCase{.name = "PlaceholdersOnlyThenANumberBelowTheJudgedRows",
            .input = "Nr;Anreise;Abreise;Erwachsene;Lehrer\n" + nLines(kRowsJudged, "1;" + kMarch + ";1;-\n") + "2;"
                + kMarch + ";1;3\n",
            .status = 1,
            .output = {},
            .message = "Die Spalte „Lehrer“ hält hier die Zahl 3"},
        ListCase{.name = "TheHintIsAWordForTheShell",
            .input = "Anreise;Abreise;Kind;Begl. $X's\n" + kMarch + ";1;2\n",
            .status = 2,
            .output = {},
            .message = "--column 'Begl. $X'\\''s=GRUPPE' oder --pass-column 'Begl. $X'\\''s'"},
        ListCase{.name = "EveryNumberBelowTheJudgedRowsAlsoAfterText",
            .input = "Anreise;Abreise;Kind;Lehrer\n" + nLines(kRowsJudged, kMarch + ";1;\n") + kMarch + ";1;Müller\n"
                + kMarch + ";1;2\n",
            .status = 1,
            .output = {},
            .message = "Zeile " + std::to_string(kRowsJudged + 3) + ": Die Spalte „Lehrer“ hält hier die Zahl 2"},
        ListCase{.name = "AnUnnamedColumnIsAskedToBeNamed",
            .input = "Anreise;Abreise;Kind;\n" + nLines(kRowsJudged, kMarch + ";1;\n") + kMarch + ";1;2\n",
            .status = 1,
            .output = {},
            .message = "Die Spalte Nr. 4 ohne Namen hält hier die Zahl 2, die Personen zählen könnte (bitte in der "
                       "Kopfzeile benennen)"},
        ListCase{.name = "AColumnReadAsACategoryIsNamedInItsErrors",
            .input = kSchoolClass + "K-2;Klasse 8c;04.07.2016;08.07.2016;18;x\n",
            .status = 1,
            .output = {},
            .message = "Zeile 3: Lehrer (Erwachsene) „x“ ist keine ganze Zahl",
            .columnsAs = {"Lehrer=Erwachsene"}},
        ListCase{.name = "AColumnBothReadAndPassedIsRefused",
            .input = kSchoolClass,
            .status = 2,
            .output = {},
            .message = "Die Spalte „Lehrer“ steht bei --column und bei --pass-column",
            .passColumns = {"Lehrer"},
            .columnsAs = {"Lehrer=Erwachsene"}},
        ListCase{.name = "AColumnReadAsTwoCategoriesIsRefused",
            .input = kSchoolClass,
            .status = 2,
            .output = {},
            .message = "Die Spalte „Lehrer“ steht mehrmals bei --column",
            .columnsAs = {"Lehrer=Erwachsene", "LEHRER=Kind"}},
        ListCase{.name = "AColumnInNoHeaderIsAnErrorOfTheRun",
            .input = kSchoolClass,
            .status = 1,
            .output = {},
            .message = "Die Spalte „Lehrerin“ von --column steht in keiner Kopfzeile der Liste",
            .columnsAs = {"Lehrer=Erwachsene", "Lehrerin=Erwachsene"}},
        ListCase{.name = "AColumnOfASecondHeaderIsReadBelowIt",
            .input = "Nr;Anreise;Abreise;Erwachsene\n1;" + kMarch + ";2\nNr;Anreise;Abreise;Erwachsene;Personen\n2;"
                + kMarch + ";2;3\n",
            .status = 0,
            .output = withResultNames("Nr;Anreise;Abreise;Erwachsene") + "\n1;" + kMarch + ";2;"
                + resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 2}}) + "\n"
                + withResultNames("Nr;Anreise;Abreise;Erwachsene;Personen") + "\n2;" + kMarch + ";2;3;"
                + resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 5}}) + "\n",
            .message = "Spalten: „Erwachsene“ als Erwachsene, „Personen“ als Erwachsene;",
            .columnsAs = {"Personen=Erwachsene"}},
        ListCase{.name = "ADateReadAsACategoryIsRefused",
            .input = kSchoolClass,
            .status = 2,
            .output = {},
            .message = "Die Spalte „Anreise“ von --column ist keine Spalte von Personen.",
            .columnsAs = {"Lehrer=Erwachsene", "Anreise=Erwachsene"}},
        ListCase{.name = "AHeaderCellOverTwoLinesIsNamedInOne",
            .input = "Nr;Anreise;Abreise;Erwachsene;\"Lehrer\n(Anzahl)\"\n1;" + kMarch + ";1;2\n",
            .status = 0,
            .output = {},
            .message = "Spalten: „Erwachsene“ als Erwachsene, „Lehrer (Anzahl)“ als Erwachsene;",
            .columnsAs = {"Lehrer (Anzahl)=Erwachsene"}},
        ListCase{.name = "TwoUtf8ExportsJoinedRepeatTheirHeader",
            .input = "\xEF\xBB\xBFNr;Anreise;Abreise;Kind\nB-1;" + kMarch
                + ";1\n\xEF\xBB\xBF\"Nr\";\"Anreise\";\"Abreise\";\"Kind\"\nB-2;" + kMarch + ";1\n",
            .status = 0,
            .output = {},
            .message = "unverändert: „Nr“;",
            .unsaid = "weitere Kopfzeile"},
        // Encodings by their rules: a byte an encoding leaves undefined rules it out, German
        // letters in words decide, --encoding overrides.
        ListCase{.name = "CodePage850OfExcelsMsDosCsv",
            .input = "Nr;Anreise;Abreise;Sch\x81ler\r\nK-1;04.07.2016;08.07.2016;18\r\n",
            .status = 0,
            .output = encodeText(withResultNames("Nr;Anreise;Abreise;Schüler"), Encoding::Cp850)
                + "\r\nK-1;04.07.2016;08.07.2016;18;"
                + resultCells("04.07.2016", "08.07.2016", {{PersonCategory::Student, 18}}) + "\r\n",
            .message = "Kodierung CP850"},
        ListCase{.name = "MacRomanOfExcelsMacintoshCsv",
            .input = "Nr;Anreise;Abreise;Sch\x9Fler\rK-1;04.07.2016;08.07.2016;18\r",
            .status = 0,
            .output = encodeText(withResultNames("Nr;Anreise;Abreise;Schüler"), Encoding::MacRoman)
                + "\rK-1;04.07.2016;08.07.2016;18;"
                + resultCells("04.07.2016", "08.07.2016", {{PersonCategory::Student, 18}}) + "\r",
            .message = "Kodierung MacRoman"},
        [] {
            // Two stray bytes in line 3, one in line 5: each line named once.
            const std::string header = "Nr;Anreise;Abreise;Schüler;Gast;Straße";
            const std::string rows[] = {"B-1;" + kMarch + ";2;Müller;Dorfstraße",
                "B-2;" + kMarch
                    + ";1;M\xFCller;Stra\xDF"
                      "e",
                "B-3;" + kMarch + ";1;Meier;Weg", "B-4;" + kMarch + ";1;J\xF6rg;Weg"};
            std::string input = header + "\n";
            std::string output = withResultNames(header) + "\n";
            for (const std::string &row : rows) {
                input += row + "\n";
                output += row + ";"
                    + resultCells(
                        "14.03.2016", "18.03.2016", {{PersonCategory::Student, row.starts_with("B-1") ? 2 : 1}})
                    + "\n";
            }
            return ListCase{.name = "StrayBytesInAUtf8ListAreReadAsWindows1252AndTheirLinesNamed",
                .input = input,
                .status = 0,
                .output = output,
                .message = "Die Liste ist UTF-8, hat aber Felder, die kein UTF-8 sind (Zeile 3, 5); sie werden als "
                           "Windows-1252 gelesen"};
        }(),
        ListCase{.name = "AWindows1252ListWithAUtf8HeaderOfAnotherProgram",
            .input = "Nr;Anreise;Abreise;Schüler;Gast\nB-1;" + kMarch + ";2;M\xFCller\nB-2;" + kMarch + ";1;Gr\xFCn\n",
            .status = 0,
            .output = {},
            .message = "Spalten: „Schüler“ als Student; unverändert: „Nr“, „Gast“; Kodierung Windows-1252\n"},
        ListCase{.name = "AnEncodingForcedWrongSuggestsTheOthers",
            .input = "Nr;Anreise;Abreise;Sch\x81ler\r\nK-1;04.07.2016;08.07.2016;18\r\n",
            .status = 2,
            .output = {},
            .message = "mit --encoding CP850 hieße sie „Schüler“ (Student)",
            .encodingOption = Encoding::Windows1252},
        ListCase{.name = "AnEncodingForcedWritesTheProgramsTextsInIt",
            .input = "Anreise;Abreise;Kind\n" + kMarch + ";1\n",
            .status = 0,
            .output = encodeText(withResultNames("Anreise;Abreise;Kind"), Encoding::Iso8859_15) + "\n" + kMarch + ";1;"
                + kOneChild + "\n",
            .message = "Kodierung ISO-8859-15",
            .encodingOption = Encoding::Iso8859_15},
        // Ditto marks for "the same as above": by RFC 4180 one field from the first to the next.
        ListCase{.name = "DittoMarksJoiningTwoRowsAreAnErrorOfTheRow",
            .input
            = "Nr;Gast;Anreise;Abreise;Erwachsene\nB-2;\";04.07.2016;10.07.2016;2\nB-3;\";11.07.2016;12.07.2016;1\n",
            .status = 1,
            .output = {},
            .message = "Zeile 2: Ein Feld in Anführungszeichen reicht bis Zeile 3 und enthält Trennzeichen und ein "
                       "Datum (04.07.2016): wohl Wiederholungszeichen"},
        ListCase{.name = "DittoMarksInTheLastColumnOfAMacList",
            .input
            = "Nr;Anreise;Abreise;Erwachsene;Ort\rB-1;04.07.2016;08.07.2016;2;\"\rB-2;04.07.2016;08.07.2016;2;x\r"
              "B-3;04.07.2016;08.07.2016;1;\"\rB-4;04.07.2016;08.07.2016;1;x\r",
            .status = 1,
            .output = {},
            .message = "Zeile 2: Ein Feld in Anführungszeichen reicht bis Zeile 4"},
        ListCase{.name = "TheFirstFiveRemarksWithADateAreNamed",
            .input = "Anreise;Abreise;Kind;Bemerkung\n" + nLines(7, kMarch + ";1;\"verschoben;\nneu ab 16.03.2016\"\n"),
            .status = 0,
            .output = {},
            .message = "Zeile 10: Ein Feld in Anführungszeichen reicht bis Zeile 11 und enthält Trennzeichen und ein "
                       "Datum (16.03.2016): Die Zeilen werden als eine Buchung gelesen. Steht dort ein "
                       "Wiederholungszeichen \" für „wie oben“, bitte den Wert selbst eintragen.\nZeile 12: weitere "
                       "Felder in Anführungszeichen über mehrere Zeilen mit einem Datum.\n",
            .unsaid = "Zeile 14"},
        ListCase{.name = "TheFirstColumnReadIsNamed",
            .input = "Kind;Anreise;Abreise\n1;" + kMarch + "\n",
            .status = 0,
            .output = {},
            .message = "Spalten: „Kind“ als Kind; unverändert: keine; Kodierung UTF-8\n"},
        ListCase{.name = "DittoMarksInTwoColumnsHoldARowsTwoDates",
            .input = "Nr;Anreise;Abreise;Erwachsene;Notiz\n1;04.07.2016;08.07.2016;2;\"\n2;04.07.2016;08.07.2016;\";\n",
            .status = 1,
            .output = {},
            .message = "Zeile 2: Ein Feld in Anführungszeichen reicht bis Zeile 3"},
        ListCase{.name = "ARemarkOverTwoLinesWithADateIsNamed",
            .input = "Anreise;Abreise;Kind;Bemerkung\n" + kMarch + ";1;\"verschoben;\nneu ab 16.03.2016\"\n",
            .status = 0,
            .output = {},
            .message = "Zeile 2: Ein Feld in Anführungszeichen reicht bis Zeile 3 und enthält Trennzeichen und ein "
                       "Datum (16.03.2016): Die Zeilen werden als eine Buchung gelesen."},
        ListCase{.name = "ARemarkOverTwoLinesIsNoDittoMark",
            .input = "Anreise;Abreise;Kind;Bemerkung\n" + kMarch + ";1;\"Balkon;\nab 16.03. Meer\"\n",
            .status = 0,
            .output = {},
            .message = {},
            .unsaid = "Anführungszeichen reicht"}),
    [](const testing::TestParamInfo<ListCase> &row) { return std::string{row.param.name}; });

TEST(BookingList, EveryColumnRefusedIsNamedAtOnce)
{
    const std::string reason
        = reasonFor("Anreise;Abreise;Erwachsene;Kinder;Schwerbehinderte;Eltern;Kinde\n" + kMarch + ";2;1;1;2;1\n");
    for (const char *column : {"„Kinder“", "„Schwerbehinderte“", "„Eltern“", "„Kinde“"})
        EXPECT_NE(reason.find(column), std::string::npos) << column << "\n" << reason;
    EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), 3) << reason;
}

TEST(BookingList, LongRowsAreJudgedOnFewerRowsSoThatMemoryStaysFlat)
{
    // Rows of 60 KB reach the bytes held back long before the rows judged: a number after them, in
    // a column empty so far, is an error of its row instead of a refusal of the list.
    const std::string note(60000, 'x');
    const long rows = static_cast<long>(kBytesJudged / note.size()) + 2;
    ASSERT_LT(rows, kRowsJudged);
    const ProcessedList run = process("Anreise;Abreise;Kind;Notiz;Bemerkung\n"
        + nLines(static_cast<int>(rows), kMarch + ";1;" + note + ";\n") + kMarch + ";1;kurz;2\n");
    EXPECT_EQ(run.summary.rows, rows + 1);
    EXPECT_EQ(run.summary.rowsWithErrors, 1);
}

// What the cells of a column of an unknown name say: counts in the forms spreadsheets and clerks
// write them refuse the list; names, remarks, times and other numbers do not.
TEST(BookingList, CellsThatCouldCountPersonsInAnyFormRefuseTheList)
{
    struct Column
    {
        const char *what;
        std::vector<std::string> cells;
        bool refused;
    };
    for (const Column &column :
        std::initializer_list<Column>{{"numbers kept as text", {"=\"2\"", "'3", "=4", "\xEF\xBC\x92"}, true},
            {"spreadsheet errors among counts", {"2", "#NAME?", "#NAME?", "#ZAHL!"}, true},
            {"ditto words among counts", {"2", "dto.", "dto.", "s.o."}, true},
            {"numbers in words", {"zwei", "drei", "zwölf"}, true},
            {"a few letters round a number", {"ca. 2", "x2", "~3"}, true},
            {"placeholders repeated among counts", {"2", "entfällt", "entfällt", "unbekannt"}, true},
            {"names of persons", {"Müller", "Meier", "2"}, false}, {"times of day", {"14:00", "16:30"}, false},
            {"numbers below zero, larger or broken", {"-1", "4711", "1,5"}, false},
            {"a remark over two lines", {"\"2\nBalkon\"", "Hund"}, false}}) {
        std::string input = "Anreise;Abreise;Kind;Begleitung\n";
        for (const std::string &cell : column.cells)
            input.append(kMarch).append(";1;").append(cell).append("\n");
        const std::string reason = reasonFor(input);
        EXPECT_EQ(reason.find("„Begleitung“ hält ganze Zahlen") != std::string::npos, column.refused)
            << column.what << ": " << reason;
    }
}

TEST(BookingList, ColumnAsNamesAColumnAndACategory)
{
    for (const auto &[text, name, category] :
        std::initializer_list<std::tuple<std::string, std::string, PersonCategory>>{
            {"Lehrer=Erwachsene", "Lehrer", PersonCategory::Erwachsene},
            {"Ältere Schüler=Schüler", "Ältere Schüler", PersonCategory::Student},
            {"a=b=Kind_Fremd", "a=b", PersonCategory::Kind_Fremd}}) {
        const std::optional<ColumnAs> as = columnAsOf(text);
        ASSERT_TRUE(as) << text;
        EXPECT_EQ(as->name, name);
        EXPECT_EQ(as->category, category);
    }
    for (const char *text : {"Lehrer", "Lehrer=", "=Kind", "Lehrer=Personen", "Lehrer=Kinder"})
        EXPECT_FALSE(columnAsOf(text)) << text;
}

TEST(BookingList, ACalculatedRowCarriesItsLineAndItsOwnReference)
{
    // The "Nr" column, else the first column where it is none of those read.
    for (const auto &[input, reference] : std::initializer_list<std::pair<std::string, std::string>>{
             {"Gast;Anreise;Abreise;Buchungsnr;Kind\nMeier;14.03.2016;18.03.2016; B-7 ;1\n", "B-7"},
             {"Gast;Anreise;Abreise;Kind\n\"M\xFCller\";14.03.2016;18.03.2016;1\n", "Müller"},
             {"Anreise;Abreise;Kind;Gast\n14.03.2016;18.03.2016;1;Meier\n", ""}}) {
        std::istringstream in{"\n" + input};
        std::ostringstream out;
        std::vector<std::pair<long, std::string>> rows;
        ListOptions options;
        options.onCalculated = [&rows](const CalculatedRow &row) { rows.emplace_back(row.line, row.reference); };
        processBookingList(in, out, options);
        ASSERT_EQ(rows.size(), 1u) << input;
        EXPECT_EQ(rows[0].first, 3) << input; // after an empty line and the header
        EXPECT_EQ(rows[0].second, reference) << input;
    }
}

TEST(BookingList, ListsThatCannotBeUsedAreRefusedWithTheReason)
{
    EXPECT_NE(reasonFor("").find("leer"), std::string::npos);
    EXPECT_NE(reasonFor("\n\n").find("leer"), std::string::npos);
    EXPECT_NE(reasonFor("Anreise;Erwachsene\n14.03.2016;2\n").find("„Abreise“"), std::string::npos);
    EXPECT_NE(reasonFor("Nummer;Abreise\n").find("„Anreise“"), std::string::npos);
    EXPECT_NE(reasonFor("Anreise;Abreise;anreise\n").find("zweimal"), std::string::npos);
    EXPECT_NE(reasonFor("Anreise,Nummer\n").find("„Anreise“"), std::string::npos);
    EXPECT_NE(reasonFor("A").find("„Anreise“"), std::string::npos); // one byte is no empty list
    EXPECT_NE(reasonFor("Anreise;\"Abreise\n").find("Kopfzeile (Zeile 1) ist nicht lesbar"), std::string::npos);
    EXPECT_NE(reasonFor("Anreise;\"Abreise\"x\n").find("folgt „x“"), std::string::npos);
}

TEST(BookingList, HeaderOnlyAndTheLastLineWithoutALineEnd)
{
    const ProcessedList header = process("Anreise;Abreise;Kind\r\n");
    EXPECT_EQ(header.summary.rows, 0);
    EXPECT_EQ(fieldsOf(linesOf(header.output).at(0)).size(), 3 + kCategoryCount + 3);
    EXPECT_TRUE(header.output.ends_with("Fehler\r\n"));

    const ProcessedList last = process("Anreise;Abreise;Kind\n14.03.2016;18.03.2016;1");
    EXPECT_EQ(last.summary.rows, 1);
    EXPECT_TRUE(last.output.ends_with(";1;" + resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Kind, 1}})))
        << last.output;
}

TEST(BookingList, EmptyRowsOfASpreadsheetAreNoBookings)
{
    const ProcessedList run = process("Anreise;Abreise;Kind\r\n14.03.2016;18.03.2016;1\r\n;;\r\n ; ;\r\n\r\n;;");
    EXPECT_EQ(run.summary.rows, 1);
    EXPECT_EQ(run.summary.rowsWithErrors, 0);
    EXPECT_TRUE(run.output.ends_with(";1,60;\r\n;;\r\n ; ;\r\n\r\n;;")) << run.output;
}

TEST(BookingList, ARowWithACarriageReturnAloneIsAnError)
{
    const ProcessedList run = process("Anreise;Abreise;Kind\n14.03.2016;18.03.2016\r14.03.2016;18.03.2016\n");
    EXPECT_EQ(run.summary.rowsWithErrors, 1);
    EXPECT_TRUE(
        run.output.ends_with(";\"Die Zeile enthält ein CR ohne LF; Die Zeile hat 4 Felder, die Kopfzeile hat 3; Kind "
                             "„14.03.2016“ ist keine ganze Zahl\";18.03.2016\n"))
        << run.output;
    EXPECT_TRUE(process("Anreise;Abreise;Kind\n14.03.2016\n")
                    .output.ends_with(";\"Die Zeile hat 1 Feld, die Kopfzeile hat 3; Abreise fehlt\"\n"));
}

TEST(BookingList, CountsAreWholeNumbersWithinTheCategorysRange)
{
    const ProcessedList run = process("Anreise;Abreise;Kind;Student\n"
                                      "14.03.2016;18.03.2016;007;\" 2\t\"\n"
                                      "14.03.2016;18.03.2016;99999999999;1e3\n"
                                      "14.03.2016;18.03.2016;10;20\n");
    const auto lines = linesOf(run.output);
    ASSERT_EQ(lines.size(), 4u);
    const auto cells = [](int children, int students) {
        return ";"
            + resultCells(
                "14.03.2016", "18.03.2016", {{PersonCategory::Kind, children}, {PersonCategory::Student, students}});
    };
    EXPECT_TRUE(lines[1].ends_with(cells(7, 2))) << lines[1];
    EXPECT_TRUE(
        lines[2].ends_with(";\"Student „1e3“ ist keine ganze Zahl; Kind 99999999999 liegt außerhalb von 0 bis 10\""))
        << lines[2];
    EXPECT_TRUE(lines[3].ends_with(cells(10, 20))) << lines[3];
}

// With a separator that the result columns' names hold, the names are quoted, and a run on the
// result reads them as its own results again instead of refusing the list.
TEST(BookingList, ResultNamesHoldingTheSeparatorAreQuotedAndReadAgain)
{
    const ProcessedList first = process("Anreise_Abreise_Kind\n14.03.2016_18.03.2016_1\n", '_');
    EXPECT_TRUE(linesOf(first.output).at(0).starts_with("Anreise_Abreise_Kind_Nächte_\"Summe_Erwachsene\"_"))
        << first.output;
    const ProcessedList again = process(first.output, '_');
    EXPECT_EQ(again.output, first.output);
    EXPECT_EQ(again.summary.rowsWithErrors, 0);
}

TEST(BookingList, ResultsAreQuotedWhereTheySeparatorIsAComma)
{
    const ProcessedList run = process("Anreise,Abreise,Erwachsene\n2016-07-01,2016-07-30,30\n", ',');
    const std::string sum = sumText(PersonCategory::Erwachsene, makeDate(1, 7, 2016), makeDate(30, 7, 2016), 30);
    std::string expected = ",29";
    for (const CategoryRules &category : kCategories)
        expected += ",\"" + (category.category == PersonCategory::Erwachsene ? sum : "0,00") + "\"";
    EXPECT_TRUE(run.output.ends_with(expected + ",\"" + sum + "\",\n")) << run.output;
}

// A quote that opens a field and is never closed as RFC 4180 says: the line it began in is one
// faulty row, written back as sound CSV, and the lines after it are rows again.
// The core's sums for the stray-quote lists' rows: one adult 01.07.-15.07.2016, one 14.03.-18.03.2016.
std::string julyAdult()
{
    return sumText(PersonCategory::Erwachsene, makeDate(1, 7, 2016), makeDate(15, 7, 2016), 1);
}

std::string marchAdult()
{
    return sumText(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1);
}

// One child 14.03.-18.03.2016, the long lists' row.
std::string marchChild()
{
    return sumText(PersonCategory::Kind, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1);
}

struct StrayQuote
{
    const char *name;
    const char *input;
    long rowsWithErrors;
    const char *message; // for standard error
    std::string total;
    const char *guest; // as the faulty row shows it
};

class StrayQuotes : public testing::TestWithParam<StrayQuote>
{
};

TEST_P(StrayQuotes, MakeOneFaultyRowAndTheNextLinesArePriced)
{
    const StrayQuote &stray = GetParam();
    const ProcessedList run = process(stray.input);
    EXPECT_EQ(run.summary.rows, 3);
    EXPECT_EQ(run.summary.rowsWithErrors, stray.rowsWithErrors);
    EXPECT_EQ(formatMoney(run.summary.total), stray.total);
    ASSERT_EQ(run.messages.size(), static_cast<std::size_t>(stray.rowsWithErrors)); // each named once
    EXPECT_TRUE(run.messages[0].starts_with(stray.message)) << run.messages[0];
    const auto lines = linesOf(run.output);
    ASSERT_EQ(lines.size(), 4u) << run.output;
    const auto header = fieldsOf(lines[0]);
    const auto faulty = fieldsOf(lines[1]);
    ASSERT_EQ(faulty.size(), header.size()) << lines[1];
    EXPECT_EQ(faulty[0], "B-1");
    EXPECT_EQ(faulty[1], stray.guest);
    EXPECT_TRUE(faulty.back().starts_with("Das Feld in Anführungszeichen ab Zeile 2 ")) << faulty.back();
    EXPECT_EQ(fieldsOf(lines[2]).at(columnOf(header, "Gesamt")),
        sumText(PersonCategory::Erwachsene, makeDate(1, 7, 2016), makeDate(15, 7, 2016), 1))
        << lines[2];
    EXPECT_EQ(fieldsOf(lines[3])[0], "B-3") << lines[3];
}

INSTANTIATE_TEST_SUITE_P(Lists, StrayQuotes,
    testing::Values(StrayQuote{.name = "ClosedBeforeAnotherCharacter",
                        .input = "Nummer;Gast;Anreise;Abreise;Erwachsene\n"
                                 "B-1;\"Meier;01.07.2016;15.07.2016;2\n"
                                 "B-2;\"Schulz\";01.07.2016;15.07.2016;1\n"
                                 "B-3;Weiß;14.03.2016;18.03.2016;1\n",
                        .rowsWithErrors = 1,
                        .message = "Zeile 2: Das Feld in Anführungszeichen ist falsch geschlossen: auf das schließende "
                                   "Anführungszeichen in Zeile 3 folgt „S“",
                        .total = formatMoney(test::parseMoney(julyAdult()) + test::parseMoney(marchAdult())),
                        .guest = "\"Meier"},
        StrayQuote{.name = "NeverClosed",
            .input = "Nummer;Gast;Anreise;Abreise;Erwachsene\n"
                     "B-1;\"Meier;01.07.2016;15.07.2016;2\n"
                     "B-2;Schulz;01.07.2016;15.07.2016;1\n"
                     "B-3;Weiß;14.03.2016;18.03.2016;x\n",
            .rowsWithErrors = 2,
            .message = "Zeile 2: Das Feld in Anführungszeichen wird bis zum Ende der Eingabe nicht geschlossen; die "
                       "Zeile wird nicht berechnet, ab Zeile 3 wird weitergelesen.",
            .total = julyAdult(),
            .guest = "\"Meier"},
        StrayQuote{.name = "ClosedInItsOwnLine",
            .input = "Nummer;Gast;Anreise;Abreise;Erwachsene\n"
                     "B-1;\"Meier\"x;01.07.2016;15.07.2016;2\n"
                     "B-2;Schulz;01.07.2016;15.07.2016;1\n"
                     "B-3;Weiß;14.03.2016;18.03.2016;1\n",
            .rowsWithErrors = 1,
            .message = "Zeile 2: Das Feld in Anführungszeichen ist falsch geschlossen: auf das schließende "
                       "Anführungszeichen in Zeile 2 folgt „x“",
            .total = formatMoney(test::parseMoney(julyAdult()) + test::parseMoney(marchAdult())),
            .guest = "\"Meier\"x"}),
    [](const testing::TestParamInfo<StrayQuote> &row) { return std::string{row.param.name}; });

TEST(BookingList, StrayQuotesKeepTheLineEndsAndCountLinesAsTheFileHasThem)
{
    const ProcessedList run = process("Nr;Gast;Anreise;Abreise;Kind\r\n"
                                      "\r\n"
                                      "1;\"a\r\nb\";14.03.2016;18.03.2016;1\r\n"
                                      "2;\"Meier;14.03.2016;18.03.2016;1\r\n"
                                      "3;x;14.03.2016;18.03.2016;1\r\n"
                                      "4;\"y\"z;14.03.2016;18.03.2016;1\r\n"
                                      "5;ok;14.03.2016;18.03.2016;1");
    EXPECT_EQ(run.summary.rows, 5);
    EXPECT_EQ(run.summary.rowsWithErrors, 2);
    ASSERT_EQ(run.messages.size(), 2u);
    EXPECT_TRUE(run.messages[0].starts_with("Zeile 5: ")) << run.messages[0];
    EXPECT_TRUE(run.messages[0].ends_with("in Zeile 7 folgt „y“ statt des Trennzeichens oder des Zeilenendes; die "
                                          "Zeile wird nicht berechnet, ab Zeile 6 wird weitergelesen."))
        << run.messages[0];
    EXPECT_TRUE(run.messages[1].starts_with("Zeile 7: ")) << run.messages[1];
    // An ASCII list with CR LF gets the program's texts in Windows-1252, as Excel reads it.
    EXPECT_NE(run.output.find(encodeText("\r\n4;\"\"\"y\"\"z\";14.03.2016;18.03.2016;1" + noResults()
                      + "Das Feld in Anführungszeichen ab Zeile 7 ist falsch geschlossen: auf das schließende "
                        "Anführungszeichen in Zeile 7 folgt „z“ statt "
                        "des Trennzeichens oder des Zeilenendes\r\n5;ok;",
                  Encoding::Windows1252)),
        std::string::npos)
        << run.output;
}

TEST(BookingList, AQuotedFieldStillOpenAfterTheFieldLimitIsAStrayQuote)
{
    // A stray quote early in a long list does not swallow the rest of it.
    std::string input = "Nummer;Gast;Anreise;Abreise;Kind\nB-0;\"Meier;14.03.2016;18.03.2016;1\n";
    constexpr int kRows = 5000;
    for (int row = 1; row <= kRows; ++row)
        input += "B-" + std::to_string(row) + ";Gast;14.03.2016;18.03.2016;1\n";
    const ProcessedList run = process(input);
    EXPECT_EQ(run.summary.rows, kRows + 1);
    EXPECT_EQ(run.summary.rowsWithErrors, 1);
    EXPECT_EQ(formatMoney(run.summary.total), formatMoney(test::parseMoney(marchChild()) * kRows));
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_TRUE(run.messages[0].starts_with("Zeile 2: Das Feld in Anführungszeichen ist nach 64 KiB noch nicht "
                                            "geschlossen"))
        << run.messages[0];
}

TEST(BookingList, TooLongFieldsAndRecordsAreErrorsOfTheirRows)
{
    const std::string longField(kFieldLimit + 1, 'x');
    const std::string longRecord(kRecordLimit + 10, 'y');
    const ProcessedList run = process("Nummer;Anreise;Abreise;Kind;Notiz\n"
                                      "B-1;14.03.2016;18.03.2016;1;"
        + longField
        + "\n"
          "B-2;14.03.2016;18.03.2016;1;\""
        + longRecord
        + "\"\n"
          "B-3;14.03.2016;18.03.2016;1;kurz\n");
    EXPECT_EQ(run.summary.rows, 3);
    EXPECT_EQ(run.summary.rowsWithErrors, 2);
    EXPECT_EQ(formatMoney(run.summary.total), marchChild());
    const auto lines = linesOf(run.output);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1],
        "B-1;14.03.2016;18.03.2016;1;" + noResults() + "Das Feld Nr. 5 ist länger als 64 KiB und bleibt leer");
    EXPECT_EQ(lines[2],
        "B-2;14.03.2016;18.03.2016;1;" + noResults()
            + "\"Das Feld Nr. 5 ist länger als 64 KiB und bleibt leer; Die Zeile ist "
              "länger als 1024 KiB, was danach kommt, bleibt leer\"");
    ASSERT_EQ(run.messages.size(), 2u);
    EXPECT_TRUE(run.messages[0].starts_with("Zeile 2: Das Feld Nr. 5")) << run.messages[0];
    EXPECT_TRUE(run.messages[1].starts_with("Zeile 3: Das Feld Nr. 5")) << run.messages[1];
}

// What a header's column is read as: the category whose sum its count goes to, or why the list
// is refused (then --pass-column takes it through), or nothing (passed through).
struct HeaderName
{
    const char *column;
    const char *readAs; // a category key, "" for a column passed through, nullptr for a refused list
    const char *reason = ""; // what the refusal says
};

void PrintTo(const HeaderName &row, std::ostream *os)
{
    *os << row.column;
}

class HeaderNames : public testing::TestWithParam<HeaderName>
{
};

TEST_P(HeaderNames, NameOneCategoryOrRefuseTheList)
{
    const HeaderName &row = GetParam();
    const std::string input = "Anreise;Abreise;Kind_Fremd;" + std::string{row.column} + "\n14.03.2016;18.03.2016;;1\n";
    if (row.readAs == nullptr) {
        const std::string reason = reasonFor(input);
        EXPECT_NE(reason.find("„" + std::string{row.column} + "“"), std::string::npos) << reason;
        EXPECT_NE(reason.find(row.reason), std::string::npos) << reason;
        EXPECT_NE(reason.find("--pass-column '" + std::string{row.column} + "'"), std::string::npos) << reason;
        EXPECT_EQ(reasonFor(input, {row.column}), "accepted");
        return;
    }
    const ProcessedList run = process(input);
    const auto header = fieldsOf(linesOf(run.output).at(0));
    const auto fields = fieldsOf(linesOf(run.output).at(1));
    for (const CategoryRules &category : kCategories) {
        const bool counted = category.key == row.readAs;
        EXPECT_EQ(fields.at(columnOf(header, "Summe_" + std::string{category.key})),
            sumText(category.category, makeDate(14, 3, 2016), makeDate(18, 3, 2016), counted ? 1 : 0))
            << category.key;
    }
}

INSTANTIATE_TEST_SUITE_P(Headers, HeaderNames,
    testing::Values(HeaderName{"Anzahl Erwachsene", "Erwachsene"}, HeaderName{"Anz. Erwachsene", "Erwachsene"},
        HeaderName{"Erwachsener", "Erwachsene"}, HeaderName{"Erw.", "Erwachsene"}, HeaderName{"Schüler", "Student"},
        HeaderName{"Azubi", "Student"}, HeaderName{"Anz_Student", "Student"}, HeaderName{"Stud", "Student"},
        HeaderName{"Erw. Schw.", "Erw_Schwer"}, HeaderName{"Schwerbehinderte Erwachsene", "Erw_Schwer"},
        HeaderName{"Kinder ab 12 Jahre", "Kind"}, HeaderName{"Kinder über 12", "Kind"}, HeaderName{"Kids 12+", "Kind"},
        HeaderName{"Kind Schwer", "Kind_Schwer"}, HeaderName{"SCHÜLER", "Student"},
        HeaderName{"FAMILIENANGEHÖRIGE Kinder ab 12", "Kind"}, HeaderName{"Kinder unter 12", ""},
        HeaderName{"Kinder < 12", ""}, HeaderName{"Preis Erwachsene", ""}, HeaderName{"Erwachsene €", ""},
        HeaderName{"Zimmer", ""}, HeaderName{"Buchungsnr.", ""}, HeaderName{"Hunde", ""},
        // A name that says nothing, over cells that could count persons.
        HeaderName{"Gast", nullptr, "hält ganze Zahlen, die Personen zählen könnten"},
        HeaderName{"Lehrer", nullptr, "hält ganze Zahlen"}, HeaderName{"Eltern", nullptr, "hält ganze Zahlen"},
        // Words of no count beside words of persons or counts: judged as persons.
        HeaderName{"Summe Personen", nullptr, "nennt aber nicht genau eine Personengruppe"},
        HeaderName{"Zimmerbelegung", nullptr, "nennt aber nicht genau eine Personengruppe"},
        HeaderName{"Anzahl gesamt", nullptr, "hält ganze Zahlen"},
        HeaderName{"Alter ab 12", nullptr, "hält ganze Zahlen"},
        HeaderName{"Personen", nullptr, "gemeint sein kann jede der Personengruppen Erwachsene, Erw_Schwer, Student"},
        HeaderName{"GÄSTE", nullptr, "jede der Personengruppen"}, HeaderName{"Pers", nullptr, "jede der"},
        HeaderName{"Anzahl", nullptr, "jede der"},
        HeaderName{"Kinder", nullptr, "Kind (Kinder ab 12 Jahre) oder Kinder unter 12 Jahren, die keinen Kurbeitrag"},
        HeaderName{"Anzahl Kinder", nullptr, "oder Kinder unter 12 Jahren"},
        HeaderName{"Kinder u. 12", nullptr, "oder Kinder unter 12 Jahren"},
        HeaderName{"Kinder bis 12 Jahre", nullptr, "oder Kinder unter 12 Jahren"},
        HeaderName{"Kinder_Schwer", nullptr, "Kind_Schwer (Kinder ab 12 Jahre 80% Schwerbehindert) oder Kinder unter"},
        HeaderName{
            "Kinder ab 12 nicht fremd", nullptr, "Kind_Fremd (Nicht familienangehörige Kinder ab 12 Jahre) oder"},
        HeaderName{"Schwerbehinderte", nullptr, "Erw_Schwer (Erwachsene 80% Schwerbehindert) oder Kind_Schwer"},
        HeaderName{"Erwachsene (nicht schwerbehindert)", nullptr, "Erwachsene (Erwachsene) oder Erw_Schwer"},
        HeaderName{"Behinderte Erwachsene", nullptr, "Erwachsene (Erwachsene) oder Erw_Schwer"},
        HeaderName{"Studenten über 26", nullptr, "Student (Studenten, Schüler und Azubis) oder Erwachsene"},
        HeaderName{"Schüler unter 12", nullptr, "Student (Studenten, Schüler und Azubis) oder Erwachsene"},
        HeaderName{"Schwerbehinderte Studenten", nullptr, "Student (Studenten, Schüler und Azubis) oder Erwachsene"},
        HeaderName{"Erwachsene 80%", nullptr, "Erwachsene (Erwachsene) oder Erw_Schwer"},
        HeaderName{"Kinder ab 12 80%", nullptr, "Kind (Kinder ab 12 Jahre), Kind_Schwer (Kinder ab 12 Jahre 80%"},
        HeaderName{"Schwerbehinderte 50%", nullptr, "oder keine"}, HeaderName{"Erwachsene ‰", nullptr, "oder keine"},
        HeaderName{"Erwachsene/Kinder", nullptr, "Erwachsene oder Kinder"},
        HeaderName{"Personenzahl", nullptr, "eine der Personengruppen Erwachsene, Erw_Schwer"},
        HeaderName{"Adults", nullptr, "oder keine"}, HeaderName{"Kinderbett", nullptr, "oder keine"},
        HeaderName{"Kinde", nullptr, "ist keine Personengruppe; gemeint ist wohl „Kind“"},
        HeaderName{"Erwachsne", nullptr, "gemeint ist wohl „Erwachsene“"},
        // A category's own names from its table row, word for word: a sign or a split number
        // that tells something else keeps a name from being one of them.
        HeaderName{"Anzahl Erwachsene 80% Schwerbehindert", "Erw_Schwer"},
        HeaderName{"KINDER AB 12 JAHRE 80% SCHWERBEHINDERT", "Kind_Schwer"}, HeaderName{"Kind(er) ab 12 J.", "Kind"},
        HeaderName{"Erwachsene <80% Schwerbehindert", nullptr, "nennt aber nicht genau eine Personengruppe"},
        HeaderName{"Erwachsene(r) <80% Schwerb.", nullptr, "nennt aber nicht genau eine Personengruppe"},
        HeaderName{"Kinder ab 1-2 Jahre", nullptr, "nennt aber nicht genau eine Personengruppe"}),
    [](const testing::TestParamInfo<HeaderName> &row) {
        std::string name;
        for (const char c : std::string_view{row.param.column})
            name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
        return name + "_" + std::to_string(row.index);
    });

// Each name the category table gives a category, in the forms a list writes it, is read as that
// category and no other, so a category added to the table is read by its names at once.
TEST(BookingList, EachCategoryIsReadByTheNamesOfItsTableRow)
{
    for (const CategoryRules &category : kCategories) {
        const std::string caption = std::string{category.caption}
            + (category.captionSecondLine.empty() ? "" : " " + std::string{category.captionSecondLine});
        std::vector<std::string> names{std::string{category.subject}, caption, std::string{category.printedName}};
        names.insert(names.end(), category.listNames.begin(), category.listNames.end());
        for (const std::string &name : names) {
            for (const std::string &written : {name, "  " + name + " ", "\"" + name + "\""}) {
                const PersonColumn column = personColumnOf(written);
                EXPECT_EQ(column.kind, PersonColumn::Kind::Category) << written;
                EXPECT_EQ(column.category, category.category) << written;
            }
        }
    }
}

TEST(BookingList, AWindows1252HeaderIsQuotedInUtf8AndItsNearMissPassedInUtf8)
{
    const std::string input = "Anreise;Abreise;Erwachsene;Kinder (G\xE4ste)\n14.03.2016;18.03.2016;1;1\n";
    EXPECT_NE(reasonFor(input).find("„Kinder (Gäste)“"), std::string::npos) << reasonFor(input);
    EXPECT_EQ(reasonFor(input, {"Kinder (Gäste)"}), "accepted");
    EXPECT_NE(reasonFor("Ank\xFCnfte;Abreise\n").find("Erste Zeile: Ankünfte;Abreise"), std::string::npos);
}

TEST(BookingList, OtherColumnsAndTheKeysInAnyCasePassAsBefore)
{
    EXPECT_EQ(
        reasonFor("Anreise;Abreise;Nummer;Gast;Kunde;Bemerkung;Name;Zimmer;Preis;Land;Status;Kind\n"), "accepted");
    EXPECT_EQ(reasonFor("anreise;ABREISE;kind;KIND_SCHWER; Student \n"), "accepted");
    // A quoted name is read with its doubled quotes as one.
    EXPECT_NE(reasonFor("Anreise;Abreise;\"Ki\"\"nd\"\n").find("„Ki\"nd“"), std::string::npos);
}

std::string kOneChildOfMarch()
{
    return resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Kind, 1}});
}

TEST(BookingList, ARerunOnItsOwnResultCalculatesTheResultColumnsInPlace)
{
    const std::string input = readFile("bookings-utf8-bom-crlf.csv");
    const ProcessedList first = process(input);
    const ProcessedList again = process(first.output);
    const auto firstLines = linesOf(first.output);
    const auto againLines = linesOf(again.output);
    ASSERT_EQ(againLines.size(), firstLines.size());
    for (std::size_t i = 0; i < firstLines.size(); ++i) {
        // The short row was filled up with empty fields: now it is whole and is calculated.
        if (firstLines[i].starts_with("Q-1012;"))
            EXPECT_TRUE(againLines[i].ends_with(
                ";1;;;;;;;" + resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 1}}) + "\r"))
                << againLines[i];
        else
            EXPECT_EQ(againLines[i], firstLines[i]);
    }
    EXPECT_EQ(again.summary.total,
        first.summary.total
            + calculateCategory(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1).sum);

    // Result columns moved, one missing: the list's own, untouched; the results follow them.
    const std::string moved = "Gesamt;Anreise;Abreise;Kind;Fehler;Summe_Kind;Nächte";
    const ProcessedList notARerun = process(moved + "\n999,00;14.03.2016;18.03.2016;1;alt;\"1,00\";3\n");
    EXPECT_EQ(notARerun.output,
        withResultNames(moved) + "\n999,00;14.03.2016;18.03.2016;1;alt;\"1,00\";3;" + kOneChildOfMarch() + "\n");

    // A row with more fields than the header: they go after "Fehler", where no later run writes a
    // figure over them, and the row stays faulty run after run.
    const ProcessedList surplus = process("Nr;Anreise;Abreise;Erwachsene;Bemerkung\n"
                                          "B-1;14.03.2016;18.03.2016;2;Hund;Balkon;Nichtraucher\n");
    const auto faultyRow = [](std::size_t fields, std::size_t headerFields) {
        return "B-1;14.03.2016;18.03.2016;2;Hund" + noResults() + "Die Zeile hat " + std::to_string(fields)
            + " Felder, die Kopfzeile hat " + std::to_string(headerFields) + ";Balkon;Nichtraucher";
    };
    EXPECT_EQ(linesOf(surplus.output).at(1), faultyRow(7, 5));
    const ProcessedList surplusAgain = process(surplus.output);
    EXPECT_EQ(surplusAgain.summary.rowsWithErrors, 1);
    EXPECT_EQ(linesOf(surplusAgain.output).at(1), faultyRow(5 + kResultColumns + 2, 5 + kResultColumns));
}

TEST(BookingList, TheListsOwnNightsTotalAndErrorColumnsAreNoResultsOfAnEarlierRun)
{
    // A hotel's list with its own nights, total price and remarks: kept, the results added after them.
    const ProcessedList first = process("Nummer;Anreise;Abreise;Nächte;Erwachsene;Gesamt;Fehler\n"
                                        "B-1;14.03.2016;18.03.2016;4;2;356,00;Zimmer 3\n");
    const auto lines = linesOf(first.output);
    ASSERT_EQ(lines.size(), 2u);
    const std::string adults = sumText(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 2);
    EXPECT_EQ(lines[1],
        "B-1;14.03.2016;18.03.2016;4;2;356,00;Zimmer 3;"
            + resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 2}}));
    // Run again on its result: the results are the last of those names, the list's own stay.
    const ProcessedList again = process(first.output);
    EXPECT_EQ(again.output, first.output);
}

TEST(BookingList, SpreadsheetFormsOfDatesAndCounts)
{
    const ProcessedList run = process("Anreise;Abreise;Erwachsene;Kind\n"
                                      "14.03.16;18.03.16;2,0;1.00\n"
                                      "1.1.01;2.1.01;2.0;\n"
                                      "31.12.00;05.01.01;1;\n"
                                      "14.03.2016;18.03.2016;2,5;1,\n"
                                      "14.03.2016;18.03.2016;,0;\n"
                                      "14.03.2016;18.03.2016;1.000;0,000\n");
    const auto lines = linesOf(run.output);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(lines[1].ends_with(
        ";" + resultCells("14.03.2016", "18.03.2016", {{PersonCategory::Erwachsene, 2}, {PersonCategory::Kind, 1}})))
        << lines[1];
    EXPECT_TRUE(lines[2].ends_with(";" + resultCells("01.01.2001", "02.01.2001", {{PersonCategory::Erwachsene, 2}})))
        << lines[2];
    EXPECT_TRUE(lines[3].ends_with(";Anreise 31.12.00 liegt außerhalb des Kalenders (01.01.2001 bis 30.12.2030)"))
        << lines[3];
    EXPECT_TRUE(lines[4].ends_with(";\"Erwachsene „2,5“ ist keine ganze Zahl; Kind „1,“ ist keine ganze Zahl\""))
        << lines[4];
    EXPECT_TRUE(lines[5].ends_with(";Erwachsene „,0“ ist keine ganze Zahl")) << lines[5];
    // A thousand with its digits grouped is no 1.
    EXPECT_TRUE(lines[6].ends_with(";Erwachsene 1.000 liegt außerhalb von 0 bis 30")) << lines[6];
}

struct SeparatorCase
{
    const char *name;
    const char *input;
    char separator; // the one the list is read with
    std::string lastLine;
    const char *message;
};

class Separators : public testing::TestWithParam<SeparatorCase>
{
};

TEST_P(Separators, AreTakenFromTheList)
{
    const SeparatorCase &row = GetParam();
    const ProcessedList run = process(row.input);
    EXPECT_EQ(run.summary.separator, row.separator);
    EXPECT_EQ(run.summary.rowsWithErrors, 0);
    EXPECT_EQ(linesOf(run.output).back(), row.lastLine);
    EXPECT_EQ(run.messages.empty() ? std::string{} : run.messages[0], row.message);
}

INSTANTIATE_TEST_SUITE_P(Lists, Separators,
    testing::Values(
        SeparatorCase{.name = "ExcelsSepLine",
            .input = "sep=,\r\nAnreise,Abreise,Kind\r\n14.03.2016,18.03.2016,1\r\n",
            .separator = ',',
            .lastLine = "14.03.2016,18.03.2016,1,"
                + resultCellsWrittenWith(',', "14.03.2016", "18.03.2016", {{PersonCategory::Kind, 1}}) + "\r",
            .message = ""},
        SeparatorCase{.name = "CommaHeader",
            .input = "Anreise,Abreise,Kind\n14.03.2016,18.03.2016,1\n",
            .separator = ',',
            .lastLine = "14.03.2016,18.03.2016,1,"
                + resultCellsWrittenWith(',', "14.03.2016", "18.03.2016", {{PersonCategory::Kind, 1}}),
            .message = "Zeile 1: Die Kopfzeile ist durch „,“ getrennt, nicht durch „;“; die Liste wird mit „,“ "
                       "gelesen und geschrieben (anders: --separator)."},
        SeparatorCase{.name = "TabHeader",
            .input = "\"Anreise\"\tAbreise\tKind\n14.03.2016\t18.03.2016\t1\n",
            .separator = '\t',
            .lastLine = "14.03.2016\t18.03.2016\t1\t"
                + resultCellsWrittenWith('\t', "14.03.2016", "18.03.2016", {{PersonCategory::Kind, 1}}),
            .message = "Zeile 1: Die Kopfzeile ist durch Tab getrennt, nicht durch „;“; die Liste wird mit Tab "
                       "gelesen und geschrieben (anders: --separator)."}),
    [](const testing::TestParamInfo<SeparatorCase> &row) { return std::string{row.param.name}; });

TEST(BookingList, TheSepLineStaysAtTheTopOfTheResult)
{
    const ProcessedList run = process("\xEF\xBB\xBFsep=;\nAnreise;Abreise;Kind\n14.03.2016;18.03.2016;1\n");
    EXPECT_TRUE(run.output.starts_with("\xEF\xBB\xBFsep=;\nAnreise;Abreise;Kind;Nächte;")) << run.output;
}

TEST(BookingList, Utf16IsRefusedWithHowToExportUtf8)
{
    const std::string reason = reasonFor(std::string{"\xFF\xFE"
                                                     "A\0n\0r\0",
        8});
    EXPECT_NE(reason.find("UTF-16"), std::string::npos) << reason;
    EXPECT_NE(reason.find("CSV UTF-8"), std::string::npos) << reason;
    EXPECT_EQ(reason.find("CR allein"), std::string::npos) << reason;
    EXPECT_NE(reasonFor("\xFE\xFF\0A\0n"s).find("UTF-16"), std::string::npos);
    // Without a byte-order mark, in either byte order.
    EXPECT_NE(reasonFor("A\0n\0r\0e\0i\0s\0e\0\r\0\n\0"s).find("UTF-16"), std::string::npos);
    EXPECT_NE(reasonFor("\0A\0n\0r"s).find("UTF-16"), std::string::npos);
}

TEST(BookingList, AWorkbookInsteadOfACsvListIsNamed)
{
    for (const std::string &start :
        {"PK\x03\x04\x14\0\x06\0\x08\0\0\0!\0\r\r\r"s, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\r"s}) {
        const std::string reason = reasonFor(start);
        EXPECT_NE(reason.find("Arbeitsmappe"), std::string::npos) << reason;
        EXPECT_NE(reason.find("CSV UTF-8"), std::string::npos) << reason;
    }
}

TEST(TextEncoding, IsRecognisedFromTheStartOfTheList)
{
    EXPECT_EQ(detectEncoding("\xEF\xBB\xBF"
                             "Anreise"),
        Encoding::Utf8WithByteOrderMark);
    EXPECT_EQ(detectEncoding("Anreise;Abreise"), Encoding::Utf8);
    EXPECT_EQ(detectEncoding("M\xC3\xBCller"), Encoding::Utf8);
    EXPECT_EQ(detectEncoding("M\xFCller"), Encoding::Windows1252);
    EXPECT_EQ(detectEncoding("M\xC3"), Encoding::Windows1252); // cut off by the end of the list
    EncodingScan inBlocks;
    inBlocks.feed("M\xC3");
    inBlocks.feed("\xBCller");
    EXPECT_EQ(inBlocks.result().encoding, Encoding::Utf8); // cut off by the end of a block only
    EXPECT_EQ(detectEncoding("Anreise;Abreise\r\n"), Encoding::Windows1252); // ASCII from Windows
    EXPECT_EQ(detectEncoding("Anreise;Abreise\n14.03.2016;x\r\n"), Encoding::Utf8);
    EXPECT_EQ(detectEncoding("M\xC3\xBCller\r\n"), Encoding::Utf8); // two-byte characters alone, from Windows
    EXPECT_EQ(detectEncoding("\xF0\x9F\x98\x80 \xE2\x82\xAC"), Encoding::Utf8); // four and three bytes
    EXPECT_EQ(detectEncoding("\xF5\x80\x80\x80"), Encoding::Windows1252); // beyond Unicode
    EXPECT_EQ(detectEncoding("\xC3\x28"), Encoding::Windows1252);
    EXPECT_EQ(detectEncoding("\xC0\xAF"), Encoding::Windows1252); // an overlong form
    EXPECT_EQ(encodeText("Nächte außerhalb „x“ €", Encoding::Windows1252),
        "N\xE4"
        "chte au\xDF"
        "erhalb \x84x\x93 \x80");
    EXPECT_EQ(encodeText("Nächte", Encoding::Utf8), "Nächte");
    // A character the encoding lacks as its nearest, else "?".
    EXPECT_EQ(encodeText("→", Encoding::Windows1252), "->");
    EXPECT_EQ(encodeText("„x“ Nächte", Encoding::Cp850),
        ",,x\" N\x84"
        "chte");
    EXPECT_EQ(encodeText("☺", Encoding::MacRoman), "?");
    // Longer texts than three bytes a byte: all of them, whatever the converter makes of them.
    std::string umlauts;
    for (int i = 0; i < 100; ++i)
        umlauts += "ü";
    EXPECT_EQ(decodeText(std::string(100, '\x81'), Encoding::Cp850), umlauts);
    EXPECT_EQ(encodeText("™ ⅓ \xFF", Encoding::Cp850), "(TM)  1/3  ?");
    // All of Windows-1252's 0x80-0x9F, by the system's converter; its five undefined bytes as "?".
    EXPECT_EQ(encodeText("Kind’ Gast–Name Š ž Ÿ", Encoding::Windows1252), "Kind\x92 Gast\x96Name \x8A \x9E \x9F");
    EXPECT_EQ(decodeText("Kind\x92 Gast\x96Name \x8A \x9E \x9F \x81\x8D\x8F\x90\x9D", Encoding::Windows1252),
        "Kind’ Gast–Name Š ž Ÿ ?????");
}

// The rules a list's encoding is found by, each row a rule that decides it.
TEST(TextEncoding, IsFoundByItsRules)
{
    struct Rule
    {
        const char *name;
        std::string text;
        Encoding encoding;
        std::vector<std::uint64_t> otherKindAt = {};
    };
    for (const Rule &rule :
        std::initializer_list<Rule>{{"an undefined byte rules Windows-1252 out", "Sch\x81ler", Encoding::Cp850},
            {"a German letter in a word decides", "G\x84ste;Zimmer", Encoding::Cp850},
            {"Mac Roman's u umlaut", "Sch\x9Fler", Encoding::MacRoman},
            {"Mac Roman's sharp s",
                "Stra\xA7"
                "e",
                Encoding::MacRoman},
            {"Windows-1252's sharp s",
                "Stra\xDF"
                "e",
                Encoding::Windows1252},
            {"no German letter: the first of a tie", "\xE9t\xE9", Encoding::Windows1252},
            {"a letter before the byte puts it in a word", "-M\x8A;", Encoding::MacRoman},
            {"ISO-8859-15's euro sign after a figure", "5\xA4;M\xFCller", Encoding::Iso8859_15},
            {"a tie of CP850's U umlaut and Mac Roman's o umlaut", "K\x9Aln\n", Encoding::Cp850},
            {"the same tie where lines end in CR alone, as a Mac's", "K\x9Aln\r", Encoding::MacRoman},
            {"a line break within a quoted name is no line end", "\"K\x9Aln\rOst\"\n", Encoding::Cp850},
            {"nor is a CR LF there, for ASCII", "\"Anzahl\r\nErwachsene\"\n", Encoding::Utf8},
            {"an ASCII list whose header ends in CR LF", "\"Anzahl\nErwachsene\"\r\n", Encoding::Windows1252},
            {"a German letter beside no ASCII letter says nothing", "-\x84;.\x84;M\xFCller", Encoding::Windows1252},
            {"UTF-8 with a stray byte", "Schüler;M\xFCller;Grüße", Encoding::Utf8, {10}},
            {"Windows-1252 with a UTF-8 field", "Schüler;M\xFCller;Gr\xFCn", Encoding::Windows1252, {3}},
            {"a sequence cut by the end of the list", "M\xC3", Encoding::Windows1252}}) {
        SCOPED_TRACE(rule.name);
        EncodingScan scan;
        scan.feed(rule.text);
        EXPECT_EQ(scan.result().encoding, rule.encoding);
        EXPECT_EQ(scan.result().otherKindAt, rule.otherKindAt);
    }
    // Field by field: the UTF-8 field as UTF-8, the other in the list's single-byte encoding.
    EncodingScan joined;
    joined.feed("Schüler;M\xFCller;Grüße");
    EXPECT_EQ(joined.result().decode("M\xFCller"), "Müller");
    EXPECT_EQ(joined.result().decode("Schüler"), "Schüler");
    EXPECT_EQ(joined.result(Encoding::Cp850).decode("Schüler"), "Sch├╝ler"); // as the user says
    EXPECT_EQ(encodingNamed("cp-850"), Encoding::Cp850);
    EXPECT_EQ(encodingNamed("Latin 9"), Encoding::Iso8859_15);
    EXPECT_EQ(encodingNamed("UTF_8"), Encoding::Utf8);
    EXPECT_EQ(encodingNamed("Macintosh"), Encoding::MacRoman);
    EXPECT_FALSE(encodingNamed("UTF-16"));
}

// The man page, the README and the manual name the categories as the table has them: the man
// page's list of keys, and the lists their examples show, which are what the tool writes.
TEST(Documentation, NamesTheCategoriesOfTheTable)
{
    const auto projectFile = [](const std::string &name) {
        std::ifstream file{std::string{SALVENOR_TEST_DATA} + "/../" + name, std::ios::binary};
        return std::string{std::istreambuf_iterator<char>{file}, {}};
    };
    std::string keys;
    for (const CategoryRules &category : kCategories)
        keys += (keys.empty() ? ".BR " : " \", \" ") + std::string{category.key};
    const std::string manPage = projectFile("batch/salvenor-batch.1");
    EXPECT_NE(manPage.find(keys + " .\n"), std::string::npos) << "the man page lists its keys as: " << keys;
    EXPECT_NE(manPage.find(".BR Summe_" + std::string{kCategories.front().key} + " \" bis \" Summe_"
                  + std::string{kCategories.back().key} + " ,\n"),
        std::string::npos);
    // The examples of the README and the manual: the list after the run is what the tool writes
    // of the list before it, and the summary's total is the run's.
    for (const std::string name : {"README.md", "docs/manual.md"}) {
        const std::string text = projectFile(name);
        const std::string shown = "$ cat buchungen.csv\n";
        const auto block = [&text](std::size_t from) { return text.substr(from, text.find("\n$ ", from) + 1 - from); };
        const std::size_t before = text.find(shown);
        const std::size_t after = text.find(shown, before + 1);
        ASSERT_NE(after, std::string::npos) << name << " shows no list before and after a run";
        const ProcessedList run = process(block(before + shown.size()));
        EXPECT_EQ(block(after + shown.size()), run.output) << name;
        EXPECT_NE(text.find("Summe aller Beträge: " + formatMoney(run.summary.total) + " €"), std::string::npos)
            << name;
    }
}

} // namespace
} // namespace salvenor::batch
