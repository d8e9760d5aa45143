#include "file_size_limit.h"
#include "golden.h"

#include "files/file_replacement.h"
#include "profiles/profile_file.h"
#include "profiles/profile_messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

using namespace profiles;

namespace {

QByteArray header(std::int32_t count)
{
    QByteArray bytes(100, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(std::uint32_t(count) >> (8 * i));
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

ProfileLine namedLine(const char *name)
{
    ProfileLine line = goldenLine(1);
    line.lineName = QString::fromUtf8(name);
    return line;
}

// What a folder holds besides the given names (left-over temporary files).
QStringList strayFiles(const QString &folder, const QStringList &expected)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : expected)
        names.removeAll(name);
    return names;
}

} // namespace

class TestProfileFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void readsTheGoldenProfile();
    void createWritesHeaderAndLineOne();
    void createReplacesAnExistingFile();
    void recordInPlaceAndAppend();
    void insertMovesLinesTowardsTheEnd();
    void deleteKeepsTheFileLength();
    void deleteOfTheOnlyLineAndOfNothing();
    void lineNumbersOutsideTheProfileAreRefused();
    void copyIsByteForByte();
    void badFiles_data();
    void badFiles();
    void symlinkLoopAndDirectoryRefusedForWriting();
    void countBeyondTheEndOffersOnlyWholeLines();
    void failedWriteLeavesTheProfileWhole();
    void permissionsAreKept();
    void aProfileSwappedForASymlinkIsRefused();
    void aSwapDuringTheWriteIsRefused();
    void randomBytes();

private:
    std::unique_ptr<QTemporaryDir> m_folder; // a fresh one for every test
    QString m_path;
};

void TestProfileFile::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_path = m_folder->filePath(QStringLiteral("parts.hex1"));
}

void TestProfileFile::readsTheGoldenProfile()
{
    writeAll(m_path, goldenBytes("three_lines.hex1"));
    const ProfileRead read = readProfile(m_path);
    QVERIFY(read.contents);
    QVERIFY(!read.problem);
    QCOMPARE(read.contents->lineCount, 3);
    QCOMPARE(read.contents->storedCount, 3);
    QCOMPARE(read.contents->line(2), goldenLine(2));
    QCOMPARE(read.contents->line(4), ProfileLine()); // never beyond the count
}

void TestProfileFile::createWritesHeaderAndLineOne()
{
    QVERIFY(!createProfileFile(m_path, goldenLine(1)));
    const QByteArray bytes = readAll(m_path);
    QCOMPARE(bytes.size(), 172);
    QCOMPARE(bytes.left(100), header(1));
    QCOMPARE(lineSlice(bytes, 1), lineSlice(goldenBytes("three_lines.hex1"), 1));
    QCOMPARE(strayFiles(m_folder->path(), {"parts.hex1"}), QStringList());
}

void TestProfileFile::createReplacesAnExistingFile()
{
    writeAll(m_path, goldenBytes("three_lines.hex1") + QByteArray(500, 'x'));
    QVERIFY(!createProfileFile(m_path, decodeLine(lineSlice(goldenBytes("one_line.hex1"), 1))));
    QCOMPARE(readAll(m_path), goldenBytes("one_line.hex1"));
}

void TestProfileFile::recordInPlaceAndAppend()
{
    const QByteArray three = goldenBytes("three_lines.hex1");
    writeAll(m_path, three);
    const ProfileLine x = namedLine("X");

    ProfileChange change = recordProfileLine(m_path, 2, x);
    QVERIFY(!change.problem);
    QCOMPARE(change.lineCount, 3);
    QCOMPARE(readAll(m_path), three.left(172) + lineBytes(x) + lineSlice(three, 3));

    change = recordProfileLine(m_path, 4, x);
    QVERIFY(!change.problem);
    QCOMPARE(change.lineCount, 4);
    QCOMPARE(readAll(m_path), header(4) + lineSlice(three, 1) + lineBytes(x) + lineSlice(three, 3) + lineBytes(x));
}

