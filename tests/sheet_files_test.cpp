// The calculation sheets of salvenor-batch (--sheets): which folders are taken, and the files
// written into them.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "batch/sheet_files.h"
#include "core/date.h"

namespace salvenor::batch {
namespace {

class SheetFilesTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QGuiApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "sheet_files_test";
            static char *argv[] = {name, nullptr};
            static QGuiApplication application{argc, argv};
        }
    }

    // A SheetFiles for the folder, the way the program makes it.
    static SheetFiles open(const QString &folder, bool replace)
    {
        static int argc = 1;
        static char name[] = "salvenor-batch";
        static char *argv[] = {name, nullptr};
        return SheetFiles{folder.toStdString(), replace, argc, argv};
    }

    static void createFile(const QString &path)
    {
        QFile file{path};
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n");
    }

    // A row of two adults for four nights, at that line of the list.
    static CalculatedRow row(long line, const std::string &reference)
    {
        Booking booking{.arrival = makeDate(14, 3, 2016), .departure = makeDate(18, 3, 2016), .counts = {}};
        booking.counts.at(indexOf(PersonCategory::Erwachsene)) = 2;
        return CalculatedRow{.number = line - 1,
            .line = line,
            .bytesRead = 0,
            .reference = reference,
            .booking = booking,
            .result = calculateBooking(booking)};
    }

    // What pdfinfo says of the file, line by line ("Title:          ...").
    static QString pdfInfo(const QString &file)
    {
        QProcess pdfinfo;
        pdfinfo.start(QStringLiteral("pdfinfo"), {file});
        pdfinfo.waitForFinished();
        return QString::fromUtf8(pdfinfo.readAllStandardOutput());
    }

    QTemporaryDir m_dir;
};

struct FolderCase
{
    const char *name;
    std::vector<QString> files; // already in the folder
    bool replace;
    std::string problem; // a part of it; empty: the folder is taken
    QByteArray sheetList = {}; // the earlier run's list of its sheets
};

void PrintTo(const FolderCase &folder, std::ostream *os)
{
    *os << folder.name;
}

class FolderTaken : public SheetFilesTest, public testing::WithParamInterface<FolderCase>
{
};

TEST_P(FolderTaken, OnlyWithoutPdfFilesOrToReplaceThem)
{
    for (const QString &file : GetParam().files)
        createFile(m_dir.filePath(file));
    if (!GetParam().sheetList.isEmpty()) {
        QFile list{m_dir.filePath(QString::fromLatin1(SheetFiles::kSheetList))};
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write(GetParam().sheetList);
    }
    const SheetFiles sheets = open(m_dir.path(), GetParam().replace);
    if (GetParam().problem.empty()) {
        EXPECT_TRUE(sheets.ready()) << sheets.problem();
    } else {
        EXPECT_FALSE(sheets.ready());
        EXPECT_NE(sheets.problem().find(GetParam().problem), std::string::npos) << sheets.problem();
    }
}

INSTANTIATE_TEST_SUITE_P(Sheets, FolderTaken,
    testing::Values(FolderCase{"Empty", {}, false, ""}, FolderCase{"OtherFiles", {"notes.txt"}, false, ""},
        FolderCase{"OnePdf", {"a.pdf"}, false, "“ steht schon 1 PDF-Datei, „a.pdf“. Ein neuer Ordner"},
        FolderCase{"TwoPdfs", {"a.pdf", "b.PDF"}, false, "“ stehen schon 2 PDF-Dateien, etwa „"},
        FolderCase{"EarlierSheetsReplaced", {"2.pdf", "3.pdf"}, true, "", "2.pdf\n3.pdf\n"},
        // Only what a run wrote and listed: never a file named like a sheet that no run listed.
        FolderCase{"AFileNoRunListed", {"2.pdf", "1.pdf"}, true, "„1.pdf“, die kein früherer Lauf", "2.pdf\n"},
        FolderCase{"LockFileOfAnEarlierRun", {SheetFiles::kLockFile}, false, ""}),
    [](const testing::TestParamInfo<FolderCase> &folder) { return std::string{folder.param.name}; });

// A second run into the folder is refused while the first one writes, and removes none of its
// sheets; once the first has ended, the folder is free again.
TEST_F(SheetFilesTest, TheFolderIsLockedForTheRun)
{
    {
        SheetFiles first = open(m_dir.path(), false);
        ASSERT_TRUE(first.ready()) << first.problem();
        first.write(row(2, "B-1"));
        ASSERT_TRUE(first.flush());
        SheetFiles second = open(m_dir.path(), true);
        EXPECT_FALSE(second.ready());
        EXPECT_NE(second.problem().find("schreibt gerade ein anderer Lauf von salvenor-batch (Prozess "
                      + std::to_string(QCoreApplication::applicationPid()) + ") seine Berechnungsblätter"),
            std::string::npos)
            << second.problem();
        second.finish();
        first.finish();
        EXPECT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("2.pdf"))));
    }
    const SheetFiles later = open(m_dir.path(), true);
    EXPECT_TRUE(later.ready()) << later.problem();
}

struct NamedCase
{
    const char *name;
    long line;
    std::string reference;
    QString title;
};

void PrintTo(const NamedCase &sheet, std::ostream *os)
{
    *os << sheet.name;
}

class SheetNamed : public SheetFilesTest, public testing::WithParamInterface<NamedCase>
{
};

