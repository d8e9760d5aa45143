#include "protocol/frame_encoder.h"
#include "protocol/rlc_decoder.h"

#include "i18n/window_lexicons.h"

#include "../i18n/map_translator.h"

#include <QTest>

#include <cmath>
#include <numbers>

using namespace protocol;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

MeterSettings settingsFor(int primary, int secondary, bool series, int freqCode = 4)
{
    MeterSettings s;
    s.primaryCode = quint8(primary);
    s.secondaryCode = quint8(secondary);
    s.seriesCircuit = series ? 1 : 0;
    s.freqCode = quint8(freqCode);
    return s;
}

RlcDecodeResult decode(const MeterSettings &s, double r, double x, const NumberSeparators &sep = {})
{
    static const i18n::WindowLexicons lexicons;
    return decodeRlcFrame(encodeRlcFrame(s, r, x, true), FormatContext{lexicons.unitTexts(), sep});
}

const std::optional<QString> kLeft; // the label keeps its text

// Readable in a failure message, unlike std::optional.
QString shown(const std::optional<QString> &text)
{
    return text.value_or(QStringLiteral("<unchanged>"));
}

} // namespace

class TestRlcDecoder : public QObject
{
    Q_OBJECT
private slots:
    void ratioAndPhase_data();
    void ratioAndPhase();
    void displayTexts_data();
    void displayTexts();
    void sideColumn_data();
    void sideColumn();
    void readingAndSettings();
    void fourZeroBytesInX();
    void frequencyCodeZero();
    void captions_data();
    void captions();
    void logRowDecision_data();
    void logRowDecision();
    void translatedUnits();
};

void TestRlcDecoder::ratioAndPhase_data()
{
    QTest::addColumn<bool>("phase");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("below 1") << false << 0.0123 << "0.0123";
    QTest::newRow("one integer digit") << false << 1.2345 << "1.2345";
    QTest::newRow("two integer digits") << false << 12.345 << "12.345";
    QTest::newRow("four integer digits") << false << 1234.56 << "1234.6";
    QTest::newRow("never grouped") << false << 99999.4 << "99999.0";
    QTest::newRow("scientific from 100000") << false << 123456.0 << "1.2346E5";
    QTest::newRow("phase") << true << -45.678 << "-45.6800°";
    QTest::newRow("phase rounds to four digits") << true << 89.99999 << "90.0000°";
}

void TestRlcDecoder::ratioAndPhase()
{
    QFETCH(bool, phase);
    QFETCH(double, value);
    QFETCH(QString, text);
    const NumberSeparators sep;
    QCOMPARE(phase ? formatPhase(value, sep) : formatRatio(value, sep), text);
}

void TestRlcDecoder::displayTexts_data()
{
    QTest::addColumn<MeterSettings>("settings");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<std::optional<QString>>("prim");
    QTest::addColumn<QString>("primLetter");
    QTest::addColumn<std::optional<QString>>("sec");
    QTest::addColumn<QString>("secLetter");
    auto txt = [](const char *s) { return std::optional<QString>(QString::fromUtf8(s)); };

    QTest::newRow("resistor R=100 X=0.001, Q") << settingsFor(1, 2, true) << 100.0 << 0.001 << txt("100.00 Ом")
                                               << "S" << txt("0.0000") << " ";
    QTest::newRow("resistor, D goes scientific") << settingsFor(1, 3, true) << 100.0 << 0.001 << txt("100.00 Ом")
                                                 << "S" << txt("1E5") << " ";
    QTest::newRow("resistor, phase") << settingsFor(1, 4, true) << 100.0 << 0.001 << txt("100.00 Ом") << "S"
                                     << txt("0.0006°") << " ";
    QTest::newRow("Z with parallel R") << settingsFor(4, 1, false) << 3.0 << 4.0 << txt("5.000 Ом") << ""
                                       << txt("8.333 Ом") << "P";
    QTest::newRow("Z with series R") << settingsFor(4, 1, true) << 3.0 << 4.0 << txt("5.000 Ом") << ""
                                     << txt("3.000 Ом") << "S";
    QTest::newRow("parallel R main, no secondary") << settingsFor(1, 0, false) << 3.0 << 4.0 << txt("8.333 Ом")
                                                   << "P" << txt(" ") << " ";
    // X = 1/(2 pi 100 Hz 4700 uF): whole micro-farads, grouped
    QTest::newRow("C in whole micro-farads") << settingsFor(2, 2, true, 1) << 0.01
                                             << 1.0 / (2 * std::numbers::pi * 100 * 0.0047) << txt(" 4,700 мкФ")
                                             << "S" << txt("33.863") << " ";
    QTest::newRow("C below 1 milli-farad") << settingsFor(2, 3, true) << 1.0 << 1000.0 << txt(" 15.915 нФ")
                                           << "S" << txt("0.0010") << " ";
    QTest::newRow("C over range") << settingsFor(2, 3, true) << 1.0 << 0.001 << txt(" >22.00 мФ") << "S"
                                  << txt("1000.00") << " ";
    QTest::newRow("L") << settingsFor(3, 2, true) << 1.0 << 100.0 << txt(" 1.5915 мГн") << "S"
                       << txt("100.00") << " ";
    // X = 2 pi 10 kHz 1 mH in single precision is a hair below: it falls to the micro row
    QTest::newRow("L just below 1 milli") << settingsFor(3, 2, true) << 1.0 << 62.831853
                                          << txt(" 1,000.00 мкГн") << "S" << txt("62.832") << " ";
    QTest::newRow("L over range") << settingsFor(3, 2, true) << 1.0 << 1e8 << txt(" >500 Гн") << "S"
                                  << txt("1E8") << " ";
    QTest::newRow("phase of a negative reactance") << settingsFor(1, 4, true) << 1.0 << -1.0 << txt("1.000 Ом")
                                                   << "S" << txt("-45.0000°") << " ";
    QTest::newRow("main code 0 leaves the value") << settingsFor(0, 5, true) << 1.0 << 1.0 << kLeft << "S"
                                                  << kLeft << " ";
    QTest::newRow("main code 7, secondary 7") << settingsFor(7, 7, false) << 1.0 << 1.0 << kLeft << "P" << kLeft
                                              << " ";

    MeterSettings negative = settingsFor(1, 0, true);
    negative.negativeSign = 1;
    QTest::newRow("no sign on R") << negative << 10.0 << 1.0 << txt("10.000 Ом") << "S" << txt(" ") << " ";
    negative.primaryCode = 4;
    QTest::newRow("no sign on Z") << negative << 3.0 << 4.0 << txt("5.000 Ом") << "" << txt(" ") << " ";
    negative.primaryCode = 3;
    QTest::newRow("sign on L") << negative << 1.0 << 100.0 << txt("-1.5915 мГн") << "S" << txt(" ") << " ";
    negative.primaryCode = 2;
    QTest::newRow("sign on C") << negative << 1.0 << 0.001 << txt("->22.00 мФ") << "S" << txt(" ") << " ";
}

