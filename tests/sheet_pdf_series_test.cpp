// Sheets written one after the other through SheetPdfSeries are the sheets writeSheetPdf writes
// alone: the same words in the same places, the same fonts, the same pixels, read back with the
// tools of poppler-utils.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/categories.h"
#include "core/date.h"
#include "print/sheet_data.h"
#include "print/sheet_pdf.h"
#include "print/sheet_pdf_series.h"
#include "sheet_examples.h"

namespace salvenor::print {
namespace {

// What a program of poppler-utils prints for the file.
QByteArray programOutput(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished();
    return process.readAllStandardOutput();
}

// The words of the page with their boxes, without the document's information (its creation
// second may differ).
QByteArray wordsAndPlaces(const QString &file)
{
    QByteArray words;
    for (const QByteArray &line :
        programOutput(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")}).split('\n')) {
        if (!line.contains("<meta"))
            words += line + '\n';
    }
    return words;
}

QByteArray pixels(const QString &file)
{
    return programOutput(
        QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"), file});
}

SheetData sheet(Date arrival, int nights, int persons, Money sum, Money total)
{
    SheetFacts facts{.today = makeDate(14, 3, 2016),
        .arrival = arrival,
        .departure = addDays(arrival, nights),
        .counts = {},
        .sums = {},
        .total = total};
    facts.counts.fill(persons);
    facts.sums.fill(sum);
    return sheetDataOf(facts);
}

SheetData withServicePhone(SheetData data, const QString &phone)
{
    data.servicePhone = phone;
    return data;
}

struct SeriesCase
{
    const char *name;
    std::vector<SheetData> sheets; // written one after the other
    int pagesPerDocument;
    long writtenAlone; // of them, by writeSheetPdf
};

void PrintTo(const SeriesCase &series, std::ostream *os)
{
    *os << series.name;
}

class SheetSeries : public testing::TestWithParam<SeriesCase>
{
protected:
    static void SetUpTestSuite()
    {
        if (QGuiApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "sheet_pdf_series_test";
            static char *argv[] = {name, nullptr};
            static QGuiApplication application{argc, argv};
        }
    }
};

TEST_P(SheetSeries, IsWhatEachSheetAloneWouldBe)
{
    for (const char *tool : {"pdftotext", "pdffonts", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " (poppler-utils) reads the sheets back";
    }
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SheetPdfSeries series{GetParam().pagesPerDocument};
    for (std::size_t index = 0; index < GetParam().sheets.size(); ++index) {
        const QString title = sheetTitle(QStringLiteral("B-%1").arg(index));
        const QString inSeries = dir.filePath(QStringLiteral("series-%1.pdf").arg(index));
        const QString alone = dir.filePath(QStringLiteral("alone-%1.pdf").arg(index));
        ASSERT_TRUE(series.write(inSeries, GetParam().sheets[index], title));
        ASSERT_TRUE(writeSheetPdf(alone, GetParam().sheets[index], title));
        EXPECT_EQ(wordsAndPlaces(inSeries), wordsAndPlaces(alone)) << index;
        EXPECT_EQ(
            programOutput(QStringLiteral("pdffonts"), {inSeries}), programOutput(QStringLiteral("pdffonts"), {alone}))
            << index;
        const QByteArray drawn = pixels(inSeries);
        EXPECT_GT(drawn.size(), 100'000) << index;
        EXPECT_TRUE(drawn == pixels(alone)) << index;
    }
    EXPECT_EQ(series.sheetsWrittenAlone(), GetParam().writtenAlone);
}

INSTANTIATE_TEST_SUITE_P(Sheets, SheetSeries,
    testing::Values(SeriesCase{"SevenNights", {test::sevenNightsSheet()}, 10, 0},
        SeriesCase{"EveryWeekdayAndLongerStays",
            {sheet(makeDate(4, 1, 2016), 1, 1, 80_ct, 480_ct), sheet(makeDate(5, 1, 2016), 2, 2, 320_ct, 1920_ct),
                sheet(makeDate(6, 1, 2016), 14, 4, 4480_ct, 26880_ct),
                sheet(makeDate(7, 1, 2016), 28, 9, 123456_ct, 1234567_ct),
                sheet(makeDate(8, 1, 2016), 3, 0, 0_ct, 0_ct), sheet(makeDate(9, 1, 2016), 7, 3, 999_ct, 5994_ct),
                sheet(makeDate(10, 1, 2016), 120, 1, 9600_ct, 57600_ct)},
            10, 0},
        SeriesCase{"ItsDocumentStartsAfresh",
            {test::sevenNightsSheet(), test::sevenNightsSheet(100_ct), test::sevenNightsSheet(200_ct),
                test::sevenNightsSheet(300_ct)},
            2, 0},
        // A glyph the primer page has not: that sheet alone, the ones after it in the series again.
        SeriesCase{"AGlyphBeyondThePrimer",
            {test::sevenNightsSheet(), withServicePhone(test::sevenNightsSheet(), QStringLiteral("Ω 555-0123")),
                test::sevenNightsSheet(700_ct)},
            10, 1}),
    [](const testing::TestParamInfo<SeriesCase> &series) { return std::string{series.param.name}; });

TEST_F(SheetSeries, AFileThatCannotBeWrittenIsReported)
{
    const QTemporaryDir dir;
    SheetPdfSeries series;
    EXPECT_FALSE(series.write(dir.filePath(QStringLiteral("no-such-folder/sheet.pdf")), test::sevenNightsSheet(),
        QString::fromLatin1(kSheetTitle)));
    EXPECT_TRUE(series.write(
        dir.filePath(QStringLiteral("sheet.pdf")), test::sevenNightsSheet(), QString::fromLatin1(kSheetTitle)));
    EXPECT_EQ(series.sheetsWrittenAlone(), 0);
}

} // namespace
} // namespace salvenor::print
