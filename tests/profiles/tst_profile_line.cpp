#include "golden.h"

#include "i18n/designed_lexicon.h"
#include "i18n/lexicon_translator.h"
#include "i18n/window_lexicons.h"
#include "profiles/cp1251_text.h"
#include "profiles/line_editor.h"
#include "profiles/profile_line.h"
#include "profiles/profile_table.h"

#include <QTest>

using namespace profiles;

Q_DECLARE_METATYPE(profiles::LineEditor)

namespace {

LineEditor editor(const char *name, ReferenceEntry primary, ReferenceEntry secondary)
{
    return {QString::fromUtf8(name), 1, {std::move(primary), std::move(secondary)}};
}

ReferenceEntry on(int kind, int unit, const char *nominal, const char *tolerance)
{
    return {kind, unit, QString::fromUtf8(nominal), QString::fromUtf8(tolerance), false};
}

ReferenceEntry offEntry(int kind, int unit, const char *nominal)
{
    return {kind, unit, QString::fromUtf8(nominal), QStringLiteral("выкл."), true};
}

} // namespace

class TestProfileLine : public QObject
{
    Q_OBJECT
private slots:
    void goldenLinesDecode();
    void encodingGivesTheGoldenBytes();
    void editorRoundTrip_data();
    void editorRoundTrip();
    void oversizedLengthBytesStayInTheirField();
    void cp1251();
    void tableRows();
    void tableRowsInEnglish();
};

void TestProfileLine::goldenLinesDecode()
{
    const ProfileLine one = decodeLine(lineSlice(goldenBytes("one_line.hex1"), 1));
    QCOMPARE(one.lineName, QStringLiteral("R1"));
    QCOMPARE(one.startPosition, 1);
    QCOMPARE(one.primaryTolerance, QStringLiteral("1%"));
    QCOMPARE(int(one.primaryKind), 0);
    QCOMPARE(int(one.primaryUnit), 1);
    QCOMPARE(one.primaryNominal, QStringLiteral("100"));
    QCOMPARE(one.secondaryTolerance, kToleranceOff);
    QCOMPARE(int(one.secondaryKind), 2);
    QCOMPARE(one.secondaryNominal, QStringLiteral("0,05"));
    QCOMPARE(one.settingsSnapshot, protocol::MeterSettings::defaults());

    const ProfileLine first = goldenLine(1);
    QCOMPARE(first.lineName, QStringLiteral("Рез-1"));
    const ProfileLine second = goldenLine(2);
    QCOMPARE(second.startPosition, 40);
    QCOMPARE(second.primaryTolerance, QStringLiteral("<"));
    QCOMPARE(int(second.primaryKind), 2);
    QCOMPARE(second.secondaryTolerance, QStringLiteral("12,25"));
    QCOMPARE(int(second.secondaryUnit), 1);
    QCOMPARE(second.secondaryNominal, QStringLiteral("1,5"));
    QCOMPARE(int(second.settingsSnapshot.freqCode), 1);
    QCOMPARE(int(second.settingsSnapshot.seriesCircuit), 1);
    QCOMPARE(int(second.settingsSnapshot.intervalCode), 3);
    const ProfileLine third = goldenLine(3);
    QCOMPARE(third.primaryTolerance, kToleranceOff);
    QCOMPARE(third.secondaryTolerance, kToleranceOff);
    QCOMPARE(int(third.settingsSnapshot.levelAuto), 1);
    QCOMPARE(int(third.settingsSnapshot.levelCode), 4);
}

void TestProfileLine::encodingGivesTheGoldenBytes()
{
    const QByteArray one = goldenBytes("one_line.hex1");
    QCOMPARE(lineBytes(decodeLine(lineSlice(one, 1))), lineSlice(one, 1));
    const QByteArray three = goldenBytes("three_lines.hex1");
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(lineBytes(goldenLine(k)), lineSlice(three, k));

    // The same line built from the editor, as "Запись" would.
    const LineEditor r1 = editor("R1", on(0, 1, "100", "1%"), offEntry(2, 0, "0,05"));
    QCOMPARE(lineBytes(lineFromEditor(r1, protocol::MeterSettings::defaults())), lineSlice(one, 1));
}

