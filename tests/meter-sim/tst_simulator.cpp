#include "simulator.h"

#include "pty_client.h"

#include "protocol/meter_float.h"
#include "protocol/meter_settings.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <numbers>
#include <thread>

using namespace std::chrono_literals;
using metersim::SimOptions;
using metersim::Simulator;

namespace {

// A simulator running on its own thread, with its link in a temporary folder.
class RunningSim
{
public:
    explicit RunningSim(SimOptions options)
    {
        link = dir.filePath(QStringLiteral("dongle"));
        options.linkPath = link;
        options.speed = 20; // 1 s interval -> 50 ms
        options.dongle.connectDelay = 50ms;
        sim = std::make_unique<Simulator>(options, metersim::SimStreams{nullptr, nullptr});
        started = sim->start(&error);
        if (started)
            thread = std::thread([this] { sim->run(); });
    }
    ~RunningSim()
    {
        if (started) {
            sim->requestStop();
            thread.join();
        }
    }

    QTemporaryDir dir;
    QString link;
    std::unique_ptr<Simulator> sim;
    std::thread thread;
    bool started = false;
    QString error;
};

SimOptions withParts(const QStringList &partTexts, double noise = 0)
{
    SimOptions o;
    for (const QString &partText : partTexts)
        o.parts.push_back(*metersim::parsePart(partText, nullptr));
    o.noisePercent = noise;
    o.seed = 11;
    return o;
}

// The handshake test checks that the two replies come as separate blocks;
// here a loaded machine may read them together.
bool linkUp(PtyClient &client)
{
    if (!client.write("AT+CONNL"))
        return false;
    // On a busy machine the reply can share a block with the first whole readings.
    const auto replyThenFrames = [](const QByteArray &block, const char *reply) {
        const qsizetype size = qsizetype(qstrlen(reply));
        return block.startsWith(reply) && (block.size() - size) % 18 == 0;
    };
    const QByteArray first = client.readBlock();
    return replyThenFrames(first, "OK+CONNLOK+CONN\r\n")
           || (first == "OK+CONNL" && replyThenFrames(client.readBlock(), "OK+CONN\r\n"));
}

// Reads blocks until an 18-byte frame satisfies `accept`.
template <typename F>
std::optional<protocol::MeterFrame> awaitFrame(PtyClient &client, F accept, int blocks = 40)
{
    for (int i = 0; i < blocks; ++i) {
        const auto frame = protocol::MeterFrame::fromBytes(client.readBlock());
        if (frame && accept(*frame))
            return frame;
    }
    return std::nullopt;
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void handshake()
    {
        RunningSim s(withParts({QStringLiteral("R=4.7k")}));
        QVERIFY2(s.started, qPrintable(s.error));
        QCOMPARE(linkTarget(s.link), s.sim->slavePath());
        PtyClient client;
        QVERIFY(client.open(s.link));
        QVERIFY(client.write("AT"));
        QCOMPARE(client.readBlock(), QByteArray("OK"));
        QVERIFY(client.write("AT+CONNL"));
        QCOMPARE(client.readBlock(), QByteArray("OK+CONNL"));
        QCOMPARE(client.readBlock(), QByteArray("OK+CONN\r\n"));
    }

    void framesCarryThePart()
    {
        RunningSim s(withParts({QStringLiteral("C=100n,ESR=0.2")}, 1.0));
        QVERIFY2(s.started, qPrintable(s.error));
        PtyClient client;
        QVERIFY(client.open(s.link));
        QVERIFY(linkUp(client));
        for (int i = 0; i < 3; ++i) {
            const QByteArray block = client.readBlock();
            QCOMPARE(block.size(), 18);
            const auto frame = protocol::MeterFrame::fromBytes(block);
            QVERIFY(frame->hasValidTrailer());
            QCOMPARE(frame->mode(), std::optional(protocol::MeterMode::Rlcd));
            const auto settings = protocol::MeterSettings::fromFrame(*frame);
            const double hz = protocol::frequencyForCode(settings.freqCode);
            const double x = -1.0 / (2 * std::numbers::pi * hz * 100e-9);
            const double r = protocol::decodeMeterFloat(*frame, 0);
            const double xr = protocol::decodeMeterFloat(*frame, 4);
            QVERIFY2(std::abs(r / 0.2 - 1) <= 0.0101, qPrintable(QString::number(r)));
            QVERIFY2(std::abs(xr / x - 1) <= 0.0101, qPrintable(QString::number(xr)));
        }
    }

    void framesAtTheLinksFastestComeWhole()
    {
        SimOptions options = withParts({QStringLiteral("R=4.7k")});
        options.frameGap = 13500us;
        RunningSim s(options);
        QVERIFY2(s.started, qPrintable(s.error));
        PtyClient client;
        QVERIFY(client.open(s.link));
        QVERIFY(linkUp(client));
        // Whole frames one after the other. (A reader that is held up may
        // find two of them waiting at once, so blocks are not counted.)
        QByteArray bytes;
        while (bytes.size() < 40 * 18) {
            const QByteArray block = client.readBlock();
            QVERIFY(!block.isEmpty());
            QCOMPARE(block.size() % 18, 0);
            bytes += block;
        }
        for (qsizetype at = 0; at < bytes.size(); at += 18)
            QVERIFY(protocol::MeterFrame::fromBytes(bytes.mid(at, 18))->hasValidTrailer());
    }

    void commandsChangeTheFrames()
    {
        RunningSim s(withParts({QStringLiteral("U=3.3")}));
        QVERIFY2(s.started, qPrintable(s.error));
        PtyClient client;
        QVERIFY(client.open(s.link));
        QVERIFY(linkUp(client));

        // Series, 1 kHz, R and Q by hand, sound off, 0.5 V, brightness off.
        QVERIFY(client.write(QByteArray::fromHex("418321220a")));
        const auto set = awaitFrame(client, [](const protocol::MeterFrame &f) {
            return f.toByteArray().mid(8, 4).toHex() == "43212200";
        });
        QVERIFY(set);
        QVERIFY(!set->brightnessOn());

        QVERIFY(client.write(QByteArray::fromHex("830101010a")));
        const auto u = awaitFrame(client, [](const protocol::MeterFrame &f) { return f.modeNibble() == 3; });
        QVERIFY(u);
        QVERIFY(u->brightnessOn());
        QCOMPARE(protocol::decodeMeterFloat(*u, 8), double(3.3f));
    }

    void atWhileLinkedStopsTheFrames()
    {
        RunningSim s(withParts({QStringLiteral("R=100")}));
        QVERIFY2(s.started, qPrintable(s.error));
        PtyClient client;
        QVERIFY(client.open(s.link));
        QVERIFY(linkUp(client));
        QCOMPARE(client.readBlock().size(), 18);
        QVERIFY(client.write("AT"));
        QVERIFY(client.awaitReply("OK+LOST"));
        // Several reading intervals pass without a frame.
        QCOMPARE(client.readBlock(300ms), QByteArray());
        QVERIFY(client.write("AT"));
        QCOMPARE(client.readBlock(), QByteArray("OK"));
    }

    void failedAttemptsBringNoFrames_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::newRow("CONNF") << int(metersim::ConnectFailure::NotFound) << QByteArrayList{"OK+CONNL", "OK+CONNF"};
        QTest::newRow("CONNE") << int(metersim::ConnectFailure::Error) << QByteArrayList{"OK+CONNE"};
        QTest::newRow("CONNN") << int(metersim::ConnectFailure::NoAddress) << QByteArrayList{"OK+CONNN"};
    }

