#include "meter_model.h"

#include "protocol/meter_float.h"
#include "protocol/meter_settings.h"

#include <QSet>
#include <QTest>

#include <cmath>
#include <numbers>

using metersim::MeterModel;

namespace {

MeterModel meterWith(const QStringList &partTexts, double noise = 0, int perPart = 5)
{
    MeterModel::Config config;
    for (const QString &partText : partTexts)
        config.parts.push_back(*metersim::parsePart(partText, nullptr));
    config.noisePercent = noise;
    config.readingsPerPart = perPart;
    config.seed = 7;
    return MeterModel(config);
}

bool apply(MeterModel &meter, const QString &hex)
{
    const QByteArray b = QByteArray::fromHex(hex.toLatin1());
    if (b.size() != 5)
        return false;
    std::array<std::uint8_t, 5> bytes{};
    std::copy_n(reinterpret_cast<const std::uint8_t *>(b.constData()), 5, bytes.begin());
    return meter.applyCommand(bytes);
}

bool near(double got, double want)
{
    return std::abs(got - want) <= 1e-6 * std::abs(want) + 1e-30;
}

QString hexOf(const protocol::MeterFrame &f, std::size_t from, std::size_t n)
{
    return QString::fromLatin1(f.toByteArray().mid(qsizetype(from), qsizetype(n)).toHex());
}

} // namespace

class TestMeterModel : public QObject
{
    Q_OBJECT

private slots:
    // Commands in, RLCD frame out: settings bytes 8..11, mode byte 15, R and X.
    void settingsCommands_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("part");
        QTest::addColumn<QString>("settingsBytes");
        QTest::addColumn<int>("modeByte");
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("x");
        const double xc1k = -1.0 / (2 * std::numbers::pi * 1000 * 100e-9);

