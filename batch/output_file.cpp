#include "output_file.h"

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace salvenor::batch {

namespace {

// What the signal handler removes: fixed buffers, since it may only call async-signal-safe
// functions. A path is set and cleared with the signals blocked.
std::array<char, PATH_MAX> g_outputPath{};
std::array<char, PATH_MAX> g_sheetPath{};

extern "C" void removeAndEnd(int signal)
{
    if (g_outputPath[0] != '\0')
        unlink(g_outputPath.data());
    if (g_sheetPath[0] != '\0')
        unlink(g_sheetPath.data());
    // Ends by the signal itself, once the handler returns: the caller sees how it ended.
    struct sigaction standard
    {
    };
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    kill(getpid(), signal);
}

// Those that end a run (Ctrl-C, Ctrl-\, kill, a closed terminal, a closed pipe, a file size limit).
constexpr std::array kCleanedSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ};

// Blocks the signals above for its lifetime.
class SignalsBlocked final
{
public:
    SignalsBlocked()
    {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : kCleanedSignals)
            sigaddset(&set, signal);
        pthread_sigmask(SIG_BLOCK, &set, &m_previous);
    }
    ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    SignalsBlocked(const SignalsBlocked &) = delete;
    SignalsBlocked &operator=(const SignalsBlocked &) = delete;
    SignalsBlocked(SignalsBlocked &&) = delete;
    SignalsBlocked &operator=(SignalsBlocked &&) = delete;

private:
    sigset_t m_previous{};
};

void setPath(std::array<char, PATH_MAX> &slot, const std::string &path)
{
    const SignalsBlocked blocked;
    const std::size_t length = std::min(path.size(), slot.size() - 1);
    std::memcpy(slot.data(), path.data(), length);
    slot.at(length) = '\0';
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string systemErrorText(int error)
{
    switch (error) {
    case ENOENT:
        return "Datei oder Ordner nicht gefunden";
    case EACCES:
        return "keine Berechtigung";
    case EPERM:
        return "nicht erlaubt";
    case EISDIR:
        return "das ist ein Ordner";
    case ENOTDIR:
        return "ein Teil des Pfads ist kein Ordner";
    case ENOSPC:
        return "auf dem Datenträger ist kein Platz mehr frei";
    case EDQUOT:
        return "das Speicherkontingent ist erschöpft";
    case EROFS:
        return "das Dateisystem ist nur lesbar";
    case EIO:
        return "Ein-/Ausgabefehler";
    case ENAMETOOLONG:
        return "der Name ist zu lang";
    case ELOOP:
        return "zu viele symbolische Verknüpfungen";
    case EMFILE:
    case ENFILE:
        return "zu viele offene Dateien";
    case EFBIG:
        return "die Datei wird zu groß";
    case EBUSY:
    case ETXTBSY:
        return "die Datei ist belegt";
    case EXDEV:
        return "Umbenennen über Dateisystemgrenzen hinweg ist nicht möglich";
    case EINVAL:
        return "ungültiges Argument";
    case EPIPE:
        return "der Empfänger hat die Verbindung geschlossen";
    default:
        return "Systemfehler Nr. " + std::to_string(error);
    }
}

void removeTemporaryFilesOnSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = removeAndEnd;
    sigemptyset(&action.sa_mask);
    for (const int signal : kCleanedSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : kCleanedSignals) {
        // A signal ignored by the caller (nohup, a script's background job) stays ignored.
        struct sigaction current
        {
        };
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

void setSheetInProgress(const std::string &path)
{
    setPath(g_sheetPath, path);
}

OutputFile::~OutputFile()
{
    discard();
}

bool OutputFile::open(const std::string &target)
{
    m_target = target;
    struct stat existing
    {
    };
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        if (S_ISDIR(existing.st_mode)) {
            m_error = EISDIR;
            return false;
        }
        m_direct = true;
        m_fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        m_error = m_fd < 0 ? errno : 0;
        return m_fd >= 0;
    }
    if (exists && access(target.c_str(), W_OK) != 0) {
        m_error = errno; // a file made read-only is not replaced either
        return false;
    }
    if (exists) {
        // Through symbolic links: the file they point to is replaced, the links stay.
        if (char *real = realpath(target.c_str(), nullptr)) {
            m_target = real;
            std::free(real); // NOLINT(cppcoreguidelines-no-malloc): realpath's buffer
        }
    }
    std::string pattern = folderOf(m_target) + "/." + nameOf(m_target) + ".XXXXXX";
    {
        const SignalsBlocked blocked;
        m_fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_error = errno;
            return false;
        }
        m_temporary = pattern;
        setPath(g_outputPath, m_temporary);
    }
    if (exists) {
        // The new file keeps the old one's owner (where allowed) and permissions.
        if (fchown(m_fd, existing.st_uid, existing.st_gid) != 0) { /* another user's file: ours then */
        }
        fchmod(m_fd, existing.st_mode & 07777U);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(m_fd, 0666U & ~mask);
    }
    return true;
}

bool OutputFile::writeAll(const char *data, std::size_t count)
{
    if (m_error != 0 || m_fd < 0) {
        m_error = m_error != 0 ? m_error : EBADF;
        return false;
    }
    while (count > 0) {
        const ssize_t written = ::write(m_fd, data, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return false;
        }
        data += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

OutputFile::int_type OutputFile::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return writeAll(&byte, 1) ? c : traits_type::eof();
}

std::streamsize OutputFile::xsputn(const char *data, std::streamsize count)
{
    return writeAll(data, static_cast<std::size_t>(count)) ? count : 0;
}

bool OutputFile::commit()
{
    if (m_fd < 0)
        return false;
    if (m_error == 0 && !m_temporary.empty() && fsync(m_fd) != 0)
        m_error = errno;
    if (::close(m_fd) != 0 && m_error == 0)
        m_error = errno;
    m_fd = -1;
    if (m_error != 0) {
        discard();
        return false;
    }
    if (m_temporary.empty())
        return true;
    {
        const SignalsBlocked blocked;
        if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
            m_error = errno;
            unlink(m_temporary.c_str());
        }
        m_temporary.clear();
        setPath(g_outputPath, {});
    }
    if (m_error != 0)
        return false;
    // The rename on the disk too.
    const int folder = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        ::close(folder);
    }
    return true;
}

void OutputFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        const SignalsBlocked blocked;
        unlink(m_temporary.c_str());
        m_temporary.clear();
        setPath(g_outputPath, {});
    }
}

} // namespace salvenor::batch
