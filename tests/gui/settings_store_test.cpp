#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/window_settings.h"
#include "small_file_system.h"

using namespace salvenor::ui;

// The settings file against what a user's home can hold: other lines, a full disk, a FIFO, a
// read-only file, a link, no home at all. Every save is bounded in time: a hang fails the test.
class SettingsStoreTest final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void writesTheFourValuesAndKeepsEveryOtherLine();
    void everyOtherByteIsKept_data();
    void everyOtherByteIsKept();
    void hardLinkedFileIsWrittenUnderEveryName();
    void createsTheFileAndItsFolder();
    void fullDiskLeavesTheOldFileAsItWas_data();
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

void SettingsStoreTest::everyOtherByteIsKept_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    // Other programs' sections in Latin-1 and with raw bytes; the file's own line end.
    QTest::newRow("Latin-1 and raw bytes, LF") << QByteArray("[Adresse]\nName=Stra\xdf"
                                                             "e\nRoh=\x01\xfe\xff\x80\n[Settings]\nMainTop=1\n")
                                               << QByteArray("[Adresse]\nName=Stra\xdf"
                                                             "e\nRoh=\x01\xfe\xff\x80\n[Settings]\nMainTop=810\n"
                                                             "MainLeft=2430\nMainWidth=9810\nMainHeight=7695\n");
    QTest::newRow("CRLF, values replaced and added")
        << QByteArray("[Adresse]\r\nName=Stra\xdf"
                      "e\r\n[Settings]\r\nMainLeft=1\r\nFarbe=gr\xfcn\r\n")
        << QByteArray("[Adresse]\r\nName=Stra\xdf"
                      "e\r\n[Settings]\r\nMainLeft=2430\r\nFarbe=gr\xfcn\r\n"
                      "MainTop=810\r\nMainWidth=9810\r\nMainHeight=7695\r\n");
    QTest::newRow("CRLF without the group") << QByteArray("[Adresse]\r\nName=Stra\xdf"
                                                          "e\r\n")
                                            << QByteArray("[Adresse]\r\nName=Stra\xdf"
                                                          "e\r\n\r\n[Settings]\r\nMainLeft=2430\r\nMainTop=810\r\n"
                                                          "MainWidth=9810\r\nMainHeight=7695\r\n");
    QTest::newRow("last line without its line end")
        << QByteArray("[Settings]\r\nMainLeft=1\r\nMainTop=2\r\nMainWidth=3\r\nMainHeight=4\r\n[Mehr]\r\nx=\xe4")
        << QByteArray("[Settings]\r\nMainLeft=2430\r\nMainTop=810\r\nMainWidth=9810\r\nMainHeight=7695\r\n"
                      "[Mehr]\r\nx=\xe4");
    QTest::newRow("values added after an unterminated last line")
        << QByteArray("[Settings]\nMainLeft=1")
        << QByteArray("[Settings]\nMainLeft=2430\nMainTop=810\nMainWidth=9810\nMainHeight=7695\n");
    QTest::newRow("a value in brackets is no group")
        << QByteArray("[Settings]\nListe=[1]\nMainLeft=1\n[Mehr]\n")
        << QByteArray("[Settings]\nListe=[1]\nMainLeft=2430\nMainTop=810\nMainWidth=9810\nMainHeight=7695\n[Mehr]\n");
    QTest::newRow("a lone CR stays inside its line")
        << QByteArray("[Andere]\nText=a\rb\n[Settings]\n")
        << QByteArray("[Andere]\nText=a\rb\n[Settings]\nMainLeft=2430\nMainTop=810\nMainWidth=9810\nMainHeight=7695\n");
}

void SettingsStoreTest::everyOtherByteIsKept()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    writeFile(iniPath(), before);
    bool saved = false;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(saved);
    QCOMPARE(contentsOf(iniPath()), after);
}

void SettingsStoreTest::hardLinkedFileIsWrittenUnderEveryName()
{
    const QString other = m_dir->path() + QStringLiteral("/backup.ini");
    writeFile(iniPath(), "[Settings]\nMainLeft=1\n");
    QCOMPARE(::link(QFile::encodeName(iniPath()).constData(), QFile::encodeName(other).constData()), 0);
    bool saved = false;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(saved);
    const QByteArray expected = "[Settings]\nMainLeft=2430\nMainTop=810\nMainWidth=9810\nMainHeight=7695\n";
    QCOMPARE(contentsOf(iniPath()), expected);
    QCOMPARE(contentsOf(other), expected);
    struct stat status
    {
    };
    QCOMPARE(::stat(QFile::encodeName(iniPath()).constData(), &status), 0);
    QCOMPARE(status.st_nlink, nlink_t{2});
    QCOMPARE(QDir{m_dir->path()}.entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void SettingsStoreTest::createsTheFileAndItsFolder()
{
    const QString path = m_dir->path() + QStringLiteral("/config/Salvenor 2016.ini");
    bool saved = false;
    QVERIFY(saveWithin(path, saved));
    QVERIFY(saved);
    QCOMPARE(contentsOf(path), QByteArray("[Settings]\nMainLeft=2430\nMainTop=810\nMainWidth=9810\nMainHeight=7695\n"));
}

void SettingsStoreTest::fullDiskLeavesTheOldFileAsItWas_data()
{
    QTest::addColumn<bool>("hardLinked");
    QTest::newRow("replaced by a new file") << false;
    QTest::newRow("hard-linked, written where it is") << true;
}

void SettingsStoreTest::fullDiskLeavesTheOldFileAsItWas()
{
    QFETCH(bool, hardLinked);
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    const QString mountPoint = m_dir->path() + QStringLiteral("/small");
    const salvenor::test::SmallFileSystem small{mountPoint, QStringLiteral("64k")};
    if (!small.mounted())
        QSKIP("this machine does not let the test mount a file system");

    const QString path = mountPoint + QStringLiteral("/Salvenor 2016.ini");
    // Just below a page: the new values need one more, which the full disk cannot give.
    QByteArray old = "[Settings]\nMainLeft=1\nMainTop=2\nMainWidth=3\nMainHeight=4\n";
    old.prepend("; " + QByteArray(4090 - old.size() - 3, '-') + '\n');
    writeFile(path, old);
    const QString otherName = mountPoint + QStringLiteral("/other.ini");
    if (hardLinked)
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(otherName).constData()), 0);
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
    if (hardLinked)
        QCOMPARE(contentsOf(otherName), old);
    // No temporary file left.
    QCOMPARE(QDir{mountPoint}.entryList(QDir::Files | QDir::Hidden).size(), hardLinked ? 3 : 2);
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
    // Up to one mebibyte is a settings file (other programs' sections may be long); a byte more is not.
    constexpr qsizetype kLargest = qsizetype{1024} * 1024;
    const QByteArray group = "\n[Settings]\nMainLeft=2430\nMainTop=810\nMainWidth=9810\nMainHeight=7695\n";
    const QByteArray largest = "; " + QByteArray(kLargest - 2 - group.size(), 'x') + group;
    writeFile(iniPath(), largest);
    bool saved = false;
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(saved);
    QCOMPARE(contentsOf(iniPath()), largest);

    const QByteArray tooLarge = "; " + QByteArray(kLargest - 1 - group.size(), 'x') + group;
    writeFile(iniPath(), tooLarge);
    QVERIFY(saveWithin(iniPath(), saved));
    QVERIFY(!saved);
    QCOMPARE(contentsOf(iniPath()), tooLarge);
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
