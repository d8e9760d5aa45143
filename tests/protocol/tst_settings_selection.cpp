#include "protocol/settings_selection.h"

#include "i18n/window_lexicons.h"
#include "protocol/meter_command.h"
#include "protocol/settings_indicators.h"

#include "english_units.h"
#include "hex_bytes.h"

#include <QTest>

using namespace protocol;

Q_DECLARE_METATYPE(std::optional<bool>)

namespace {

const i18n::WindowLexicons &designLexicons()
{
    static const i18n::WindowLexicons lexicons;
    return lexicons;
}

// The lists, with the record bytes (auto flag, code) a choice in them owns.
struct ListUnderTest
{
    int autoByte;
    int codeByte;
    std::optional<SelectionCaptions> (*choose)(MeterSettings &, int);
    int ListSelection::*selected;
};

ListUnderTest listNamed(const QString &name)
{
    static const QHash<QString, ListUnderTest> lists{
        {QStringLiteral("freq"),
         {0, 1, [](MeterSettings &s, int i) { return chooseFrequency(s, i, designLexicons().unitTexts()); },
          &ListSelection::ListBox_freq_RLC}},
        {QStringLiteral("prim"), {2, 3, &choosePrimary, &ListSelection::ListBox_prim_RLC}},
        {QStringLiteral("sec"), {4, 5, &chooseSecondary, &ListSelection::ListBox_sec_RLC}},
        {QStringLiteral("level"),
         {6, 7, [](MeterSettings &s, int i) { return chooseLevel(s, i, designLexicons().unitTexts()); },
          &ListSelection::ListBox_Level_RLC}},
        {QStringLiteral("circuit"), {8, 9, &chooseCircuit, &ListSelection::ListBox_ser_per}},
    };
    return lists.value(name);
}

MeterSettings filledWith(std::uint8_t byte)
{
    std::array<std::uint8_t, MeterSettings::kSize> bytes;
    bytes.fill(byte);
    return MeterSettings::fromBytes(bytes);
}

QString hexOf(const std::array<std::uint8_t, MeterSettings::kSize> &bytes)
{
    return toHex(QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
}

// One line per choice, readable in a failure message.
QString shown(const std::optional<SelectionCaptions> &c)
{
    if (!c)
        return QStringLiteral("<not an item>");
    QStringList parts;
    const auto add = [&parts](const char *name, const std::optional<QString> &text) {
        if (text)
            parts << QStringLiteral("%1='%2'").arg(QLatin1String(name), *text);
    };
    add("L_freq_RLC", c->L_freq_RLC);
    add("L_Level_RLC", c->L_Level_RLC);
    add("L_Prim_RLC", c->L_Prim_RLC);
    add("L_RLC_avto", c->L_RLC_avto);
    add("L_Sec_RLC", c->L_Sec_RLC);
    add("L_RQD_avto", c->L_RQD_avto);
    add("L_SER_PER", c->L_SER_PER);
    add("L_SER_PER1", c->L_SER_PER1);
    return parts.join(QLatin1Char(' '));
}

QString shown(const std::optional<bool> &state)
{
    return state ? (*state ? QStringLiteral("enabled") : QStringLiteral("disabled")) : QStringLiteral("<left>");
}

} // namespace

class TestSettingsSelection : public QObject
{
    Q_OBJECT
private slots:
    void listChoice_data();
    void listChoice();
    void automaticFrequencyIsSentAsCode4();
    void translatedUnits();
    void capture_data();
    void capture();
    void sound();
    void interval_data();
    void interval();
};

void TestSettingsSelection::listChoice_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("autoFlag"); // the record's two bytes afterwards; unused when not an item
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("captions");

    const QString notAnItem = QStringLiteral("<not an item>");
    const auto freq = [](int index, int autoFlag, const char *caption) {
        QTest::addRow("freq %d", index) << "freq" << index << autoFlag << index
                                        << QStringLiteral("L_freq_RLC='%1'").arg(QString::fromUtf8(caption));
    };
    freq(0, 1, "A10 кГц");
    freq(1, 0, "100 Гц");
    freq(2, 0, "120 Гц");
    freq(3, 0, "1 кГц");
    freq(4, 0, "10 кГц");
    freq(5, 0, "100 кГц");
    freq(6, 0, "20 кГц");
    freq(7, 0, "30 кГц");
    freq(8, 0, "40 кГц");
    freq(9, 0, "50 кГц");
    freq(10, 0, "60 кГц");
    freq(11, 0, "75 кГц");
    freq(12, 0, "80 кГц");
    freq(13, 0, "90 кГц");
    freq(14, 0, "150 кГц");
    QTest::newRow("freq -1") << "freq" << -1 << 0 << 0 << notAnItem;
    QTest::newRow("freq 15") << "freq" << 15 << 0 << 0 << notAnItem;

