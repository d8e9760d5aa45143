// The settings file in a temporary shared folder: its layout, its writers,
// what loading makes of short, odd and planted files.

#include "app/settings_file.h"

#include "file_bytes.h"
#include "file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using app::SettingsFile;
using app::SettingsValues;
using app::SettingsWriteProblem;

Q_DECLARE_METATYPE(SettingsValues)

// A write that went through; otherwise the test fails with the problem's text.
#define QVERIFY_WRITTEN(write)                                                                                  \
    do {                                                                                                       \
        const SettingsWriteProblem problem_ = (write);                                                         \
        QVERIFY2(!problem_, qPrintable(QStringLiteral("kind %1: %2").arg(problem_.kind).arg(problem_.text()))); \
    } while (false)

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

SettingsValues values(const QString &path, std::optional<std::int32_t> language, int autoConnect)
{
    SettingsValues v;
    v.profilePath = path;
    v.languageIndex = language;
    v.autoConnect = std::uint8_t(autoConnect);
    return v;
}

// A file as Windows left it: path, language index and auto byte at their offsets.
QByteArray fullFile(const QByteArray &pathBytes, std::int32_t length, std::int32_t language, char autoConnect)
{
    QByteArray b = le32(length) + pathBytes;
    b.resize(200, '\0');
    return b + le32(language) + QByteArray(1, autoConnect);
}

class Umask
{
public:
    explicit Umask(mode_t mask)
        : m_old(::umask(mask))
    {
    }
    ~Umask() { ::umask(m_old); }

private:
    mode_t m_old;
};

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void firstStartCreatesTheSharedFolderAndAnEmptyFile();
    void autoOptionOnACleanMachineGivesA205ByteFile();
    void shorterPathAfterALongerOneReadsBackExactly();
    void fieldsAreWrittenOneByOne();
    void aPathThatDoesNotFitIsNotWritten();
    void pathsAreWindows1251();
    void writersNeverCreateTheFile();
    void aFullDiskLeavesTheFileAsItWas();
    void plantedFilesAreRefused_data();
    void plantedFilesAreRefused();
    void aFolderThatIsASymlinkIsRefused();
    void decodesShortAndOddFiles_data();
    void decodesShortAndOddFiles();
    void randomFilesGiveSaneValues();

private:
    QString folder() const { return m_dir.filePath(QStringLiteral("RLC_Data")); }
    QString file() const { return folder() + QStringLiteral("/1.dat"); }

    QTemporaryDir m_dir;
};

void TestSettingsFile::init()
{
    QVERIFY(m_dir.isValid());
    // Each test starts on a clean machine.
    QDir(folder()).removeRecursively();
    QFile::remove(folder());
}

void TestSettingsFile::firstStartCreatesTheSharedFolderAndAnEmptyFile()
{
    // A strict umask must not keep other users out of the shared folder.
    const Umask strict(077);
    const SettingsFile settings(folder());

    const SettingsFile::Load first = settings.load();
    QCOMPARE(first.status, SettingsFile::LoadStatus::Created);
    QCOMPARE(first.values, SettingsValues{});
    QCOMPARE(modeOf(folder()), mode_t(01777));
    QCOMPARE(modeOf(file()), mode_t(0666));
    QCOMPARE(QFileInfo(file()).size(), 0);

    // The second start reads the empty file: every field has its default.
    const SettingsFile::Load second = settings.load();
    QCOMPARE(second.status, SettingsFile::LoadStatus::Read);
    QCOMPARE(second.values, SettingsValues{});
    QCOMPARE(QFileInfo(file()).size(), 0);
}

void TestSettingsFile::autoOptionOnACleanMachineGivesA205ByteFile()
{
    const SettingsFile settings(folder());
    QCOMPARE(settings.load().status, SettingsFile::LoadStatus::Created);

    QVERIFY_WRITTEN(settings.storeAutoConnect(true));

    const QByteArray bytes = readAll(file());
    QCOMPARE(bytes.size(), 205);
    QCOMPARE(bytes.left(204), QByteArray(204, '\0'));
    QCOMPARE(bytes.at(204), '\x01');
    QCOMPARE(settings.load().values, values({}, 0, 1));

    QVERIFY_WRITTEN(settings.storeAutoConnect(false));
    QCOMPARE(readAll(file()), QByteArray(205, '\0'));
}

