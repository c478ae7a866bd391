#pragma once

#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace salvenor::test {

// A tmpfs of the given size ("64k") mounted at a folder for the life of this object, to fill up
// in a test of a full disk, or read-only. Mounting needs root; mounted() says whether the test may
// use it.
class SmallFileSystem final
{
public:
    SmallFileSystem(const QString &mountPoint, const QString &size, bool readOnly = false)
        : m_mountPoint(mountPoint)
    {
        const QString options = QStringLiteral("size=") + size + (readOnly ? QStringLiteral(",ro") : QString{});
        m_mounted = ::geteuid() == 0 && QDir{}.mkpath(mountPoint)
            && QProcess::execute(QStringLiteral("mount"),
                   {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                       QStringLiteral("tmpfs"), mountPoint})
                == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_mountPoint});
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;
    SmallFileSystem(SmallFileSystem &&) = delete;
    SmallFileSystem &operator=(SmallFileSystem &&) = delete;

    bool mounted() const { return m_mounted; }

private:
    QString m_mountPoint;
    bool m_mounted = false;
};

} // namespace salvenor::test
