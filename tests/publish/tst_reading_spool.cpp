// The MQTT spool on disk: what survives a restart, a record cut short by a
// crash, a damaged record, the bound, and settled files removed.

#include "file_bytes.h"

#include "publish/reading_spool.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using publish::ReadingSpool;

namespace {

QByteArray payloadOf(std::uint64_t seq, int size = 20)
{
    QByteArray p = "{\"seq\":" + QByteArray::number(qulonglong(seq)) + "}";
    return p.leftJustified(size, ' ');
}

QList<std::uint64_t> pendingSeqs(const ReadingSpool &spool)
{
    QList<std::uint64_t> seqs;
    for (const ReadingSpool::Entry &e : spool.pending())
        seqs << e.seq;
    return seqs;
}

} // namespace

class TestReadingSpool : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void restartKeepsPendingAndSeq();
    void acknowledgementsOutOfOrder();
    void brokenTail_data();
    void brokenTail();
    void boundDropsTheOldest();
    void settledFilesAreRemoved();
    void damagedOlderFileSparesTheNewer();
    void secondProgramIsRefused();

private:
    std::unique_ptr<ReadingSpool> open(std::uint64_t max = ReadingSpool::kDefaultMaxPending,
                                       qint64 segmentBytes = ReadingSpool::kSegmentBytes)
    {
        auto spool = std::make_unique<ReadingSpool>(segmentBytes);
        QString error;
        if (!spool->open(m_folder, QStringLiteral("st1"), max, &error)) {
            qWarning() << error;
            return nullptr;
        }
        return spool;
    }
    void appendAll(ReadingSpool &spool, int n, int size = 20)
    {
        for (int i = 0; i < n; ++i) {
            QString error;
            QVERIFY2(spool.append(payloadOf(spool.nextSeq(), size), &error), qPrintable(error));
        }
    }
    QString path(int segment = 1) const
    {
        return m_folder + QStringLiteral("/st1.%1.spool").arg(segment, 12, 10, QLatin1Char('0'));
    }
    QStringList spoolFiles() const { return QDir(m_folder).entryList({QStringLiteral("st1.*.spool")}); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void TestReadingSpool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(QStringLiteral("state/vorlant/spool"));
}

void TestReadingSpool::restartKeepsPendingAndSeq()
{
    auto spool = open();
    QVERIFY(spool);
    QCOMPARE(spool->nextSeq(), 1u);
    appendAll(*spool, 5);
    QString error;
    for (std::uint64_t seq : {1, 2, 3})
        QVERIFY(spool->acknowledge(seq, &error));
    spool.reset();

    spool = open();
    QVERIFY(spool);
    QCOMPARE(pendingSeqs(*spool), (QList<std::uint64_t>{4, 5}));
    QCOMPARE(*spool->payload(spool->pending().front(), &error), payloadOf(4));
    QCOMPARE(spool->nextSeq(), 6u);
    QVERIFY(spool->recoveryNote().isEmpty());
    // Private: the folder and the file are the user's alone.
    QCOMPARE(QFileInfo(m_folder).permissions() & 0x0077, 0);
    QCOMPARE(QFile::permissions(path()) & (QFile::ReadGroup | QFile::ReadOther), 0);

    // Everything acknowledged: the number still goes on in the next run.
    QVERIFY(spool->acknowledge(5, &error));
    QVERIFY(spool->acknowledge(4, &error));
    spool.reset();
    spool = open();
    QVERIFY(spool && spool->pending().empty());
    QCOMPARE(spool->nextSeq(), 6u);
}

void TestReadingSpool::acknowledgementsOutOfOrder()
{
    auto spool = open();
    QVERIFY(spool);
    appendAll(*spool, 4);
    QString error;
    QVERIFY(spool->acknowledge(3, &error));
    QVERIFY(spool->acknowledge(2, &error));
    QCOMPARE(pendingSeqs(*spool), (QList<std::uint64_t>{1, 2, 3, 4}));
    QVERIFY(spool->acknowledge(1, &error));
    QCOMPARE(pendingSeqs(*spool), QList<std::uint64_t>{4});
    spool.reset();
    spool = open();
    QCOMPARE(pendingSeqs(*spool), QList<std::uint64_t>{4});
}

void TestReadingSpool::brokenTail_data()
{
    QTest::addColumn<int>("cutBytes");   // bytes cut off the end
    QTest::addColumn<int>("flipFromEnd"); // a byte changed this far from the end (0: none)
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("copyKept");
    QTest::newRow("torn in the CRC") << 2 << 0 << QStringLiteral("cut short") << false;
    QTest::newRow("torn in the length") << 37 - 2 << 0 << QStringLiteral("cut short") << false;
    QTest::newRow("payload damaged") << 0 << 10 << QStringLiteral("check sum wrong") << true;
}

