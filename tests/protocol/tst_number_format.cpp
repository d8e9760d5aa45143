#include "protocol/number_format.h"

#include "i18n/window_lexicons.h"

#include "../i18n/map_translator.h"

#include <QTest>

#include <cmath>

using namespace protocol;

namespace {
const QString kNbsp = QString(QChar(0x00A0));
}

class TestNumberFormat : public QObject
{
    Q_OBJECT
private slots:
    void number_data();
    void number();
    void engineering_data();
    void engineering();
    void magnitude_data();
    void magnitude();
    void microAndOhmFollowTheLanguage();
    void separatorsFromLocale();
};

void TestNumberFormat::number_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("precision");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("grouped");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("thousands");
    QTest::addColumn<QString>("text");
    const QString dot = QStringLiteral("."), comma = QStringLiteral(","), none;

    QTest::newRow("1.23456") << 1.23456 << 5 << 3 << false << dot << comma << "1.235";
    QTest::newRow("0.0012345") << 0.0012345 << 5 << 4 << false << dot << comma << "0.0012";
    QTest::newRow("digits past precision are zeros") << 12.3456 << 4 << 3 << false << dot << comma << "12.350";
    QTest::newRow("1.005 is stored below") << 1.005 << 5 << 2 << false << dot << comma << "1.00";
    QTest::newRow("carry grows the integer part") << 999.996 << 5 << 2 << true << dot << comma << "1,000.00";
    QTest::newRow("grouped whole number") << 1234.567 << 7 << 0 << true << dot << comma << "1,235";
    QTest::newRow("negative") << -89.12345 << 4 << 4 << false << dot << comma << "-89.1200";
    QTest::newRow("rounds to zero without sign") << -0.00001 << 4 << 3 << false << dot << comma << "0.000";
    QTest::newRow("negative zero") << -0.0 << 5 << 2 << false << dot << comma << "0.00";
    QTest::newRow("rounding at no kept digit carries") << 0.0006 << 4 << 3 << false << dot << comma << "0.001";
    QTest::newRow("rounding at no kept digit drops") << 0.0004 << 4 << 3 << false << dot << comma << "0.000";
    QTest::newRow("precision 1 counts as 2") << 1.234 << 1 << 3 << false << dot << comma << "1.200";
    QTest::newRow("millions grouped") << -1234567.8 << 10 << 1 << true << dot << comma << "-1,234,567.8";
    QTest::newRow("not grouped") << 1234567.8 << 10 << 1 << false << dot << comma << "1234567.8";
    QTest::newRow("too many digits goes scientific") << 123456.0 << 5 << 1 << false << dot << comma << "1.2346E5";
    QTest::newRow("scientific without fraction") << 100000.0 << 5 << 1 << false << dot << comma << "1E5";
    QTest::newRow("scientific carry") << 99999.6 << 5 << 0 << false << dot << comma << "1E5";
    QTest::newRow("scientific exponent width") << -1.5e20 << 5 << 3 << false << dot << comma << "-1.5E020";
    QTest::newRow("scientific exponent without width") << 1.5e20 << 5 << 5 << false << dot << comma << "1.5E20";
    QTest::newRow("negative decimals round left of the point") << 1234.0 << 5 << -2 << true << dot << comma
                                                               << "1,200";
    QTest::newRow("negative decimals, carry") << 951.0 << 5 << -2 << false << dot << comma << "1000";
    QTest::newRow("negative decimals past every digit") << 49.0 << 5 << -2 << false << dot << comma << "0";
    QTest::newRow("18 digits kept") << 0.1 << 18 << 18 << false << dot << comma << "0.100000000000000006";

    QTest::newRow("comma decimal") << 999.996 << 5 << 2 << true << comma << dot << "1.000,00";
    QTest::newRow("comma decimal, no-break space") << 1234.5 << 5 << 1 << true << comma << kNbsp
                                                   << QStringLiteral("1") + kNbsp + QStringLiteral("234,5");
    QTest::newRow("empty thousands separator") << 1234.5 << 5 << 1 << true << dot << none << "1234.5";
    QTest::newRow("comma decimal, scientific") << 123456.0 << 5 << 1 << false << comma << dot << "1,2346E5";
}

void TestNumberFormat::number()
{
    QFETCH(double, x);
    QFETCH(int, precision);
    QFETCH(int, decimals);
    QFETCH(bool, grouped);
    QFETCH(QString, decimal);
    QFETCH(QString, thousands);
    QFETCH(QString, text);
    QCOMPARE(formatNumber(x, precision, decimals, grouped, NumberSeparators{decimal, thousands}), text);
}

