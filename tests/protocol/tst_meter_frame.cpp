#include "protocol/frame_encoder.h"
#include "protocol/meter_float.h"
#include "protocol/meter_frame.h"

#include "hex_bytes.h"

#include <QTest>

#include <cmath>
#include <random>

using namespace protocol;

Q_DECLARE_METATYPE(std::optional<protocol::MeterMode>)

namespace {

MeterFrame frameWith(quint8 modeByte, quint8 b16 = 0x31, quint8 b17 = 0x0A)
{
    MeterFrame f;
    f[15] = modeByte;
    f[16] = b16;
    f[17] = b17;
    return f;
}

} // namespace

class TestMeterFrame : public QObject
{
    Q_OBJECT
private slots:
    void decodeVectors_data();
    void decodeVectors();
    void decodeAtOffsetsAndOutside();
    void encodeRoundTripsEveryWord();
    void encodeEdgeValues_data();
    void encodeEdgeValues();
    void routing_data();
    void routing();
    void framesOnlyFromEighteenBytes();
    void rlcFrameRoundTrip_data();
    void rlcFrameRoundTrip();
    void rdAndUFramesRoundTrip_data();
    void rdAndUFramesRoundTrip();
    void encodedFramesMatchTheWire();
};

void TestMeterFrame::decodeVectors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<double>("value");
    QTest::newRow("1.0") << hexBytes("00 00 80 3F") << 1.0;
    QTest::newRow("-1.0") << hexBytes("00 00 80 BF") << -1.0;
    QTest::newRow("10.0") << hexBytes("00 00 20 41") << 10.0;
    QTest::newRow("zero bytes") << hexBytes("00 00 00 00") << std::ldexp(1.0, -127);
    QTest::newRow("negative zero bytes") << hexBytes("00 00 00 80") << -std::ldexp(1.0, -127);
    QTest::newRow("subnormal pattern") << hexBytes("01 00 00 00") << std::ldexp(1.0 + std::ldexp(1.0, -23), -127);
    QTest::newRow("largest") << hexBytes("FF FF FF 7F") << std::ldexp(2.0 - std::ldexp(1.0, -23), 128);
    QTest::newRow("infinity pattern") << hexBytes("00 00 80 7F") << std::ldexp(1.0, 128);
    QTest::newRow("NaN pattern") << hexBytes("00 00 C0 FF") << -1.5 * std::ldexp(1.0, 128);
    QTest::newRow("0.001 as single") << hexBytes("6F 12 83 3A") << double(0.001f);
}

void TestMeterFrame::decodeVectors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(double, value);
    MeterFrame f;
    for (int i = 0; i < 4; ++i)
        f[4 + i] = quint8(bytes[i]);
    QCOMPARE(decodeMeterFloat(f, 4), value);
    QVERIFY(decodeMeterFloat(f, 4) != 0.0);
}

void TestMeterFrame::decodeAtOffsetsAndOutside()
{
    const MeterFrame f = encodeUFrame(1.0, -2.0, 10.0, true);
    QCOMPARE(decodeMeterFloat(f, 0), 1.0);
    QCOMPARE(decodeMeterFloat(f, 4), -2.0);
    QCOMPARE(decodeMeterFloat(f, 8), 10.0);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, decodeMeterFloat(f, 15));
}

void TestMeterFrame::encodeRoundTripsEveryWord()
{
    // Every word decodes to a value that encodes back to the same word: the
    // extreme exponents 0 and 255 included.
    std::mt19937 rng(20240601);
    std::vector<quint32> words = {0x00000000, 0x80000000, 0x007FFFFF, 0x7F800000, 0x7FFFFFFF,
                                  0xFFFFFFFF, 0x3F800000, 0x00800000, 0x7F7FFFFF};
    for (int i = 0; i < 200000; ++i)
        words.push_back(rng());
    for (const quint32 w : words) {
        const double v = decodeMeterFloat(w);
        QVERIFY(std::isfinite(v));
        if (encodeMeterFloatWord(v) != w)
            QFAIL(qPrintable(QStringLiteral("word %1 does not round-trip").arg(w, 8, 16, QLatin1Char('0'))));
    }
}