        // Automatic everything: 1 kHz, main R, phase angle, parallel from 1 kOhm.
        QTest::newRow("defaults, resistor") << QStringList{"012480210a"} << "R=4.7k" << "a3c92101" << 0x41
                                            << 4700.0 << 0.0;
        QTest::newRow("defaults, capacitor") << QStringList{"012480210a"} << "C=100n,ESR=0.2" << "a3ba2101"
                                             << 0x41 << 0.2 << xc1k;
        // |X| nearest 1 kOhm is at 100 kHz; series below 1 kOhm; Q for L.
        QTest::newRow("defaults, inductor") << QStringList{"012480210a"} << "L=1m,R=2" << "e5ab2101" << 0x41 << 2.0
                                            << 2 * std::numbers::pi * 1e5 * 1e-3;
        QTest::newRow("all by hand, brightness off") << QStringList{"418321220a"} << "C=100n,ESR=0.2" << "43212200"
                                                     << 0x01 << 0.2 << xc1k;
        QTest::newRow("L reading of a capacitor is negative") << QStringList{"012483210a"} << "C=100n,ESR=0.2"
                                                              << "a3a32103" << 0x41 << 0.2 << xc1k;
        QTest::newRow("level auto, 0.5 s, capture") << QStringList{"012480bb0a"} << "R=4.7k" << "a3c9bb01" << 0x41
                                                    << 4700.0 << 0.0;
        QTest::newRow("unknown main code keeps the last") << QStringList{"012481210a", "012487210a"} << "R=4.7k"
                                                          << "a3c12101" << 0x41 << 4700.0 << 0.0;
        QTest::newRow("impedance by hand, phase angle") << QStringList{"012484210a"} << "R=4.7k" << "a3c42101"
                                                        << 0x41 << 4700.0 << 0.0;
        QTest::newRow("75 kHz parallel by hand") << QStringList{"014b80210a"} << "C=100n,ESR=0.2" << "0bba2101"
                                                 << 0x41 << 0.2 << -1.0 / (2 * std::numbers::pi * 75000 * 100e-9);
    }

    void settingsCommands()
    {
        QFETCH(QStringList, commands);
        QFETCH(QString, part);
        QFETCH(QString, settingsBytes);
        QFETCH(int, modeByte);
        QFETCH(double, r);
        QFETCH(double, x);

        MeterModel meter = meterWith({part});
        for (const QString &c : commands)
            QVERIFY(apply(meter, c));
        const protocol::MeterFrame f = meter.nextReading();
        QVERIFY(f.hasValidTrailer());
        QCOMPARE(hexOf(f, 8, 4), settingsBytes);
        QCOMPARE(int(f[15]), modeByte);
        QVERIFY2(near(protocol::decodeMeterFloat(f, 0), r), qPrintable(QString::number(protocol::decodeMeterFloat(f, 0))));
        QVERIFY2(near(protocol::decodeMeterFloat(f, 4), x), qPrintable(QString::number(protocol::decodeMeterFloat(f, 4))));
        // The application's own reading of the frame agrees.
        QCOMPARE(protocol::MeterSettings::fromFrame(f).toFrameBytes(), meter.reportedSettings(meter.currentPart()).toFrameBytes());
    }

    // Mode commands switch the frame layout; values at bytes 0, 4, 8 and the RD status.
    void modes_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("part");
        QTest::addColumn<int>("modeByte");
        QTest::addColumn<double>("v0");
        QTest::addColumn<double>("v4");
        QTest::addColumn<double>("v8");
        QTest::addColumn<int>("status");

        QTest::newRow("RD resistor") << QStringList{"820101010a"} << "R=4.7k" << 0x42 << 4700.0 << 1.3e6 / 4800
                                     << 0.0 << 0x02;
        QTest::newRow("RD diode") << QStringList{"820101010a"} << "diode" << 0x42 << 650.0 << 1000.0 << 0.0 << 0x00;
        QTest::newRow("U negative source") << QStringList{"830101010a"} << "U=-1.5" << 0x43 << 1.5 << 0.0 << -1.5 << 0;
        QTest::newRow("U brightness off") << QStringList{"c30101010a"} << "U=3.3" << 0x03 << 3.3 << 0.0 << 3.3 << 0;
        QTest::newRow("U on a resistor") << QStringList{"830101010a"} << "R=1k" << 0x43 << 0.0 << 0.0 << 0.0 << 0;
        QTest::newRow("settings keep the mode") << QStringList{"830101010a", "412480210a"} << "U=5" << 0x03 << 5.0
                                                << 0.0 << 5.0 << 0;
    }

    void modes()
    {
        QFETCH(QStringList, commands);
        QFETCH(QString, part);
        QFETCH(int, modeByte);
        QFETCH(double, v0);
        QFETCH(double, v4);
        QFETCH(double, v8);
        QFETCH(int, status);

        MeterModel meter = meterWith({part});
        for (const QString &c : commands)
            QVERIFY(apply(meter, c));
        const protocol::MeterFrame f = meter.nextReading();
        QVERIFY(f.hasValidTrailer());
        QCOMPARE(int(f[15]), modeByte);
        QVERIFY(near(protocol::decodeMeterFloat(f, 0), v0));
        QVERIFY(near(protocol::decodeMeterFloat(f, 4), v4));
        QVERIFY(near(protocol::decodeMeterFloat(f, 8), v8));
        QCOMPARE(int(f[14]), status);
    }

    void rejectsOtherCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("unknown lead") << "022480210a";
        QTest::newRow("no terminator") << "012480210b";
        QTest::newRow("mode 4") << "840101010a";
        QTest::newRow("mode 0") << "800101010a";
    }

    void rejectsOtherCommands()
    {
        QFETCH(QString, command);
        MeterModel meter = meterWith({QStringLiteral("R=4.7k")});
        QVERIFY(!apply(meter, command));
        QCOMPARE(meter.commanded(), protocol::MeterSettings::defaults());
        QCOMPARE(meter.mode(), protocol::MeterMode::Rlcd);
        QVERIFY(meter.brightnessOn());
    }

    void noiseStaysInItsBand()
    {
        MeterModel meter = meterWith({QStringLiteral("C=100n,ESR=0.2")}, 5.0);
        const double x = -1.0 / (2 * std::numbers::pi * 1000 * 100e-9);
        QSet<quint32> distinct;
        for (int i = 0; i < 300; ++i) {
            const auto f = meter.nextReading();
            const double r = protocol::decodeMeterFloat(f, 0);
            const double xr = protocol::decodeMeterFloat(f, 4);
            QVERIFY2(std::abs(r / 0.2 - 1) <= 0.05 + 1e-6, qPrintable(QString::number(r)));
            QVERIFY2(std::abs(xr / x - 1) <= 0.05 + 1e-6, qPrintable(QString::number(xr)));
            distinct.insert(quint32(protocol::encodeMeterFloatWord(r)));
        }
        QVERIFY(distinct.size() > 100);
    }

    void partsCycle()
    {
        MeterModel meter = meterWith({QStringLiteral("R=1k"), QStringLiteral("R=2k")}, 0, 3);
        QList<double> seen;
        for (int i = 0; i < 7; ++i)
            seen << protocol::decodeMeterFloat(meter.nextReading(), 0);
        QCOMPARE(seen, (QList<double>{1000, 1000, 1000, 2000, 2000, 2000, 1000}));
    }

    void numberedReadingsCountUp()
    {
        MeterModel::Config config;
        config.parts.push_back(*metersim::parsePart(QStringLiteral("R=1k"), nullptr));
        config.numbered = true;
        MeterModel meter(config);
        QList<double> seen;
        for (int i = 0; i < 3; ++i)
            seen << protocol::decodeMeterFloat(meter.nextReading(), 0);
        QCOMPARE(seen, (QList<double>{1001, 1002, 1003}));
    }

    void captureHoldsTheValue()
    {
        MeterModel meter = meterWith({QStringLiteral("R=4.7k")}, 5.0);
        QVERIFY(apply(meter, QStringLiteral("012480a10a"))); // capture on
        const auto held = meter.nextReading();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(meter.nextReading(), held);
        QVERIFY(apply(meter, QStringLiteral("012480210a"))); // capture off
        QVERIFY(meter.nextReading().toByteArray().left(4) != held.toByteArray().left(4));
    }

    void readingInterval_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<double>("speed");
        QTest::addColumn<int>("ms");
        QTest::newRow("0.5 s") << 3 << 1.0 << 500;
        QTest::newRow("1 s") << 2 << 1.0 << 1000;
        QTest::newRow("2 s") << 1 << 1.0 << 2000;
        QTest::newRow("unknown code") << 7 << 1.0 << 1000;
        QTest::newRow("faster") << 1 << 10.0 << 200;
        QTest::newRow("floor keeps frames apart") << 3 << 1000.0 << 40;
    }

    void readingInterval()
    {
        QFETCH(int, code);
        QFETCH(double, speed);
        QFETCH(int, ms);
        MeterModel meter = meterWith({QStringLiteral("R=1k")});
        const QString level = QStringLiteral("%1").arg(0x01 | code << 4, 2, 16, QLatin1Char('0'));
        QVERIFY(apply(meter, QStringLiteral("012480") + level + QStringLiteral("0a")));
        QCOMPARE(meter.readingInterval(speed).count(), ms);
    }
};

QTEST_APPLESS_MAIN(TestMeterModel)
#include "tst_meter_model.moc"
