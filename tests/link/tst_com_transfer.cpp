// Reads, writes and receive notices of the serial port on pseudo-terminals.

#include "app/com_port_design.h"
#include "link/com_port.h"

#include "event_faults.h"
#include "port_events.h"
#include "pty_pair.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

using comport::testing::EventFault;
using comport::testing::eventThreadCounts;

namespace {

QString latin1(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(static_cast<char>(i));
    return bytes;
}

// What OnRxChar saw: each Count and what the handler then read.
struct RxLog {
    QList<int> counts;
    QList<bool> onOwnerThread;
    QByteArray received;

    void record(int count, const QByteArray &read)
    {
        counts << count;
        onOwnerThread << (QThread::currentThread() == qApp->thread());
        received += read;
    }
    int calls() const { return int(counts.size()); }
    QByteArray data() const { return received; }
};

// Polls without running the event loop, so a queued notice stays queued.
bool holdsWithin(const std::function<bool()> &condition, int timeoutMs = 2000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Bytes sent while no notice is in flight: waits, without running the event
// loop, until the event thread has posted their notice. The notice then sits
// in the queue, undelivered.
bool sendAndAwaitQueuedNotice(PtyPair &pty, const QByteArray &bytes)
{
    const quint64 before = eventThreadCounts().notices;
    return pty.send(bytes) && holdsWithin([before] { return eventThreadCounts().notices > before; });
}

// Threads of this process, the port's event thread included.
int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// A port with the main window's design values open on the pty; with
// receivesBlocks, its event thread reads.
std::unique_ptr<TComPort> openDesignPort(PtyPair &pty, PortEvents &events, bool receivesBlocks = false)
{
    auto port = std::make_unique<TComPort>();
    LoadComPortDesign(*port);
    port->SetReceivesBlocks(receivesBlocks);
    port->SetBaudRate(br57600);
    port->SetFlowControl(fcHardware);
    events.attach(*port);
    port->SetPort(pty.slavePath());
    port->Open();
    return port;
}

// Handler that reads everything waiting, as the main window's does.
void readOnNotice(TCustomComPort &port, RxLog &rx)
{
    port.OnRxChar = [&rx](TCustomComPort *sender, int count) {
        QString text;
        sender->ReadStr(text, 1000);
        rx.record(count, text.toLatin1());
    };
}

} // namespace

class TestComTransfer : public QObject
{
    Q_OBJECT

private slots:
    void writeStrPutsLowBytesOnTheLine_data();
    void writeStrPutsLowBytesOnTheLine();
    void readReturns_data();
    void readReturns();
    void readOfSilentPortGivesUp();
    void writeTimesOutWhenPeerDoesNotRead();
    void vanishedDeviceOnWrite();
    void clearBufferAndCounts();
    void readEndsAtAGap_data();
    void readEndsAtAGap();
    void noticeOnOwnerThread_data();
    void noticeOnOwnerThread();
    void noticeAfterBytesWereReadRaisesNothing();
    void unreadBytesDoNotFloodNotices();
    void noSecondNoticeWhileTheHandlerWaits();
    void noticeResumesAfterReopen();
    void closeOrDestroyFromHandler_data();
    void closeOrDestroyFromHandler();
    void destroyWithNoticeQueued();
    void rxBufGetsTheBytes();
    void unplugWhileOpen();
    void eventThreadLivesWhileOpen();
    void eventThreadEndingByItselfIsReported_data();
    void eventThreadEndingByItselfIsReported();
    void blocksKeepTheirArrival();
};

void TestComTransfer::writeStrPutsLowBytesOnTheLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("AT+CONNL") << "AT+CONNL" << QByteArray::fromHex("41542b434f4e4e4c");
    QTest::newRow("AT") << "AT" << QByteArray("AT");
    QTest::newRow("binary") << latin1(QByteArray::fromHex("00ff80")) << QByteArray::fromHex("00ff80");
    QTest::newRow("beyond Latin-1: low 8 bits") << QStringLiteral("\u0141\u0410") << QByteArray::fromHex("4110");
    QTest::newRow("empty") << "" << QByteArray();
}

