#include "window_settings.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "resources/product_info.h"
#include "windows/design.h"

namespace salvenor::ui {

namespace {

// A settings file of ours is a few lines; anything larger is not ours to rewrite.
constexpr qint64 kLargestSettingsFile = qint64{1024} * 1024;

const QString kGroup = QStringLiteral("Settings");

using Values = std::array<std::pair<QString, QString>, 4>;

bool isGroupHeader(const QString &trimmed)
{
    return trimmed.startsWith(u'[') && trimmed.endsWith(u']');
}

QString keyOf(const QString &line)
{
    const qsizetype equals = line.indexOf(u'=');
    return equals < 0 ? QString{} : line.left(equals).trimmed();
}

// The file's text with the four values set in [Settings]: a key already there is replaced where
// it stands, the others are added at the end of the group; the group is added when missing.
QString mergedText(const QString &existing, const Values &values)
{
    QStringList lines = existing.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    std::array<bool, 4> written{};
    QStringList merged;
    bool inGroup = false;
    bool groupSeen = false;
    const auto addMissing = [&] {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!written.at(i))
                merged << values.at(i).first + u'=' + values.at(i).second;
            written.at(i) = true;
        }
    };
    for (const QString &line : std::as_const(lines)) {
        const QString trimmed = line.trimmed();
        if (isGroupHeader(trimmed)) {
            if (inGroup)
                addMissing();
            inGroup = trimmed.mid(1, trimmed.size() - 2).trimmed() == kGroup;
            groupSeen = groupSeen || inGroup;
            merged << line;
            continue;
        }
        if (inGroup) {
            const QString key = keyOf(line);
            bool replaced = false;
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (key != values.at(i).first)
                    continue;
                if (!written.at(i))
                    merged << values.at(i).first + u'=' + values.at(i).second;
                written.at(i) = true;
                replaced = true;
            }
            if (replaced)
                continue;
        }
        merged << line;
    }
    if (!groupSeen) {
        if (!merged.isEmpty() && !merged.last().trimmed().isEmpty())
            merged << QString{};
        merged << u'[' + kGroup + u']';
    }
    addMissing();
    return merged.join(u'\n') + u'\n';
}

// What the file holds now: empty when it does not exist yet, none when it is not ours to write.
std::optional<QString> currentText(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT ? std::optional<QString>{QString{}} : std::nullopt;
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
    const QByteArray bytes = file.read(kLargestSettingsFile + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kLargestSettingsFile)
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

bool writeAll(int descriptor, const QByteArray &bytes)
{
    const char *next = bytes.constData();
    auto left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(descriptor, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        next += written;
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
    const std::optional<QString> existing = currentText(path);
    if (!existing.has_value())
        return false;
    if (!QDir{}.mkpath(QFileInfo{path}.absolutePath()))
        return false;

    const Values values{{
        {QStringLiteral("MainLeft"), QString::number(pixelsToTwips(frameInPixels.left()))},
        {QStringLiteral("MainTop"), QString::number(pixelsToTwips(frameInPixels.top()))},
        {QStringLiteral("MainWidth"), QString::number(pixelsToTwips(frameInPixels.width()))},
        {QStringLiteral("MainHeight"), QString::number(pixelsToTwips(frameInPixels.height()))},
    }};
    return replaceFile(path, mergedText(*existing, values).toUtf8());
}

} // namespace salvenor::ui
