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
#include "batch/text_encoding.h"
#include "core/contribution.h"
#include "test_support.h"
#include "worked_examples.h"

namespace salvenor::batch {
namespace {

using namespace std::string_literals;

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
            total += parseMoney(records[i][totalColumn]);
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
    input += "14.03.2016;18.03.2016;2;;;;;\n";

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
            = categorySum(example.category, test::d(example.arrival), test::d(example.departure), example.count);
        EXPECT_EQ(fields.at(columnOf(header, sumColumn)), sum) << lines[i + 1];
        EXPECT_EQ(fields.at(columnOf(header, "Gesamt")), sum) << lines[i + 1];
        EXPECT_EQ(fields.at(columnOf(header, "Fehler")), "") << lines[i + 1];
    }
    const auto typical = fieldsOf(lines.back());
    EXPECT_EQ(typical.at(columnOf(header, "Nächte")), "4");
    EXPECT_EQ(typical.at(columnOf(header, "Summe_Erwachsene")),
        categorySum(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 2));
    EXPECT_EQ(typical.at(columnOf(header, "Gesamt")),
        categorySum(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 2));
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
        std::array<std::string, kCategoryCount> sums;
        for (const CategoryRules &category : kCategories) {
            const std::size_t index = indexOf(category.category);
            sums.at(index) = categorySum(category.category, arrival, departure, std::stoi(in[3 + index]));
            ASSERT_EQ(out[in.size() + 1 + index], sums.at(index)) << lines[row];
        }
        ASSERT_EQ(out[in.size() + 1 + kCategoryCount], grandTotal(sums)) << lines[row];
        ASSERT_EQ(out.back(), "");
        total += parseMoney(grandTotal(sums));
    }
    EXPECT_EQ(run.summary.total, total);
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
    EXPECT_NE(reasonFor("Anreise;Abreise\r14.03.2016;18.03.2016\r").find("CR allein"), std::string::npos);
}

TEST(BookingList, HeaderOnlyAndTheLastLineWithoutALineEnd)
{
    const ProcessedList header = process("Anreise;Abreise\r\n");
    EXPECT_EQ(header.summary.rows, 0);
    EXPECT_EQ(fieldsOf(linesOf(header.output).at(0)).size(), 2 + kCategoryCount + 3);
    EXPECT_TRUE(header.output.ends_with("Fehler\r\n"));

    const ProcessedList last = process("Anreise;Abreise;Kind\n14.03.2016;18.03.2016;1");
    EXPECT_EQ(last.summary.rows, 1);
    EXPECT_TRUE(last.output.ends_with(";1;4;0,00;0,00;0,00;1,60;0,00;0,00;1,60;")) << last.output;
}

TEST(BookingList, EmptyRowsOfASpreadsheetAreNoBookings)
{
    const ProcessedList run = process("Anreise;Abreise;Kind\r\n14.03.2016;18.03.2016;1\r\n;;\r\n ; ;\r\n\r\n;;");
    EXPECT_EQ(run.summary.rows, 1);
    EXPECT_EQ(run.summary.rowsWithErrors, 0);
    EXPECT_TRUE(run.output.ends_with(";1,60;\r\n;;\r\n ; ;\r\n\r\n;;")) << run.output;
    // A quoted empty field is something written on purpose: a row.
    EXPECT_EQ(process("Anreise;Abreise\n\"\";\n").summary.rowsWithErrors, 1);
}

TEST(BookingList, ARowWithACarriageReturnAloneIsAnError)
{
    const ProcessedList run = process("Anreise;Abreise\n14.03.2016;18.03.2016\r14.03.2016;18.03.2016\n");
    EXPECT_EQ(run.summary.rowsWithErrors, 1);
    EXPECT_TRUE(
        run.output.ends_with(";\"Die Zeile enthält ein CR ohne LF; Die Zeile hat 4 Felder, die Kopfzeile hat 2\"\n"))
        << run.output;
    EXPECT_TRUE(process("Anreise;Abreise\n14.03.2016\n")
                    .output.ends_with(";\"Die Zeile hat 1 Feld, die Kopfzeile hat 2; Abreise fehlt\"\n"));
}