void TestComTransfer::writeStrPutsLowBytesOnTheLine()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    QCOMPARE(port->WriteStr(text), int(bytes.size()));
    QCOMPARE(pty.receive(int(bytes.size()) + 1, 100), bytes);
    QVERIFY(events.failures.isEmpty());
}

void TestComTransfer::readReturns_data()
{
    QTest::addColumn<bool>("blocks");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("discardNull");
    QTest::addColumn<QByteArray>("firstRead");
    QTest::addColumn<QByteArray>("secondRead");
    // The same whether the read takes the device's bytes or the event thread's.
    for (const bool blocks : {false, true}) {
        const auto row = [blocks](const char *name) -> QTestData & {
            return QTest::addRow("%s%s", name, blocks ? ", thread reads" : "") << blocks;
        };
        // With Count not reached, a read can only have ended at the gap.
        row("all byte values round trip") << allByteValues() << 1000 << false << allByteValues() << QByteArray();
        row("frame and two more") << QByteArray(20, 'F') << 18 << false << QByteArray(18, 'F') << QByteArray(2, 'F');
        row("dongle reply") << QByteArray("OK+CONN\r\n") << 1000 << false << QByteArray("OK+CONN\r\n")
                            << QByteArray();
        row("NUL dropped on request") << QByteArray("A\0B\0", 4) << 1000 << true << QByteArray("AB")
                                      << QByteArray();
    }
}

void TestComTransfer::readReturns()
{
    QFETCH(bool, blocks);
    QFETCH(QByteArray, sent);
    QFETCH(int, count);
    QFETCH(bool, discardNull);
    QFETCH(QByteArray, firstRead);
    QFETCH(QByteArray, secondRead);
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events, blocks);
    port->SetDiscardNull(discardNull);
    QVERIFY(pty.send(sent));

    QString text;
    QCOMPARE(port->ReadStr(text, count), int(firstRead.size()));
    QCOMPARE(text, latin1(firstRead));
    for (int i = 0; i < text.size(); ++i)
        QVERIFY(text.at(i).unicode() <= 0xFF);
    QByteArray raw(1000, '\0');
    QCOMPARE(port->Read(raw.data(), int(raw.size())), int(secondRead.size()));
    QCOMPARE(raw.left(secondRead.size()), secondRead);
    QVERIFY(events.failures.isEmpty());
}

void TestComTransfer::readOfSilentPortGivesUp()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    QString text = QStringLiteral("stale");
    QCOMPARE(port->ReadStr(text, 40), 0);
    QVERIFY(text.isEmpty());
    QVERIFY(events.failures.isEmpty());
}

void TestComTransfer::writeTimesOutWhenPeerDoesNotRead()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    TComTimeouts t = port->Timeouts();
    t.WriteTotalMultiplier = 0;
    t.WriteTotalConstant = 200;
    port->SetTimeouts(t);
    // Far more than a pseudo-terminal holds while nobody reads.
    const QByteArray big(1 << 20, 'x');
    const int written = port->Write(big.constData(), int(big.size()));
    QVERIFY(written > 0);
    QVERIFY(written < big.size());
    QVERIFY(events.failures.isEmpty());
    QVERIFY(port->Connected());
    // Exactly what was reported reached the other side.
    QCOMPARE(pty.receive(written + 1, 300).size(), written);
}

void TestComTransfer::vanishedDeviceOnWrite()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    events.clear();
    pty.unplug();

    QCOMPARE(port->WriteStr(QStringLiteral("AT")), 0);
    QCOMPARE(events.codes(), QList<int>{2});
    QCOMPARE(events.failures.first().message, QStringLiteral("WriteFile function failed"));
    QCOMPARE(events.failures.first().winError, qint64(EIO));
    QVERIFY(comport::isPortLost(events.failures.first().kind, events.failures.first().winError));
    QVERIFY(port->Connected());
    QString text;
    QCOMPARE(port->ReadStr(text, 10), 0);
    QCOMPARE(events.codes(), QList<int>({2, 24}));

    events.clear();
    port->Close();
    QVERIFY(!port->Connected());
    QVERIFY(events.log.isEmpty());
}

