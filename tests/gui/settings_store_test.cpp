#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/window_settings.h"

using namespace salvenor::ui;

// The settings file against what a user's home can hold: other lines, a full disk, a FIFO, a
// read-only file, a link, no home at all. Every save is bounded in time: a hang fails the test.
class SettingsStoreTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void writesTheFourValuesAndKeepsEveryOtherLine();
    void createsTheFileAndItsFolder();
    void fullDiskLeavesTheOldFileAsItWas();
    void fifoIsNeitherOpenedNorReplaced();
    void readOnlyFileIsLeftAsItWas();
    void fileTooLargeToBeOursIsLeftAsItWas();
    void linkToTheFileIsFollowed();
    void danglingLinkIsLeftAlone();
    void permissionsOfTheFileAreKept();
    void withoutAHomeNothingIsWritten();

private:
    QString iniPath() const { return m_dir->path() + QStringLiteral("/Salvenor 2016.ini"); }
    static bool saveWithin(const QString &path, bool &saved);

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

const QRect kFrame{162, 54, 654, 513}; // twips: 2430, 810, 9810, 7695

QByteArray contentsOf(const QString &path)
{
    QFile file{path};
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file{path};
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

bool SettingsStoreTest::saveWithin(const QString &path, bool &saved)
{
    auto save = std::async(std::launch::async, [path] { return saveWindowPlacement(kFrame, path); });
    if (save.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release a writer blocked on a FIFO, so that the test can end.
        const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        save.wait();
        if (reader >= 0)
            ::close(reader);
        return false;
    }
    saved = save.get();
    return true;
}

void SettingsStoreTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void SettingsStoreTest::writesTheFourValuesAndKeepsEveryOtherLine()
{
    writeFile(iniPath(),
        "; eigene Notiz\n[Andere]\nMainLeft=7\n\n[Settings]\nMainTop=1\nFarbe=blau\nMainLeft=2\n\n[Mehr]\nx=1\n");
    bool saved = false;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(saved);
    QCOMPARE(contentsOf(iniPath()),
        QByteArray("; eigene Notiz\n[Andere]\nMainLeft=7\n\n[Settings]\nMainTop=810\nFarbe=blau\nMainLeft=2430\n\n"
                   "MainWidth=9810\nMainHeight=7695\n[Mehr]\nx=1\n"));
}

void SettingsStoreTest::createsTheFileAndItsFolder()
{
    const QString path = m_dir->path() + QStringLiteral("/config/Salvenor 2016.ini");
    bool saved = false;
    QVERIFY(saveWithin(path, saved));
    QVERIFY(saved);
    QCOMPARE(contentsOf(path), QByteArray("[Settings]\nMainLeft=2430\nMainTop=810\nMainWidth=9810\nMainHeight=7695\n"));
}

void SettingsStoreTest::fullDiskLeavesTheOldFileAsItWas()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    const QString mountPoint = m_dir->path() + QStringLiteral("/small");
    QVERIFY(QDir{}.mkpath(mountPoint));
    if (QProcess::execute(QStringLiteral("mount"),
            {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=64k"),
                QStringLiteral("tmpfs"), mountPoint})
        != 0)
        QSKIP("this machine does not let the test mount a file system");
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {mountPoint}); });

    const QString path = mountPoint + QStringLiteral("/Salvenor 2016.ini");
    const QByteArray old = "[Settings]\nMainLeft=1\nMainTop=2\nMainWidth=3\nMainHeight=4\n";
    writeFile(path, old);
    // Fill the rest of the file system.
    QFile filler{mountPoint + QStringLiteral("/filler")};
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(512, 'x');
    while (filler.write(block) == block.size()) { }
    filler.close();

    bool saved = true;
    QVERIFY(saveWithin(path, saved));
    QVERIFY(!saved);
    QCOMPARE(contentsOf(path), old);
    QCOMPARE(QDir{mountPoint}.entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary file left
}

void SettingsStoreTest::fifoIsNeitherOpenedNorReplaced()
{
    QCOMPARE(::mkfifo(QFile::encodeName(iniPath()).constData(), 0644), 0);
    bool saved = true;
    QVERIFY2(saveWithin(iniPath(), saved), "the save blocked on the FIFO");
    QVERIFY(!saved);
    struct stat status
    {
    };
    QCOMPARE(::lstat(QFile::encodeName(iniPath()).constData(), &status), 0);
    QVERIFY(S_ISFIFO(status.st_mode));
}

void SettingsStoreTest::readOnlyFileIsLeftAsItWas()
{
    const QByteArray old = "[Settings]\nMainLeft=1\n";
    writeFile(iniPath(), old);
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    bool saved = true;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(!saved);
    QCOMPARE(contentsOf(iniPath()), old);
}

void SettingsStoreTest::fileTooLargeToBeOursIsLeftAsItWas()
{
    const QByteArray large(qsizetype{2} * 1024 * 1024, '\xff');
    writeFile(iniPath(), large);
    bool saved = true;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(!saved);
    QCOMPARE(contentsOf(iniPath()), large);
}

void SettingsStoreTest::linkToTheFileIsFollowed()
{
    const QString target = m_dir->path() + QStringLiteral("/dotfiles/salvenor.ini");
    QVERIFY(QDir{}.mkpath(QFileInfo{target}.absolutePath()));
    writeFile(target, "[Settings]\nMainLeft=1\n");
    QVERIFY(QFile::link(target, iniPath()));
    bool saved = false;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(saved);
    QVERIFY(QFileInfo{iniPath()}.isSymLink());
    QCOMPARE(
        contentsOf(target), QByteArray("[Settings]\nMainLeft=2430\nMainTop=810\nMainWidth=9810\nMainHeight=7695\n"));
}

void SettingsStoreTest::danglingLinkIsLeftAlone()
{
    const QString target = m_dir->path() + QStringLiteral("/gone.ini");
    QVERIFY(QFile::link(target, iniPath()));
    bool saved = true;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(!saved);
    QVERIFY(QFileInfo{iniPath()}.isSymLink());
    QVERIFY(!QFile::exists(target));
}

void SettingsStoreTest::permissionsOfTheFileAreKept()
{
    bool saved = false;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(saved);
    struct stat status
    {
    };
    QCOMPARE(::stat(QFile::encodeName(iniPath()).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, 0644U);

    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(saved);
    QCOMPARE(::stat(QFile::encodeName(iniPath()).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, 0600U);
}

void SettingsStoreTest::withoutAHomeNothingIsWritten()
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", home);
        if (configHome.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", configHome);
    });
    qunsetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    QVERIFY(!settingsFilePath().has_value());
    const bool atRootBefore = QFile::exists(QStringLiteral("/Salvenor 2016.ini"));
    QVERIFY(!saveWindowPlacement(kFrame));
    QCOMPARE(QFile::exists(QStringLiteral("/Salvenor 2016.ini")), atRootBefore);
    QVERIFY(!QFile::exists(QStringLiteral("/.config/Salvenor 2016.ini")));

    qputenv("HOME", "relative/home");
    QVERIFY(!settingsFilePath().has_value());
    qputenv("HOME", QFile::encodeName(m_dir->path()));
    QCOMPARE(settingsFilePath(), std::optional<QString>{m_dir->path() + QStringLiteral("/.config/Salvenor 2016.ini")});
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path() + QStringLiteral("/xdg")));
    QCOMPARE(settingsFilePath(), std::optional<QString>{m_dir->path() + QStringLiteral("/xdg/Salvenor 2016.ini")});
}

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "settings_store_test.moc"