    void failedAttemptsBringNoFrames()
    {
        QFETCH(int, failure);
        QFETCH(QByteArrayList, replies);
        SimOptions o = withParts({QStringLiteral("R=1k")});
        o.dongle.failure = metersim::ConnectFailure(failure);
        RunningSim s(o);
        QVERIFY2(s.started, qPrintable(s.error));
        PtyClient client;
        QVERIFY(client.open(s.link));
        QVERIFY(client.write("AT+CONNL"));
        for (const QByteArray &reply : replies)
            QCOMPARE(client.readBlock(), reply);
        QCOMPARE(client.readBlock(300ms), QByteArray());
    }

    void randomBytesDoNoHarm()
    {
        RunningSim s(withParts({QStringLiteral("R=1k")}));
        QVERIFY2(s.started, qPrintable(s.error));
        PtyClient client;
        QVERIFY(client.open(s.link));
        QRandomGenerator rng(99);
        for (int i = 0; i < 64; ++i) {
            QByteArray chunk(rng.bounded(1, 128), Qt::Uninitialized);
            for (char &c : chunk)
                c = char(rng.bounded(256));
            chunk.replace("AT+CONNL", "AT+CONNX"); // stay unlinked, so the last answer is known
            QVERIFY(client.write(chunk));
        }
        client.drain();
        QVERIFY(client.write("AT"));
        QCOMPARE(client.readBlock(), QByteArray("OK"));
    }