void TestProfileFile::insertMovesLinesTowardsTheEnd()
{
    const QByteArray three = goldenBytes("three_lines.hex1");
    writeAll(m_path, three);
    const ProfileLine x = namedLine("X");

    const ProfileChange change = insertProfileLine(m_path, 2, x);
    QVERIFY(!change.problem);
    QCOMPARE(change.lineCount, 4);
    QCOMPARE(readAll(m_path),
             header(4) + lineSlice(three, 1) + lineBytes(x) + lineSlice(three, 2) + lineSlice(three, 3));

    // At count + 1 nothing moves: the line is appended.
    QCOMPARE(insertProfileLine(m_path, 5, namedLine("Y")).lineCount, 5);
    QCOMPARE(readProfile(m_path).contents->line(5).lineName, QStringLiteral("Y"));
    QCOMPARE(readProfile(m_path).contents->line(4), goldenLine(3));
}

void TestProfileFile::deleteKeepsTheFileLength()
{
    const QByteArray three = goldenBytes("three_lines.hex1");
    writeAll(m_path, three);

    ProfileChange change = deleteProfileLine(m_path, 2);
    QVERIFY(!change.problem);
    QCOMPARE(change.lineCount, 2);
    // Lines 1 and 3 remain; the former last line stays after them.
    QCOMPARE(readAll(m_path), header(2) + lineSlice(three, 1) + lineSlice(three, 3) + lineSlice(three, 3));

    // A later insert writes over the stale tail.
    change = insertProfileLine(m_path, 1, namedLine("X"));
    QCOMPARE(change.lineCount, 3);
    QCOMPARE(readAll(m_path), header(3) + lineBytes(namedLine("X")) + lineSlice(three, 1) + lineSlice(three, 3));

    // At count + 1 the last line goes.
    change = deleteProfileLine(m_path, 4);
    QCOMPARE(change.lineCount, 2);
    QCOMPARE(readAll(m_path).size(), three.size());
    QCOMPARE(readProfile(m_path).contents->line(2), goldenLine(1));
}

void TestProfileFile::deleteOfTheOnlyLineAndOfNothing()
{
    writeAll(m_path, goldenBytes("one_line.hex1"));
    QCOMPARE(deleteProfileLine(m_path, 1).lineCount, 0);
    QCOMPARE(readAll(m_path), header(0) + lineSlice(goldenBytes("one_line.hex1"), 1));
    const QFileInfo before(m_path);
    // With no lines there is nothing to delete and nothing is written.
    const ProfileChange nothing = deleteProfileLine(m_path, 1);
    QVERIFY(!nothing.problem);
    QCOMPARE(nothing.lineCount, 0);
    QCOMPARE(QFileInfo(m_path).lastModified(), before.lastModified());
    // "Запись" at line 1 then makes a new first line.
    QCOMPARE(recordProfileLine(m_path, 1, namedLine("N")).lineCount, 1);
    QCOMPARE(readProfile(m_path).contents->line(1).lineName, QStringLiteral("N"));
}

void TestProfileFile::lineNumbersOutsideTheProfileAreRefused()
{
    const QByteArray three = goldenBytes("three_lines.hex1");
    writeAll(m_path, three);
    for (int k : {0, -1, 5, 1000}) {
        for (const ProfileChange &change : {recordProfileLine(m_path, k, namedLine("X")),
                                            insertProfileLine(m_path, k, namedLine("X")),
                                            deleteProfileLine(m_path, k)}) {
            QCOMPARE(change.problem.kind, ProfileProblem::NoSuchLine);
            QCOMPARE(change.lineCount, 3);
        }
    }
    QCOMPARE(readAll(m_path), three);
    const QString message = describeProblem(recordProfileLine(m_path, 7, namedLine("X")).problem, profileMessages());
    QVERIFY2(message.contains(QLatin1String("7")) && message.contains(m_path), qPrintable(message));
}

