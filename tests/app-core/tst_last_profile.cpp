// Which remembered profile paths are reopened, and the line count read from
// the profile's header.

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
    void lineCountFromTheHeader_data();
    void lineCountFromTheHeader();
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
    QVERIFY(QFile::link(path("caps.hex1"), path("link.hex1")));
    QVERIFY(QFile::link(path("notes.txt"), path("text-link.hex1")));
    QCOMPARE(::mkfifo(QFile::encodeName(path("pipe.hex1")).constData(), 0600), 0);
    QVERIFY(QDir().mkpath(path("folder.hex1")));
}

void TestLastProfile::onlyRegularProfileFilesAreReopened_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("reopened");

    QTest::newRow("profile") << path("caps.hex1") << true;
    QTest::newRow("extension in capitals") << path("upper.HEX1") << true;
    QTest::newRow("deleted") << path("gone.hex1") << false;
    QTest::newRow("other extension") << path("notes.txt") << false;
    QTest::newRow("symlink to a profile") << path("link.hex1") << false;
    QTest::newRow("symlink to another file") << path("text-link.hex1") << false;
    QTest::newRow("fifo") << path("pipe.hex1") << false;
    QTest::newRow("folder") << path("folder.hex1") << false;
    QTest::newRow("device") << QStringLiteral("/dev/null") << false;
    QTest::newRow("relative") << QStringLiteral("caps.hex1") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestLastProfile::onlyRegularProfileFilesAreReopened()
{
    QFETCH(QString, profile);
    QFETCH(bool, reopened);
    QCOMPARE(app::mayReopenProfile(profile), reopened);
}

void TestLastProfile::lineCountFromTheHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("hardLink");
    QTest::addColumn<std::optional<std::int32_t>>("count");

    QTest::newRow("three lines") << (le32(3) + QByteArray(96, '\0')) << false << std::optional<std::int32_t>(3);
    QTest::newRow("header only") << le32(0) << false << std::optional<std::int32_t>(0);
    QTest::newRow("too short") << QByteArray("\x03\x00", 2) << false << std::optional<std::int32_t>();
    QTest::newRow("negative") << le32(-1) << false << std::optional<std::int32_t>();
    QTest::newRow("more lines than the log holds") << le32(100000) << false << std::optional<std::int32_t>();
    QTest::newRow("hard link") << le32(3) << true << std::optional<std::int32_t>();
}

void TestLastProfile::lineCountFromTheHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, hardLink);
    QFETCH(std::optional<std::int32_t>, count);

    const QString profile = path("count.hex1");
    QFile::remove(profile);
    QFile::remove(path("second-name.hex1"));
    QVERIFY(writeAll(profile, bytes));
    if (hardLink)
        QCOMPARE(::link(QFile::encodeName(profile).constData(), QFile::encodeName(path("second-name.hex1")).constData()),
                 0);
    QCOMPARE(app::readProfileLineCount(profile), count);
}

void TestLastProfile::displayName()
{
    QCOMPARE(app::profileDisplayName(QStringLiteral("/home/u/resistors.hex1")), QStringLiteral(" resistors"));
    QCOMPARE(app::profileDisplayName(QStringLiteral("/p/Конденсаторы 5%.HEX1")), QStringLiteral(" Конденсаторы 5%"));
}

QTEST_GUILESS_MAIN(TestLastProfile)
#include "tst_last_profile.moc"
