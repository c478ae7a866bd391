#pragma once

#include <streambuf>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace salvenor::batch {

// The reason of a failed system call, in German, for the usual errno values.
std::string systemErrorText(int error);

// Removes the temporary files of a run (the result list, the sheet being written) when SIGINT,
// SIGTERM, SIGHUP, SIGQUIT, SIGPIPE or SIGXFSZ ends the program, then ends it by that signal. A
// signal the caller ignores (nohup) stays ignored.
void removeTemporaryFilesOnSignals();

// The result list as a file. A regular file (or a new one) is written to a temporary file in the
// target's folder and renamed over the target only when the list is complete and on the disk, so
// a failed, interrupted or killed run leaves the old target as it was (and, where the file system
// has files without names, no temporary file either). The new file keeps the old one's
// owner, mode, ACL and extended attributes; a file of several names (hard links) gets the list
// copied into it instead, so that every name sees it. Through the user's own symbolic links the
// file they point to is replaced; a link of another user in a folder others may write is not
// followed. A device under /dev or a pipe or device of the user's own is written to directly,
// never waiting for a reader. Every write is checked: the first failure is kept and every later
// write fails.
class OutputFile final : public std::streambuf
{
public:
    OutputFile() = default;
    ~OutputFile() override;
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    OutputFile(OutputFile &&) = delete;
    OutputFile &operator=(OutputFile &&) = delete;

    // False with error() or problem() set where the file cannot be made.
    bool open(const std::string &target);
    // Why the target is not written, in German, where no system error says it.
    const std::string &problem() const { return m_problem; }
    // Flushes, syncs, closes and renames over the target; false with error() set, the temporary
    // file removed and the target untouched where one of these fails.
    bool commit();
    // Removes the temporary file; the target stays as it was.
    void discard();
    int error() const { return m_error; }
    // Written to directly (a device, a pipe): a failure may have reached it.
    bool direct() const { return m_direct; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char *data, std::streamsize count) override;

private:
    bool writeAll(const char *data, std::size_t count);
    bool openDirect(const std::string &target, const struct stat &existing);
    void copyIntoTarget();
    void nameTheFile();

    int m_fd = -1;
    int m_error = 0;
    std::string m_target; // what is replaced: the target, its links followed
    std::string m_temporary; // empty where the target is written to directly
    bool m_direct = false;
    bool m_copyIntoTarget = false;
    bool m_unnamed = false; // made with O_TMPFILE: named only when complete
    std::string m_problem;
};

// Marks the calculation sheet being written, removed on a signal (empty: none).
void setSheetInProgress(const std::string &path);

} // namespace salvenor::batch
