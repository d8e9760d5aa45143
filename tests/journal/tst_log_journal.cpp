// The log journal on its own: records to bytes and back, journals cut short
// or damaged, random input, the files on disk and the writer over a table.

#include "journal/log_journal.h"
#include "files/locked_append_file.h"
#include "journal/log_journal_format.h"
#include "journal/log_journal_image.h"
#include "log/log_table_model.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>

using namespace logbook::journal;
using profiles::PartMode;

Q_DECLARE_METATYPE(logbook::journal::JournalRecord)
Q_DECLARE_METATYPE(profiles::PartMode)

namespace {

QDateTime at(int second, int offset = 3600)
{
    return QDateTime::fromMSecsSinceEpoch(1796900000000LL + second * 1013LL, Qt::OffsetFromUTC, offset);
}

reading::Reading readingOf(int i)
{
    reading::Reading r;
    r.time = at(i);
    r.settings.freqCode = std::uint8_t(i % 15);
    r.settings.capture = std::uint8_t(i % 2);
    r.reading.frequencyHz = 1000 + i;
    r.reading.seriesResistance = 0.3 + i * 1e-3;
    r.reading.seriesReactance = 3386.0 + i / 7.0;
    r.reading.parallelResistance = -0.0;
    r.reading.parallelReactance = std::numeric_limits<double>::quiet_NaN();
    r.quantities.capacitance = 4.7e-8 * (1.0 + i * 1e-5);
    r.quantities.phaseDegrees = -89.93 + i * 1e-4;
    r.primaryToleranceOn = i % 2;
    r.secondaryToleranceOn = i % 3 == 0;
    r.judged = i % 4 != 0;
    r.judgeResult = i % 4;
    r.primaryDeviation = -1.25 + i / 9.0;
    r.secondaryDeviation = 1e300;
    return r;
}

RowTexts texts(int i)
{
    RowTexts t;
    for (int c = 0; c < kColumns; ++c)
        t[c] = QStringLiteral("r%1 c%2 Ом µ").arg(i).arg(c);
    t[9].clear();
    return t;
}

RowRecord row(int i, bool added = true)
{
    return RowRecord{added, i, i % 4, texts(i), readingOf(i)};
}

JournalHeader header()
{
    return JournalHeader{kFormatVersion, QStringLiteral("vorlant 0.1.0"), at(0), QStringLiteral("Русский"),
                         PartMode::MultiPart};
}

ClearedRecord layout()
{
    ClearedRecord c;
    c.partMode = PartMode::MultiPart;
    c.tableRows = 4;
    for (int i = 0; i < kColumns; ++i)
        c.headers[i] = QStringLiteral("H%1").arg(i);
    c.rejectMark = QStringLiteral("+");
    c.passMark = QStringLiteral("-");
    c.rows.append({1, RowTexts{QStringLiteral("1"), QStringLiteral("R1")}});
    c.rows.append({3, RowTexts{QStringLiteral("3"), QStringLiteral("C7")}});
    return c;
}

// A journal: header, layout, rows 1..rows (single part); `starts` gets where each record begins.
QByteArray journalOf(int rows, QList<qint64> *starts = nullptr)
{
    QByteArray bytes = encodeJournalStart(header());
    ClearedRecord c = layout();
    c.partMode = PartMode::SinglePart;
    c.rows.clear();
    c.tableRows = 16;
    QList<JournalRecord> records{c};
    for (int i = 1; i <= rows; ++i)
        records.append(row(i));
    for (const JournalRecord &r : records) {
        if (starts)
            starts->append(bytes.size());
        bytes += encodeRecord(r);
    }
    return bytes;
}

QStringList cellsOf(const LogTableModel &model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int c = 0; c < kColumns; ++c)
            out << model.cell(r, c) + QStringLiteral("|%1").arg(int(model.cellMark(r, c)));
    }
    for (int c = 0; c < kColumns; ++c)
        out << model.headerText(c);
    return out;
}