void TestSettingsFile::shorterPathAfterALongerOneReadsBackExactly()
{
    const SettingsFile settings(folder());
    settings.load();
    const QString longer = QStringLiteral("/home/user/profiles/resistors-e24.hex1");
    const QString shorter = QStringLiteral("/srv/caps.hex1");

    QVERIFY_WRITTEN(settings.storeProfilePath(longer));
    QVERIFY_WRITTEN(settings.storeProfilePath(shorter));

    const QByteArray bytes = readAll(file());
    QCOMPARE(bytes.size(), 4 + longer.size());
    QCOMPARE(bytes.left(4), le32(std::int32_t(shorter.size())));
    QCOMPARE(bytes.mid(4, shorter.size()), shorter.toLatin1());
    // The old tail stays where it was.
    QCOMPARE(bytes.mid(4 + shorter.size()), longer.toLatin1().mid(shorter.size()));
    QCOMPARE(settings.load().values.profilePath, shorter);
}

void TestSettingsFile::fieldsAreWrittenOneByOne()
{
    const SettingsFile settings(folder());
    settings.load();

    QVERIFY_WRITTEN(settings.storeLanguageIndex(-1));
    QCOMPARE(readAll(file()), QByteArray(200, '\0') + le32(-1));
    QCOMPARE(settings.load().values, values({}, -1, 0));

    QVERIFY_WRITTEN(settings.storeAutoConnect(true));
    QVERIFY_WRITTEN(settings.storeProfilePath(QStringLiteral("/p.hex1")));
    QVERIFY_WRITTEN(settings.storeLanguageIndex(0));
    QCOMPARE(readAll(file()), fullFile("/p.hex1", 7, 0, 1));
    QCOMPARE(settings.load().values, values(QStringLiteral("/p.hex1"), 0, 1));
}

void TestSettingsFile::aPathThatDoesNotFitIsNotWritten()
{
    const SettingsFile settings(folder());
    settings.load();
    QVERIFY_WRITTEN(settings.storeLanguageIndex(7));
    QVERIFY_WRITTEN(settings.storeAutoConnect(true));
    const QString fits = QLatin1Char('/') + QString(190, QLatin1Char('a')) + QStringLiteral(".hex1");
    QCOMPARE(fits.size(), SettingsFile::kProfilePathCapacity);

    QVERIFY_WRITTEN(settings.storeProfilePath(fits));
    QCOMPARE(settings.load().values, values(fits, 7, 1));

    const QByteArray before = readAll(file());
    const SettingsWriteProblem tooLong = settings.storeProfilePath(fits + QLatin1Char('x'));
    QCOMPARE(tooLong.kind, SettingsWriteProblem::PathTooLong);
    QCOMPARE(tooLong.text(), QString());
    QCOMPARE(readAll(file()), before);
    QCOMPARE(settings.load().values, values(fits, 7, 1));

    // The room is counted in bytes: an emoji is two UTF-16 units but one "?".
    const QString emoji = QStringLiteral("/😀") + QString(189, QLatin1Char('a')) + QStringLiteral(".hex1");
    QVERIFY_WRITTEN(settings.storeProfilePath(emoji));
    QCOMPARE(settings.load().values.profilePath, QStringLiteral("/?") + fits.mid(2));
}

void TestSettingsFile::pathsAreWindows1251()
{
    const SettingsFile settings(folder());
    settings.load();
    // Cyrillic and the euro sign have bytes; ü and an emoji (one character in
    // two UTF-16 units) do not, and the length counts the bytes written.
    const QString path = QStringLiteral("/Профиль ё €/ü😀.hex1");

    QVERIFY_WRITTEN(settings.storeProfilePath(path));

    const QByteArray expected = QByteArrayLiteral("/\xCF\xF0\xEE\xF4\xE8\xEB\xFC \xB8 \x88/??.hex1");
    const QByteArray bytes = readAll(file());
    QCOMPARE(bytes.left(4), le32(std::int32_t(expected.size())));
    QCOMPARE(bytes.mid(4), expected);
    QCOMPARE(settings.load().values.profilePath, QStringLiteral("/Профиль ё €/??.hex1"));
}

