// Sheets written through SheetPdfSeries are the sheets writeSheetPdf writes alone: the same words
// in the same places, the same fonts, embedded, the same pixels, the same document information,
// read back with the tools of poppler-utils; each file a whole PDF document by qpdf --check. A
// file that cannot be written is reported, and no part of it is left.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/categories.h"
#include "core/date.h"
#include "gui/small_file_system.h"
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

// The fonts pdffonts lists, without the numbers of their objects (a file of its own numbers them
// anew).
QList<QByteArray> fonts(const QString &file)
{
    QList<QByteArray> lines = programOutput(QStringLiteral("pdffonts"), {file}).split('\n');
    const qsizetype objectColumn = lines.value(0).indexOf("object ID");
    for (QByteArray &line : lines)
        line = line.left(objectColumn).trimmed();
    lines.removeAll(QByteArray{});
    return lines;
}

// What pdfinfo says of the document, without what differs between two files written a moment
// apart (their dates, their sizes).
QByteArray documentInformation(const QString &file)
{
    QByteArray information;
    for (const QByteArray &line : programOutput(QStringLiteral("pdfinfo"), {file}).split('\n')) {
        if (!line.startsWith("CreationDate:") && !line.startsWith("ModDate:") && !line.startsWith("File size:"))
            information += line + '\n';
    }
    return information;
}

