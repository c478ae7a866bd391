// The calculation sheets of salvenor-batch (--sheets): which folders are taken, and the files
// written into them.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "batch/sheet_files.h"

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

    QTemporaryDir m_dir;
};

struct FolderCase
{
    const char *name;
    std::vector<QString> files; // already in the folder
    bool replace;
    std::string problem; // a part of it; empty: the folder is taken
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
        FolderCase{"EarlierSheetsReplaced", {"2.pdf", "3.pdf"}, true, ""}),
    [](const testing::TestParamInfo<FolderCase> &folder) { return std::string{folder.param.name}; });

} // namespace
} // namespace salvenor::batch
