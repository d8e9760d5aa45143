// Which remembered profile paths are reopened, and with how many lines.

#include "app/last_profile.h"

#include "file_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>


class TestLastProfile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void onlyRegularProfileFilesAreReopened_data();
    void onlyRegularProfileFilesAreReopened();
    void displayName();

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

void TestLastProfile::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(writeAll(path("caps.hex1"), le32(3) + QByteArray(96 + 3 * 72, '\0')));
    QVERIFY(writeAll(path("upper.HEX1"), le32(1) + QByteArray(96 + 72, '\0')));
    QVERIFY(writeAll(path("notes.txt"), "not a profile"));
    QVERIFY(writeAll(path("header-only.hex1"), le32(0)));
    QVERIFY(writeAll(path("short.hex1"), QByteArray("\x03\x00", 2)));
    QVERIFY(writeAll(path("negative.hex1"), le32(-1) + QByteArray(96 + 72, '\0')));
    QVERIFY(writeAll(path("huge.hex1"), le32(100000) + QByteArray(96 + 72, '\0')));
    QVERIFY(writeAll(path("beyond.hex1"), le32(5) + QByteArray(96 + 2 * 72, '\0')));
    QVERIFY(QFile::link(path("caps.hex1"), path("link.hex1")));
    QVERIFY(QFile::link(path("notes.txt"), path("text-link.hex1")));
    QCOMPARE(::mkfifo(QFile::encodeName(path("pipe.hex1")).constData(), 0600), 0);
    QVERIFY(QDir().mkpath(path("folder.hex1")));
}

void TestLastProfile::onlyRegularProfileFilesAreReopened_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<std::optional<std::int32_t>>("lines"); // nullopt: not reopened

    const std::optional<std::int32_t> no;
    QTest::newRow("profile") << path("caps.hex1") << std::optional<std::int32_t>(3);
    QTest::newRow("extension in capitals") << path("upper.HEX1") << std::optional<std::int32_t>(1);
    QTest::newRow("header only") << path("header-only.hex1") << std::optional<std::int32_t>(0);
    QTest::newRow("count beyond the end: the whole lines")
        << path("beyond.hex1") << std::optional<std::int32_t>(2);
    QTest::newRow("deleted") << path("gone.hex1") << no;
    QTest::newRow("other extension") << path("notes.txt") << no;
    QTest::newRow("symlink to a profile") << path("link.hex1") << no;
    QTest::newRow("symlink to another file") << path("text-link.hex1") << no;
    QTest::newRow("fifo") << path("pipe.hex1") << no;
    QTest::newRow("folder") << path("folder.hex1") << no;
    QTest::newRow("device") << QStringLiteral("/dev/null") << no;
    QTest::newRow("relative") << QStringLiteral("caps.hex1") << no;
    QTest::newRow("empty") << QString() << no;
    QTest::newRow("too short") << path("short.hex1") << no;
    QTest::newRow("negative count") << path("negative.hex1") << no;
    QTest::newRow("more lines than the log holds") << path("huge.hex1") << no;
}

void TestLastProfile::onlyRegularProfileFilesAreReopened()
{
    QFETCH(QString, profile);
    QFETCH(std::optional<std::int32_t>, lines);
    QCOMPARE(app::reopenableLineCount(profile), lines);
}

void TestLastProfile::displayName()
{
    QCOMPARE(app::profileDisplayName(QStringLiteral("/home/u/resistors.hex1")), QStringLiteral(" resistors"));
    QCOMPARE(app::profileDisplayName(QStringLiteral("/p/Конденсаторы 5%.HEX1")), QStringLiteral(" Конденсаторы 5%"));
}

QTEST_GUILESS_MAIN(TestLastProfile)
#include "tst_last_profile.moc"
