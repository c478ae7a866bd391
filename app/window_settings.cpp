#include "window_settings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "resources/product_info.h"
#include "windows/design.h"

namespace salvenor::ui {

namespace {

// A settings file of ours is a few lines; anything larger is not ours to rewrite.
constexpr qint64 kLargestSettingsFile = qint64{1024} * 1024;

const QByteArray kGroup = QByteArrayLiteral("Settings");

using Values = std::array<std::pair<QByteArray, QByteArray>, 4>;

bool isGroupHeader(const QByteArray &trimmed)
{
    return trimmed.startsWith('[') && trimmed.endsWith(']');
}

QByteArray keyOf(const QByteArray &line)
{
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? QByteArray{} : line.left(equals).trimmed();
}

// A line of the file without its line end, and the line end it had ("\r\n", "\n" or none for an
// unterminated last line).
struct Line
{
    QByteArray text;
    QByteArray end;
};

std::vector<Line> linesOf(const QByteArray &bytes)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype feed = bytes.indexOf('\n', start);
        if (feed < 0) {
            lines.push_back({bytes.mid(start), QByteArray{}});
            break;
        }
        const bool carriageReturn = feed > start && bytes.at(feed - 1) == '\r';
        const qsizetype textEnd = carriageReturn ? feed - 1 : feed;
        lines.push_back({bytes.mid(start, textEnd - start), carriageReturn ? QByteArrayLiteral("\r\n") : "\n"});
        start = feed + 1;
    }
    return lines;
}

// A line of the group [Settings] whose key is one of ours: the new value where the key first stands
// (later repeats of it go). Returns whether the line was one of ours.
bool replaceOurValue(const Line &line, const Values &values, std::array<bool, 4> &written, std::vector<Line> &merged)
{
    const QByteArray key = keyOf(line.text);
    bool replaced = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (key != values.at(i).first)
            continue;
        if (!written.at(i))
            merged.push_back({values.at(i).first + '=' + values.at(i).second, line.end});
        written.at(i) = true;
        replaced = true;
    }
    return replaced;
}

QByteArray joined(const std::vector<Line> &lines)
{
    QByteArray bytes;
    for (const Line &line : lines)
        bytes += line.text + line.end;
    return bytes;
}

// The file's bytes with the four values set in [Settings]: a key already there is replaced where
// it stands, the others are added at the end of the group; the group is added when missing.
// Every other byte stays as it was: the file may hold other programs' sections in any encoding,
// and the lines we write take the file's own line end.
QByteArray mergedBytes(const QByteArray &existing, const Values &values)
{
    const std::vector<Line> lines = linesOf(existing);
    const QByteArray newline = !lines.empty() && lines.front().end == "\r\n" ? QByteArrayLiteral("\r\n") : "\n";
    std::array<bool, 4> written{};
    std::vector<Line> merged;
    bool inGroup = false;
    bool groupSeen = false;
    const auto addMissing = [&] {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!written.at(i))
                merged.push_back({values.at(i).first + '=' + values.at(i).second, newline});
            written.at(i) = true;
        }
    };
    for (const Line &line : lines) {
        const QByteArray trimmed = line.text.trimmed();
        if (isGroupHeader(trimmed)) {
            if (inGroup)
                addMissing();
            inGroup = trimmed.mid(1, trimmed.size() - 2).trimmed() == kGroup;
            groupSeen = groupSeen || inGroup;
            merged.push_back(line);
        } else if (!inGroup || !replaceOurValue(line, values, written, merged)) {
            merged.push_back(line);
        }
    }
    const auto terminateLast = [&] {
        if (!merged.empty() && merged.back().end.isEmpty())
            merged.back().end = newline;
    };
    if (!groupSeen) {
        terminateLast();
        if (!merged.empty() && !merged.back().text.trimmed().isEmpty())
            merged.push_back({QByteArray{}, newline});
        merged.push_back({'[' + kGroup + ']', newline});
    }
    if (std::find(written.begin(), written.end(), false) != written.end())
        terminateLast(); // lines follow what was the file's last line
    addMissing();
    return joined(merged);
}