void TestReadingSpool::brokenTail()
{
    QFETCH(int, cutBytes);
    QFETCH(int, flipFromEnd);
    QFETCH(QString, note);
    QFETCH(bool, copyKept);
    auto spool = open();
    QVERIFY(spool);
    appendAll(*spool, 3);
    const qint64 twoRecords = spool->pending().at(2).offset - 4 - 9;
    spool.reset();

    QByteArray bytes = readAll(path());
    bytes.chop(cutBytes);
    if (flipFromEnd)
        bytes[bytes.size() - flipFromEnd] ^= 0x20;
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    spool = open();
    QVERIFY(spool);
    QCOMPARE(pendingSeqs(*spool), (QList<std::uint64_t>{1, 2}));
    QVERIFY2(spool->recoveryNote().contains(note), qPrintable(spool->recoveryNote()));
    // Writing goes on right after the sound records.
    QCOMPARE(QFileInfo(path()).size(), twoRecords);
    QCOMPARE(spool->nextSeq(), 3u);
    const QStringList copies = QDir(m_folder).entryList({QStringLiteral("st1.*.spool.damaged-*")});
    QCOMPARE(copies.size(), copyKept ? 1 : 0);
    if (copyKept)
        QCOMPARE(readAll(m_folder + QLatin1Char('/') + copies.first()), bytes);
    appendAll(*spool, 1);
    spool.reset();
    spool = open();
    QCOMPARE(pendingSeqs(*spool), (QList<std::uint64_t>{1, 2, 3}));
    QVERIFY(spool->recoveryNote().isEmpty());
}

void TestReadingSpool::boundDropsTheOldest()
{
    auto spool = open(100);
    QVERIFY(spool);
    appendAll(*spool, 250);
    QCOMPARE(spool->takeDropped(), 150u);
    QCOMPARE(spool->takeDropped(), 0u);
    QCOMPARE(spool->pending().size(), 100u);
    QCOMPARE(spool->pending().front().seq, 151u);
    spool.reset();
    spool = open(100);
    QCOMPARE(spool->pending().size(), 100u);
    QCOMPARE(spool->pending().front().seq, 151u);
    QCOMPARE(spool->nextSeq(), 251u);
}

void TestReadingSpool::settledFilesAreRemoved()
{
    // Files of 64 KiB: ten readings of 10 kB fill a little more than one.
    constexpr qint64 kSegment = 64 * 1024;
    auto spool = open(ReadingSpool::kDefaultMaxPending, kSegment);
    QVERIFY(spool);
    appendAll(*spool, 300, 10000);
    QCOMPARE(spoolFiles().size(), 43);
    QString error;
    for (std::uint64_t seq = 1; seq <= 298; ++seq)
        QVERIFY2(spool->acknowledge(seq, &error), qPrintable(error));
    // What is left: the file holding 299 and 300 (also the newest).
    QCOMPARE(spoolFiles(), QStringList{QFileInfo(path(43)).fileName()});
    QVERIFY(spool->diskBytes() <= kSegment + 10100);
    QCOMPARE(*spool->payload(spool->pending().back(), &error), payloadOf(300, 10000));
    appendAll(*spool, 1, 10000);
    QVERIFY(spool->acknowledge(299, &error) && spool->acknowledge(300, &error));
    spool.reset();

    spool = open(ReadingSpool::kDefaultMaxPending, kSegment);
    QCOMPARE(pendingSeqs(*spool), QList<std::uint64_t>{301});
    QCOMPARE(*spool->payload(spool->pending().front(), &error), payloadOf(301, 10000));
    // Everything settled: the newest file alone still knows the seq reached.
    QVERIFY(spool->acknowledge(301, &error));
    appendAll(*spool, 20, 10000);
    for (std::uint64_t seq = 302; seq <= 321; ++seq)
        QVERIFY(spool->acknowledge(seq, &error));
    QCOMPARE(spoolFiles().size(), 1);
    spool.reset();
    spool = open(ReadingSpool::kDefaultMaxPending, kSegment);
    QVERIFY(spool->pending().empty());
    QCOMPARE(spool->nextSeq(), 322u);
    QCOMPARE(QFile::permissions(m_folder + QLatin1Char('/') + spoolFiles().constFirst()) & (QFile::ReadGroup | QFile::ReadOther), 0);
}

void TestReadingSpool::damagedOlderFileSparesTheNewer()
{
    constexpr qint64 kSegment = 64 * 1024;
    auto spool = open(ReadingSpool::kDefaultMaxPending, kSegment);
    QVERIFY(spool);
    appendAll(*spool, 30, 10000);
    QCOMPARE(spoolFiles().size(), 5); // seven readings a file
    spool.reset();
    QByteArray second = readAll(path(2));
    second[second.size() - 5000] ^= 0x01; // inside the last reading of the file, 14
    QVERIFY(writeAll(path(2), second));

    spool = open(ReadingSpool::kDefaultMaxPending, kSegment);
    QVERIFY(spool);
    QList<std::uint64_t> expected;
    for (std::uint64_t seq = 1; seq <= 30; ++seq) {
        if (seq != 14)
            expected << seq;
    }
    QCOMPARE(pendingSeqs(*spool), expected);
    QCOMPARE(spool->nextSeq(), 31u);
    QVERIFY2(spool->recoveryNote().contains(QLatin1String("damaged")), qPrintable(spool->recoveryNote()));
}

void TestReadingSpool::secondProgramIsRefused()
{
    auto first = open();
    QVERIFY(first);
    ReadingSpool second;
    QString error;
    QVERIFY(!second.open(m_folder, QStringLiteral("st1"), 10, &error));
    QVERIFY2(error.contains(QLatin1String("in use")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestReadingSpool)
#include "tst_reading_spool.moc"