void TestMeterFrame::encodeEdgeValues_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<quint32>("word");
    QTest::newRow("zero is the smallest") << 0.0 << 0x00000000u;
    QTest::newRow("negative zero") << -0.0 << 0x80000000u;
    QTest::newRow("below the smallest") << 1e-50 << 0x00000000u;
    QTest::newRow("above the largest") << -1e40 << 0xFFFFFFFFu;
    QTest::newRow("infinity") << HUGE_VAL << 0x7FFFFFFFu;
    QTest::newRow("NaN") << std::nan("") << 0x00000000u;
    QTest::newRow("0.1 rounds like a single") << 0.1 << 0x3DCCCCCDu;
    QTest::newRow("carry into exponent") << 1.99999999999 << 0x40000000u;
    QTest::newRow("single subnormal range") << double(std::ldexp(1.5f, -127)) << 0x00400000u;
}

void TestMeterFrame::encodeEdgeValues()
{
    QFETCH(double, value);
    QFETCH(quint32, word);
    QCOMPARE(encodeMeterFloatWord(value), word);
}

void TestMeterFrame::routing_data()
{
    QTest::addColumn<MeterFrame>("frame");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("brightnessOn");
    QTest::addColumn<std::optional<MeterMode>>("decoder");
    const std::optional<MeterMode> none;
    QTest::newRow("CR instead of LF") << frameWith(0x41, 0x31, 0x0D) << false << false << none;
    QTest::newRow("wrong first trailer byte") << frameWith(0x41, 0x32, 0x0A) << false << false << none;
    QTest::newRow("brightness only, no mode") << frameWith(0x40) << true << true << none;
    QTest::newRow("RLCD, brightness on") << frameWith(0x41) << true << true << std::optional(MeterMode::Rlcd);
    QTest::newRow("RLCD, brightness off") << frameWith(0x01) << true << false << std::optional(MeterMode::Rlcd);
    QTest::newRow("bit 7 not read") << frameWith(0x81) << true << false << std::optional(MeterMode::Rlcd);
    QTest::newRow("bits 4 and 5 not read") << frameWith(0x72) << true << true << std::optional(MeterMode::Rd);
    QTest::newRow("U") << frameWith(0x03) << true << false << std::optional(MeterMode::U);
    QTest::newRow("mode 4 is no mode") << frameWith(0x44) << true << true << none;
    QTest::newRow("mode 15") << frameWith(0x0F) << true << false << none;
}

void TestMeterFrame::routing()
{
    QFETCH(MeterFrame, frame);
    QFETCH(bool, accepted);
    QFETCH(bool, brightnessOn);
    QFETCH(std::optional<MeterMode>, decoder);
    const FrameRoute route = routeFrame(frame);
    QCOMPARE(route.accepted, accepted);
    QCOMPARE(route.brightnessOn, brightnessOn);
    QCOMPARE(route.decoder, decoder);
}

void TestMeterFrame::framesOnlyFromEighteenBytes()
{
    QVERIFY(!MeterFrame::fromBytes(QByteArray(17, '\0')));
    QVERIFY(!MeterFrame::fromBytes(QByteArray(19, '\0')));
    QVERIFY(!MeterFrame::fromBytes(QByteArray()));
    const QByteArray block = hexBytes("00 00 80 3F 00 00 20 41 A4 9A 21 01 00 00 00 41 31 0A");
    const auto frame = MeterFrame::fromBytes(block);
    QVERIFY(frame);
    QCOMPARE(frame->toByteArray(), block);
    QCOMPARE((*frame)[15], quint8(0x41));
}

void TestMeterFrame::rlcFrameRoundTrip_data()
{
    QTest::addColumn<MeterSettings>("settings");
    QTest::addColumn<double>("resistance");
    QTest::addColumn<double>("reactance");
    QTest::addColumn<bool>("brightnessOn");

    MeterSettings every;
    every.freqAuto = 0;
    every.freqCode = 31;
    every.primaryAuto = 0;
    every.primaryCode = 7;
    every.secondaryAuto = 0;
    every.secondaryCode = 7;
    every.levelAuto = 1;
    every.levelCode = 7;
    every.circuitAuto = 0;
    every.seriesCircuit = 1;
    every.intervalCode = 7;
    every.capture = 1;
    every.negativeSign = 1;
    every.sound = 0;
    QTest::newRow("defaults") << MeterSettings::defaults() << 1.0 << 10.0 << true;
    QTest::newRow("every field at its maximum") << every << 1234.5 << -0.001 << false;
    QTest::newRow("smallest values") << MeterSettings::defaults() << std::ldexp(1.0, -127) << -std::ldexp(1.0, -127)
                                     << true;
    QTest::newRow("largest values") << MeterSettings::defaults() << std::ldexp(2.0 - std::ldexp(1.0, -23), 128)
                                    << 3e38 << false;
}