void TestProfileFile::copyIsByteForByte()
{
    // Even a tail after the counted lines goes along.
    const QByteArray bytes = goldenBytes("three_lines.hex1") + QByteArray("tail");
    writeAll(m_path, bytes);
    const QString copy = m_folder->filePath(QStringLiteral("copy.hex1"));
    QVERIFY(!copyProfileFile(m_path, copy));
    QCOMPARE(readAll(copy), bytes);
    QCOMPARE(copyProfileFile(m_folder->filePath(QStringLiteral("none.hex1")), copy).kind, ProfileProblem::CannotOpen);
    QCOMPARE(readAll(copy), bytes);
}

void TestProfileFile::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("problem");
    QTest::addColumn<int>("lines"); // -1: refused

    const QByteArray three = goldenBytes("three_lines.hex1");
    QTest::newRow("empty file") << QByteArray() << int(ProfileProblem::TooShort) << -1;
    QTest::newRow("three bytes") << QByteArray("\x01\x00\x00", 3) << int(ProfileProblem::TooShort) << -1;
    QTest::newRow("negative count") << header(-1) + lineSlice(three, 1) << int(ProfileProblem::NegativeCount) << -1;
    QTest::newRow("most negative count") << header(INT32_MIN) << int(ProfileProblem::NegativeCount) << -1;
    QTest::newRow("count beyond the end") << header(9) + three.mid(100) << int(ProfileProblem::CountBeyondEnd) << 3;
    QTest::newRow("huge count") << header(INT32_MAX) + three.mid(100) << int(ProfileProblem::CountBeyondEnd) << 3;
    QTest::newRow("truncated last line") << three.left(three.size() - 1) << int(ProfileProblem::CountBeyondEnd)
                                         << 2;
    QTest::newRow("header cut short") << header(1).left(60) << int(ProfileProblem::CountBeyondEnd) << 0;
    QTest::newRow("count 0, header only") << header(0) << int(ProfileProblem::None) << 0;
}

void TestProfileFile::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, problem);
    QFETCH(int, lines);
    writeAll(m_path, bytes);

    const ProfileRead read = readProfile(m_path);
    QCOMPARE(int(read.problem.kind), problem);
    QCOMPARE(read.contents.has_value(), lines >= 0);
    if (read.contents) {
        QCOMPARE(read.contents->lineCount, lines);
        QCOMPARE(read.contents->line(lines + 1), ProfileLine());
    }
    if (problem != ProfileProblem::None) {
        const QString message = describeProblem(read.problem, profileMessages());
        QVERIFY2(message.contains(m_path), qPrintable(message));
    }
    // Nothing the reader refuses is changed either.
    if (lines < 0) {
        QCOMPARE(recordProfileLine(m_path, 1, namedLine("X")).problem.kind, read.problem.kind);
        QCOMPARE(readAll(m_path), bytes);
    }
}