void TestRlcDecoder::displayTexts()
{
    QFETCH(MeterSettings, settings);
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(std::optional<QString>, prim);
    QFETCH(QString, primLetter);
    QFETCH(std::optional<QString>, sec);
    QFETCH(QString, secLetter);
    const RlcDecodeResult out = decode(settings, r, x);
    QCOMPARE(shown(out.L_prim_n), shown(prim));
    QCOMPARE(out.L_SER_PER1, primLetter);
    QCOMPARE(shown(out.L_sec_n), shown(sec));
    QCOMPARE(out.L_SER_PER, secLetter);
}

void TestRlcDecoder::sideColumn_data()
{
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QStringList>("column");
    QTest::newRow("resistor") << 100.0 << 0.001 << "."
                              << QStringList{"Z 100.00 Ом", "D 1E5", "Q 0.0000", "Ɵ 0.0006°"};
    QTest::newRow("comma separator") << 3.0 << -4.0 << ","
                                     << QStringList{"Z 5,000 Ом", "D 0,7500", "Q 1,3333", "Ɵ -53,1300°"};
    QTest::newRow("D over 1000") << 1234.56 << 1.0 << "."
                                 << QStringList{"Z 1.2346 кОм", "D 1234.6", "Q 0.0008", "Ɵ 0.0464°"};
}

void TestRlcDecoder::sideColumn()
{
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(QString, decimal);
    QFETCH(QStringList, column);
    const RlcDecodeResult out = decode(settingsFor(1, 2, true), r, x, NumberSeparators{decimal, QString()});
    QCOMPARE((QStringList{out.L_righ1, out.L_righ2, out.L_righ3, out.L_righ4}), column);
}

void TestRlcDecoder::readingAndSettings()
{
    MeterSettings s = settingsFor(3, 4, false, 11);
    s.capture = 1;
    s.levelCode = 3;
    const RlcDecodeResult out = decode(s, -3.0, -4.0);
    QCOMPARE(out.settings, s);
    QCOMPARE(out.reading.frequencyHz, 75000);
    QCOMPARE(out.reading.seriesResistance, 3.0);
    QCOMPARE(out.reading.seriesReactance, 4.0);
    QCOMPARE(out.reading.parallelResistance, 25.0 / 3.0);
    QCOMPARE(out.reading.parallelReactance, 25.0 / 4.0);
    QCOMPARE(out.quantities.impedance, 5.0);
    // L and C come from the parallel reactance in the parallel circuit.
    QCOMPARE(out.quantities.inductance, (25.0 / 4.0) / (2 * std::numbers::pi * 75000));
    QVERIFY(out.quantities.phaseDegrees < 0);
    QCOMPARE(out.frequencyText, QStringLiteral("75 кГц"));
}