void TestComTransfer::clearBufferAndCounts()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    QVERIFY(pty.send("OK+LOST"));
    QTRY_COMPARE(port->InputCount(), 7);
    QCOMPARE(port->OutputCount(), 0);
    port->ClearBuffer(false, true);
    QCOMPARE(port->InputCount(), 7);
    port->ClearBuffer(true, true);
    QCOMPARE(port->InputCount(), 0);
    QVERIFY(events.failures.isEmpty());

    port->Close();
    port->ClearBuffer(true, false);
    QCOMPARE(port->InputCount(), 0);
    QCOMPARE(events.codes(), QList<int>({5, 10}));
}

void TestComTransfer::readEndsAtAGap_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<bool>("blocks");

    QList<QByteArray> bytes;
    for (char c : QByteArray("OK+CONN\r\n"))
        bytes << QByteArray(1, c);
    for (const bool blocks : {false, true}) {
        const char *reader = blocks ? ", thread reads" : "";
        // Longer than the 10 ms read interval: the read ends between the pieces.
        QTest::addRow("30 ms apart%s", reader) << QList<QByteArray>{"OK+CONN", "\r\n"} << 30
                                               << QList<QByteArray>{"OK+CONN", "\r\n"} << blocks;
        // Shorter: one read, although the bytes take 24 ms in all.
        QTest::addRow("3 ms apart%s", reader) << bytes << 3 << QList<QByteArray>{"OK+CONN\r\n"} << blocks;
    }
}

void TestComTransfer::readEndsAtAGap()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, pauseMs);
    QFETCH(QList<QByteArray>, reads);
    QFETCH(bool, blocks);

    PtyPair pty;
    PortEvents events;
    TComPort port;
    events.attach(port);
    TComTimeouts timeouts;
    timeouts.ReadInterval = 10;
    timeouts.ReadTotalMultiplier = 0;
    timeouts.ReadTotalConstant = 0;
    port.SetTimeouts(timeouts);
    // Without the thread reading, no thread at all: the reads alone see the bytes.
    port.SetEvents(blocks ? TComEvents(evRxChar) : TComEvents());
    port.SetReceivesBlocks(blocks);
    port.SetPort(pty.slavePath());
    port.Open();

    // The pauses are what is under test, so the peer makes them itself. A
    // loaded machine can only stretch or merge them, never make a broken
    // read look right, so a few tries are allowed for that.
    const qsizetype total = pieces.join().size();
    QList<QByteArray> seen;
    for (int attempt = 0; attempt < 5 && seen != reads; ++attempt) {
        std::thread peer([&pty, &pieces, pauseMs] {
            for (int i = 0; i < pieces.size(); ++i) {
                if (i > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
                pty.send(pieces.at(i));
            }
        });
        seen.clear();
        qsizetype got = 0;
        for (QString text; got < total && port.ReadStr(text, 1000) > 0; got += text.size())
            seen << text.toLatin1();
        peer.join();
    }
    QCOMPARE(seen, reads);
    QVERIFY(events.failures.isEmpty());
}

void TestComTransfer::noticeOnOwnerThread_data()
{
    QTest::addColumn<int>("sync");
    QTest::newRow("window") << int(smWindowSync);
    QTest::newRow("thread") << int(smThreadSync);
}

void TestComTransfer::noticeOnOwnerThread()
{
    QFETCH(int, sync);
    PtyPair pty;
    RxLog rx;
    TComPort port;
    LoadComPortDesign(port);
    port.SetSyncMethod(static_cast<TSyncMethod>(sync));
    port.SetPort(pty.slavePath());
    readOnNotice(port, rx);
    port.Open();

    QVERIFY(pty.send("OK+CONNL"));
    QTRY_COMPARE(rx.data(), QByteArray("OK+CONNL"));
    QVERIFY(pty.send("OK+CONN\r\n"));
    QTRY_COMPARE(rx.data(), QByteArray("OK+CONNLOK+CONN\r\n"));
    port.Close();
    // Every notice counted bytes that were really waiting.
    QCOMPARE(rx.counts.first(), 8);
    for (int count : rx.counts)
        QVERIFY(count > 0);
    for (bool owner : rx.onOwnerThread)
        QVERIFY(owner);
}