TEST(BookingList, CountsAreWholeNumbersWithinTheCategorysRange)
{
    const ProcessedList run = process("Anreise;Abreise;Kind;Student\n"
                                      "14.03.2016;18.03.2016;007;\" 2\t\"\n"
                                      "14.03.2016;18.03.2016;99999999999;1e3\n"
                                      "14.03.2016;18.03.2016;10;20\n");
    const auto lines = linesOf(run.output);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[1].ends_with(";4;0,00;0,00;3,20;1,60;0,00;0,00;4,80;")) << lines[1];
    EXPECT_TRUE(
        lines[2].ends_with(";\"Student „1e3“ ist keine ganze Zahl; Kind 99999999999 liegt außerhalb von 0 bis 10\""))
        << lines[2];
    EXPECT_TRUE(lines[3].ends_with(";4;0,00;0,00;32,00;1,60;0,00;0,00;33,60;")) << lines[3];
}

TEST(BookingList, ResultsAreQuotedWhereTheySeparatorIsAComma)
{
    const ProcessedList run = process("Anreise,Abreise,Erwachsene\n2016-07-01,2016-07-30,30\n", ',');
    const std::string sum = categorySum(PersonCategory::Erwachsene, makeDate(1, 7, 2016), makeDate(30, 7, 2016), 30);
    EXPECT_TRUE(
        run.output.ends_with(",29,\"" + sum + "\",\"0,00\",\"0,00\",\"0,00\",\"0,00\",\"0,00\",\"" + sum + "\",\n"))
        << run.output;
}

// A quote that opens a field and is never closed as RFC 4180 says: the line it began in is one
// faulty row, written back as sound CSV, and the lines after it are rows again.
// The core's sums for the stray-quote lists' rows: one adult 01.07.-15.07.2016, one 14.03.-18.03.2016.
std::string julyAdult()
{
    return categorySum(PersonCategory::Erwachsene, makeDate(1, 7, 2016), makeDate(15, 7, 2016), 1);
}

std::string marchAdult()
{
    return categorySum(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1);
}

// One child 14.03.-18.03.2016, the long lists' row.
std::string marchChild()
{
    return categorySum(PersonCategory::Kind, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1);
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
    ASSERT_EQ(run.messages.size(), 1u);
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
        categorySum(PersonCategory::Erwachsene, makeDate(1, 7, 2016), makeDate(15, 7, 2016), 1))
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
                        .total = formatMoney(parseMoney(julyAdult()) + parseMoney(marchAdult())),
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
            .total = formatMoney(parseMoney(julyAdult()) + parseMoney(marchAdult())),
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
    EXPECT_NE(
        run.output.find("\r\n4;\"\"\"y\"\"z\";14.03.2016;18.03.2016;1;;;;;;;;;Das Feld in Anführungszeichen ab Zeile 7 "
                        "ist falsch geschlossen: auf das schließende Anführungszeichen in Zeile 7 folgt „z“ statt "
                        "des Trennzeichens oder des Zeilenendes\r\n5;ok;"),
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
    EXPECT_EQ(formatMoney(run.summary.total), formatMoney(parseMoney(marchChild()) * kRows));
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
    EXPECT_EQ(lines[1], "B-1;14.03.2016;18.03.2016;1;;;;;;;;;;Das Feld Nr. 5 ist länger als 64 KiB und bleibt leer");
    EXPECT_EQ(lines[2],
        "B-2;14.03.2016;18.03.2016;1;;;;;;;;;;\"Das Feld Nr. 5 ist länger als 64 KiB und bleibt leer; Die Zeile ist "
        "länger als 1024 KiB, was danach kommt, bleibt leer\"");
    ASSERT_EQ(run.messages.size(), 2u);
    EXPECT_TRUE(run.messages[0].starts_with("Zeile 2: Das Feld Nr. 5")) << run.messages[0];
    EXPECT_TRUE(run.messages[1].starts_with("Zeile 3: Das Feld Nr. 5")) << run.messages[1];
}

struct NearMiss
{
    const char *column;
    const char *key; // what it probably means
};

class NearMissColumns : public testing::TestWithParam<NearMiss>
{
};

