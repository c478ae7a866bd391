#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
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
};

ProcessedList process(const std::string &input, char separator = ';')
{
    std::istringstream in{input};
    std::ostringstream out;
    ListOptions options;
    options.separator = separator;
    ProcessedList run;
    run.summary = processBookingList(in, out, options);
    run.output = out.str();
    return run;
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
    const char *total;
};

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
    EXPECT_EQ(formatMoney(run.summary.total), golden.total);
}

// A byte-order mark, CRLF, quoted fields with separators, quotes and a line break, ISO and
// German dates, empty cells, an empty line, and every kind of bad row; and a Windows-1252 list
// with commas, whose umlauts pass through and whose new texts are written in Windows-1252.
INSTANTIATE_TEST_SUITE_P(Lists, GoldenFiles,
    testing::Values(GoldenFile{.input = "bookings-utf8-bom-crlf.csv",
                        .separator = ';',
                        .expected = "bookings-utf8-bom-crlf.expected.csv",
                        .rows = 13,
                        .rowsWithErrors = 8,
                        .total = "270.145,10"},
        GoldenFile{.input = "bookings-windows1252.csv",
            .separator = ',',
            .expected = "bookings-windows1252.expected.csv",
            .rows = 3,
            .rowsWithErrors = 1,
            .total = "55,50"}),
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
        EXPECT_EQ(fields.at(columnOf(header, sumColumn)), example.sum) << lines[i + 1];
        EXPECT_EQ(fields.at(columnOf(header, "Gesamt")), example.sum) << lines[i + 1];
        EXPECT_EQ(fields.at(columnOf(header, "Fehler")), "") << lines[i + 1];
    }
    const auto typical = fieldsOf(lines.back());
    EXPECT_EQ(typical.at(columnOf(header, "Nächte")), "4");
    EXPECT_EQ(typical.at(columnOf(header, "Summe_Erwachsene")), "18,40");
    EXPECT_EQ(typical.at(columnOf(header, "Gesamt")), "18,40");
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
    const auto reasonFor = [](const std::string &input) -> std::string {
        try {
            process(input);
        } catch (const UnusableList &refused) {
            return refused.what();
        }
        return "accepted";
    };
    EXPECT_NE(reasonFor("").find("leer"), std::string::npos);
    EXPECT_NE(reasonFor("\n\n").find("leer"), std::string::npos);
    EXPECT_NE(reasonFor("Anreise;Erwachsene\n14.03.2016;2\n").find("„Abreise“"), std::string::npos);
    EXPECT_NE(reasonFor("Nummer;Abreise\n").find("„Anreise“"), std::string::npos);
    EXPECT_NE(reasonFor("Anreise;Abreise;anreise\n").find("zweimal"), std::string::npos);
    EXPECT_NE(reasonFor("Anreise,Nummer\n").find("„Anreise“"), std::string::npos);
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

TEST(BookingList, ARowWithACarriageReturnAloneIsAnError)
{
    const ProcessedList run = process("Anreise;Abreise\n14.03.2016;18.03.2016\r14.03.2016;18.03.2016\n");
    EXPECT_EQ(run.summary.rowsWithErrors, 1);
    EXPECT_TRUE(
        run.output.ends_with(";\"Die Zeile enthält ein CR ohne LF; Die Zeile hat 4 Felder, die Kopfzeile hat 2\"\n"))
        << run.output;
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
    EXPECT_TRUE(run.output.ends_with(",29,\"2.940,00\",\"0,00\",\"0,00\",\"0,00\",\"0,00\",\"0,00\",\"2.940,00\",\n"))
        << run.output;
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
