#include "output_file.h"

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <random>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

namespace {

// The path a symbolic link points to, relative to the link's folder where it is relative.
std::string linkTarget(const std::string &link)
{
    std::array<char, PATH_MAX> buffer{};
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size() - 1);
    if (length < 0)
        return {};
    const std::string target(buffer.data(), static_cast<std::size_t>(length));
    return target.starts_with('/') ? target : folderOf(link) + "/" + target;
}

// Why a symbolic link on the way to `path` is not followed: it belongs to another user and lies in
// a folder others may write too (a group folder, a share), where that user could point it at any
// file of ours. Empty where every link is the user's own, or lies in a folder only the user writes.
std::string linkOfAnotherUser(const std::string &path)
{
    std::string link = path;
    constexpr int kMostLinks = 40; // as the kernel follows
    for (int depth = 0; depth < kMostLinks; ++depth) {
        struct stat info
        {
        };
        if (lstat(link.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return {};
        struct stat folder
        {
        };
        const bool folderOnlyOurs = stat(folderOf(link).c_str(), &folder) == 0 && folder.st_uid == geteuid()
            && (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0;
        const std::string next = linkTarget(link);
        if (info.st_uid != geteuid() && !folderOnlyOurs) {
            std::string why = "„" + link;
            why.append("“ ist eine symbolische Verknüpfung eines anderen Benutzers auf „").append(next);
            return why.append("“ in einem Ordner, den auch andere beschreiben; ihr wird nicht gefolgt. Bitte einen "
                              "anderen Namen wählen");
        }
        link = next;
    }
    return {};
}

// Copies the extended attributes of `from` (POSIX ACLs among them) to the file `to` has open.
// False where one cannot be copied: the new file would not be as the old one was.
bool copyExtendedAttributes(const std::string &from, int to)
{
    const ssize_t size = listxattr(from.c_str(), nullptr, 0);
    if (size <= 0)
        return size == 0 || errno == ENOTSUP;
    std::string names(static_cast<std::size_t>(size), '\0');
    const ssize_t listed = listxattr(from.c_str(), names.data(), names.size());
    if (listed < 0)
        return false;
    names.resize(static_cast<std::size_t>(listed));
    for (std::size_t start = 0; start < names.size();) {
        const std::string name = names.c_str() + start;
        start += name.size() + 1;
        const ssize_t length = getxattr(from.c_str(), name.c_str(), nullptr, 0);
        if (length < 0)
            return false;
        std::string value(static_cast<std::size_t>(length), '\0');
        const ssize_t read = getxattr(from.c_str(), name.c_str(), value.data(), value.size());
        if (read < 0 || fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(read), 0) != 0)
            return false;
    }
    return true;
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
    m_problem = linkOfAnotherUser(target);
    if (!m_problem.empty())
        return false;
    struct stat existing
    {
    };
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return openDirect(target, existing);
    if (exists && access(target.c_str(), W_OK) != 0) {
        m_error = errno; // a file made read-only is not replaced either
        return false;
    }
    if (exists) {
        // Through the user's own symbolic links: the file they point to is replaced, the links stay.
        if (char *real = realpath(target.c_str(), nullptr)) {
            m_target = real;
            std::free(real); // NOLINT(cppcoreguidelines-no-malloc): realpath's buffer
        }
        // A file of several names keeps them all: the list is copied into it once it is complete.
        m_copyIntoTarget = existing.st_nlink > 1;
    }
    // A file without a name until the list is complete, where the file system has them: a run
    // killed (SIGKILL) or crashed leaves nothing behind. Else a hidden one that a signal removes.
    m_fd = ::open(folderOf(m_target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    m_unnamed = m_fd >= 0;
    if (!m_unnamed) {
        std::string pattern = folderOf(m_target) + "/." + nameOf(m_target) + ".XXXXXX";
        const SignalsBlocked blocked;
        m_fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_error = errno;
            return false;
        }
        m_temporary = pattern;
        setPath(g_outputPath, m_temporary);
    }
    if (!exists) {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(m_fd, 0666U & ~mask);
        return true;
    }
    // The new file keeps the old one's owner (where allowed), permissions, ACL and extended
    // attributes; the ACL after the mode, whose group bits are the ACL's mask.
    if (fchown(m_fd, existing.st_uid, existing.st_gid) != 0) { /* another user's file: ours then */
    }
    fchmod(m_fd, existing.st_mode & 07777U);
    if (!copyExtendedAttributes(m_target, m_fd)) {
        m_problem = "Die Zugriffsrechte (ACL) und erweiterten Attribute von „" + m_target
            + "“ lassen sich nicht auf die neue Datei übertragen; die Datei bleibt, wie sie war";
        discard();
        return false;
    }
    return true;
}

// Not a regular file: a device the user names (under /dev: /dev/null, /dev/stdout) or a pipe or
// device of the user's own, opened without waiting for a reader.
bool OutputFile::openDirect(const std::string &target, const struct stat &existing)
{
    if (S_ISDIR(existing.st_mode)) {
        m_error = EISDIR;
        return false;
    }
    if (!target.starts_with("/dev/") && existing.st_uid != geteuid()) {
        m_problem = "„" + target
            + "“ ist keine Datei, sondern eine Pipe oder ein Gerät eines anderen Benutzers; geschrieben wird nur in "
              "Dateien, eigene Pipes und Geräte unter /dev";
        return false;
    }
    m_direct = true;
    m_fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_fd < 0) {
        m_error = errno;
        if (errno == ENXIO)
            m_problem = "Aus der Pipe „" + target + "“ liest niemand";
        return false;
    }
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
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
    if (m_error == 0 && !m_direct && fsync(m_fd) != 0)
        m_error = errno;
    if (m_error == 0 && m_unnamed)
        nameTheFile();
    if (::close(m_fd) != 0 && m_error == 0)
        m_error = errno;
    m_fd = -1;
    if (m_error != 0) {
        discard();
        return false;
    }
    if (m_direct)
        return true;
    {
        const SignalsBlocked blocked;
        if (m_copyIntoTarget) {
            copyIntoTarget();
            unlink(m_temporary.c_str());
        } else if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
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

// The complete list into the target itself, whose other names see it then: its inode, owner,
// mode and attributes stay. Only this last copy can leave it half written, as with any editor.
// The complete file without a name gets a hidden one beside the target, to be renamed over it.
void OutputFile::nameTheFile()
{
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    std::random_device device;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::array<char, 16> suffix{};
        std::snprintf(suffix.data(), suffix.size(), "%08x", device());
        const std::string name = folderOf(m_target) + "/." + nameOf(m_target) + "." + suffix.data();
        const SignalsBlocked blocked;
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_temporary = name;
            setPath(g_outputPath, m_temporary);
            return;
        }
        if (errno != EEXIST) {
            m_error = errno;
            return;
        }
    }
    m_error = EEXIST;
}

void OutputFile::copyIntoTarget()
{
    const int from = ::open(m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
    const int to = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat size
    {
    };
    if (from < 0 || to < 0 || fstat(from, &size) != 0) {
        m_error = errno;
    } else {
        off_t offset = 0;
        while (m_error == 0 && offset < size.st_size) {
            if (sendfile(to, from, &offset, static_cast<std::size_t>(size.st_size - offset)) < 0 && errno != EINTR)
                m_error = errno;
        }
        if (m_error == 0 && (ftruncate(to, size.st_size) != 0 || fsync(to) != 0))
            m_error = errno;
    }
    if (from >= 0)
        ::close(from);
    if (to >= 0)
        ::close(to);
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