// The file is shared and written field by field in place: a field that does
// not fit on the disk is not written at all, not in part.
void TestSettingsFile::aFullDiskLeavesTheFileAsItWas()
{
    const SettingsFile settings(folder());
    QCOMPARE(settings.load().status, SettingsFile::LoadStatus::Created);
    QVERIFY_WRITTEN(settings.storeProfilePath(QStringLiteral("/p.hex1")));
    const QByteArray before = readAll(file());
    QCOMPARE(before.size(), 11);
    {
        const FileSizeLimit full(20);
        QVERIFY(full.active());
        const SettingsWriteProblem problem = settings.storeProfilePath(QStringLiteral("/a/much/longer/path.hex1"));
        QCOMPARE(problem.kind, SettingsWriteProblem::CannotWrite);
        QCOMPARE(problem.path, file());
        QVERIFY2(problem.text().contains(file()) && problem.text().contains(QString::fromLocal8Bit(strerror(EFBIG))),
                 qPrintable(problem.text()));
    }
    QCOMPARE(readAll(file()), before);
}

void TestSettingsFile::writersNeverCreateTheFile()
{
    const SettingsFile settings(folder());
    QVERIFY(QDir().mkpath(folder()));

    const std::function<SettingsWriteProblem()> writers[] = {
        [&] { return settings.storeAutoConnect(true); },
        [&] { return settings.storeLanguageIndex(0); },
        [&] { return settings.storeProfilePath(QStringLiteral("/p.hex1")); },
    };
    for (const auto &write : writers) {
        const SettingsWriteProblem problem = write();
        QCOMPARE(problem.kind, SettingsWriteProblem::CannotWrite);
        // The error box's text, as the window shows it.
        QVERIFY(!problem.why.isEmpty());
        QCOMPARE(problem.text(), QStringLiteral("Cannot open file \"%1\". %2").arg(file(), problem.why));
        QVERIFY(!QFileInfo::exists(file()));
    }
}

void TestSettingsFile::plantedFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("symlink") << "symlink";
    QTest::newRow("dangling symlink") << "dangling";
    QTest::newRow("hard link") << "hardlink";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("folder") << "folder";
    QTest::newRow("huge file") << "huge";
}

void TestSettingsFile::plantedFilesAreRefused()
{
    QFETCH(QString, kind);
    QVERIFY(QDir().mkpath(folder()));
    // The file another user wants this user to write: it looks like a valid
    // settings file, so following it would also be read.
    const QString target = m_dir.filePath(QStringLiteral("victim"));
    const QByteArray original = fullFile("/p.hex1", 7, 3, 1);
    QVERIFY(writeAll(target, original));
    const QByteArray name = QFile::encodeName(file());

    if (kind == QLatin1String("symlink"))
        QVERIFY(QFile::link(target, file()));
    else if (kind == QLatin1String("dangling"))
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nothing")), file()));
    else if (kind == QLatin1String("hardlink"))
        QCOMPARE(::link(QFile::encodeName(target).constData(), name.constData()), 0);
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(name.constData(), 0666), 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(file()));
    else
        QVERIFY(writeAll(file(), original + QByteArray(SettingsFile::kMaxSize, '\0')));

    const SettingsFile settings(folder());
    // Nothing is read through it (a FIFO would block the read forever)...
    const SettingsFile::Load load = settings.load();
    QCOMPARE(load.status, SettingsFile::LoadStatus::Failed);
    QCOMPARE(load.values, SettingsValues{});
    QVERIFY(!load.why.isEmpty());
    // ... nothing is written through it, and each writer says so.
    QCOMPARE(settings.storeAutoConnect(false).kind, SettingsWriteProblem::CannotWrite);
    QCOMPARE(settings.storeLanguageIndex(0).kind, SettingsWriteProblem::CannotWrite);
    QCOMPARE(settings.storeProfilePath(QStringLiteral("/x.hex1")).kind, SettingsWriteProblem::CannotWrite);
    QCOMPARE(readAll(target), original);
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("nothing"))));
}