void TestRlcDecoder::fourZeroBytesInX()
{
    static const i18n::WindowLexicons lexicons;
    MeterFrame f = encodeRlcFrame(settingsFor(2, 3, true), 100.0, 1.0, true);
    for (int i = 4; i < 8; ++i)
        f[i] = 0;
    const RlcDecodeResult out = decodeRlcFrame(f, FormatContext{lexicons.unitTexts(), {}});
    QCOMPARE(out.reading.seriesReactance, std::ldexp(1.0, -127));
    QCOMPARE(out.L_prim_n, std::optional(QStringLiteral(" >22.00 мФ")));
    QCOMPARE(out.L_sec_n, std::optional(QStringLiteral("1.7014E40")));
    QVERIFY(std::isfinite(out.reading.parallelReactance));
}

void TestRlcDecoder::frequencyCodeZero()
{
    // X = 2 pi 120 Hz 0.5 H: L and C use 120 Hz although no frequency is shown.
    const RlcDecodeResult out = decode(settingsFor(3, 2, true, 0), 1.0, 2 * std::numbers::pi * 120 * 0.5);
    QCOMPARE(out.reading.frequencyHz, 120);
    QCOMPARE(out.L_prim_n, std::optional(QStringLiteral(" 500.00 мГн")));
    QCOMPARE(out.frequencyText, QStringLiteral("120 Гц"));
    QVERIFY(out.L_righ1.isEmpty() && out.L_righ2.isEmpty() && out.L_righ3.isEmpty() && out.L_righ4.isEmpty());
}

void TestRlcDecoder::captions_data()
{
    QTest::addColumn<int>("levelCode");
    QTest::addColumn<int>("freqCode");
    QTest::addColumn<std::optional<QString>>("level");
    QTest::addColumn<QString>("frequency");
    QTest::newRow("level 0, 100 Hz") << 0 << 1 << std::optional(QStringLiteral("A 1.0 Вскз")) << "100 Гц";
    QTest::newRow("level 1, 120 Hz") << 1 << 2 << std::optional(QStringLiteral("1.0 Вскз")) << "120 Гц";
    QTest::newRow("level 2, 1 kHz") << 2 << 3 << std::optional(QStringLiteral("0.5 Вскз")) << "1 кГц";
    QTest::newRow("level 3, 150 kHz") << 3 << 14 << std::optional(QStringLiteral("0.1 Вскз")) << "150 кГц";
    QTest::newRow("level 4, 100 kHz") << 4 << 5 << std::optional(QStringLiteral("0.1 В")) << "100 кГц";
    QTest::newRow("level 6 keeps its text, code 31")
        << 6 << 31 << kLeft << QString::number(kUnknownCodeFrequencyHz / 1000) + QStringLiteral(" кГц");
}

void TestRlcDecoder::captions()
{
    QFETCH(int, levelCode);
    QFETCH(int, freqCode);
    QFETCH(std::optional<QString>, level);
    QFETCH(QString, frequency);
    MeterSettings s = settingsFor(1, 2, true, freqCode);
    s.levelCode = quint8(levelCode);
    const RlcDecodeResult out = decode(s, 1.0, 1.0);
    QCOMPARE(shown(out.levelText), shown(level));
    QCOMPARE(out.frequencyText, frequency);
}

void TestRlcDecoder::logRowDecision_data()
{
    QTest::addColumn<bool>("recording");
    QTest::addColumn<int>("capture");
    QTest::addColumn<bool>("row");
    QTest::newRow("recording, live") << true << 0 << true;
    QTest::newRow("recording, captured") << true << 1 << false;
    QTest::newRow("not recording, live") << false << 0 << false;
    QTest::newRow("not recording, captured") << false << 1 << true;
}

void TestRlcDecoder::logRowDecision()
{
    QFETCH(bool, recording);
    QFETCH(int, capture);
    QFETCH(bool, row);
    MeterSettings s;
    s.capture = quint8(capture);
    QCOMPARE(decode(s, 1.0, 1.0).wantsLogRow(recording), row);
}

void TestRlcDecoder::translatedUnits()
{
    i18n::WindowLexicons lexicons;
    MapTranslator english;
    english.set(QStringLiteral("Form1.Dlang1"), 3, QStringLiteral("u"));
    english.set(QStringLiteral("Form1.Dlang3"), 3, QStringLiteral("Ohm"));
    english.set(QStringLiteral("Form1.Dlang3"), 5, QStringLiteral("F"));
    lexicons.attachEngine(&english);
    const FormatContext ctx{lexicons.unitTexts(), {}};
    const MeterSettings s = settingsFor(2, 1, true, 1);
    const RlcDecodeResult out =
        decodeRlcFrame(encodeRlcFrame(s, 0.01, 1.0 / (2 * std::numbers::pi * 100 * 0.0047), true), ctx);
    QCOMPARE(out.L_prim_n, std::optional(QStringLiteral(" 4,700 μF")));
    QCOMPARE(out.L_sec_n, std::optional(QStringLiteral("0.0100 Ω")));
}

QTEST_APPLESS_MAIN(TestRlcDecoder)
#include "tst_rlc_decoder.moc"