// What qpdf --check says of the file (its version, encryption, linearisation, faults), without
// the line that names the file.
QByteArray qpdfCheck(const QString &file)
{
    const QByteArray said = programOutput(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
    return said.startsWith("checking ") ? said.sliced(said.indexOf('\n') + 1) : said;
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

class SheetSeriesTest : public testing::Test
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

struct SeriesCase
{
    const char *name;
    std::vector<SheetData> sheets; // taken one after the other
    int sheetsPerDocument;
    bool damaged; // every document Qt draws cut short before qpdf reads it
    long writtenAlone; // of the sheets, drawn as documents of their own
};

void PrintTo(const SeriesCase &series, std::ostream *os)
{
    *os << series.name;
}

class SheetSeries : public SheetSeriesTest, public testing::WithParamInterface<SeriesCase>
{
};

TEST_P(SheetSeries, IsWhatEachSheetAloneWouldBe)
{
    for (const char *tool : {"pdftotext", "pdffonts", "pdftoppm", "pdfinfo", "qpdf"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " (poppler-utils, qpdf) reads the sheets back";
    }
    const SeriesCase &series = GetParam();
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SheetPdfSeries pdfs{series.sheetsPerDocument};
    if (series.damaged)
        pdfs.alterDrawnDocuments([](QByteArray &document) { document.chop(document.size() / 2); });
    const auto title = [](std::size_t index) { return sheetTitle(QStringLiteral("B-%1 (ü) \\").arg(index)); };
    const auto inSeries
        = [&dir](std::size_t index) { return dir.filePath(QStringLiteral("series-%1.pdf").arg(index)); };
    std::vector<SheetPdfSeries::Outcome> outcomes;
    for (std::size_t index = 0; index < series.sheets.size(); ++index) {
        for (const SheetPdfSeries::Outcome &outcome : pdfs.add(inSeries(index), series.sheets[index], title(index)))
            outcomes.push_back(outcome);
        // A batch is written once it is full, and not before.
        EXPECT_EQ(std::ssize(outcomes), std::ssize(outcomes) / series.sheetsPerDocument * series.sheetsPerDocument);
        EXPECT_EQ(QFile::exists(inSeries(index)), static_cast<int>(index + 1) % series.sheetsPerDocument == 0) << index;
    }
    for (const SheetPdfSeries::Outcome &outcome : pdfs.flush())
        outcomes.push_back(outcome);
    EXPECT_EQ(pdfs.waiting(), 0);
    ASSERT_EQ(outcomes.size(), series.sheets.size());

    for (std::size_t index = 0; index < series.sheets.size(); ++index) {
        EXPECT_EQ(outcomes[index].file, inSeries(index));
        EXPECT_TRUE(outcomes[index].written) << index;
        const QString alone = dir.filePath(QStringLiteral("alone-%1.pdf").arg(index));
        ASSERT_TRUE(writeSheetPdf(alone, series.sheets[index], title(index)));
        EXPECT_EQ(wordsAndPlaces(inSeries(index)), wordsAndPlaces(alone)) << index;
        EXPECT_EQ(documentInformation(inSeries(index)), documentInformation(alone)) << index;
        const QList<QByteArray> embedded = fonts(inSeries(index));
        EXPECT_EQ(embedded, fonts(alone)) << index;
        ASSERT_GE(embedded.size(), 3) << index; // the header, its rule and a font at least
        for (const QByteArray &font : embedded.mid(2))
            EXPECT_TRUE(font.contains(" yes ")) << "not embedded: " << font.toStdString();
        const QByteArray checked = qpdfCheck(inSeries(index));
        EXPECT_TRUE(checked.contains("\nNo syntax or stream encoding errors found")) << checked.toStdString();
        EXPECT_EQ(checked, qpdfCheck(alone)) << index;
        const QByteArray drawn = pixels(inSeries(index));
        EXPECT_GT(drawn.size(), 100'000) << index;
        EXPECT_TRUE(drawn == pixels(alone)) << index;
    }
    EXPECT_EQ(pdfs.sheetsWrittenAlone(), series.writtenAlone);
}

std::vector<SheetData> sevenNightsSheets(int count)
{
    std::vector<SheetData> sheets;
    sheets.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index)
        sheets.push_back(test::sevenNightsSheet(Money::fromCents(5040 + 100 * index)));
    return sheets;
}

INSTANTIATE_TEST_SUITE_P(Sheets, SheetSeries,
    testing::Values(SeriesCase{"SevenNights", {test::sevenNightsSheet()}, 10, false, 0},
        SeriesCase{"EveryWeekdayAndLongerStays",
            {sheet(makeDate(4, 1, 2016), 1, 1, 80_ct, 480_ct), sheet(makeDate(5, 1, 2016), 2, 2, 320_ct, 1920_ct),
                sheet(makeDate(6, 1, 2016), 14, 4, 4480_ct, 26880_ct),
                sheet(makeDate(7, 1, 2016), 28, 9, 123456_ct, 1234567_ct),
                sheet(makeDate(8, 1, 2016), 3, 0, 0_ct, 0_ct), sheet(makeDate(9, 1, 2016), 7, 3, 999_ct, 5994_ct),
                sheet(makeDate(10, 1, 2016), 120, 1, 9600_ct, 57600_ct)},
            10, false, 0},
        SeriesCase{"TwoFullBatchesAndPartOfOne", sevenNightsSheets(5), 2, false, 0},
        // A glyph that one sheet alone draws: the batch's fonts have it, and every page shows its own.
        SeriesCase{"AGlyphOfOneSheetOnly",
            {test::sevenNightsSheet(), withServicePhone(test::sevenNightsSheet(), QStringLiteral("Ω 555-0123")),
                test::sevenNightsSheet(700_ct)},
            10, false, 0},
        // qpdf cannot read what Qt drew: each sheet is drawn alone, the same, and counted.
        SeriesCase{"ADocumentQpdfCannotRead", sevenNightsSheets(3), 2, true, 3}),
    [](const testing::TestParamInfo<SeriesCase> &series) { return std::string{series.param.name}; });

// A file that cannot be written is reported, leaves no part of itself and nothing where a link
// points, and leaves whatever had its name as it was; the sheets beside it are written.
struct FailureCase
{
    const char *name;
    // Makes the place of the sheet's file in the folder what the row says, and returns the file;
    // empty where the machine cannot (mount needs root).
    QString (*prepare)(const QDir &folder, std::unique_ptr<test::SmallFileSystem> &mount);
    // Whether the place of the file, and the folder, are as before.
    bool (*asBefore)(const QDir &folder, const QString &file);
    bool created; // the file was made before its writing failed
};

void PrintTo(const FailureCase &failure, std::ostream *os)
{
    *os << failure.name;
}

bool holds(const QString &file, const QByteArray &contents)
{
    QFile read{file};
    return read.open(QIODevice::ReadOnly) && read.readAll() == contents;
}

QString mounted(
    const QString &mountPoint, const QString &size, bool readOnly, std::unique_ptr<test::SmallFileSystem> &mount)
{
    mount = std::make_unique<test::SmallFileSystem>(mountPoint, size, readOnly);
    return mount->mounted() ? mountPoint + QStringLiteral("/sheet.pdf") : QString{};
}

class SheetFileFailure : public SheetSeriesTest, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(SheetFileFailure, IsReportedAndLeavesNoPartOfIt)
{
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir folder{dir.path()};
    std::unique_ptr<test::SmallFileSystem> mount;
    const QString failing = GetParam().prepare(folder, mount);
    if (failing.isEmpty())
        GTEST_SKIP() << "this machine does not let the test mount a file system";
    SheetPdfSeries pdfs{10};
    QStringList toldInProgress;
    pdfs.setFileInProgress([&toldInProgress](const QString &file) { toldInProgress.append(file); });
    const QStringList files{
        folder.filePath(QStringLiteral("before.pdf")), failing, folder.filePath(QStringLiteral("after.pdf"))};
    for (const QString &file : files)
        EXPECT_TRUE(pdfs.add(file, test::sevenNightsSheet(), QString::fromLatin1(kSheetTitle)).empty());
    const std::vector<SheetPdfSeries::Outcome> outcomes = pdfs.flush();
    ASSERT_EQ(outcomes.size(), 3U);
    EXPECT_TRUE(outcomes[0].written);
    EXPECT_FALSE(outcomes[1].written);
    EXPECT_EQ(outcomes[1].file, failing);
    EXPECT_TRUE(outcomes[2].written);
    EXPECT_TRUE(GetParam().asBefore(folder, failing));
    for (const QString &file : {files[0], files[2]}) {
        QFile written{file};
        ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << file.toStdString();
        EXPECT_TRUE(isWholePdf(written.readAll())) << file.toStdString();
    }
    // Each file is told while it is written, and the end of it; the failing one only if it was made.
    QStringList expected{files[0], QString{}};
    if (GetParam().created)
        expected += QStringList{failing, QString{}};
    expected += QStringList{files[2], QString{}};
    EXPECT_EQ(toldInProgress, expected);
    EXPECT_EQ(pdfs.sheetsWrittenAlone(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sheets, SheetFileFailure,
    testing::Values(FailureCase{"NoSuchFolder",
                        [](const QDir &folder, std::unique_ptr<test::SmallFileSystem> &) {
                            return folder.filePath(QStringLiteral("no-such-folder/sheet.pdf"));
                        },
                        [](const QDir &folder, const QString &) {
                            return !QFileInfo::exists(folder.filePath(QStringLiteral("no-such-folder")));
                        },
                        false},
        FailureCase{"AnExistingFile",
            [](const QDir &folder, std::unique_ptr<test::SmallFileSystem> &) {
                QFile file{folder.filePath(QStringLiteral("sheet.pdf"))};
                return file.open(QIODevice::WriteOnly) && file.write("kept") == 4 ? file.fileName() : QString{};
            },
            [](const QDir &, const QString &file) { return holds(file, "kept"); }, false},
        FailureCase{"ALinkToAFile",
            [](const QDir &folder, std::unique_ptr<test::SmallFileSystem> &) {
                QFile target{folder.filePath(QStringLiteral("elsewhere.txt"))};
                const QString link = folder.filePath(QStringLiteral("sheet.pdf"));
                return target.open(QIODevice::WriteOnly) && target.write("kept") == 4 && target.link(link) ? link
                                                                                                           : QString{};
            },
            [](const QDir &folder, const QString &file) {
                return QFileInfo{file}.symLinkTarget() == folder.filePath(QStringLiteral("elsewhere.txt"))
                    && holds(folder.filePath(QStringLiteral("elsewhere.txt")), "kept");
            },
            false},
        FailureCase{"ALinkToNothing",
            [](const QDir &folder, std::unique_ptr<test::SmallFileSystem> &) {
                const QString link = folder.filePath(QStringLiteral("sheet.pdf"));
                return QFile::link(folder.filePath(QStringLiteral("nowhere.pdf")), link) ? link : QString{};
            },
            [](const QDir &folder, const QString &file) {
                return QFileInfo{file}.isSymLink()
                    && !QFileInfo::exists(folder.filePath(QStringLiteral("nowhere.pdf")));
            },
            false},
        FailureCase{"AReadOnlyFolder",
            [](const QDir &folder, std::unique_ptr<test::SmallFileSystem> &mount) {
                return mounted(folder.filePath(QStringLiteral("read-only")), QStringLiteral("64k"), true, mount);
            },
            [](const QDir &, const QString &file) { return !QFileInfo::exists(file); }, false},
        // Room for a part of the file only: the part is removed.
        FailureCase{"AFullDisk",
            [](const QDir &folder, std::unique_ptr<test::SmallFileSystem> &mount) {
                const QString file
                    = mounted(folder.filePath(QStringLiteral("small")), QStringLiteral("64k"), false, mount);
                QFile filler{QFileInfo{file}.dir().filePath(QStringLiteral("filler"))};
                const bool filled = !file.isEmpty() && filler.open(QIODevice::WriteOnly)
                    && filler.write(QByteArray(qsizetype{52} * 1024, 'x')) == qsizetype{52} * 1024;
                return filled ? file : QString{};
            },
            [](const QDir &, const QString &file) {
                return !QFileInfo::exists(file) && QFileInfo{file}.dir().entryList(QDir::Files).size() == 1;
            },
            true}),
    [](const testing::TestParamInfo<FailureCase> &failure) { return std::string{failure.param.name}; });

// Sheets taken and then discarded, or left waiting when the series ends, are never written.
TEST_F(SheetSeriesTest, OnlyFlushWrites)
{
    const QTemporaryDir dir;
    const QString discarded = dir.filePath(QStringLiteral("discarded.pdf"));
    const QString forgotten = dir.filePath(QStringLiteral("forgotten.pdf"));
    {
        SheetPdfSeries pdfs{10};
        EXPECT_TRUE(pdfs.add(discarded, test::sevenNightsSheet(), QString::fromLatin1(kSheetTitle)).empty());
        pdfs.discard();
        EXPECT_TRUE(pdfs.flush().empty());
        EXPECT_TRUE(pdfs.add(forgotten, test::sevenNightsSheet(), QString::fromLatin1(kSheetTitle)).empty());
        EXPECT_EQ(pdfs.waiting(), 1);
    }
    EXPECT_EQ(QDir{dir.path()}.entryList(QDir::Files), QStringList{});
}

} // namespace
} // namespace salvenor::print