void TestSettingsFile::aFolderThatIsASymlinkIsRefused()
{
    const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    const QByteArray original = fullFile("/p.hex1", 7, 3, 1);
    QVERIFY(writeAll(elsewhere + QStringLiteral("/1.dat"), original));
    QVERIFY(QFile::link(elsewhere, folder()));

    const SettingsFile settings(folder());
    QCOMPARE(settings.load().status, SettingsFile::LoadStatus::Failed);
    QCOMPARE(settings.storeAutoConnect(false).kind, SettingsWriteProblem::CannotWrite);
    QCOMPARE(readAll(elsewhere + QStringLiteral("/1.dat")), original);
}

void TestSettingsFile::decodesShortAndOddFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<SettingsValues>("expected");

    const QString p = QStringLiteral("/p.hex1");
    QTest::newRow("empty") << QByteArray() << values({}, {}, 0);
    QTest::newRow("length cut short") << QByteArray("\x07\x00\x00", 3) << values({}, {}, 0);
    QTest::newRow("path cut short") << (le32(7) + "/p.he") << values({}, {}, 0);
    QTest::newRow("only a path") << (le32(7) + "/p.hex1") << values(p, {}, 0);
    QTest::newRow("length 0") << fullFile("/p.hex1", 0, 2, 1) << values({}, 2, 1);
    QTest::newRow("shorter length than bytes") << fullFile("/p.hex1xyz", 7, 2, 1) << values(p, 2, 1);
    QTest::newRow("zero byte ends the path") << fullFile(QByteArray("/p.hex1\0zz", 10), 10, 2, 1) << values(p, 2, 1);
    QTest::newRow("196 bytes") << fullFile(QByteArray(196, 'a'), 196, 2, 1) << values(QString(196, 'a'), 2, 1);
    QTest::newRow("length 197 is no path") << fullFile(QByteArray(196, 'a'), 197, 2, 1) << values({}, 2, 1);
    QTest::newRow("negative length is no path") << fullFile("/p.hex1", -7, 2, 1) << values({}, 2, 1);
    QTest::newRow("huge length is no path") << fullFile("/p.hex1", 0x7FFFFFFF, 2, 1) << values({}, 2, 1);
    QTest::newRow("language without auto") << fullFile("/p.hex1", 7, -1, 1).left(204) << values(p, -1, 0);
    QTest::newRow("language cut short") << fullFile("/p.hex1", 7, -1, 1).left(203) << values(p, {}, 0);
    QTest::newRow("any non-zero auto byte") << fullFile("/p.hex1", 7, 0, '\xFF') << values(p, 0, 255);
    QTest::newRow("bytes after 205 are not read") << (fullFile("/p.hex1", 7, 0, 1) + "garbage") << values(p, 0, 1);
}

void TestSettingsFile::decodesShortAndOddFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(SettingsValues, expected);

    QCOMPARE(SettingsFile::decode(std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                            std::size_t(bytes.size()))),
             expected);

    // The same bytes on disk load the same way.
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeAll(file(), bytes));
    const SettingsFile::Load load = SettingsFile(folder()).load();
    QCOMPARE(load.status, SettingsFile::LoadStatus::Read);
    QCOMPARE(load.values, expected);
}

void TestSettingsFile::randomFilesGiveSaneValues()
{
    QRandomGenerator random(20260110);
    for (int i = 0; i < 20000; ++i) {
        QByteArray bytes(int(random.bounded(260)), '\0');
        for (char &b : bytes)
            b = char(random.bounded(256));
        // Often a plausible length, so the path branch is taken too.
        if (bytes.size() >= 4 && random.bounded(2))
            bytes.replace(0, 4, le32(std::int32_t(random.bounded(-2, 200))));
        const SettingsValues v = SettingsFile::decode(
            std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())));
        QVERIFY(v.profilePath.size() <= SettingsFile::kProfilePathCapacity);
        QVERIFY(!v.profilePath.contains(QChar(0)));
        QCOMPARE(v.languageIndex.has_value(), bytes.size() >= 204);
        if (bytes.size() < 205)
            QCOMPARE(v.autoConnect, std::uint8_t(0));
    }
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