// What the file holds now: empty when it does not exist yet, none when it is not ours to write.
std::optional<QByteArray> currentBytes(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT ? std::optional<QByteArray>{QByteArray{}} : std::nullopt;
    // A FIFO, a device or a folder: opening it may block for ever or destroy something.
    if (!S_ISREG(status.st_mode))
        return std::nullopt;
    // Read-only for everybody: the user wants it left alone (root could write it all the same).
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return std::nullopt;
    if (status.st_size > kLargestSettingsFile)
        return std::nullopt;
    QFile file{path};
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(kLargestSettingsFile + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kLargestSettingsFile)
        return std::nullopt;
    return bytes;
}

bool writeAll(int descriptor, const QByteArray &bytes)
{
    const char *next = bytes.constData();
    auto left = static_cast<std::size_t>(bytes.size());
    off_t offset = 0;
    while (left > 0) {
        const ssize_t written = ::pwrite(descriptor, next, left, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        next += written;
        offset += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// Writes a new file beside `path` and renames it over `path` only once every byte is on the
// disk: a full disk or any other failure leaves the old file as it was.
bool replaceFile(const QString &path, const QByteArray &bytes)
{
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return false;
    struct stat old
    {
    };
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool written = ::fchmod(descriptor, mode) == 0 && writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    written = ::close(descriptor) == 0 && written;
    if (!written || ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

// A file with several names (a hard link) is written where it is: a rename would split it from
// its other names. The room for the new bytes is reserved first, so that a full disk stops the
// save before anything is changed; a later failure puts the old bytes back.
bool rewriteInPlace(const QString &path, const QByteArray &old, const QByteArray &bytes)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (descriptor < 0)
        return false;
    const auto size = static_cast<off_t>(bytes.size());
    bool written = ::posix_fallocate(descriptor, 0, size) == 0;
    if (written) {
        written = writeAll(descriptor, bytes) && ::ftruncate(descriptor, size) == 0 && ::fsync(descriptor) == 0;
        if (!written && writeAll(descriptor, old))
            static_cast<void>(::ftruncate(descriptor, static_cast<off_t>(old.size())));
    } else {
        // The reservation may have grown the file before it failed.
        static_cast<void>(::ftruncate(descriptor, static_cast<off_t>(old.size())));
    }
    return ::close(descriptor) == 0 && written;
}

bool isHardLinked(const QString &path)
{
    struct stat status
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && status.st_nlink > 1;
}

} // namespace

std::optional<QString> settingsFilePath()
{
    const QString fileName = QString::fromUtf8(kSettingsApplication) + QStringLiteral(".ini");
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configHome))
        return configHome + u'/' + fileName;
    const QString home = qEnvironmentVariable("HOME");
    if (!QDir::isAbsolutePath(home))
        return std::nullopt;
    return home + QStringLiteral("/.config/") + fileName;
}

bool saveWindowPlacement(const QRect &frameInPixels)
{
    const std::optional<QString> path = settingsFilePath();
    return path.has_value() && saveWindowPlacement(frameInPixels, *path);
}

bool saveWindowPlacement(const QRect &frameInPixels, const QString &filePath)
{
    // A link to the settings file (linked dotfiles) is followed: the file it names is replaced.
    const QFileInfo link{filePath};
    if (link.isSymLink() && !link.exists())
        return false;
    const QString path = link.isSymLink() ? link.canonicalFilePath() : filePath;
    const std::optional<QByteArray> existing = currentBytes(path);
    if (!existing.has_value())
        return false;
    if (!QDir{}.mkpath(QFileInfo{path}.absolutePath()))
        return false;

    const Values values{{
        {QByteArrayLiteral("MainLeft"), QByteArray::number(pixelsToTwips(frameInPixels.left()))},
        {QByteArrayLiteral("MainTop"), QByteArray::number(pixelsToTwips(frameInPixels.top()))},
        {QByteArrayLiteral("MainWidth"), QByteArray::number(pixelsToTwips(frameInPixels.width()))},
        {QByteArrayLiteral("MainHeight"), QByteArray::number(pixelsToTwips(frameInPixels.height()))},
    }};
    const QByteArray bytes = mergedBytes(*existing, values);
    return isHardLinked(path) ? rewriteInPlace(path, *existing, bytes) : replaceFile(path, bytes);
}

} // namespace salvenor::ui