void TestComTransfer::noticeAfterBytesWereReadRaisesNothing()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    RxLog rx;
    port->OnRxChar = [&rx](TCustomComPort *sender, int count) {
        QByteArray buf(count, '\0');
        rx.record(count, buf.left(sender->Read(buf.data(), count)));
    };

    // Taken by a direct read while its notice waits in the queue.
    QVERIFY(sendAndAwaitQueuedNotice(pty, "OK"));
    QString text;
    QCOMPARE(port->ReadStr(text, 40), 2);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(rx.calls(), 0);

    // The notice was handled: the next arrival is announced as usual.
    QVERIFY(pty.send("OK+LOST"));
    QTRY_COMPARE(rx.data(), QByteArray("OK+LOST"));
    QCOMPARE(rx.counts, QList<int>{7});
}

void TestComTransfer::unreadBytesDoNotFloodNotices()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    RxLog rx;
    port->OnRxChar = [&rx](TCustomComPort *, int count) { rx.record(count, QByteArray()); };

    const QList<QByteArray> batches{"first", "second", "third"};
    int waiting = 0;
    for (const QByteArray &batch : batches) {
        QVERIFY(pty.send(batch));
        waiting += int(batch.size());
        QTRY_VERIFY(!rx.counts.isEmpty() && rx.counts.last() == waiting);
    }
    // Nothing was read, so a level-triggered notifier would have raised
    // OnRxChar over and over while the loop above waited.
    QVERIFY2(rx.calls() <= batches.size(), qPrintable(QString::number(rx.calls())));
    QCOMPARE(port->InputCount(), waiting);
}

// A handler that waits in an event loop of its own, as a modal box does,
// is not entered again meanwhile; what arrived is announced once it returns.
void TestComTransfer::noSecondNoticeWhileTheHandlerWaits()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    RxLog rx;
    bool waited = false;
    bool reentered = false;
    int depth = 0;
    port->OnRxChar = [&](TCustomComPort *sender, int count) {
        reentered = reentered || depth > 0;
        ++depth;
        QString text;
        sender->ReadStr(text, 1000);
        rx.record(count, text.toLatin1());
        if (rx.calls() == 1) {
            const auto before = eventThreadCounts();
            pty.send("more");
            // Until the event thread has dealt with the new bytes, and then
            // once more round the loop for anything it might have posted.
            QEventLoop loop;
            QTimer poll;
            const QDeadlineTimer deadline(3000);
            int roundsAfter = 0;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (eventThreadCounts().wakeUps > before.wakeUps && sender->InputCount() == 4)
                    ++roundsAfter;
                if (roundsAfter > 1 || deadline.hasExpired())
                    loop.quit();
            });
            poll.start(1);
            loop.exec();
            waited = roundsAfter > 1;
            QCOMPARE(eventThreadCounts().notices, before.notices);
        }
        --depth;
    };

    QVERIFY(pty.send("first"));
    QTRY_COMPARE(rx.data(), QByteArray("firstmore"));
    QVERIFY(waited);
    QVERIFY(!reentered);
    QCOMPARE(rx.counts, QList<int>({5, 4}));
}

void TestComTransfer::noticeResumesAfterReopen()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    RxLog rx;
    readOnNotice(*port, rx);
    QVERIFY(pty.send("AB"));
    QTRY_COMPARE(rx.data(), QByteArray("AB"));

    port->Close();
    QVERIFY(pty.send("lost"));
    port->Open();
    QVERIFY(pty.send("CD"));
    QTRY_VERIFY(rx.data().endsWith("CD"));
    QVERIFY(!rx.data().contains("lost"));
}

void TestComTransfer::closeOrDestroyFromHandler_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("close") << false;
    QTest::newRow("destroy") << true;
}