void TestMeterFrame::rlcFrameRoundTrip()
{
    QFETCH(MeterSettings, settings);
    QFETCH(double, resistance);
    QFETCH(double, reactance);
    QFETCH(bool, brightnessOn);
    const MeterFrame f = encodeRlcFrame(settings, resistance, reactance, brightnessOn);
    const FrameRoute route = routeFrame(f);
    QVERIFY(route.accepted);
    QCOMPARE(route.decoder, std::optional(MeterMode::Rlcd));
    QCOMPARE(route.brightnessOn, brightnessOn);
    QCOMPARE(MeterSettings::fromFrame(f), settings);
    // The value decoded is the nearest meter value to the one encoded.
    QCOMPARE(decodeMeterFloat(f, 0), decodeMeterFloat(encodeMeterFloatWord(resistance)));
    QCOMPARE(decodeMeterFloat(f, 4), decodeMeterFloat(encodeMeterFloatWord(reactance)));
    QCOMPARE(std::signbit(decodeMeterFloat(f, 4)), std::signbit(reactance));
}

void TestMeterFrame::rdAndUFramesRoundTrip_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("v0");
    QTest::addColumn<double>("v4");
    QTest::addColumn<double>("v8");
    QTest::addColumn<int>("statusByte");
    QTest::newRow("RD diode") << 2 << 650.0 << 1000.0 << 4.5 << 0x01;
    QTest::newRow("RD every status bit") << 2 << 4700.0 << 0.25 << 150.0 << 0xFF;
    QTest::newRow("RD resistance, second current") << 2 << 25e6 << 12.0 << 3.0 << 0x52;
    QTest::newRow("U") << 3 << 1.234 << 3.49 << -1.5 << 0;
}

void TestMeterFrame::rdAndUFramesRoundTrip()
{
    QFETCH(int, mode);
    QFETCH(double, v0);
    QFETCH(double, v4);
    QFETCH(double, v8);
    QFETCH(int, statusByte);
    const RdStatus status = RdStatus::fromByte(quint8(statusByte));
    const MeterFrame f = mode == 2 ? encodeRdFrame(v0, v4, v8, status, true) : encodeUFrame(v0, v4, v8, true);
    QCOMPARE(routeFrame(f).decoder, std::optional(MeterMode(mode)));
    QCOMPARE(decodeMeterFloat(f, 0), double(float(v0)));
    QCOMPARE(decodeMeterFloat(f, 4), double(float(v4)));
    QCOMPARE(decodeMeterFloat(f, 8), double(float(v8)));
    QCOMPARE(int(f[14]), mode == 2 ? statusByte : 0);
    QCOMPARE(RdStatus::fromByte(f[14]).toByte(), f[14]);
}

void TestMeterFrame::encodedFramesMatchTheWire()
{
    QCOMPARE(toHex(encodeRlcFrame(MeterSettings::defaults(), 1.0, 10.0, true).toByteArray()),
             QStringLiteral("00 00 80 3F 00 00 20 41 A4 9A 21 01 00 00 00 41 31 0A"));
    QCOMPARE(toHex(encodeRdFrame(650.0, 1000.0, 0.0, RdStatus{1, false, 0}, true).toByteArray()),
             QStringLiteral("00 80 22 44 00 00 7A 44 00 00 00 00 00 00 01 42 31 0A"));
    QCOMPARE(toHex(encodeUFrame(1.0, 1.0, -1.0, false).toByteArray()),
             QStringLiteral("00 00 80 3F 00 00 80 3F 00 00 80 BF 00 00 00 03 31 0A"));
}

QTEST_APPLESS_MAIN(TestMeterFrame)
#include "tst_meter_frame.moc"
