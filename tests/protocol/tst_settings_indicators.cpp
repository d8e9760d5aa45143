#include "protocol/settings_indicators.h"

#include "i18n/window_lexicons.h"

#include "english_units.h"
#include "hex_bytes.h"

#include <QTest>

using namespace protocol;

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<bool>)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

const std::optional<QString> kLeftText;
const std::optional<bool> kLeftState;
const std::optional<int> kLeftIndex;

// Readable in a failure message, unlike std::optional.
template <typename T>
QString shown(const std::optional<T> &value)
{
    if (!value)
        return QStringLiteral("<left as it was>");
    if constexpr (std::is_same_v<T, QString>)
        return QLatin1Char('\'') + *value + QLatin1Char('\'');
    else
        return QString::number(*value);
}

SettingIndicators indicators(const MeterSettings &s, std::int32_t frequencyHz = 10000, bool sb4Down = false)
{
    static const i18n::WindowLexicons lexicons;
    return showSettingIndicators(s, frequencyHz, lexicons.unitTexts(), sb4Down);
}

QString shownSelection(const ListSelection &l)
{
    return QStringLiteral("freq %1 prim %2 sec %3 level %4 circuit %5")
        .arg(l.ListBox_freq_RLC)
        .arg(l.ListBox_prim_RLC)
        .arg(l.ListBox_sec_RLC)
        .arg(l.ListBox_Level_RLC)
        .arg(l.ListBox_ser_per);
}

} // namespace

class TestSettingsIndicators : public QObject
{
    Q_OBJECT
private slots:
    void markersAndButtons_data();
    void markersAndButtons();
    void intervalBox_data();
    void intervalBox();
    void frequencyCaption_data();
    void frequencyCaption();
    void levelCaption_data();
    void levelCaption();
    void parameterLetters_data();
    void parameterLetters();
    void translatedUnits();
    void circuit_data();
    void circuit();
    void listSelection_data();
    void listSelection();
};

void TestSettingsIndicators::markersAndButtons_data()
{
    QTest::addColumn<int>("primaryAuto");
    QTest::addColumn<int>("secondaryAuto");
    QTest::addColumn<int>("capture");
    QTest::addColumn<int>("sound");
    QTest::addColumn<bool>("sb4Down");
    QTest::addColumn<QString>("primaryMarker");
    QTest::addColumn<QString>("secondaryMarker");
    QTest::addColumn<std::optional<bool>>("sp1Enabled");
    QTest::addColumn<bool>("sp3Down");
    QTest::addColumn<bool>("sp2Down");

    QTest::newRow("defaults, link up") << 1 << 1 << 0 << 1 << false << "A" << "A" << std::optional(true) << false << true;
    QTest::newRow("manual parameters, sound off") << 0 << 0 << 0 << 0 << false << " " << " " << std::optional(true)
                                                  << false << false;
    QTest::newRow("capture disables recording") << 1 << 0 << 1 << 1 << false << "A" << " " << std::optional(false)
                                                << true << true;
    QTest::newRow("capture with link down") << 0 << 1 << 1 << 0 << true << " " << "A" << std::optional(false) << true
                                            << false;
    QTest::newRow("no capture, link down: recording left") << 1 << 1 << 0 << 1 << true << "A" << "A" << kLeftState
                                                           << false << true;
    QTest::newRow("stray flag bytes count as set") << 2 << 255 << 2 << 7 << false << "A" << "A" << std::optional(false)
                                                   << true << true;
}

void TestSettingsIndicators::markersAndButtons()
{
    QFETCH(int, primaryAuto);
    QFETCH(int, secondaryAuto);
    QFETCH(int, capture);
    QFETCH(int, sound);
    QFETCH(bool, sb4Down);
    QFETCH(QString, primaryMarker);
    QFETCH(QString, secondaryMarker);
    QFETCH(std::optional<bool>, sp1Enabled);
    QFETCH(bool, sp3Down);
    QFETCH(bool, sp2Down);

    MeterSettings s;
    s.primaryAuto = quint8(primaryAuto);
    s.secondaryAuto = quint8(secondaryAuto);
    s.capture = quint8(capture);
    s.sound = quint8(sound);
    const SettingIndicators out = indicators(s, 10000, sb4Down);
    QCOMPARE(out.L_RLC_avto, primaryMarker);
    QCOMPARE(out.L_RQD_avto, secondaryMarker);
    QCOMPARE(shown(out.SP1_enabled), shown(sp1Enabled));
    QCOMPARE(out.SP3_down, sp3Down);
    QCOMPARE(out.SP2_down, sp2Down);
}