void TestComTransfer::closeOrDestroyFromHandler()
{
    QFETCH(bool, destroy);
    PtyPair pty;
    PortEvents events;
    const int before = threadCount();
    auto port = openDesignPort(pty, events);
    QTRY_COMPARE(threadCount(), before + 1);
    int notices = 0;
    port->OnRxChar = [&](TCustomComPort *sender, int) {
        ++notices;
        QString text;
        sender->ReadStr(text, 1000);
        if (destroy)
            port.reset();
        else
            sender->Close();
    };
    QVERIFY(pty.send("OK+CONNL"));
    QTRY_COMPARE(notices, 1);
    QCOMPARE(bool(port), !destroy);
    if (port) {
        QVERIFY(!port->Connected());
        QCOMPARE(events.log.mid(events.log.size() - 2), QStringList({"BeforeClose", "AfterClose"}));
    }
    // The event thread is gone with the opening, so nothing is left to
    // announce a later batch.
    QTRY_COMPARE(threadCount(), before);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestComTransfer::destroyWithNoticeQueued()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    int notices = 0;
    port->OnRxChar = [&](TCustomComPort *, int) { ++notices; };
    QVERIFY(sendAndAwaitQueuedNotice(pty, "OK"));
    port.reset();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(notices, 0);
}

void TestComTransfer::rxBufGetsTheBytes()
{
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events);
    port->SetTriggersOnRxChar(false);
    QByteArray received;
    int rxChar = 0;
    port->OnRxChar = [&](TCustomComPort *, int) { ++rxChar; };
    port->OnRxBuf = [&](TCustomComPort *, const QByteArray &bytes) { received += bytes; };
    const QByteArray sent = allByteValues();
    QVERIFY(pty.send(sent));
    QTRY_COMPARE(received, sent);
    QCOMPARE(rxChar, 0);
}

void TestComTransfer::unplugWhileOpen()
{
    PtyPair pty;
    QVERIFY(!pty.linkPath().isEmpty());
    PortEvents events;
    RxLog rx;
    TComPort port;
    LoadComPortDesign(port);
    events.attach(port);
    readOnNotice(port, rx);
    port.SetPort(pty.linkPath());
    port.Open();
    QVERIFY(pty.send("OK"));
    QTRY_COMPARE(rx.data(), QByteArray("OK"));

    events.clear();
    pty.unplug();
    QCoreApplication::processEvents();
    port.Close();
    QVERIFY(!port.Connected());
    QVERIFY(events.log.isEmpty());

    // Plugged in again under the same name: it opens and works.
    PtyPair again;
    QVERIFY(QFile::link(again.slavePath(), pty.linkPath()));
    port.Open();
    QVERIFY(events.failures.isEmpty());
    QVERIFY(again.send("OK+CONNL"));
    QTRY_COMPARE(rx.data(), QByteArray("OKOK+CONNL"));
    port.Close();
    QFile::remove(pty.linkPath());
}

void TestComTransfer::eventThreadLivesWhileOpen()
{
    PtyPair pty;
    QVERIFY(!pty.linkPath().isEmpty());
    PortEvents events;
    TComPort port;
    LoadComPortDesign(port);
    events.attach(port);
    port.SetPort(pty.linkPath());
    const int before = threadCount();

    port.Open();
    QTRY_COMPARE(threadCount(), before + 1);
    port.Close();
    QTRY_COMPARE(threadCount(), before);

    // No events wanted: no thread.
    port.SetEvents({});
    port.Open();
    QCOMPARE(threadCount(), before);
    port.Close();

    // A hang-up ends the thread by itself instead of leaving it spinning.
    port.SetEvents(evRxChar);
    port.Open();
    QTRY_COMPARE(threadCount(), before + 1);
    events.clear();
    pty.unplug();
    QTRY_COMPARE(threadCount(), before);
    QVERIFY(port.Connected());
    port.Close();
    QVERIFY(events.log.isEmpty());
}