    // No space before the unit, unlike the indicator's "A 1.0 Вскз".
    QTest::newRow("level automatic") << "level" << 0 << 1 << 1 << "L_Level_RLC='A1.0Вскз'";
    QTest::newRow("level 1.0") << "level" << 1 << 0 << 1 << "L_Level_RLC='1.0Вскз'";
    QTest::newRow("level 0.5") << "level" << 2 << 0 << 2 << "L_Level_RLC='0.5Вскз'";
    QTest::newRow("level 0.1") << "level" << 3 << 0 << 3 << "L_Level_RLC='0.1Вскз'";
    QTest::newRow("level -1") << "level" << -1 << 0 << 0 << notAnItem;
    QTest::newRow("level 4") << "level" << 4 << 0 << 0 << notAnItem;

    QTest::newRow("prim automatic shows C") << "prim" << 0 << 1 << 0 << "L_Prim_RLC='C' L_RLC_avto='A'";
    QTest::newRow("prim R") << "prim" << 1 << 0 << 1 << "L_Prim_RLC='R' L_RLC_avto=' '";
    QTest::newRow("prim C") << "prim" << 2 << 0 << 2 << "L_Prim_RLC='C' L_RLC_avto=' '";
    QTest::newRow("prim L") << "prim" << 3 << 0 << 3 << "L_Prim_RLC='L' L_RLC_avto=' '";
    QTest::newRow("prim Z") << "prim" << 4 << 0 << 4 << "L_Prim_RLC='Z' L_RLC_avto=' '";
    QTest::newRow("prim 5") << "prim" << 5 << 0 << 0 << notAnItem;

    QTest::newRow("sec automatic") << "sec" << 0 << 1 << 0 << "L_RQD_avto='A'";
    QTest::newRow("sec R leaves the circuit letter") << "sec" << 1 << 0 << 1 << "L_Sec_RLC='R' L_RQD_avto=''";
    QTest::newRow("sec Q blanks the circuit letter") << "sec" << 2 << 0 << 2
                                                     << "L_Sec_RLC='Q' L_RQD_avto='' L_SER_PER=' '";
    QTest::newRow("sec D blanks the circuit letter") << "sec" << 3 << 0 << 3
                                                     << "L_Sec_RLC='D' L_RQD_avto='' L_SER_PER=' '";
    QTest::newRow("sec 4 (phase) is not an item") << "sec" << 4 << 0 << 0 << notAnItem;
    QTest::newRow("sec -1") << "sec" << -1 << 0 << 0 << notAnItem;

    // The automatic item records a series circuit as well.
    QTest::newRow("circuit automatic") << "circuit" << 0 << 1 << 1 << "L_SER_PER='A' L_SER_PER1='A'";
    QTest::newRow("circuit parallel") << "circuit" << 1 << 0 << 0 << "L_SER_PER='P' L_SER_PER1='P'";
    QTest::newRow("circuit series") << "circuit" << 2 << 0 << 1 << "L_SER_PER='S' L_SER_PER1='S'";
    QTest::newRow("circuit 3") << "circuit" << 3 << 0 << 0 << notAnItem;
}

void TestSettingsSelection::listChoice()
{
    QFETCH(QString, list);
    QFETCH(int, index);
    QFETCH(int, autoFlag);
    QFETCH(int, code);
    QFETCH(QString, captions);
    const ListUnderTest under = listNamed(list);
    QVERIFY(under.choose);
    const bool anItem = !captions.startsWith(QLatin1Char('<'));

    // From two records that differ in every byte, so that a field written by
    // mistake, or one that should change but does not, shows either way.
    for (const std::uint8_t fill : {std::uint8_t(0x00), std::uint8_t(0x07)}) {
        const MeterSettings before = filledWith(fill);
        MeterSettings after = before;
        QCOMPARE(shown(under.choose(after, index)), captions);

        auto expected = before.toBytes();
        if (anItem) {
            expected[std::size_t(under.autoByte)] = std::uint8_t(autoFlag);
            expected[std::size_t(under.codeByte)] = std::uint8_t(code);
        }
        QCOMPARE(hexOf(after.toBytes()), hexOf(expected));
        // Reading the record back selects the item just chosen.
        if (anItem)
            QCOMPARE(selectListsFromSettings(after).*under.selected, index);
    }
}