void TestProfileLine::editorRoundTrip_data()
{
    QTest::addColumn<LineEditor>("written");
    QTest::addColumn<LineEditor>("restored");

    QTest::newRow("14-character name stored as 10")
        << editor("Конденсатор-12", on(2, 1, "100", "5%"), offEntry(1, 0, "10"))
        << editor("Конденсато", on(2, 1, "100", "5%"), {1, -1, QStringLiteral("10"), QString(), true});
    QTest::newRow("12,25 % stored as 12,25")
        << editor("R", on(0, 0, "100", "12,25%"), offEntry(0, 2, "1"))
        << editor("R", on(0, 0, "100", "12,25"), {0, 2, QStringLiteral("1"), QString(), true});
    QTest::newRow("C with a secondary R in kOhm")
        << editor("C1", on(2, 2, "4,7", "10%"), on(0, 1, "3,3", "20%"))
        << editor("C1", on(2, 2, "4,7", "10%"), on(0, 1, "3,3", "20%"));
    QTest::newRow("both tolerances off store OFF twice")
        << editor("X", offEntry(1, 1, "1"), offEntry(2, 0, "0,01"))
        << editor("X", {1, 1, QStringLiteral("1"), QString(), true}, {2, -1, QStringLiteral("0,01"), QString(), true});
    QTest::newRow("secondary unit of Q is stored as 0 and not restored")
        << editor("Q", on(1, 0, "22", "<"), on(1, 2, "50", ">"))
        << editor("Q", on(1, 0, "22", "<"), on(1, -1, "50", ">"));
    QTest::newRow("long nominal values cut to 10")
        << editor("N", on(0, 0, "123456789012", "1%"), on(0, 0, "98765432109", "1%"))
        << editor("N", on(0, 0, "1234567890", "1%"), on(0, 0, "9876543210", "1%"));
}

void TestProfileLine::editorRoundTrip()
{
    QFETCH(LineEditor, written);
    QFETCH(LineEditor, restored);
    protocol::MeterSettings settings;
    settings.freqAuto = 0;
    settings.freqCode = 11;
    settings.seriesCircuit = 1;
    const ProfileLine line = lineFromEditor(written, settings);
    const ProfileLine reread = decodeLine(lineBytes(line));
    QCOMPARE(reread, line);
    QCOMPARE(reread.settingsSnapshot, settings);
    if (written.reference.primary.toleranceOff)
        QCOMPARE(lineBytes(line).mid(16, 6), QByteArray::fromHex("034F46460000"));
    if (written.reference.secondary.kind != 0)
        QCOMPARE(int(line.secondaryUnit), 0);

    const LineEditor back = editorFromLine(reread);
    QCOMPARE(back.name, restored.name);
    QCOMPARE(back.startPosition, restored.startPosition);
    for (auto [actual, expected] : {std::pair{back.reference.primary, restored.reference.primary},
                                    std::pair{back.reference.secondary, restored.reference.secondary}}) {
        QCOMPARE(actual.kind, expected.kind);
        QCOMPARE(actual.unit, expected.unit);
        QCOMPARE(actual.nominal, expected.nominal);
        QCOMPARE(actual.toleranceOff, expected.toleranceOff);
        QCOMPARE(actual.tolerance, expected.tolerance);
    }
}

void TestProfileLine::oversizedLengthBytesStayInTheirField()
{
    QByteArray bytes(72, 'A');
    bytes[0] = char(200);  // name
    bytes[16] = char(255); // primary tolerance
    bytes[24] = char(11);  // primary nominal, one beyond its room
    const ProfileLine line = decodeLine(bytes);
    QCOMPARE(line.lineName, QString(10, QLatin1Char('A')));
    QCOMPARE(line.primaryTolerance, QString(5, QLatin1Char('A')));
    QCOMPARE(line.primaryNominal, QString(10, QLatin1Char('A')));
    // Written back, the fields hold what was read and zeros after it.
    QCOMPARE(decodeLine(lineBytes(line)), line);
    QCOMPARE(lineBytes(line).at(0), char(10));
}