TEST_P(NearMissColumns, RefuseTheListUnlessPassedOnPurpose)
{
    const NearMiss &miss = GetParam();
    const std::string input = "Anreise;Abreise;" + std::string{miss.column} + "\n14.03.2016;18.03.2016;1\n";
    const std::string reason = reasonFor(input);
    EXPECT_NE(reason.find("„" + std::string{miss.column} + "“"), std::string::npos) << reason;
    EXPECT_NE(reason.find("wohl „" + std::string{miss.key} + "“"), std::string::npos) << reason;
    EXPECT_NE(reason.find("Erwachsene, Erw_Schwer, Student, Kind, Kind_Schwer, Kind_Fremd"), std::string::npos);
    EXPECT_NE(reason.find("--pass-column"), std::string::npos) << reason;
    EXPECT_EQ(reasonFor(input, {miss.column}), "accepted");
}

INSTANTIATE_TEST_SUITE_P(Headers, NearMissColumns,
    testing::Values(NearMiss{"Kinder", "Kind"}, NearMiss{"Studenten", "Student"}, NearMiss{"Erwachsener", "Erwachsene"},
        NearMiss{"Erw Schwer", "Erw_Schwer"}, NearMiss{"Kind-Fremd", "Kind_Fremd"}, NearMiss{"Kinde", "Kind"},
        NearMiss{"Erwachsne", "Erwachsene"}, NearMiss{"Erw.", "Erwachsene"}, NearMiss{"Stud", "Student"},
        NearMiss{"Erw. Schw.", "Erw_Schwer"}, NearMiss{"Kinder_Schwer", "Kind_Schwer"}),
    [](const testing::TestParamInfo<NearMiss> &row) {
        std::string name;
        for (const char c : std::string_view{row.param.column})
            name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
        return name;
    });

TEST(BookingList, AWindows1252HeaderIsQuotedInUtf8AndItsNearMissPassedInUtf8)
{
    const std::string input = "Anreise;Abreise;Kinder (G\xE4ste)\n14.03.2016;18.03.2016;1\n";
    EXPECT_NE(reasonFor(input).find("„Kinder (Gäste)“"), std::string::npos) << reasonFor(input);
    EXPECT_EQ(reasonFor(input, {"Kinder (Gäste)"}), "accepted");
    EXPECT_NE(reasonFor("Ank\xFCnfte;Abreise\n").find("Erste Zeile: Ankünfte;Abreise"), std::string::npos);
}

TEST(BookingList, OtherColumnsAndTheKeysInAnyCasePassAsBefore)
{
    EXPECT_EQ(reasonFor("Anreise;Abreise;Nummer;Gast;Kunde;Bemerkung;Name;Zimmer;Preis;Land;Status\n"), "accepted");
    EXPECT_EQ(reasonFor("anreise;ABREISE;kind;KIND_SCHWER; Student \n"), "accepted");
    // A quoted name is read with its doubled quotes as one.
    EXPECT_NE(reasonFor("Anreise;Abreise;\"Ki\"\"nd\"\n").find("„Ki\"nd“"), std::string::npos);
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
            EXPECT_TRUE(againLines[i].ends_with(";1;;;;;;;4;"
                + categorySum(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1)
                + ";0,00;0,00;0,00;0,00;0,00;"
                + categorySum(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1) + ";\r"))
                << againLines[i];
        else
            EXPECT_EQ(againLines[i], firstLines[i]);
    }
    EXPECT_EQ(again.summary.total,
        first.summary.total
            + parseMoney(categorySum(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1)));

    // Result columns moved and a stale figure: recalculated where they stand.
    const ProcessedList moved = process("Gesamt;Anreise;Abreise;Kind;Fehler;Summe_Kind\n"
                                        "999,00;14.03.2016;18.03.2016;1;alt;\"1,00\"\n"
                                        "5,00;14.03.2016;31.02.2016;1;;7\n");
    const auto lines = linesOf(moved.output);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
        "Gesamt;Anreise;Abreise;Kind;Fehler;Summe_Kind;Nächte;Summe_Erwachsene;Summe_Erw_Schwer;Summe_Student;"
        "Summe_Kind_Schwer;Summe_Kind_Fremd");
    EXPECT_EQ(lines[1], "1,60;14.03.2016;18.03.2016;1;;1,60;4;0,00;0,00;0,00;0,00;0,00");
    EXPECT_EQ(lines[2], ";14.03.2016;31.02.2016;1;Abreise 31.02.2016 ist kein Kalendertag;;;;;;;");
}