void TestProfileFile::symlinkLoopAndDirectoryRefusedForWriting()
{
    const QString loop = m_folder->filePath(QStringLiteral("loop.hex1"));
    const QString other = m_folder->filePath(QStringLiteral("other.hex1"));
    QVERIFY(QFile::link(other, loop));
    QVERIFY(QFile::link(loop, other));
    const QString folder = m_folder->filePath(QStringLiteral("folder.hex1"));
    QVERIFY(QDir().mkdir(folder));
    const QString fifo = m_folder->filePath(QStringLiteral("fifo.hex1"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const i18n::TDesignedLexicon messages = profileMessages();
    for (const QString &path : {loop, folder, fifo, QString()}) {
        const ProfileRead read = readProfile(path);
        QVERIFY2(!read.contents, qPrintable(path));
        QVERIFY(read.problem.kind == ProfileProblem::CannotOpen || read.problem.kind == ProfileProblem::NotRegularFile);
        QVERIFY(!describeProblem(read.problem, messages).isEmpty());
        QVERIFY(createProfileFile(path, namedLine("X")));
        QVERIFY(recordProfileLine(path, 1, namedLine("X")).problem);
        QVERIFY(copyProfileFile(path, m_path));
    }
    QCOMPARE(readProfile(loop).problem.systemMessage, QStringLiteral("It is a symbolic link."));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QFileInfo(loop).isSymLink());
    writeAll(m_path, goldenBytes("one_line.hex1"));
    QCOMPARE(copyProfileFile(m_path, folder).kind, ProfileProblem::CannotOpen);
    QCOMPARE(strayFiles(m_folder->path(), {"loop.hex1", "other.hex1", "fifo.hex1", "parts.hex1"}), QStringList());
}

void TestProfileFile::countBeyondTheEndOffersOnlyWholeLines()
{
    const QByteArray three = goldenBytes("three_lines.hex1");
    writeAll(m_path, header(10) + three.mid(100));
    const ProfileRead read = readProfile(m_path);
    QCOMPARE(read.problem.storedCount, 10);
    QCOMPARE(read.problem.wholeLines, 3);
    QVERIFY(describeProblem(read.problem, profileMessages()).contains(QLatin1String("10")));
    // A change writes the count of the lines that are really there.
    const ProfileChange change = recordProfileLine(m_path, 4, namedLine("X"));
    QCOMPARE(change.lineCount, 4);
    const ProfileRead after = readProfile(m_path);
    QVERIFY(!after.problem);
    QCOMPARE(after.contents->storedCount, 4);
}

void TestProfileFile::failedWriteLeavesTheProfileWhole()
{
    const QByteArray three = goldenBytes("three_lines.hex1");
    writeAll(m_path, three);

    // The system refuses files over 200 bytes from here on: the new contents
    // (388 bytes) cannot be written whole.
    ProfileChange change;
    {
        const FileSizeLimit full(200);
        QVERIFY(full.active());
        change = insertProfileLine(m_path, 2, namedLine("X"));
    }

    QCOMPARE(change.problem.kind, ProfileProblem::WriteFailed);
    QCOMPARE(change.lineCount, 3);
    QCOMPARE(readAll(m_path), three);
    QCOMPARE(readProfile(m_path).contents->line(3), goldenLine(3));
    QCOMPARE(strayFiles(m_folder->path(), {"parts.hex1"}), QStringList());
    const QString message = describeProblem(change.problem, profileMessages());
    QVERIFY2(message.contains(QString::fromLocal8Bit(strerror(EFBIG))), qPrintable(message));
}

void TestProfileFile::permissionsAreKept()
{
    writeAll(m_path, goldenBytes("three_lines.hex1"));
    QCOMPARE(::chmod(QFile::encodeName(m_path).constData(), 0640), 0);
    QVERIFY(!recordProfileLine(m_path, 1, namedLine("X")).problem);
    QCOMPARE(readProfile(m_path).contents->line(1).lineName, QStringLiteral("X"));
    struct stat st{};
    QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QCOMPARE(strayFiles(m_folder->path(), {"parts.hex1"}), QStringList());
}

// The remembered path lies in a file every user can write: someone stores the
// path of a plain profile in a folder of theirs, then swaps that file for a
// symlink to a file of the victim. Nothing the victim does with "the profile"
// may then read or change the victim's file.
void TestProfileFile::aProfileSwappedForASymlinkIsRefused()
{
    QTemporaryDir victimFolder;
    const QString victim = victimFolder.filePath(QStringLiteral("victim.hex1"));
    const QByteArray victimBytes = goldenBytes("three_lines.hex1");
    writeAll(victim, victimBytes);

    writeAll(m_path, goldenBytes("one_line.hex1"));
    QVERIFY(readProfile(m_path).contents);
    QVERIFY(QFile::remove(m_path));
    QVERIFY(QFile::link(victim, m_path));

    const ProfileRead read = readProfile(m_path);
    QVERIFY(!read.contents);
    QCOMPARE(read.problem.kind, ProfileProblem::CannotOpen);
    QVERIFY(!readProfile(m_path, ProfileAccess::ReadOnly).contents);
    QVERIFY(recordProfileLine(m_path, 1, namedLine("X")).problem);
    QVERIFY(insertProfileLine(m_path, 1, namedLine("X")).problem);
    QVERIFY(deleteProfileLine(m_path, 1).problem);
    QVERIFY(createProfileFile(m_path, namedLine("X")));
    const QString source = m_folder->filePath(QStringLiteral("source.hex1"));
    writeAll(source, goldenBytes("one_line.hex1"));
    QVERIFY(copyProfileFile(m_path, m_folder->filePath(QStringLiteral("copy.hex1"))));
    QVERIFY(copyProfileFile(source, m_path));

    QCOMPARE(readAll(victim), victimBytes);
    QVERIFY(QFileInfo(m_path).isSymLink());
    QCOMPARE(strayFiles(victimFolder.path(), {"victim.hex1"}), QStringList());
}

// The same swap while a change is being written: the rename must not land on
// a symlink that appeared after the checks.
void TestProfileFile::aSwapDuringTheWriteIsRefused()
{
    QTemporaryDir victimFolder;
    const QString victim = victimFolder.filePath(QStringLiteral("victim.hex1"));
    const QByteArray victimBytes = goldenBytes("three_lines.hex1");
    writeAll(victim, victimBytes);
    writeAll(m_path, goldenBytes("one_line.hex1"));

    files::FileReplacement file(m_path, {false, true});
    QVERIFY(file.open());
    QVERIFY(file.write(goldenBytes("one_line.hex1")));
    QVERIFY(QFile::remove(m_path));
    QVERIFY(QFile::link(victim, m_path));
    QVERIFY(!file.commit());
    QCOMPARE(file.refusal(), files::FileReplacement::Refusal::CannotOpen);

    QCOMPARE(readAll(victim), victimBytes);
    QVERIFY(QFileInfo(m_path).isSymLink());
    QCOMPARE(strayFiles(m_folder->path(), {"parts.hex1"}), QStringList());
}

void TestProfileFile::randomBytes()
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 700);
    std::uniform_int_distribution<int> smallCount(-2, 12);
    for (int round = 0; round < 1500; ++round) {
        QByteArray bytes(length(random), '\0');
        for (char &b : bytes)
            b = char(byte(random));
        // Half of the files carry a plausible count, so lines get decoded.
        if (round % 2 == 0 && bytes.size() >= 4) {
            const std::int32_t count = smallCount(random);
            for (int i = 0; i < 4; ++i)
                bytes[i] = char(std::uint32_t(count) >> (8 * i));
        }
        writeAll(m_path, bytes);

        const ProfileRead read = readProfile(m_path);
        if (!read.contents)
            continue;
        const ProfileContents &contents = *read.contents;
        const qint64 whole = bytes.size() < 100 ? 0 : (bytes.size() - 100) / 72;
        QVERIFY(contents.lineCount >= 0);
        QVERIFY(contents.lineCount <= whole);
        QVERIFY(contents.lineCount <= contents.storedCount);
        for (int k = 1; k <= contents.lineCount; ++k) {
            const ProfileLine line = contents.line(k);
            QCOMPARE(line, decodeLine(bytes.mid(100 + 72 * (k - 1), 72)));
            QVERIFY(line.lineName.size() <= 10 && line.primaryTolerance.size() <= 5
                    && line.secondaryNominal.size() <= 10);
            QCOMPARE(decodeLine(lineBytes(line)), line);
        }
        QVERIFY(contents.line(contents.lineCount + 1) == ProfileLine());

        // Changes work from the lines that are there.
        if (round % 7 == 0) {
            const ProfileChange change = insertProfileLine(m_path, 1, namedLine("X"));
            QVERIFY(!change.problem);
            QCOMPARE(change.lineCount, contents.lineCount + 1);
            const ProfileRead after = readProfile(m_path);
            QVERIFY(!after.problem);
            QCOMPARE(after.contents->line(1).lineName, QStringLiteral("X"));
            if (contents.lineCount > 0)
                QCOMPARE(after.contents->line(contents.lineCount + 1), contents.line(contents.lineCount));
        }
    }
}

QTEST_APPLESS_MAIN(TestProfileFile)
#include "tst_profile_file.moc"
