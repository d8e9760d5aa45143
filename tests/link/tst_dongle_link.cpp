// The link's rules without a window: a port on a pseudo-terminal, the test
// playing the dongle, every decision read from DongleLink's signals.

#include "link/com_port.h"
#include "link/dongle_link.h"
#include "link/port_finder.h"

#include "protocol/frame_encoder.h"

#include "pty_pair.h"

#include <QFile>
#include <QtTest>

#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

// Every signal of the link as one word, in the order they came.
struct SignalLog
{
    explicit SignalLog(DongleLink &link)
    {
        const auto word = [this](const char *text) { return [this, text] { words << QLatin1String(text); }; };
        QObject::connect(&link, &DongleLink::dongleOpened, &context, word("opened"));
        QObject::connect(&link, &DongleLink::connecting, &context, word("connecting"));
        QObject::connect(&link, &DongleLink::attemptEnded, &context, word("attemptEnded"));
        QObject::connect(&link, &DongleLink::linkUp, &context, word("linkUp"));
        QObject::connect(&link, &DongleLink::linkDown, &context, word("linkDown"));
        QObject::connect(&link, &DongleLink::portClosed, &context, word("portClosed"));
        QObject::connect(&link, &DongleLink::buttonPauseWanted, &context, word("buttonPause"));
        QObject::connect(&link, &DongleLink::settingsDelayWanted, &context, word("settingsDelay"));
        QObject::connect(&link, &DongleLink::statusMessage, &context, [this](DongleLink::Status status) {
            static const char *const names[] = {"Connecting", "NoConnection", "Connected", "Disconnected", "Ok"};
            words << QStringLiteral("status:") + QLatin1String(names[int(status)]);
        });
        QObject::connect(&link, &DongleLink::offerChanged, &context, [this](DongleLink::Offer offer) {
            static const char *const names[] = {"Connect", "Pending", "Disconnect"};
            words << QStringLiteral("offer:") + QLatin1String(names[int(offer)]);
        });
        QObject::connect(&link, &DongleLink::supervisionWanted, &context, [this](bool on) { words << QStringLiteral("supervision:%1").arg(int(on)); });
        QObject::connect(&link, &DongleLink::portWatchWanted, &context, [this](bool on) { words << QStringLiteral("watch:%1").arg(int(on)); });
        QObject::connect(&link, &DongleLink::frameReceived, &context, [this](const protocol::MeterFrame &frame) { frames << frame; });
    }

    QStringList take() { return std::exchange(words, {}); }

    QObject context; // the connections go with the log
    QStringList words;
    QList<protocol::MeterFrame> frames;
};

const QStringList kLinkUp = {"linkUp", "buttonPause", "supervision:0", "offer:Disconnect", "status:Connected",
                             "settingsDelay"};
const QStringList kLinkEnds = {"buttonPause", "offer:Connect", "status:Disconnected", "supervision:1"};

} // namespace

class TestDongleLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void probe_data();
    void probe();
    void pressRequestsAndReleases();
    void nothingIsWrittenWithoutADongle();
    void readsDriveTheLink_data();
    void readsDriveTheLink();
    void lostLinkAndShutDown();
    void framesWaitForABusyReceiver();
    void failingFrameHandlerIsReportedOnce();
    void superviseKeepsThePortAndRequests();
    void vanishedDongleEndsTheLink();
    void finderNamesThePort();

private:
    // A headless front end's port: reads end at a 10 ms pause.
    void makePort();
    QByteArray written(int count);
    // Sends one reply and waits until the link has read it.
    void reply(const QByteArray &bytes);
    void linkUp();

    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<TComPort> m_port;
    std::unique_ptr<DongleLink> m_link;
    std::unique_ptr<SignalLog> m_log;
    int m_reads = 0;
};

void TestDongleLink::init()
{
    m_pty = std::make_unique<PtyPair>();
    QVERIFY(m_pty->isOpen());
    QVERIFY(!m_pty->linkPath().isEmpty());
    makePort();
}

void TestDongleLink::cleanup()
{
    m_log.reset();
    if (m_link)
        m_link->shutDown();
    m_link.reset();
    m_port.reset();
    m_pty.reset();
}

void TestDongleLink::makePort()
{
    m_port = std::make_unique<TComPort>();
    TComTimeouts timeouts;
    timeouts.ReadInterval = 10;
    timeouts.WriteTotalConstant = 300;
    m_port->SetTimeouts(timeouts);
    m_link = std::make_unique<DongleLink>(*m_port);
    m_link->setFixedPort(m_pty->linkPath());
    m_link->bindPortEvents();
    auto read = m_port->OnRxChar;
    m_reads = 0;
    m_port->OnRxChar = [this, read](TCustomComPort *sender, int count) {
        read(sender, count);
        ++m_reads;
    };
    m_log = std::make_unique<SignalLog>(*m_link);
}