void TestComTransfer::eventThreadEndingByItselfIsReported_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("err");
    QTest::addColumn<qint64>("winError");
    QTest::addColumn<bool>("blocks");
    for (const bool blocks : {false, true}) {
        const char *reader = blocks ? ", thread reads" : "";
        QTest::addRow("wait fails%s", reader) << int(EventFault::WaitFails) << EBADF << qint64(EBADF) << blocks;
        QTest::addRow("device flags an error%s", reader) << int(EventFault::DeviceError) << 0 << qint64(EIO)
                                                         << blocks;
    }
}

void TestComTransfer::eventThreadEndingByItselfIsReported()
{
    QFETCH(int, fault);
    QFETCH(int, err);
    QFETCH(qint64, winError);
    QFETCH(bool, blocks);
    PtyPair pty;
    PortEvents events;
    RxLog rx;
    const int before = threadCount();
    auto port = openDesignPort(pty, events, blocks);
    readOnNotice(*port, rx);
    QVERIFY(pty.send("AB"));
    QTRY_COMPARE(rx.data(), QByteArray("AB"));
    events.clear();

    comport::testing::injectEventFault(static_cast<EventFault>(fault), err);
    QVERIFY(pty.send("lost"));
    QTRY_COMPARE(events.codes(), QList<int>{21});
    QCOMPARE(events.failures.first().message, QStringLiteral("WaitForEvent method failed"));
    QCOMPARE(events.failures.first().winError, winError);
    QCOMPARE(events.failures.first().winMessage, comport::systemErrorText(int(winError)));
    QVERIFY(comport::isPortLost(events.failures.first().kind, events.failures.first().winError));
    // The thread may still be listed for a moment after it has been joined.
    QTRY_COMPARE(threadCount(), before);
    // Still open: closing and opening again is the owner's call, and brings
    // the notices back.
    QVERIFY(port->Connected());
    port->Close();
    port->Open();
    QVERIFY(pty.send("CD"));
    QTRY_VERIFY(rx.data().endsWith("CD"));
    QCOMPARE(events.codes(), QList<int>{21});
}

// The owner is busy while replies arrive 50 ms apart: each is a block of its
// own, in order, stamped when its last byte came rather than when it was taken.
void TestComTransfer::blocksKeepTheirArrival()
{
    using Clock = std::chrono::steady_clock;
    PtyPair pty;
    PortEvents events;
    auto port = openDesignPort(pty, events, true);
    std::vector<TRxBlock> blocks;
    port->OnRxChar = [&blocks](TCustomComPort *sender, int) {
        for (TRxBlock &block : sender->TakeBlocks())
            blocks.push_back(std::move(block));
    };
    const QList<QByteArray> sent = {"OK+CONNL", "OK+CONN\r\n", QByteArray(18, 'F'), "OK+LOST"};
    std::vector<Clock::time_point> sentAt;
    std::thread peer([&] {
        for (const QByteArray &piece : sent) {
            if (!sentAt.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            sentAt.push_back(Clock::now());
            pty.send(piece);
        }
    });
    // Busy: this thread handles nothing until the peer is done, and a while longer.
    peer.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto busyEnd = Clock::now();
    QTRY_COMPARE(QByteArray([&] {
        QByteArray all;
        for (const TRxBlock &block : blocks)
            all += block.Data;
        return all;
    }()), sent.join());
    // A badly delayed event thread may join two replies; never the other way round.
    QVERIFY(blocks.size() >= 2);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        QVERIFY(blocks[i].Arrived < busyEnd);
        if (i > 0)
            QVERIFY(blocks[i].Arrived > blocks[i - 1].Arrived);
        if (blocks.size() == std::size_t(sent.size())) {
            QCOMPARE(blocks[i].Data, sent[int(i)]);
            QVERIFY(blocks[i].Arrived >= sentAt[i]);
        }
    }
    QCOMPARE(port->DroppedBlocks(), quint64(0));
    QVERIFY(events.failures.isEmpty());
}

QTEST_GUILESS_MAIN(TestComTransfer)
#include "tst_com_transfer.moc"