void TestProfileLine::cp1251()
{
    const QByteArray all = [] {
        QByteArray b;
        for (int i = 0; i < 256; ++i)
            b += char(i);
        return b;
    }();
    const QString text = fromCp1251(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(text.mid(0xC0, 2), QStringLiteral("АБ"));
    QCOMPARE(text.mid(0xFE, 2), QStringLiteral("юя"));
    QCOMPARE(text.at(0xA8), QChar(0x0401)); // Ё
    QCOMPARE(text.at(0xB9), QChar(0x2116)); // №
    QCOMPARE(text.at(0x98), QChar(0x0098)); // undefined in the code page
    QCOMPARE(toCp1251(text), all);
    QCOMPARE(toCp1251(QStringLiteral("Ωμ€😀")), QByteArray("??\x88?"));
}

void TestProfileLine::tableRows()
{
    const i18n::WindowLexicons lexicons;
    using Row = std::array<QString, 9>;
    QCOMPARE(profileTableRow(1, goldenLine(1), lexicons),
             (Row{"1", "Рез-1", "R 1% 100кОм", "", "A", "A10кГц", "1.0Вскз", "1сек", "1"}));
    QCOMPARE(profileTableRow(2, goldenLine(2), lexicons),
             (Row{"2", "C2", "C < 100нФ", "R 12,25 1,5кОм", "S", "100Гц", "0.5Вскз", "0.5сек", "40"}));
    QCOMPARE(profileTableRow(3, goldenLine(3), lexicons), (Row{"3", "L3", "", "", "A", "A10кГц", "A0.1В", "2сек", "3"}));

    ProfileLine line = goldenLine(2);
    line.settingsSnapshot.seriesCircuit = 0;
    line.settingsSnapshot.freqCode = 0; // no frequency shown
    line.settingsSnapshot.levelCode = 6;
    line.settingsSnapshot.intervalCode = 0;
    line.primaryKind = 1;
    line.primaryUnit = 0;
    const Row row = profileTableRow(2, line, lexicons);
    QCOMPARE(row[2], QStringLiteral("L < 100мкГн"));
    QCOMPARE(row[4], QStringLiteral("P"));
    QCOMPARE(row[5], QString());
    QCOMPARE(row[6], QString());
    QCOMPARE(row[7], QStringLiteral("сек"));

    const auto headers = profileTableHeaders(lexicons);
    QCOMPARE(headers[1], std::optional<QString>(QStringLiteral("Наименование")));
    QCOMPARE(headers[2], std::optional<QString>(QStringLiteral("Основн. эталон")));
    QCOMPARE(headers[3], std::optional<QString>(QStringLiteral("Дополн.эталон")));
    QCOMPARE(headers[7], std::optional<QString>(QStringLiteral("Интервал")));
    QCOMPARE(headers[8], std::optional<QString>(QStringLiteral("Нач.позиция")));
    QCOMPARE(headers[9], std::optional<QString>(QString()));
    for (int column : {0, 4, 5, 6})
        QVERIFY(!headers[column]);
}

void TestProfileLine::tableRowsInEnglish()
{
    // An engine answering with English units: the ohm and micro signs switch.
    struct English : i18n::LexiconTranslator
    {
        QString TranslateString(const QString &design, const i18n::TDesignedLexicon &lexicon, int index) override
        {
            if (lexicon.name() == QLatin1String("Dlang1"))
                return QStringList{"M", "k", "m", "u", "n", "p"}.value(index, design);
            if (lexicon.name() == QLatin1String("Dlang3"))
                return QStringList{"Hz", "Vrms", "V", "Ohm", "H", "F"}.value(index, design);
            if (lexicon.name() == QLatin1String("D3") && index == 5)
                return QStringLiteral("s");
            return design;
        }
    } english;
    i18n::WindowLexicons lexicons;
    lexicons.attachEngine(&english);
    ProfileLine line = goldenLine(2);
    line.primaryKind = 1;
    line.primaryUnit = 0;
    const auto row = profileTableRow(2, line, lexicons);
    QCOMPARE(row[2], QStringLiteral("L < 100μH"));
    QCOMPARE(row[3], QStringLiteral("R 12,25 1,5kΩ"));
    QCOMPARE(row[5], QStringLiteral("100Hz"));
    QCOMPARE(row[7], QStringLiteral("0.5s"));
}

QTEST_APPLESS_MAIN(TestProfileLine)
#include "tst_profile_line.moc"