void TestSettingsIndicators::intervalBox_data()
{
    QTest::addColumn<int>("intervalCode");
    QTest::addColumn<std::optional<int>>("index");
    QTest::newRow("0.5 s") << 3 << std::optional(0);
    QTest::newRow("1 s") << 2 << std::optional(1);
    QTest::newRow("2 s") << 1 << std::optional(2);
    QTest::newRow("code 0 leaves the box") << 0 << kLeftIndex;
    QTest::newRow("code 4 leaves the box") << 4 << kLeftIndex;
    QTest::newRow("code 7 leaves the box") << 7 << kLeftIndex;
}

void TestSettingsIndicators::intervalBox()
{
    QFETCH(int, intervalCode);
    QFETCH(std::optional<int>, index);
    MeterSettings s;
    s.intervalCode = quint8(intervalCode);
    QCOMPARE(shown(indicators(s).CB1_index), shown(index));
}

void TestSettingsIndicators::frequencyCaption_data()
{
    QTest::addColumn<int>("freqAuto");
    QTest::addColumn<int>("freqCode");
    QTest::addColumn<int>("frequencyHz");
    QTest::addColumn<QString>("caption");
    QTest::newRow("automatic 10 kHz") << 1 << 4 << 10000 << "A 10 кГц";
    QTest::newRow("manual 100 Hz") << 0 << 1 << 100 << " 100 Гц";
    QTest::newRow("999 Hz stays in hertz") << 0 << 2 << 999 << " 999 Гц";
    QTest::newRow("1000 Hz in kilohertz") << 0 << 3 << 1000 << " 1 кГц";
    QTest::newRow("code 11 is 75 kHz") << 0 << 11 << 75000 << " 75 кГц";
    QTest::newRow("150 kHz") << 1 << 14 << 150000 << "A 150 кГц";
    // The caption follows the reading's frequency, not the code.
    QTest::newRow("reading frequency wins") << 0 << 3 << 20000 << " 20 кГц";
    QTest::newRow("code 0 empties the caption") << 1 << 0 << 120 << "";
    QTest::newRow("code 0 by hand too") << 0 << 0 << 120 << "";
}

void TestSettingsIndicators::frequencyCaption()
{
    QFETCH(int, freqAuto);
    QFETCH(int, freqCode);
    QFETCH(int, frequencyHz);
    QFETCH(QString, caption);
    MeterSettings s;
    s.freqAuto = quint8(freqAuto);
    s.freqCode = quint8(freqCode);
    QCOMPARE(indicators(s, frequencyHz).L_freq_RLC, caption);
}

void TestSettingsIndicators::levelCaption_data()
{
    QTest::addColumn<int>("levelAuto");
    QTest::addColumn<int>("levelCode");
    QTest::addColumn<QString>("caption");
    // Unlike the log's level text, code 0 carries no "A" of its own.
    QTest::newRow("code 0") << 0 << 0 << " 1.0 Вскз";
    QTest::newRow("code 0, automatic") << 1 << 0 << "A 1.0 Вскз";
    QTest::newRow("automatic 1.0") << 1 << 1 << "A 1.0 Вскз";
    QTest::newRow("1.0") << 0 << 1 << " 1.0 Вскз";
    QTest::newRow("0.5") << 0 << 2 << " 0.5 Вскз";
    QTest::newRow("0.1") << 0 << 3 << " 0.1 Вскз";
    QTest::newRow("code 4 in volts") << 0 << 4 << " 0.1 В";
    QTest::newRow("code 5: prefix only") << 0 << 5 << " ";
    QTest::newRow("code 7 automatic: prefix only") << 1 << 7 << "A ";
}

void TestSettingsIndicators::levelCaption()
{
    QFETCH(int, levelAuto);
    QFETCH(int, levelCode);
    QFETCH(QString, caption);
    MeterSettings s;
    s.levelAuto = quint8(levelAuto);
    s.levelCode = quint8(levelCode);
    QCOMPARE(indicators(s).L_Level_RLC, caption);
}

void TestSettingsIndicators::parameterLetters_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<std::optional<QString>>("primary");
    QTest::addColumn<std::optional<QString>>("secondary");
    QTest::newRow("0") << 0 << kLeftText << std::optional(QStringLiteral(" "));
    QTest::newRow("1") << 1 << std::optional(QStringLiteral("R")) << std::optional(QStringLiteral("R"));
    QTest::newRow("2") << 2 << std::optional(QStringLiteral("C")) << std::optional(QStringLiteral("Q"));
    QTest::newRow("3") << 3 << std::optional(QStringLiteral("L")) << std::optional(QStringLiteral("D"));
    QTest::newRow("4") << 4 << std::optional(QStringLiteral("Z")) << std::optional(QStringLiteral("Ɵ"));
    QTest::newRow("5") << 5 << kLeftText << kLeftText;
    QTest::newRow("7") << 7 << kLeftText << kLeftText;
}