QByteArray TestDongleLink::written(int count)
{
    return m_pty->receive(count, 3000);
}

void TestDongleLink::reply(const QByteArray &bytes)
{
    const int before = m_reads;
    QVERIFY(m_pty->send(bytes));
    QTRY_COMPARE(m_reads, before + 1);
}

void TestDongleLink::linkUp()
{
    QVERIFY(m_link->requestLink());
    QCOMPARE(written(8), QByteArray("AT+CONNL"));
    reply("OK+CONN\r\n");
    QVERIFY(m_link->meterConnected());
    m_log->take();
}

void TestDongleLink::probe_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<DongleLink::ProbeResult>("result");
    QTest::addColumn<QStringList>("signalled");

    QTest::newRow("OK in the answer") << QByteArray("\x01OK+x") << DongleLink::ProbeResult::Answered
                                      << QStringList{"watch:1", "opened"};
    // The port closes again on the present dongle, which writes "AT".
    QTest::newRow("lower case only") << QByteArray("ok") << DongleLink::ProbeResult::Silent
                                     << QStringList{"watch:1", "opened", "portClosed", "buttonPause", "status:Disconnected",
                                                     "supervision:1"};
}

void TestDongleLink::probe()
{
    QFETCH(QByteArray, answer);
    QFETCH(DongleLink::ProbeResult, result);
    QFETCH(QStringList, signalled);

    // The probe blocks this thread, so the dongle answers from its own.
    PtyPair *pty = m_pty.get();
    auto dongle = std::async(std::launch::async, [pty, answer] {
        QByteArray seen = pty->receive(2, 3000);
        pty->send("OK"); // thrown away with the queues
        seen += pty->receive(2, 3000);
        pty->send(answer);
        return seen;
    });
    QCOMPARE(m_link->probe(), result);
    QCOMPARE(dongle.get(), QByteArray("ATAT"));
    QCOMPARE(m_log->take(), signalled);
    const bool answered = result == DongleLink::ProbeResult::Answered;
    QCOMPARE(m_port->Connected(), answered);
    QCOMPARE(m_link->portReady(), answered);
    if (!answered)
        QCOMPARE(written(2), QByteArray("AT"));
}

void TestDongleLink::pressRequestsAndReleases()
{
    QCOMPARE(m_link->offer(), DongleLink::Offer::Connect);
    m_link->press();
    QCOMPARE(written(8), QByteArray("AT+CONNL"));
    QCOMPARE(m_log->take(), (QStringList{"offer:Pending", "watch:1", "opened"}));
    QVERIFY(m_link->portReady());
    QVERIFY(m_link->dongleFound());

    // Pending: a press asks the idle dongle, whose "OK" offers to connect again.
    m_link->press();
    QCOMPARE(written(2), QByteArray("AT"));
    reply("OK");
    QCOMPARE(m_log->take(), (QStringList{"status:Ok", "offer:Connect", "buttonPause"}));

    reply("OK+CONN\r\n");
    QCOMPARE(m_log->take(), kLinkUp);
    m_link->press();
    QCOMPARE(written(2), QByteArray("AT"));
    QCOMPARE(m_log->take(), QStringList{"offer:Pending"});
}

void TestDongleLink::nothingIsWrittenWithoutADongle()
{
    m_pty->removeLink();
    QVERIFY(!m_link->requestLink());
    QCOMPARE(m_link->offer(), DongleLink::Offer::Connect);
    QCOMPARE(m_link->probe(), DongleLink::ProbeResult::NoDongle);
    QVERIFY(!m_link->supervise(true));
    QVERIFY(!m_port->Connected());
    QVERIFY(!m_link->dongleFound());
    QCOMPARE(m_log->take(), (QStringList{"offer:Pending", "offer:Connect"}));
    QCOMPARE(m_pty->receiveWaiting(), QByteArray());
}