int modeOf(const QString &path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

class TestLogJournal : public QObject
{
    Q_OBJECT

private slots:
    void everyRecordKindRoundTrips_data();
    void everyRecordKindRoundTrips();
    void aCutInTheLastRecordKeepsEveryEarlierRow();
    void aFlippedBitStopsAtItsRecord_data();
    void aFlippedBitStopsAtItsRecord();
    void notAJournal_data();
    void notAJournal();
    void randomBytesNeverCrashTheReader();
    void partModeBytesAreThoseOnDisk_data();
    void partModeBytesAreThoseOnDisk();

    void filesArePrivateAndLocked();
    void symlinksAreRefused();

    void theWriterMirrorsTheTable();
    void clearAndCloseDecideTheFilesFate();
    void anAdoptedJournalGoesOnAfterItsSoundPart();
    void failuresAreReportedOnceAndRetriedAfterClear();
};

void TestLogJournal::everyRecordKindRoundTrips_data()
{
    QTest::addColumn<JournalRecord>("record");
    QTest::newRow("cleared") << JournalRecord(layout());
    QTest::newRow("cleared, no rows") << JournalRecord(ClearedRecord{});
    QTest::newRow("row added") << JournalRecord(row(7));
    QTest::newRow("row written") << JournalRecord(row(100000, false));
    QTest::newRow("start position") << JournalRecord(StartPositionRecord{42});
    QTest::newRow("closed") << JournalRecord(ClosedRecord{at(9, -7200)});
}

void TestLogJournal::everyRecordKindRoundTrips()
{
    QFETCH(JournalRecord, record);
    const QByteArray bytes = encodeJournalStart(header()) + encodeRecord(record) + encodeRecord(record);
    const ReadResult result = readJournal(bytes);
    QCOMPARE(result.summary.status, ReadStatus::Complete);
    QCOMPARE(result.summary.goodBytes, bytes.size());
    QVERIFY(result.summary.header);
    QCOMPARE(*result.summary.header, header());
    QCOMPARE(result.summary.header->startTime.offsetFromUtc(), 3600);
    QCOMPARE(result.records.size(), 2);
    QVERIFY(result.records.at(0) == record);
    QVERIFY(result.records.at(1) == record);
}

void TestLogJournal::aCutInTheLastRecordKeepsEveryEarlierRow()
{
    QList<qint64> starts;
    const QByteArray whole = journalOf(6, &starts);
    const qint64 last = starts.constLast();
    for (qint64 cut = last; cut < whole.size(); ++cut) {
        const RestoredJournal restored = restoreJournal(QByteArrayView(whole).first(cut));
        QCOMPARE(restored.summary.status, cut == last ? ReadStatus::Complete : ReadStatus::Truncated);
        QCOMPARE(restored.summary.goodBytes, last);
        QCOMPARE(restored.image.readingRows, 5);
        for (int i = 1; i <= 5; ++i) {
            const LogImage::Row &r = restored.image.rows.at(std::size_t(i - 1));
            QVERIFY(r.reading && sameReading(*r.reading, readingOf(i)));
            QCOMPARE(r.texts, texts(i));
        }
        QVERIFY(!restored.image.rows.at(5).reading);
        QCOMPARE(restored.image.startPosition, 6);
    }
}

void TestLogJournal::aFlippedBitStopsAtItsRecord_data()
{
    QTest::addColumn<int>("offset"); // within record 4 (the third row)
    QTest::addColumn<int>("bit");
    QTest::newRow("length, low bit") << 0 << 0;
    QTest::newRow("length, high bit") << 3 << 7;
    QTest::newRow("kind") << 4 << 1;
    QTest::newRow("row number") << 5 << 4;
    QTest::newRow("a text") << 40 << 2;
    QTest::newRow("a value") << 300 << 6;
    QTest::newRow("check sum") << -1 << 5;
}

void TestLogJournal::aFlippedBitStopsAtItsRecord()
{
    QFETCH(int, offset);
    QFETCH(int, bit);
    QList<qint64> starts;
    QByteArray bytes = journalOf(6, &starts);
    const qint64 start = starts.at(3);
    const qint64 at = offset >= 0 ? start + offset : starts.at(4) + offset;
    bytes[at] = char(bytes.at(at) ^ (1 << bit));
    const RestoredJournal restored = restoreJournal(bytes);
    QVERIFY(restored.summary.status != ReadStatus::Complete);
    QCOMPARE(restored.summary.goodBytes, start);
    QCOMPARE(restored.summary.records, 3); // the layout and two rows
    QCOMPARE(restored.image.readingRows, 2);
    QVERIFY(!restored.summary.problem.isEmpty());
}

void TestLogJournal::notAJournal_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray start = encodeJournalStart(header());
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("signature only") << start.left(8);
    QTest::newRow("header cut") << start.left(start.size() - 1);
    QTest::newRow("other file") << QByteArray("VLJOURNX") + start.mid(8);
    QByteArray newer = start;
    newer[8 + 4 + 1] = 2; // format version 2
    QTest::newRow("newer format") << newer;
    QTest::newRow("row before header") << QByteArray("VLJOURNL") + encodeRecord(row(1));
}

