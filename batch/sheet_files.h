#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QDate>
#include <QString>
#include <QStringList>

#include "batch/booking_list.h"
#include "print/sheet_data.h"
#include "print/sheet_pdf_series.h"

class QGuiApplication;

namespace salvenor::batch {

// The calculation sheet of a calculated row, as the window would print it on `today`.
print::SheetData sheetOf(const CalculatedRow &row, QDate today);

// Writes each calculated row's sheet as DIR/<line>.pdf (the row's line in the list, the number
// its messages name it by), titled with the booking's reference, through the print layout, on
// Qt's offscreen platform (a GUI application is made unless there is one already): no display is
// needed. The sheets are drawn into a hidden folder in DIR (kStagingFolder) and take their places
// only at finish(), once the list is written: a run that fails, is interrupted or meets a full disk
// leaves the sheets of the earlier run as they were. A folder with PDF files in it is refused
// unless they are to be replaced; only the sheets an earlier run listed in DIR (kSheetList) are
// replaced, any other file stays. DIR is never a symbolic link. The folder is locked for the whole
// run (kLockFile, an advisory lock), so that two runs cannot mix their sheets in it. The sheets are
// written in batches (print::SheetPdfSeries): a sheet taken by write() is in its file once its batch
// is full, or at flush() or finish() at the latest; failedLines() names every one that could not
// be written.
class SheetFiles final
{
public:
    SheetFiles(const std::string &folder, bool replace, int &argc, char **argv);
    ~SheetFiles();
    SheetFiles(const SheetFiles &) = delete;
    SheetFiles &operator=(const SheetFiles &) = delete;

    // The file in the folder that a run locks; it holds the process id of the run.
    static constexpr const char *kLockFile = ".salvenor-batch.lock";
    // The sheets the last run wrote into the folder, a name a line: those a later run replaces.
    static constexpr const char *kSheetList = ".salvenor-batch-blaetter";
    // Where a run's sheets wait until its list is written.
    static constexpr const char *kStagingFolder = ".salvenor-batch-neu";

    // The folder exists (it is made where missing), can be written to, is locked by no other run
    // and holds no PDF files (or only ones to replace); otherwise why not, in German.
    bool ready() const { return m_problem.empty(); }
    const std::string &problem() const { return m_problem; }
    // Takes the row's sheet, to be written with its batch. A sheet that cannot be written (its
    // name taken already, even by a link, or a full disk) leaves no part of it, leaves what has
    // that name as it was, and is named by failedLines().
    void write(const CalculatedRow &row);
    // Writes every sheet taken and not yet written (with its batch); false where one of these
    // could not be written.
    bool flush();
    // The list is written: every sheet taken is written, the earlier run's sheets go, and the new
    // ones take their places (one whose name another file has meanwhile is named by failedLines()).
    void finish();
    // The lines of the rows whose sheets could not be written, in the order of the list.
    const std::vector<long> &failedLines() const { return m_failedLines; }
    // The run failed after all: the sheets it wrote go too, so that none stands for a list that
    // was not written, and those not yet written are not. Returns how many were removed.
    qsizetype removeWritten();
    // The sheets so far that the series drew as documents of their own (see SheetPdfSeries).
    long sheetsWrittenAlone() const { return m_pdfs.sheetsWrittenAlone(); }

private:
    bool lockFolder(const std::string &folder);
    bool findEarlierSheets(const std::string &folder, bool replace);
    bool prepareStaging();
    void publish();
    void writeSheetList(const QStringList &names);
    // Keeps the outcome of each written batch; false where a sheet was not written.
    bool record(const std::vector<print::SheetPdfSeries::Outcome> &outcomes);

    std::unique_ptr<QGuiApplication> m_application;
    QString m_folder;
    QDate m_today;
    std::string m_problem;
    QStringList m_earlierSheets;
    QString m_staging; // the hidden folder the sheets wait in
    QStringList m_written; // this run's sheets
    std::vector<long> m_writtenLines; // their lines
    bool m_published = false; // m_written name the sheets in the folder
    std::vector<long> m_waitingLines; // of the sheets taken and not yet written, in their order
    std::vector<long> m_failedLines;
    int m_lock = -1; // the lock file, open and locked for the run
    print::SheetPdfSeries m_pdfs;
};

} // namespace salvenor::batch
