#include "protocol/frame_encoder.h"
#include "protocol/meter_command.h"
#include "protocol/meter_settings.h"

#include "hex_bytes.h"

#include <QTest>

#include <random>

using namespace protocol;

namespace {

MeterSettings fromFrameBytes(const char *hex)
{
    MeterFrame f;
    const QByteArray b = hexBytes(hex);
    for (int i = 0; i < 4; ++i)
        f[8 + i] = quint8(b[i]);
    return MeterSettings::fromFrame(f);
}

QByteArray recordBytes(const MeterSettings &s)
{
    const auto b = s.toBytes();
    return QByteArray(reinterpret_cast<const char *>(b.data()), qsizetype(b.size()));
}

} // namespace

class TestMeterSettings : public QObject
{
    Q_OBJECT
private slots:
    void recordLayout_data();
    void recordLayout();
    void recordRoundTrip();
    void frameBitsRoundTrip();
    void frequencyTable_data();
    void frequencyTable();
    void settingsCommands_data();
    void settingsCommands();
    void modeCommands_data();
    void modeCommands();
    void autoFrequencyIsPinnedInTheRecord();
};

void TestMeterSettings::recordLayout_data()
{
    QTest::addColumn<MeterSettings>("settings");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("defaults") << MeterSettings::defaults() << hexBytes("01 04 01 02 01 01 00 01 01 00 02 00 00 01");
    QTest::newRow("frame A4 9A 21 01 gives the defaults")
        << fromFrameBytes("A4 9A 21 01") << hexBytes("01 04 01 02 01 01 00 01 01 00 02 00 00 01");
    QTest::newRow("frame of zeros") << fromFrameBytes("00 00 00 00") << QByteArray(14, '\0');
    QTest::newRow("frame of ones, byte 11 high bits ignored")
        << fromFrameBytes("FF FF FF FF") << hexBytes("01 1F 01 07 01 07 01 07 01 01 07 01 01 01");
    // byte 8: code 3, series, by hand; byte 9: R by hand, Q; byte 10: level 2, 1 s; byte 11: sign, no sound
    QTest::newRow("mixed") << fromFrameBytes("43 21 22 02") << hexBytes("00 03 00 01 00 02 00 02 00 01 02 00 01 00");
}

void TestMeterSettings::recordLayout()
{
    QFETCH(MeterSettings, settings);
    QFETCH(QByteArray, record);
    QCOMPARE(toHex(recordBytes(settings)), toHex(record));
}

void TestMeterSettings::recordRoundTrip()
{
    std::array<std::uint8_t, MeterSettings::kSize> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(0xF0 + i); // any byte a file may hold survives
    QCOMPARE(MeterSettings::fromBytes(bytes).toBytes(), bytes);
}

void TestMeterSettings::frameBitsRoundTrip()
{
    // Every combination of the read bits survives frame -> record -> frame.
    std::mt19937 rng(7);
    for (int i = 0; i < 5000; ++i) {
        MeterFrame f;
        for (int b = 8; b < 12; ++b)
            f[b] = quint8(rng());
        f[11] &= 0x03;
        const auto packed = MeterSettings::fromFrame(f).toFrameBytes();
        for (int b = 0; b < 4; ++b)
            QCOMPARE(packed[b], f[8 + b]);
    }
}

void TestMeterSettings::frequencyTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("hertz");
    const int table[] = {120, 100, 120, 1000, 10000, 100000, 20000, 30000,
                         40000, 50000, 60000, 75000, 80000, 90000, 150000};
    for (int code = 0; code < 15; ++code)
        QTest::addRow("code %d", code) << code << table[code];
    QTest::newRow("15 not in the table") << 15 << int(kUnknownCodeFrequencyHz);
    QTest::newRow("31 not in the table") << 31 << int(kUnknownCodeFrequencyHz);
    QTest::newRow("negative from a file") << -1 << int(kUnknownCodeFrequencyHz);
    QTest::newRow("byte from a file") << 255 << int(kUnknownCodeFrequencyHz);
}

void TestMeterSettings::frequencyTable()
{
    QFETCH(int, code);
    QFETCH(int, hertz);
    QCOMPARE(frequencyForCode(code), hertz);
    QVERIFY(frequencyForCode(code) > 0);
}

void TestMeterSettings::settingsCommands_data()
{
    QTest::addColumn<MeterSettings>("settings");
    QTest::addColumn<bool>("brightnessOn");
    QTest::addColumn<QString>("command");

    QTest::newRow("defaults") << MeterSettings::defaults() << true << "01 24 80 21 0A";

    MeterSettings byHand;
    byHand.circuitAuto = 0;
    byHand.seriesCircuit = 1;
    byHand.freqAuto = 0;
    byHand.freqCode = 3;
    byHand.primaryAuto = 0;
    byHand.primaryCode = 1;
    byHand.secondaryAuto = 0;
    byHand.secondaryCode = 2;
    byHand.sound = 0;
    byHand.levelAuto = 0;
    byHand.levelCode = 2;
    byHand.intervalCode = 2;
    byHand.capture = 0;
    QTest::newRow("series 1 kHz R Q 0.5 V, brightness off") << byHand << false << "41 83 21 22 0A";

    MeterSettings autoFreq = MeterSettings::defaults();
    autoFreq.freqCode = 9;
    QTest::newRow("automatic frequency always sends code 4") << autoFreq << true << "01 24 80 21 0A";

    MeterSettings parallel = byHand;
    parallel.seriesCircuit = 0;
    parallel.capture = 1;
    parallel.levelAuto = 1;
    QTest::newRow("parallel by hand, capture, level auto") << parallel << true << "01 43 21 AA 0A";

    MeterSettings garbage = byHand;
    garbage.seriesCircuit = 5;  // a damaged profile: a flag is a flag
    garbage.primaryCode = 0x13; // and a code never spills into its neighbour
    garbage.sound = 9;
    QTest::newRow("stray bytes from a file stay in their fields") << garbage << true << "01 83 A3 22 0A";
}

void TestMeterSettings::settingsCommands()
{
    QFETCH(MeterSettings, settings);
    QFETCH(bool, brightnessOn);
    QFETCH(QString, command);
    QCOMPARE(toHex(MeterCommand::settings(settings, brightnessOn).toByteArray()), command);
}

void TestMeterSettings::modeCommands_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("brightnessOn");
    QTest::addColumn<QString>("command");
    QTest::newRow("RLCD") << 1 << true << "81 01 01 01 0A";
    QTest::newRow("RD") << 2 << true << "82 01 01 01 0A";
    QTest::newRow("U") << 3 << true << "83 01 01 01 0A";
    QTest::newRow("U, brightness off") << 3 << false << "C3 01 01 01 0A";
}

void TestMeterSettings::modeCommands()
{
    QFETCH(int, mode);
    QFETCH(bool, brightnessOn);
    QFETCH(QString, command);
    QCOMPARE(toHex(MeterCommand::mode(MeterMode(mode), brightnessOn).toByteArray()), command);
}

void TestMeterSettings::autoFrequencyIsPinnedInTheRecord()
{
    MeterSettings s;
    s.freqAuto = 1;
    s.freqCode = 9;
    s.pinAutoFrequency();
    QCOMPARE(s.freqCode, quint8(4));
    s.freqAuto = 0;
    s.freqCode = 9;
    s.pinAutoFrequency();
    QCOMPARE(s.freqCode, quint8(9));
}

QTEST_APPLESS_MAIN(TestMeterSettings)
#include "tst_meter_settings.moc"
