#pragma once

#include <memory>
#include <string>

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
// needed. A folder with PDF files in it is refused unless they are to be replaced: then the
// sheets of an earlier run (<line>.pdf) are removed before the first new one is written, so that
// no old sheet stands beside the new ones. The folder is locked for the whole run (kLockFile, an
// advisory lock), so that two runs cannot mix their sheets in it.
class SheetFiles final
{
public:
    SheetFiles(const std::string &folder, bool replace, int &argc, char **argv);
    ~SheetFiles();
    SheetFiles(const SheetFiles &) = delete;
    SheetFiles &operator=(const SheetFiles &) = delete;

    // The file in the folder that a run locks; it holds the process id of the run.
    static constexpr const char *kLockFile = ".salvenor-batch.lock";

    // The folder exists (it is made where missing), can be written to, is locked by no other run
    // and holds no PDF files (or only ones to replace); otherwise why not, in German.
    bool ready() const { return m_problem.empty(); }
    const std::string &problem() const { return m_problem; }
    // False where the sheet could not be written; no part of it is left then.
    bool write(const CalculatedRow &row);
    // The list is done: the earlier sheets go, should no new one have been written.
    void finish();
    // The run failed after all: the sheets it wrote go too, so that none stands for a list that
    // was not written. Returns how many.
    qsizetype removeWritten();

private:
    bool lockFolder(const std::string &folder);
    void removeEarlierSheets();

    std::unique_ptr<QGuiApplication> m_application;
    QString m_folder;
    QDate m_today;
    std::string m_problem;
    QStringList m_earlierSheets;
    QStringList m_written; // this run's sheets
    int m_lock = -1; // the lock file, open and locked for the run
    print::SheetPdfSeries m_pdfs;
};

} // namespace salvenor::batch
