#include "command_splitter.h"

#include <QRandomGenerator>
#include <QTest>

using metersim::Clock;
using metersim::CommandSplitter;
using metersim::ReceivedCommand;

namespace {

// "AT", "CONNL", "SET", "MODE", "DROP" followed by the bytes in hex.
QString render(const ReceivedCommand &c)
{
    static const char *const kNames[] = {"AT", "CONNL", "SET", "MODE", "DROP"};
    return QStringLiteral("%1:%2").arg(QLatin1String(kNames[int(c.kind)]), QString::fromLatin1(c.bytes.toHex()));
}

// Feeds the chunks one millisecond apart; a null chunk lets the quiet time pass.
QStringList cut(const QList<QByteArray> &chunks)
{
    CommandSplitter splitter;
    Clock::time_point now{};
    QStringList out;
    auto take = [&out](const std::vector<ReceivedCommand> &commands) {
        for (const auto &c : commands)
            out << render(c);
    };
    for (const QByteArray &chunk : chunks) {
        now += std::chrono::milliseconds(1);
        if (chunk.isNull()) {
            now += CommandSplitter::kQuietTime;
            take(splitter.expire(now));
            continue;
        }
        const auto *data = reinterpret_cast<const std::uint8_t *>(chunk.constData());
        take(splitter.feed({data, std::size_t(chunk.size())}, now));
    }
    take(splitter.expire(now + CommandSplitter::kQuietTime));
    return out;
}

} // namespace

class TestCommandSplitter : public QObject
{
    Q_OBJECT

private slots:
    void cutsStream_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("expected");
        const QByteArray quiet;
        const QByteArray settings = QByteArray::fromHex("012480210a");
        const QByteArray settingsOff = QByteArray::fromHex("418321220a"); // starts with "A"
        const QByteArray modeU = QByteArray::fromHex("830101010a");

        QTest::newRow("bare AT waits for the quiet time") << QList<QByteArray>{"AT"} << QStringList{"AT:4154"};
        QTest::newRow("connect request") << QList<QByteArray>{"AT+CONNL"}
                                         << QStringList{"CONNL:41542b434f4e4e4c"};
        QTest::newRow("connect request in pieces") << QList<QByteArray>{"A", "T+CO", "NNL"}
                                                   << QStringList{"CONNL:41542b434f4e4e4c"};
        QTest::newRow("two writes read together") << QList<QByteArray>{"ATAT+CONNL"}
                                                  << QStringList{"AT:4154", "CONNL:41542b434f4e4e4c"};
        QTest::newRow("quiet between AT and the rest") << QList<QByteArray>{"AT", quiet, "+CONNL"}
                                                       << QStringList{"AT:4154", "DROP:2b434f4e4e4c"};
        QTest::newRow("settings") << QList<QByteArray>{settings} << QStringList{"SET:012480210a"};
        QTest::newRow("settings with brightness off") << QList<QByteArray>{settingsOff}
                                                      << QStringList{"SET:418321220a"};
        QTest::newRow("settings in pieces") << QList<QByteArray>{settings.left(2), settings.mid(2)}
                                            << QStringList{"SET:012480210a"};
        QTest::newRow("mode") << QList<QByteArray>{modeU} << QStringList{"MODE:830101010a"};
        QTest::newRow("mode with a wrong body is dropped")
            << QList<QByteArray>{QByteArray::fromHex("830102010a")} << QStringList{"DROP:83", "DROP:0102010a"};
        QTest::newRow("AT then settings at once") << QList<QByteArray>{"AT" + settings}
                                                  << QStringList{"AT:4154", "SET:012480210a"};
        QTest::newRow("settings then connect") << QList<QByteArray>{settingsOff + "AT+CONNL"}
                                               << QStringList{"SET:418321220a", "CONNL:41542b434f4e4e4c"};
        QTest::newRow("line ends before a command") << QList<QByteArray>{"\r\nAT+CONNL"}
                                                    << QStringList{"DROP:0d0a", "CONNL:41542b434f4e4e4c"};
        QTest::newRow("broken connect re-aligns") << QList<QByteArray>{"AT+CONXAT+CONNL"}
                                                  << QStringList{"DROP:41542b434f4e58", "CONNL:41542b434f4e4e4c"};
        QTest::newRow("truncated settings dropped after quiet")
            << QList<QByteArray>{QByteArray::fromHex("012480"), quiet, "AT"}
            << QStringList{"DROP:012480", "AT:4154"};
        QTest::newRow("settings without terminator re-aligns")
            << QList<QByteArray>{QByteArray::fromHex("0124802199") + settings}
            << QStringList{"DROP:0124802199", "SET:012480210a"};
        QTest::newRow("lone A at the end") << QList<QByteArray>{"xA"} << QStringList{"DROP:78", "DROP:41"};
    }

    void cutsStream()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, expected);
        QCOMPARE(cut(chunks), expected);
    }

    // Whatever arrives, every byte comes out exactly once, in order, and the
    // splitter never holds more than one partial command.
    void randomBytesAreAccountedFor()
    {
        QRandomGenerator rng(20240611);
        CommandSplitter splitter;
        Clock::time_point now{};
        QByteArray in, out;
        std::size_t mostHeld = 0;
        const QByteArray pieces[] = {"AT", "AT+CONNL", "AT+CON", QByteArray::fromHex("012480210a"),
                                     QByteArray::fromHex("c20101010a"), "A"};
        for (int round = 0; round < 2000; ++round) {
            QByteArray chunk;
            const int n = rng.bounded(1, 24);
            for (int i = 0; i < n; ++i) {
                if (rng.bounded(4) == 0)
                    chunk += pieces[rng.bounded(int(std::size(pieces)))];
                else
                    chunk += char(rng.bounded(256));
            }
            in += chunk;
            now += std::chrono::milliseconds(rng.bounded(1, 50));
            for (const auto &c : splitter.expire(now))
                out += c.bytes;
            const auto *data = reinterpret_cast<const std::uint8_t *>(chunk.constData());
            for (const auto &c : splitter.feed({data, std::size_t(chunk.size())}, now))
                out += c.bytes;
            mostHeld = std::max(mostHeld, splitter.held());
        }
        for (const auto &c : splitter.expire(now + CommandSplitter::kQuietTime))
            out += c.bytes;
        QCOMPARE(out.toHex(), in.toHex());
        QVERIFY2(mostHeld <= 7, qPrintable(QString::number(mostHeld)));
        QCOMPARE(splitter.held(), std::size_t(0));
        QVERIFY(!splitter.deadline());
    }
};

QTEST_APPLESS_MAIN(TestCommandSplitter)
#include "tst_command_splitter.moc"