void TestSettingsSelection::automaticFrequencyIsSentAsCode4()
{
    MeterSettings s;
    s.freqAuto = 0;
    s.freqCode = 11;
    QCOMPARE(chooseFrequency(s, 0, designLexicons().unitTexts())->L_freq_RLC, std::optional(QStringLiteral("A10 кГц")));
    QCOMPARE(int(s.freqCode), 0);

    // What the window's send does with it: the record follows the command.
    s.pinAutoFrequency();
    QCOMPARE(int(s.freqCode), 4);
    QCOMPARE(MeterCommand::settings(s, true).bytes()[1] & 0x3F, 0x24);

    chooseFrequency(s, 11, designLexicons().unitTexts());
    s.pinAutoFrequency();
    QCOMPARE(int(s.freqCode), 11);
    QCOMPARE(MeterCommand::settings(s, true).bytes()[1] & 0x3F, 0x0B);
}

void TestSettingsSelection::translatedUnits()
{
    const EnglishUnitLexicons english;
    const i18n::WindowLexicons &lexicons = english.lexicons;

    MeterSettings s;
    QCOMPARE(chooseFrequency(s, 0, lexicons.unitTexts())->L_freq_RLC, std::optional(QStringLiteral("A10 kHz")));
    QCOMPARE(chooseFrequency(s, 2, lexicons.unitTexts())->L_freq_RLC, std::optional(QStringLiteral("120 Hz")));
    QCOMPARE(chooseLevel(s, 2, lexicons.unitTexts())->L_Level_RLC, std::optional(QStringLiteral("0.5Vrms")));
}

void TestSettingsSelection::capture_data()
{
    QTest::addColumn<bool>("sp3Down");
    QTest::addColumn<bool>("sb4Down");
    QTest::addColumn<bool>("sp1Before");
    QTest::addColumn<int>("capture");
    QTest::addColumn<bool>("sp1After");

    QTest::newRow("pressed, link up") << true << false << true << 1 << false;
    QTest::newRow("pressed while SB4 down") << true << true << true << 1 << false;
    QTest::newRow("released, link up") << false << false << false << 0 << true;
    QTest::newRow("released while SB4 still down") << false << true << false << 0 << false;
}

void TestSettingsSelection::capture()
{
    QFETCH(bool, sp3Down);
    QFETCH(bool, sb4Down);
    QFETCH(bool, sp1Before);
    QFETCH(int, capture);
    QFETCH(bool, sp1After);

    MeterSettings s;
    s.capture = quint8(1 - capture);
    const std::optional<bool> sp1 = chooseCapture(s, sp3Down, sb4Down);
    QCOMPARE(int(s.capture), capture);
    QCOMPARE(sp1.value_or(sp1Before), sp1After);

    // A frame reporting the same capture puts the buttons in the same state.
    const SettingIndicators shownAfter = showSettingIndicators(s, 10000, designLexicons().unitTexts(), sb4Down);
    QCOMPARE(shown(shownAfter.SP1_enabled), shown(sp1));
    QCOMPARE(shownAfter.SP3_down, sp3Down);
}

void TestSettingsSelection::sound()
{
    MeterSettings s;
    MeterSettings silent;
    silent.sound = 0;
    chooseSound(s, false);
    QCOMPARE(s, silent);
    QVERIFY(!showSettingIndicators(s, 10000, designLexicons().unitTexts(), false).SP2_down);
    chooseSound(s, true);
    QCOMPARE(s, MeterSettings::defaults());
    QVERIFY(showSettingIndicators(s, 10000, designLexicons().unitTexts(), false).SP2_down);
}

void TestSettingsSelection::interval_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("anItem");
    QTest::addColumn<int>("intervalCode");
    QTest::newRow("0.5 s") << 0 << true << 3;
    QTest::newRow("1 s") << 1 << true << 2;
    QTest::newRow("2 s") << 2 << true << 1;
    QTest::newRow("no item") << -1 << false << 5;
    QTest::newRow("past the end") << 3 << false << 5;
}

void TestSettingsSelection::interval()
{
    QFETCH(int, index);
    QFETCH(bool, anItem);
    QFETCH(int, intervalCode);
    MeterSettings s;
    s.intervalCode = 5;
    QCOMPARE(chooseInterval(s, index), anItem);
    QCOMPARE(int(s.intervalCode), intervalCode);
    const std::optional<int> boxIndex = showSettingIndicators(s, 10000, designLexicons().unitTexts(), false).CB1_index;
    QCOMPARE(boxIndex.value_or(-1), anItem ? index : -1);
}

QTEST_APPLESS_MAIN(TestSettingsSelection)
#include "tst_settings_selection.moc"