void TestDongleLink::readsDriveTheLink_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QStringList>("signalled");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("dropped");

    const QByteArray frame = protocol::encodeRlcFrame({}, 4700.0, 0.001, true).toByteArray();
    const QByteArray frame2 = protocol::encodeRlcFrame({}, 4701.0, 0.001, true).toByteArray();
    const QByteArray frame3 = protocol::encodeRlcFrame({}, 4702.0, 0.001, true).toByteArray();
    QByteArray badSecond = frame + frame2;
    badSecond[35] = '\r';
    QTest::newRow("request accepted") << QByteArray("OK+CONNL") << false
                                      << QStringList{"connecting", "status:Connecting"} << false << 0 << 0;
    QTest::newRow("attempt failed") << QByteArray("OK+CONNF") << false << QStringList{"attemptEnded", "buttonPause"}
                                    << false << 0 << 0;
    QTest::newRow("no meter") << QByteArray("OK+CONNN") << false
                              << QStringList{"attemptEnded", "buttonPause", "status:NoConnection"} << false << 0 << 0;
    QTest::newRow("link up") << QByteArray("OK+CONN\r\n") << false << kLinkUp << true << 0 << 0;
    QTest::newRow("request and link with more") << QByteArray("OK+CONNLOK+CONN\r\nxy") << false << kLinkUp << true
                                                << 0 << 0;
    // At the link's fastest the first readings follow the reply within 10 ms.
    QTest::newRow("link up and two frames") << QByteArray("OK+CONN\r\n") + frame + frame2 << false << kLinkUp
                                            << true << 2 << 0;
    QTest::newRow("link up and a broken frame") << QByteArray("OK+CONN\r\n") + badSecond << false << QStringList{}
                                                << false << 0 << 1;
    QTest::newRow("out of step") << QByteArray("OK+CONN") << false << QStringList{} << false << 0 << 1;
    QTest::newRow("frame") << frame << false << QStringList{} << false << 1 << 0;
    QTest::newRow("held frame") << frame << true << QStringList{} << false << 0 << 0;
    // Readings that waited for the port come as one read: whole ones are kept, in order.
    QTest::newRow("two frames in one read") << frame + frame2 << false << QStringList{} << false << 2 << 0;
    QTest::newRow("three frames in one read") << frame + frame2 + frame3 << false << QStringList{} << false << 3
                                              << 0;
    QTest::newRow("three held frames") << frame + frame2 + frame3 << true << QStringList{} << false << 0 << 0;
    QTest::newRow("two frames and 5 bytes") << frame + frame2 + frame3.right(5) << false << QStringList{} << false
                                            << 0 << 1;
    QTest::newRow("second end marks bad") << badSecond << false << QStringList{} << false << 0 << 1;
}

void TestDongleLink::readsDriveTheLink()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, held);
    QFETCH(QStringList, signalled);
    QFETCH(bool, linked);
    QFETCH(int, frames);
    QFETCH(int, dropped);

    QVERIFY(m_link->requestLink());
    QCOMPARE(written(8), QByteArray("AT+CONNL"));
    m_log->take();
    if (held)
        m_link->frameHold().hold(FrameHold::Reason::SettingChange);

    reply(bytes);
    QCOMPARE(m_log->take(), signalled);
    QCOMPARE(m_link->meterConnected(), linked);
    QCOMPARE(m_log->frames.size(), frames);
    if (frames > 0) {
        QByteArray received;
        for (const protocol::MeterFrame &frame : m_log->frames)
            received += frame.toByteArray();
        QCOMPARE(received, bytes.right(received.size()));
    }
    QCOMPARE(m_link->droppedBlocks(), quint64(dropped));
    // Nothing goes out in answer to a read.
    QCOMPARE(m_pty->receiveWaiting(), QByteArray());
}

void TestDongleLink::lostLinkAndShutDown()
{
    linkUp();
    reply("OK+LOST");
    QCOMPARE(m_log->take(), QStringList{"linkDown"} + kLinkEnds);
    QVERIFY(!m_link->meterConnected());

    linkUp();
    m_link->shutDown();
    QCOMPARE(written(2), QByteArray("AT"));
    QVERIFY(!m_port->Connected());
    QVERIFY(!m_link->meterConnected());
    QVERIFY(!m_link->portReady());
    QCOMPARE(m_log->take(), QStringList{"portClosed"} + kLinkEnds);
}