void TestNumberFormat::engineering_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<bool>("inductance");
    QTest::addColumn<int>("hertz");
    QTest::addColumn<QString>("text");
    QTest::newRow("mega, 3 decimals") << 15e6 << false << 1000 << "15.000 М";
    QTest::newRow("mega, 4 decimals") << 2.5e6 << false << 1000 << "2.5000 М";
    QTest::newRow("kilo 4700") << 4700.0 << false << 1000 << "4.7000 к";
    QTest::newRow("kilo 123456") << 123456.0 << false << 1000 << "123.46 к";
    QTest::newRow("carry to 1,000.00") << 999.996 << false << 1000 << "1,000.00 ";
    QTest::newRow("units") << 12.5 << false << 1000 << "12.500 ";
    QTest::newRow("milli 0.047") << 0.047 << false << 1000 << "47.000 м";
    QTest::newRow("exactly 0.001") << 0.001 << false << 1000 << "1.0000 м";
    QTest::newRow("micro") << 5e-6 << false << 1000 << "5.0000 мк";
    QTest::newRow("nano") << 2.2e-9 << false << 1000 << "2.2000 н";
    QTest::newRow("pico, 2 decimals") << 5e-10 << false << 1000 << "500.00 п";
    QTest::newRow("pico at 1 kHz") << 1.5e-12 << false << 1000 << "1.500 п";
    QTest::newRow("pico at 100 Hz") << 5e-12 << false << 100 << "5.00 п";
    QTest::newRow("pico at 10 kHz") << 5e-12 << false << 10000 << "5.0000 п";
    QTest::newRow("pico from 1e-11") << 2e-11 << false << 10000 << "20.000 п";
    QTest::newRow("inductance at 10 kHz") << 4.7e-7 << true << 10000 << "0.4700 мк";
    QTest::newRow("inductance at 100 Hz") << 4.7e-7 << true << 100 << "0.47 мк";
    QTest::newRow("inductance at 1 kHz") << 4.7e-7 << true << 1000 << "0.470 мк";
    QTest::newRow("inductance 0.000999 at 120 Hz") << 0.000999 << true << 120 << "999.00 мк";
    QTest::newRow("inductance from 1e-5") << 2e-5 << true << 10000 << "20.000 мк";
    QTest::newRow("inductance never nano") << 2.2e-9 << true << 10000 << "0.0022 мк";
}

void TestNumberFormat::engineering()
{
    QFETCH(double, v);
    QFETCH(bool, inductance);
    QFETCH(int, hertz);
    QFETCH(QString, text);
    const i18n::WindowLexicons lexicons;
    QCOMPARE(formatEngineering(v, inductance, hertz, FormatContext{lexicons.unitTexts(), {}}), text);
}

void TestNumberFormat::magnitude_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("text");
    const QString dot = QStringLiteral("."), comma = QStringLiteral(",");
    QTest::newRow("exactly 20 M") << 20e6 << dot << "20.000 М";
    QTest::newRow("over 20 M") << 20000000.5 << dot << ">20.00 М";
    QTest::newRow("over range, comma") << 25e6 << comma << ">20,00 М";
    QTest::newRow("just below 10") << 9.99996 << dot << "10.000 ";
    QTest::newRow("below 10") << 5.5 << dot << "5.500 ";
    QTest::newRow("below 1") << 0.0123 << dot << "0.0123 ";
    QTest::newRow("below 1, comma") << 0.5 << comma << "0,5000 ";
    QTest::newRow("from 10 up") << 4700.0 << dot << "4.7000 к";
    QTest::newRow("smallest meter value") << std::ldexp(1.0, -127) << dot << "0.0000 ";
}

void TestNumberFormat::magnitude()
{
    QFETCH(double, v);
    QFETCH(QString, decimal);
    QFETCH(QString, text);
    const i18n::WindowLexicons lexicons;
    QCOMPARE(formatMagnitude(v, FormatContext{lexicons.unitTexts(), {decimal, QStringLiteral(",")}}), text);
}

void TestNumberFormat::microAndOhmFollowTheLanguage()
{
    i18n::WindowLexicons lexicons;
    QCOMPARE(lexicons.unitTexts().micro(), QStringLiteral("мк"));
    QCOMPARE(lexicons.unitTexts().ohm(), QStringLiteral("Ом"));

    MapTranslator english;
    english.set(QStringLiteral("Form1.Dlang1"), 3, QStringLiteral("u"));
    english.set(QStringLiteral("Form1.Dlang1"), 1, QStringLiteral("k"));
    english.set(QStringLiteral("Form1.Dlang3"), 3, QStringLiteral("Ohm"));
    lexicons.attachEngine(&english);
    const FormatContext ctx{lexicons.unitTexts(), {}};
    QCOMPARE(lexicons.unitTexts().micro(), QStringLiteral("μ"));
    QCOMPARE(lexicons.unitTexts().ohm(), QStringLiteral("Ω"));
    QCOMPARE(formatEngineering(5e-6, false, 1000, ctx), QStringLiteral("5.0000 μ"));
    QCOMPARE(formatEngineering(4700.0, false, 1000, ctx), QStringLiteral("4.7000 k"));
    // Prefixes the language leaves alone keep their design text.
    QCOMPARE(formatEngineering(0.047, false, 1000, ctx), QStringLiteral("47.000 м"));
}

void TestNumberFormat::separatorsFromLocale()
{
    const NumberSeparators german = NumberSeparators::fromLocale(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(german.decimal, QStringLiteral(","));
    QCOMPARE(german.thousands, QStringLiteral("."));
    QLocale plain(QLocale::English, QLocale::UnitedStates);
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const NumberSeparators noGroups = NumberSeparators::fromLocale(plain);
    QCOMPARE(noGroups.decimal, QStringLiteral("."));
    QVERIFY(noGroups.thousands.isEmpty());
}

QTEST_APPLESS_MAIN(TestNumberFormat)
#include "tst_number_format.moc"