TEST(BookingList, TheListsOwnNightsTotalAndErrorColumnsAreNoResultsOfAnEarlierRun)
{
    // A hotel's list with its own nights, total price and remarks: kept, the results added after them.
    const ProcessedList first = process("Nummer;Anreise;Abreise;Nächte;Erwachsene;Gesamt;Fehler\n"
                                        "B-1;14.03.2016;18.03.2016;4;2;356,00;Zimmer 3\n");
    const auto lines = linesOf(first.output);
    ASSERT_EQ(lines.size(), 2u);
    const std::string adults = categorySum(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 2);
    EXPECT_EQ(lines[1],
        "B-1;14.03.2016;18.03.2016;4;2;356,00;Zimmer 3;4;" + adults + ";0,00;0,00;0,00;0,00;0,00;" + adults + ";");
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
    const std::string adults = categorySum(PersonCategory::Erwachsene, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 2);
    const std::string child = categorySum(PersonCategory::Kind, makeDate(14, 3, 2016), makeDate(18, 3, 2016), 1);
    const std::string total = formatMoney(parseMoney(adults) + parseMoney(child));
    EXPECT_TRUE(lines[1].ends_with(";4;" + adults + ";0,00;0,00;" + child + ";0,00;0,00;" + total + ";")) << lines[1];
    const std::string in2001 = categorySum(PersonCategory::Erwachsene, makeDate(1, 1, 2001), makeDate(2, 1, 2001), 2);
    EXPECT_TRUE(lines[2].ends_with(";1;" + in2001 + ";0,00;0,00;0,00;0,00;0,00;" + in2001 + ";")) << lines[2];
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
    const char *lastLine;
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
            .lastLine = "14.03.2016,18.03.2016,1,4,\"0,00\",\"0,00\",\"0,00\",\"1,60\",\"0,00\",\"0,00\",\"1,60\",\r",
            .message = ""},
        SeparatorCase{.name = "CommaHeader",
            .input = "Anreise,Abreise,Kind\n14.03.2016,18.03.2016,1\n",
            .separator = ',',
            .lastLine = "14.03.2016,18.03.2016,1,4,\"0,00\",\"0,00\",\"0,00\",\"1,60\",\"0,00\",\"0,00\",\"1,60\",",
            .message = "Zeile 1: Die Kopfzeile ist durch „,“ getrennt, nicht durch „;“; die Liste wird mit „,“ "
                       "gelesen und geschrieben (anders: --separator)."},
        SeparatorCase{.name = "TabHeader",
            .input = "\"Anreise\"\tAbreise\tKind\n14.03.2016\t18.03.2016\t1\n",
            .separator = '\t',
            .lastLine = "14.03.2016\t18.03.2016\t1\t4\t0,00\t0,00\t0,00\t1,60\t0,00\t0,00\t1,60\t",
            .message = "Zeile 1: Die Kopfzeile ist durch Tab getrennt, nicht durch „;“; die Liste wird mit Tab "
                       "gelesen und geschrieben (anders: --separator)."}),
    [](const testing::TestParamInfo<SeparatorCase> &row) { return std::string{row.param.name}; });

TEST(BookingList, TheSepLineStaysAtTheTopOfTheResult)
{
    const ProcessedList run = process("\xEF\xBB\xBFsep=;\nAnreise;Abreise\n14.03.2016;18.03.2016\n");
    EXPECT_TRUE(run.output.starts_with("\xEF\xBB\xBFsep=;\nAnreise;Abreise;Nächte;")) << run.output;
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
    EXPECT_EQ(detectEncoding("M\xC3"), Encoding::Utf8); // cut off by the end of the sample
    EXPECT_EQ(detectEncoding("\xF0\x9F\x98\x80 \xE2\x82\xAC"), Encoding::Utf8); // four and three bytes
    EXPECT_EQ(detectEncoding("\xF5\x80\x80\x80"), Encoding::Windows1252); // beyond Unicode
    EXPECT_EQ(detectEncoding("\xC3\x28"), Encoding::Windows1252);
    EXPECT_EQ(detectEncoding("\xC0\xAF"), Encoding::Windows1252); // an overlong form
    EXPECT_EQ(encodeText("Nächte außerhalb „x“ €", Encoding::Windows1252),
        "N\xE4"
        "chte au\xDF"
        "erhalb \x84x\x93 \x80");
    EXPECT_EQ(encodeText("Nächte", Encoding::Utf8), "Nächte");
    EXPECT_EQ(encodeText("→", Encoding::Windows1252), "?");
}

} // namespace
} // namespace salvenor::batch