void TestLogJournal::notAJournal()
{
    QFETCH(QByteArray, bytes);
    const RestoredJournal restored = restoreJournal(bytes);
    QCOMPARE(restored.summary.status, ReadStatus::NotAJournal);
    QCOMPARE(restored.image.readingRows, 0);
}

void TestLogJournal::randomBytesNeverCrashTheReader()
{
    std::mt19937 random(20261210);
    const QByteArray sound = journalOf(8) + encodeRecord(layout()) + encodeRecord(StartPositionRecord{9})
                             + encodeRecord(row(3, false)) + encodeRecord(ClosedRecord{at(5)});
    const QByteArray start = encodeJournalStart(header());
    for (int n = 0; n < 3000; ++n) {
        QByteArray bytes;
        switch (n % 3) {
        case 0: // noise after a sound start
            bytes = start;
            for (int i = int(random() % 600); i > 0; --i)
                bytes += char(random());
            break;
        case 1: // a sound journal with bytes changed
            bytes = sound;
            for (int i = int(random() % 8) + 1; i > 0; --i)
                bytes[int(random() % bytes.size())] = char(random());
            break;
        default: // a sound journal cut and with noise after
            bytes = sound.left(int(random() % sound.size()));
            for (int i = int(random() % 64); i > 0; --i)
                bytes += char(random());
            break;
        }
        const RestoredJournal restored = restoreJournal(bytes);
        QVERIFY(restored.summary.goodBytes <= bytes.size());
        QVERIFY(restored.image.readingRows <= restored.summary.records);
        QCOMPARE(restored.image.rows.size(), std::size_t(restored.image.tableRows - 1));
    }
}

void TestLogJournal::partModeBytesAreThoseOnDisk_data()
{
    QTest::addColumn<PartMode>("mode");
    QTest::addColumn<char>("byte");
    QTest::newRow("single part") << PartMode::SinglePart << '\0';
    QTest::newRow("multi part") << PartMode::MultiPart << '\1';
}

void TestLogJournal::partModeBytesAreThoseOnDisk()
{
    QFETCH(PartMode, mode);
    QFETCH(char, byte);

    // Journals already on disk hold these bytes: the header's last field
    // (before the CRC) and the cleared record's first after its kind.
    JournalHeader h = header();
    h.partMode = mode;
    const QByteArray start = encodeJournalStart(h);
    QCOMPARE(start.at(start.size() - 5), byte);
    ClearedRecord c = layout();
    c.partMode = mode;
    QCOMPARE(encodeRecord(c).at(5), byte);
}

