#include "sheet_files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include "batch/output_file.h"
#include "core/contribution.h"
#include "print/qt_dates.h"
#include "print/sheet_pdf.h"
#include "print/sheet_pdf_series.h"

namespace salvenor::batch {

namespace {

// Qt's warnings about the environment (no runtime folder, no session) are no concern of a list's
// user; errors still come through.
void onlySeriousMessages(QtMsgType type, const QMessageLogContext & /*context*/, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

print::SheetData sheetOf(const CalculatedRow &row, QDate today)
{
    return print::sheetDataOf(toCoreDate(today), row.booking, row.result);
}

SheetFiles::SheetFiles(const std::string &folder, bool replace, int &argc, char **argv)
    : m_folder(QString::fromStdString(folder))
{
    // Fonts and PDF drawing need a GUI application, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(onlySeriousMessages);
    if (QCoreApplication::instance() == nullptr)
        m_application = std::make_unique<QGuiApplication>(argc, argv);
    m_today = QDate::currentDate();
    // A sheet's file while it is written: a signal that ends the run removes it.
    m_pdfs.setFileInProgress([](const QString &file) { setSheetInProgress(QFile::encodeName(file).toStdString()); });
    // Never through a link: whoever may change it could point it at a folder of other files.
    if (QFileInfo{m_folder}.isSymLink()) {
        m_problem = "In den Ordner „" + folder
            + "“ werden keine Berechnungsblätter geschrieben: Er ist eine symbolische Verknüpfung (auf „"
            + QFileInfo{m_folder}.symLinkTarget().toStdString() + "“). Bitte den Ordner selbst nennen.";
        return;
    }
    QDir{}.mkpath(m_folder);
    const QFileInfo info{m_folder};
    if (!info.isDir()) {
        m_problem = "In den Ordner „" + folder + "“ können keine Berechnungsblätter geschrieben werden: "
            + (info.exists() ? "Das ist kein Ordner." : "Er lässt sich nicht anlegen.");
        return;
    }
    if (!info.isWritable()) {
        m_problem = "In den Ordner „" + folder
            + "“ können keine Berechnungsblätter geschrieben werden: "
              "keine Schreibberechtigung.";
        return;
    }
    if (!lockFolder(folder) || !findEarlierSheets(folder, replace))
        return;
    prepareStaging();
}

SheetFiles::~SheetFiles()
{
    if (m_lock >= 0)
        ::close(m_lock); // ends the lock; the file stays, see lockFolder
}

bool SheetFiles::lockFolder(const std::string &folder)
{
    // The lock file is never removed: a run that removed it could let two later runs lock two
    // different files of that name.
    const std::string path = QDir{m_folder}.filePath(QString::fromLatin1(kLockFile)).toStdString();
    // Never through a symbolic link: the process id would be written into the file it points to.
    m_lock = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (m_lock < 0 && errno == EACCES)
        m_lock = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC); // another user's lock file still locks
    if (m_lock < 0) {
        const int error = errno;
        m_problem = "In den Ordner „" + folder + "“ können keine Berechnungsblätter geschrieben werden: Die Datei "
            + kLockFile + " lässt sich nicht öffnen (" + systemErrorText(error) + ").";
        return false;
    }
    if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        // A file system without locks (some network shares) cannot protect the folder; the run
        // goes on as it did before there was a lock.
        if (errno != EWOULDBLOCK)
            return true;
        std::array<char, 32> holder{};
        const ssize_t length = ::pread(m_lock, holder.data(), holder.size() - 1, 0);
        const long process = length > 0 ? std::strtol(holder.data(), nullptr, 10) : 0;
        m_problem = "In den Ordner „" + folder + "“ schreibt gerade ein anderer Lauf von salvenor-batch"
            + (process > 0 ? " (Prozess " + std::to_string(process) + ")" : std::string{})
            + " seine Berechnungsblätter. Ein anderer Ordner, oder warten, bis er fertig ist.";
        ::close(m_lock);
        m_lock = -1;
        return false;
    }
    // Who holds it, for the message of a second run; the lock holds without it too. Written only
    // into a lock file of its own: a hard link (which O_NOFOLLOW does not see) to another file, or
    // another user's file, is not truncated.
    struct stat info
    {
    };
    if (::fstat(m_lock, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 || info.st_uid != ::geteuid()) {
        if (info.st_nlink > 1 || !S_ISREG(info.st_mode)) {
            m_problem = "In den Ordner „" + folder + "“ werden keine Berechnungsblätter geschrieben: Die Datei "
                + kLockFile + " ist mit einer anderen Datei verknüpft oder keine Datei.";
            ::close(m_lock);
            m_lock = -1;
            return false;
        }
        return true; // another user's lock file locks without the process id
    }
    const std::string process = std::to_string(::getpid()) + "\n";
    [[maybe_unused]] const bool told
        = ::ftruncate(m_lock, 0) == 0 && ::pwrite(m_lock, process.data(), process.size(), 0) == std::ssize(process);
    return true;
}

// The PDF files in the folder: refused, unless they are to be replaced and are the sheets the
// earlier run listed (a file it did not write, such as "1.pdf", is never removed).
bool SheetFiles::findEarlierSheets(const std::string &folder, bool replace)
{
    const QDir dir{m_folder};
    const QStringList pdfs = dir.entryList({QStringLiteral("*.pdf"), QStringLiteral("*.PDF")}, QDir::Files);
    if (pdfs.isEmpty())
        return true;
    if (!replace) {
        const std::string found = pdfs.size() == 1
            ? "steht schon 1 PDF-Datei, „"
            : "stehen schon " + std::to_string(pdfs.size()) + " PDF-Dateien, etwa „";
        m_problem = "Im Ordner „" + folder + "“ " + found + pdfs.front().toStdString()
            + "“. Ein neuer Ordner, oder --replace-sheets ersetzt die Berechnungsblätter eines früheren Laufs "
              "(<Zeilennummer>.pdf).";
        return false;
    }
    QFile list{dir.filePath(QString::fromLatin1(kSheetList))};
    QStringList listed;
    if (!QFileInfo{list}.isSymLink() && list.open(QIODevice::ReadOnly))
        listed = QString::fromUtf8(list.readAll()).split(u'\n', Qt::SkipEmptyParts);
    const auto isEarlierSheet = [&listed, &dir](const QString &name) {
        return listed.contains(name) && !QFileInfo{dir.filePath(name)}.isSymLink();
    };
    const auto foreign = std::find_if_not(pdfs.begin(), pdfs.end(), isEarlierSheet);
    if (foreign != pdfs.end()) {
        m_problem = "Im Ordner „" + folder + "“ steht die PDF-Datei „" + foreign->toStdString()
            + "“, die kein früherer Lauf als sein Berechnungsblatt verzeichnet hat (" + kSheetList
            + "); --replace-sheets ersetzt nur solche. Ein neuer Ordner, oder die Datei woanders hin.";
        return false;
    }
    m_earlierSheets = pdfs;
    return true;
}

// The hidden folder the sheets wait in; what a killed run left there goes first.
bool SheetFiles::prepareStaging()
{
    m_staging = QDir{m_folder}.filePath(QString::fromLatin1(kStagingFolder));
    const QFileInfo staging{m_staging};
    if (staging.isSymLink() || (staging.exists() && !staging.isDir()))
        QFile::remove(m_staging); // the link itself, not what it points to
    QDir leftOver{m_staging};
    if (leftOver.exists()) {
        for (const QString &name : leftOver.entryList(QDir::Files | QDir::System | QDir::Hidden))
            leftOver.remove(name);
    }
    if (!QDir{m_folder}.mkdir(QString::fromLatin1(kStagingFolder)) && !QFileInfo{m_staging}.isDir()) {
        m_problem = "Im Ordner „" + m_folder.toStdString() + "“ lässt sich der Ordner " + kStagingFolder
            + " für die neuen Berechnungsblätter nicht anlegen.";
        return false;
    }
    return true;
}

void SheetFiles::write(const CalculatedRow &row)
{
    const QString file = QDir{m_staging}.filePath(QString::number(row.line) + QStringLiteral(".pdf"));
    const QString title = print::sheetTitle(QString::fromUtf8(row.reference.data(), std::ssize(row.reference)));
    m_waitingLines.push_back(row.line);
    record(m_pdfs.add(file, sheetOf(row, m_today), title));
}

bool SheetFiles::flush()
{
    return record(m_pdfs.flush());
}

bool SheetFiles::record(const std::vector<print::SheetPdfSeries::Outcome> &outcomes)
{
    // The series tells of its sheets in the order they were taken.
    const auto count = std::min(outcomes.size(), m_waitingLines.size());
    bool all = true;
    for (std::size_t index = 0; index < count; ++index) {
        if (outcomes[index].written) {
            m_written.append(outcomes[index].file);
            m_writtenLines.push_back(m_waitingLines[index]);
        } else {
            m_failedLines.push_back(m_waitingLines[index]);
            all = false;
        }
    }
    m_waitingLines.erase(m_waitingLines.begin(), m_waitingLines.begin() + static_cast<std::ptrdiff_t>(count));
    return all;
}

qsizetype SheetFiles::removeWritten()
{
    m_pdfs.discard();
    m_waitingLines.clear();
    const qsizetype count = m_written.size();
    for (const QString &file : std::as_const(m_written))
        QFile::remove(file);
    m_written.clear();
    m_writtenLines.clear();
    if (!m_published)
        QDir{m_folder}.rmdir(QString::fromLatin1(kStagingFolder));
    return count;
}

void SheetFiles::finish()
{
    flush();
    if (!m_published && ready())
        publish();
}

// The earlier run's sheets go, the new ones move into their places, each under its own name
// only (a file another has made there meanwhile stays, and that sheet is named as failed).
void SheetFiles::publish()
{
    const QDir dir{m_folder};
    for (const QString &name : std::as_const(m_earlierSheets)) {
        if (!QFileInfo{dir.filePath(name)}.isSymLink())
            QFile::remove(dir.filePath(name));
    }
    m_earlierSheets.clear();
    QStringList published;
    std::vector<long> lines;
    for (qsizetype index = 0; index < m_written.size(); ++index) {
        const QString name = QFileInfo{m_written[index]}.fileName();
        const QByteArray from = QFile::encodeName(m_written[index]);
        const QByteArray to = QFile::encodeName(dir.filePath(name));
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
            published.append(dir.filePath(name));
            lines.push_back(m_writtenLines[static_cast<std::size_t>(index)]);
        } else {
            QFile::remove(m_written[index]);
            m_failedLines.push_back(m_writtenLines[static_cast<std::size_t>(index)]);
        }
    }
    std::sort(m_failedLines.begin(), m_failedLines.end());
    m_written = published;
    m_writtenLines = lines;
    m_published = true;
    dir.rmdir(QString::fromLatin1(kStagingFolder));
    QStringList names;
    for (const QString &file : std::as_const(published))
        names.append(QFileInfo{file}.fileName());
    writeSheetList(names);
}

// The list of this run's sheets, made new beside the old one and renamed over it: never written
// through a link of that name.
void SheetFiles::writeSheetList(const QStringList &names)
{
    std::string pattern = QDir{m_folder}.filePath(QString::fromLatin1(kSheetList)).toStdString() + ".XXXXXX";
    const int file = mkostemp(pattern.data(), O_CLOEXEC);
    if (file < 0)
        return;
    const QByteArray text = names.join(u'\n').toUtf8() + '\n';
    const bool written = ::write(file, text.constData(), static_cast<std::size_t>(text.size())) == text.size()
        && ::fchmod(file, 0644) == 0;
    ::close(file);
    const std::string list = QDir{m_folder}.filePath(QString::fromLatin1(kSheetList)).toStdString();
    if (!written || std::rename(pattern.c_str(), list.c_str()) != 0)
        ::unlink(pattern.c_str());
}

} // namespace salvenor::batch