    // The program writes "AT" and closes the port at once; the link must
    // still drop. Without the "AT" the link outlives the client.
    void reopeningThePort_data()
    {
        QTest::addColumn<bool>("atBeforeClose");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("AT, then close") << true << QByteArray("OK");
        QTest::newRow("close only") << false << QByteArray("OK+LOST");
    }

    void reopeningThePort()
    {
        QFETCH(bool, atBeforeClose);
        QFETCH(QByteArray, answer);
        RunningSim s(withParts({QStringLiteral("R=1k")}));
        QVERIFY2(s.started, qPrintable(s.error));
        {
            PtyClient first;
            QVERIFY(first.open(s.link));
            QVERIFY(linkUp(first));
            QCOMPARE(first.readBlock().size(), 18);
            if (atBeforeClose)
                QVERIFY(first.write("AT"));
        }
        PtyClient second;
        QVERIFY(second.open(s.link));
        QVERIFY(second.write("AT"));
        QVERIFY(second.awaitReply(answer));
    }

    void unplugAndReplug()
    {
        RunningSim s(withParts({QStringLiteral("R=1k")}));
        QVERIFY2(s.started, qPrintable(s.error));
        PtyClient client;
        QVERIFY(client.open(s.link));
        QVERIFY(linkUp(client));

        s.sim->requestPlugToggle();
        QVERIFY(client.waitHangup());
        QVERIFY(waitUntil([&] { return !pathExists(s.link); }));

        s.sim->requestPlugToggle();
        QVERIFY(waitUntil([&] { return pathExists(s.link); }));
        PtyClient again;
        QVERIFY(again.open(s.link));
        // A fresh dongle: no link up any more.
        QVERIFY(again.write("AT"));
        QCOMPARE(again.readBlock(), QByteArray("OK"));
    }

    void verboseDescriptions_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        using Kind = metersim::ReceivedCommand::Kind;
        QTest::newRow("at") << int(Kind::At) << QByteArray("AT") << "41 54  AT";
        QTest::newRow("settings") << int(Kind::Settings) << QByteArray::fromHex("418321220a")
                                  << "41 83 21 22 0A  settings: frequency 3, circuit series, main 1, secondary 2, "
                                     "level 2, interval 2, capture 0, sound off, brightness off";
        QTest::newRow("mode") << int(Kind::Mode) << QByteArray::fromHex("820101010a")
                              << "82 01 01 01 0A  mode RD, brightness on";
        QTest::newRow("garbage") << int(Kind::Garbage) << QByteArray("\r\n") << "0D 0A  (not a command, dropped)";
        QTest::newRow("short binary") << int(Kind::Settings) << QByteArray::fromHex("0124") << "01 24  (not a command, dropped)";
    }

    void verboseDescriptions()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(metersim::describeCommand({metersim::ReceivedCommand::Kind(kind), bytes}), text);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