// The file is named by the row's line in the list, and its title carries the booking's reference.
TEST_P(SheetNamed, ByItsLineAndTitledWithItsReference)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo (poppler-utils) reads the title";
    SheetFiles sheets = open(m_dir.path(), false);
    ASSERT_TRUE(sheets.ready()) << sheets.problem();
    sheets.write(row(GetParam().line, GetParam().reference));
    sheets.finish();
    EXPECT_EQ(sheets.failedLines(), std::vector<long>{});
    EXPECT_EQ(sheets.sheetsWrittenAlone(), 0);
    const QString file = QString::number(GetParam().line) + QStringLiteral(".pdf");
    EXPECT_EQ(QDir{m_dir.path()}.entryList(QDir::Files).join(u' ').toStdString(), file.toStdString());
    const QString info = pdfInfo(m_dir.filePath(file));
    EXPECT_TRUE(info.contains(QRegularExpression{
        QStringLiteral("^Title: +") + QRegularExpression::escape(GetParam().title) + QStringLiteral("$"),
        QRegularExpression::MultilineOption}))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression{QStringLiteral("^Pages: +1$"), QRegularExpression::MultilineOption}));
}

INSTANTIATE_TEST_SUITE_P(Sheets, SheetNamed,
    testing::Values(NamedCase{"Reference", 3, "B-1", QStringLiteral("Kurbeitragsberechnung B-1")},
        NamedCase{"NoReference", 12, "", QStringLiteral("Kurbeitragsberechnung")},
        NamedCase{
            "UmlautsAndParentheses", 2, "Müller (2) \\ 3", QStringLiteral("Kurbeitragsberechnung Müller (2) \\ 3")}),
    [](const testing::TestParamInfo<NamedCase> &sheet) { return std::string{sheet.param.name}; });

// A sheet whose name is taken (a link to nowhere, a folder) is not written, and its row is named;
// the others are written. Nothing is made where the link points, and what had the names stays.
TEST_F(SheetFilesTest, SheetsThatCannotBeWrittenAreNamedByTheirLines)
{
    const QDir folder{m_dir.path()};
    ASSERT_TRUE(
        QFile::link(folder.filePath(QStringLiteral("elsewhere.pdf")), folder.filePath(QStringLiteral("3.pdf"))));
    ASSERT_TRUE(folder.mkdir(QStringLiteral("5.pdf")));
    SheetFiles sheets = open(m_dir.path(), false);
    ASSERT_TRUE(sheets.ready()) << sheets.problem();
    for (const long line : {2, 3, 4, 5, 6})
        sheets.write(row(line, "B-" + std::to_string(line)));
    EXPECT_EQ(sheets.failedLines(), std::vector<long>{}) << "nothing is written before its batch";
    sheets.finish();
    EXPECT_EQ(sheets.failedLines(), (std::vector<long>{3, 5}));
    EXPECT_EQ(sheets.sheetsWrittenAlone(), 0);
    EXPECT_EQ(folder.entryList({QStringLiteral("*.pdf")}, QDir::Files).join(u' ').toStdString(), "2.pdf 4.pdf 6.pdf");
    EXPECT_TRUE(QFileInfo{folder.filePath(QStringLiteral("3.pdf"))}.isSymLink());
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("elsewhere.pdf"))));
    EXPECT_TRUE(QFileInfo{folder.filePath(QStringLiteral("5.pdf"))}.isDir());
    EXPECT_EQ(sheets.removeWritten(), 3);
    EXPECT_EQ(folder.entryList({QStringLiteral("*.pdf")}, QDir::Files), QStringList{});
}

// The earlier run's sheets stay until the new list is written: a run that fails keeps them, one
// that succeeds replaces them with its own and lists those; files no run listed stay.
TEST_F(SheetFilesTest, EarlierSheetsStayUntilTheNewOnesTakeTheirPlace)
{
    const QDir folder{m_dir.path()};
    for (const long line : {2, 3}) {
        SheetFiles sheets = open(m_dir.path(), true);
        ASSERT_TRUE(sheets.ready()) << sheets.problem();
        sheets.write(row(line, "B-1"));
        sheets.finish();
    }
    createFile(folder.filePath(QStringLiteral("notizen.txt")));
    {
        SheetFiles failing = open(m_dir.path(), true);
        ASSERT_TRUE(failing.ready()) << failing.problem();
        failing.write(row(5, "B-5"));
        ASSERT_TRUE(failing.flush());
        EXPECT_EQ(folder.entryList({QStringLiteral("*.pdf")}, QDir::Files), QStringList{QStringLiteral("3.pdf")});
        EXPECT_EQ(failing.removeWritten(), 1); // the list was not written
    }
    EXPECT_EQ(folder.entryList({QStringLiteral("*.pdf")}, QDir::Files), QStringList{QStringLiteral("3.pdf")});
    SheetFiles succeeding = open(m_dir.path(), true);
    ASSERT_TRUE(succeeding.ready()) << succeeding.problem();
    succeeding.write(row(7, "B-7"));
    succeeding.finish();
    EXPECT_EQ(folder.entryList(QDir::Files).join(u' ').toStdString(), "7.pdf notizen.txt");
    QFile list{folder.filePath(QString::fromLatin1(SheetFiles::kSheetList))};
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll().toStdString(), "7.pdf\n");
}

// A run that fails before its sheets are written writes none of them.
TEST_F(SheetFilesTest, SheetsNotYetWrittenAreDroppedWithTheWrittenOnes)
{
    SheetFiles sheets = open(m_dir.path(), false);
    ASSERT_TRUE(sheets.ready()) << sheets.problem();
    sheets.write(row(2, "B-1"));
    EXPECT_EQ(sheets.removeWritten(), 0);
    sheets.finish();
    EXPECT_EQ(QDir{m_dir.path()}.entryList({QStringLiteral("*.pdf")}, QDir::Files), QStringList{});
    EXPECT_EQ(sheets.failedLines(), std::vector<long>{});
}

} // namespace
} // namespace salvenor::batch