// The receiving thread is busy for 500 ms while readings arrive 12 ms apart:
// every one comes through, in order, stamped when it arrived at the port.
void TestDongleLink::framesWaitForABusyReceiver()
{
    linkUp();
    constexpr int kFrames = 40;
    QList<QByteArray> sent;
    for (int i = 0; i < kFrames; ++i)
        sent << protocol::encodeRlcFrame({}, 1000.0 + i, 0.001, true).toByteArray();
    QList<qint64> arrivals;
    QObject context;
    connect(m_link.get(), &DongleLink::frameReceived, &context,
            [&] { arrivals << m_link->frameArrivalMs(); });

    std::vector<qint64> sentMs;
    PtyPair *pty = m_pty.get();
    auto peer = std::async(std::launch::async, [&] {
        auto next = std::chrono::steady_clock::now();
        for (const QByteArray &frame : sent) {
            std::this_thread::sleep_until(next);
            next += std::chrono::milliseconds(12);
            sentMs.push_back(QDateTime::currentMSecsSinceEpoch());
            if (!pty->send(frame))
                return false;
        }
        return true;
    });
    // Busy: nothing is handled here while the readings come in.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    QVERIFY(peer.get());
    // Still busy a little: the last reading must have been read by the port.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const qint64 busyUntil = QDateTime::currentMSecsSinceEpoch();

    QTRY_COMPARE(m_log->frames.size(), kFrames);
    for (int i = 0; i < kFrames; ++i) {
        QCOMPARE(m_log->frames.at(i).toByteArray(), sent.at(i));
        // When it came, give or take the scheduler; not when it was handled.
        QVERIFY2(arrivals.at(i) >= sentMs[i] - 1 && arrivals.at(i) <= sentMs[i] + 150,
                 qPrintable(QStringLiteral("frame %1 sent at %2, arrived at %3")
                                .arg(i)
                                .arg(sentMs[i])
                                .arg(arrivals.at(i))));
        QVERIFY(arrivals.at(i) <= busyUntil);
    }
    QCOMPARE(m_link->droppedBlocks(), quint64(0));
}

void TestDongleLink::failingFrameHandlerIsReportedOnce()
{
    linkUp();
    QObject context;
    connect(m_link.get(), &DongleLink::frameReceived, &context,
            [](const protocol::MeterFrame &) { throw std::runtime_error("log full"); });
    const QByteArray frame = protocol::encodeRlcFrame({}, 4700.0, 0.001, true).toByteArray();
    QTest::ignoreMessage(QtWarningMsg, "handling a received frame (log full) failed; going on");
    reply(frame);
    // The next reading is handled and the failure not said again.
    reply(frame);
    QCOMPARE(m_log->frames.size(), 2);
}

void TestDongleLink::superviseKeepsThePortAndRequests()
{
    // Found: the port opens, and with the auto option the request goes out.
    QVERIFY(m_link->supervise(true));
    QVERIFY(m_port->Connected());
    QCOMPARE(written(8), QByteArray("AT+CONNL"));
    // Without the option a tick only keeps the port open.
    QVERIFY(m_link->supervise(false));
    // While a press is pending the automatic request waits.
    m_link->releaseLink();
    QCOMPARE(written(2), QByteArray("AT"));
    QVERIFY(m_link->supervise(true));
    QCOMPARE(m_pty->receiveWaiting(), QByteArray());

    // The device's name is gone: the port closes, and opens anew once it is back.
    m_pty->removeLink();
    QVERIFY(!m_link->supervise(true));
    QVERIFY(!m_port->Connected());
    QVERIFY(!m_link->portReady());
    QVERIFY(QFile::link(m_pty->slavePath(), m_pty->linkPath()));
    QVERIFY(m_link->supervise(false));
    QVERIFY(m_port->Connected());
    QVERIFY(m_link->portReady());
}

void TestDongleLink::vanishedDongleEndsTheLink()
{
    linkUp();
    m_pty->unplug();
    // The hang-up, or at the latest the port watch, reports the device gone.
    m_link->watchPort();
    QTRY_VERIFY(!m_port->Connected());
    QVERIFY(!m_link->meterConnected());
    QVERIFY(!m_link->portReady());
    const QStringList words = m_log->take();
    QCOMPARE(words.mid(words.indexOf(QStringLiteral("linkDown"))), QStringList{"linkDown"} + kLinkEnds);
    // Closed without a device there is no "AT" and no closing notice.
    QVERIFY(!words.contains(QStringLiteral("portClosed")));
}

void TestDongleLink::finderNamesThePort()
{
    // No finder and no fixed port: nothing is ever found.
    m_link->setFixedPort({});
    QVERIFY(!m_link->findAndOpenDongle());

    qputenv("PORTVANE_PORT", QFile::encodeName(m_pty->linkPath()));
    PortFinder finder;
    QVERIFY(finder.isLoaded());
    m_link->setPortFinder(&finder);
    const bool found = m_link->findAndOpenDongle();
    qunsetenv("PORTVANE_PORT");
    QVERIFY(found);
    QVERIFY(m_link->dongleFound());
    QCOMPARE(m_port->Port(), m_pty->linkPath());
    QCOMPARE(m_port->BaudRate(), br57600);
    QCOMPARE(m_port->FlowControl().FlowControl(), fcHardware);
    QVERIFY(m_port->Connected());
    QCOMPARE(m_pty->line().baud, 57600u);
    QVERIFY(m_pty->line().crtscts);
}

QTEST_GUILESS_MAIN(TestDongleLink)
#include "tst_dongle_link.moc"