void TestLogJournal::filesArePrivateAndLocked()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("state/vorlant/journal"));
    QString error;
    files::LockedAppendFile file = files::LockedAppendFile::create(folder, encodeJournalStart(header()), &error);
    QVERIFY2(file.isOpen(), qPrintable(error));
    QCOMPARE(modeOf(folder), 0700);
    QCOMPARE(modeOf(dir.filePath(QStringLiteral("state/vorlant"))), 0700);
    QCOMPARE(modeOf(file.path()), 0600);
    QCOMPARE(files::journalPaths(folder), QStringList{file.path()});

    files::LockedAppendFile other;
    QCOMPARE(files::LockedAppendFile::claim(file.path(), &other, &error), files::LockedAppendFile::Claim::Busy);
    const QString path = file.path();
    file.close();
    QCOMPARE(files::LockedAppendFile::claim(path, &other, &error), files::LockedAppendFile::Claim::Taken);
    const std::optional<QByteArray> bytes = other.readAll(&error);
    QVERIFY(bytes);
    QCOMPARE(*bytes, encodeJournalStart(header()));
}

void TestLogJournal::symlinksAreRefused()
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.vlj"));
    QFile f(real);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(journalOf(1));
    f.close();
    const QString link = dir.filePath(QStringLiteral("link.vlj"));
    QVERIFY(QFile::link(real, link));
    files::LockedAppendFile file;
    QString error;
    QCOMPARE(files::LockedAppendFile::claim(link, &file, &error), files::LockedAppendFile::Claim::Failed);
    QVERIFY(!file.isOpen());

    // A journal folder that is a symlink is not used either.
    const QString folder = dir.filePath(QStringLiteral("journal"));
    QVERIFY(QFile::link(dir.path(), folder));
    QVERIFY(!files::ensurePrivateFolder(folder, &error));
    QVERIFY(!files::LockedAppendFile::create(folder, encodeJournalStart(header()), &error).isOpen());
}

// A table and a writer over it, the way the window uses them.
struct Writer
{
    explicit Writer(const QString &folder)
        : journal(&model, folder,
                  {[] { return header(); }, [this] { return mode; }, [this] { return position; }})
    {
        model.setRowCount(15);
        for (int c = 0; c < kColumns; ++c)
            model.setHeaderText(c, QStringLiteral("H%1").arg(c));
    }

    // Writes row `r` as the log controller does, then tells the journal.
    void write(int r, bool added = true)
    {
        if (model.rowCount() < r)
            model.setRowCount(r);
        LogTableModel::Cells cells;
        const RowTexts t = texts(r);
        for (int c = 0; c < 9; ++c)
            cells[c] = t[c];
        model.setLatestJudgeResult(r % 4);
        model.writeRow(r - 1, cells, readingOf(r));
        if (added)
            position = r + 1;
        journal.rowWritten(r, added);
    }

    LogTableModel model;
    PartMode mode = PartMode::SinglePart;
    int position = 1;
    LogJournal journal;
};

RestoredJournal restoreFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? restoreJournal(f.readAll()) : RestoredJournal{};
}

void TestLogJournal::theWriterMirrorsTheTable()
{
    QTemporaryDir dir;
    Writer w(dir.path());
    w.write(1);
    QVERIFY(w.journal.isOpen());
    w.write(2);
    w.position = 40;
    w.journal.startPositionSet(40);
    w.write(40);
    // A layout change between rows: names written into cells, new headers.
    w.model.setCell(2, 1, QStringLiteral("R7"));
    w.model.setHeaderText(3, QStringLiteral("other"));
    w.model.setMarks(QStringLiteral("x"), QStringLiteral("o"));
    w.write(5, false);
    w.model.setLatestJudgeResult(3);
    w.journal.sync();

    const RestoredJournal restored = restoreFile(w.journal.path());
    QCOMPARE(restored.summary.status, ReadStatus::Complete);
    QCOMPARE(restored.image.readingRows, 4);
    QCOMPARE(restored.image.startPosition, 41);
    LogTableModel copy;
    applyLogImage(copy, restored.image);
    copy.setLatestJudgeResult(w.model.latestJudgeResult() == 3 ? 1 : 0); // the journal knows the verdict of row 5
    w.model.setLatestJudgeResult(1);
    QCOMPARE(cellsOf(copy), cellsOf(w.model));
    for (int r = 0; r < w.model.rowCount(); ++r) {
        QCOMPARE(bool(copy.reading(r)), bool(w.model.reading(r)));
        if (copy.reading(r))
            QVERIFY(sameReading(*copy.reading(r), *w.model.reading(r)));
    }
}