void TestSettingsIndicators::parameterLetters()
{
    QFETCH(int, code);
    QFETCH(std::optional<QString>, primary);
    QFETCH(std::optional<QString>, secondary);
    MeterSettings s;
    s.primaryCode = quint8(code);
    s.secondaryCode = quint8(code);
    const SettingIndicators out = indicators(s);
    QCOMPARE(shown(out.L_Prim_RLC), shown(primary));
    QCOMPARE(shown(out.L_Sec_RLC), shown(secondary));
}

void TestSettingsIndicators::translatedUnits()
{
    const EnglishUnitLexicons english;
    const i18n::WindowLexicons &lexicons = english.lexicons;

    MeterSettings s;
    SettingIndicators out = showSettingIndicators(s, 10000, lexicons.unitTexts(), false);
    QCOMPARE(out.L_freq_RLC, QStringLiteral("A 10 kHz"));
    QCOMPARE(out.L_Level_RLC, QStringLiteral(" 1.0 Vrms"));

    s.levelCode = 4;
    out = showSettingIndicators(s, 120, lexicons.unitTexts(), false);
    QCOMPARE(out.L_freq_RLC, QStringLiteral("A 120 Hz"));
    QCOMPARE(out.L_Level_RLC, QStringLiteral(" 0.1 V"));
}

void TestSettingsIndicators::circuit_data()
{
    QTest::addColumn<int>("circuitAuto");
    QTest::addColumn<int>("seriesCircuit");
    QTest::addColumn<bool>("shownAtAll");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("letter");
    QTest::newRow("automatic") << 1 << 0 << true << 0 << "A";
    QTest::newRow("automatic wins over series") << 1 << 1 << true << 0 << "A";
    QTest::newRow("series") << 0 << 1 << true << 2 << "S";
    QTest::newRow("parallel") << 0 << 0 << true << 1 << "P";
    QTest::newRow("other value: nothing") << 0 << 2 << false << 0 << "";
    QTest::newRow("stray byte: nothing") << 0 << 255 << false << 0 << "";
}

void TestSettingsIndicators::circuit()
{
    QFETCH(int, circuitAuto);
    QFETCH(int, seriesCircuit);
    QFETCH(bool, shownAtAll);
    QFETCH(int, index);
    QFETCH(QString, letter);
    MeterSettings s;
    s.circuitAuto = quint8(circuitAuto);
    s.seriesCircuit = quint8(seriesCircuit);
    const std::optional<CircuitIndicators> out = showCircuitIndicators(s);
    QCOMPARE(out.has_value(), shownAtAll);
    if (!out)
        return;
    QCOMPARE(out->ListBox_ser_per, index);
    QCOMPARE(out->L_SER_PER, letter);
    QCOMPARE(out->L_SER_PER1, letter);
}

void TestSettingsIndicators::listSelection_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("selection");
    // Bytes in record order: freqAuto freqCode primaryAuto primaryCode
    // secondaryAuto secondaryCode levelAuto levelCode circuitAuto seriesCircuit
    // intervalCode capture negativeSign sound.
    QTest::newRow("defaults") << hexBytes("01 04 01 02 01 01 00 01 01 00 02 00 00 01")
                              << "freq 0 prim 0 sec 0 level 1 circuit 0";
    QTest::newRow("all by hand, series") << hexBytes("00 03 00 01 00 02 00 02 00 01 02 00 00 01")
                                         << "freq 3 prim 1 sec 2 level 2 circuit 2";
    QTest::newRow("all by hand, parallel") << hexBytes("00 0E 00 04 00 03 00 03 00 00 02 00 00 01")
                                           << "freq 14 prim 4 sec 3 level 3 circuit 1";
    QTest::newRow("level automatic") << hexBytes("00 01 00 03 00 00 01 03 00 00 02 00 00 01")
                                     << "freq 1 prim 3 sec 0 level 0 circuit 1";
    // Past the end of their lists: the window shows no selection there.
    QTest::newRow("codes past the lists") << hexBytes("00 1F 00 07 00 04 00 07 00 01 02 00 00 01")
                                          << "freq 31 prim 7 sec 4 level 7 circuit 2";
    QTest::newRow("stray circuit byte") << hexBytes("00 0C 00 00 00 00 00 00 00 FF 02 00 00 01")
                                        << "freq 12 prim 0 sec 0 level 0 circuit 256";
}

void TestSettingsIndicators::listSelection()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, selection);
    QCOMPARE(record.size(), qsizetype(MeterSettings::kSize));
    const auto s = MeterSettings::fromBytes(
        std::span<const std::uint8_t, MeterSettings::kSize>(reinterpret_cast<const std::uint8_t *>(record.data()),
                                                            MeterSettings::kSize));
    QCOMPARE(shownSelection(selectListsFromSettings(s)), selection);
}

QTEST_APPLESS_MAIN(TestSettingsIndicators)
#include "tst_settings_indicators.moc"