void TestLogJournal::clearAndCloseDecideTheFilesFate()
{
    QTemporaryDir dir;
    {
        Writer w(dir.path());
        w.write(1);
        const QString first = w.journal.path();
        w.journal.clear();
        QVERIFY(!QFile::exists(first));
        QVERIFY(!w.journal.isOpen());
        w.model.clearCells();
        w.write(1);
        w.model.clearCells();
        // The log is empty at the close: nothing to keep.
        const QString second = w.journal.path();
        w.journal.closeNormally();
        QVERIFY(!QFile::exists(second));
    }
    Writer w(dir.path());
    w.write(1);
    w.write(2);
    const QString path = w.journal.path();
    w.journal.closeNormally();
    QVERIFY(QFile::exists(path));
    const RestoredJournal restored = restoreFile(path);
    QCOMPARE(restored.summary.status, ReadStatus::Complete);
    QVERIFY(restored.image.closed);
    QCOMPARE(restored.image.readingRows, 2);
}

void TestLogJournal::anAdoptedJournalGoesOnAfterItsSoundPart()
{
    QTemporaryDir dir;
    QString path;
    {
        Writer w(dir.path());
        w.write(1);
        w.write(2);
        path = w.journal.path();
        w.journal.sync();
    }
    // A torn record at the end, as a power cut may leave it.
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        f.write(encodeRecord(row(3)).left(20));
    }
    files::LockedAppendFile file;
    QString error;
    QCOMPARE(files::LockedAppendFile::claim(path, &file, &error), files::LockedAppendFile::Claim::Taken);
    const RestoredJournal restored = restoreJournal(*file.readAll(&error));
    QCOMPARE(restored.summary.status, ReadStatus::Truncated);

    Writer w(dir.path());
    applyLogImage(w.model, restored.image);
    w.position = restored.image.startPosition;
    w.journal.adopt(std::move(file), restored.summary.goodBytes, restored.image.startPosition);
    w.write(3);
    w.journal.sync();
    QCOMPARE(w.journal.path(), path);
    const RestoredJournal again = restoreFile(path);
    QCOMPARE(again.summary.status, ReadStatus::Complete);
    QCOMPARE(again.image.readingRows, 3);
    QCOMPARE(again.image.startPosition, 4);
}

void TestLogJournal::failuresAreReportedOnceAndRetriedAfterClear()
{
    QTemporaryDir dir;
    // A file where the folder should be: the folder cannot be made.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QFile f(blocked);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    {
        Writer w(blocked + QStringLiteral("/journal"));
        QSignalSpy failed(&w.journal, &LogJournal::failed);
        w.write(1);
        w.write(2);
        QCOMPARE(failed.size(), 1);
        QVERIFY(w.journal.hasFailed());
        QCOMPARE(w.model.rowCount(), 15); // the table goes on
        QVERIFY(QFile::remove(blocked));
        w.journal.clear();
        w.write(3);
        QCOMPARE(failed.size(), 1);
        QVERIFY(w.journal.isOpen());
    }

    // A full disk: writes beyond a size limit fail as they would on a full disk.
    Writer w(dir.filePath(QStringLiteral("full")));
    QSignalSpy failed(&w.journal, &LogJournal::failed);
    w.write(1);
    QVERIFY(w.journal.isOpen());
    const qint64 size = QFileInfo(w.journal.path()).size();
    struct rlimit old{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old;
    limit.rlim_cur = rlim_t(size + 100);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    for (int r = 2; r < 6; ++r)
        w.write(r);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(w.model.rowCount(), 15);
    // What reached the file is sound: no half record behind the last whole one.
    const RestoredJournal restored = restoreFile(w.journal.path());
    QCOMPARE(restored.summary.status, ReadStatus::Complete);
    QCOMPARE(restored.image.readingRows, 1);
}

QTEST_GUILESS_MAIN(TestLogJournal)
#include "tst_log_journal.moc"
