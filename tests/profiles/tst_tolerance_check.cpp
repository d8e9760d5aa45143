#include "profiles/reference_units.h"
#include "profiles/text_filters.h"
#include "profiles/tolerance_check.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace profiles;

Q_DECLARE_METATYPE(profiles::ReferenceEntry)
Q_DECLARE_METATYPE(profiles::EditedText)

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

ReferenceEntry entry(int kind, int unit, const char *nominal, const char *tolerance)
{
    return {kind, unit, QString::fromUtf8(nominal), QString::fromUtf8(tolerance), false};
}

ReferenceEntry off()
{
    return {0, 0, QStringLiteral("10000"), QStringLiteral("выкл."), true};
}

// A reading as the decoder leaves it: series values and their parallel equivalents.
protocol::RlcReading reading(double r, double x, std::int32_t hz)
{
    protocol::RlcReading reading;
    reading.frequencyHz = hz;
    reading.seriesResistance = r;
    reading.seriesReactance = x;
    reading.parallelResistance = (r * r + x * x) / r;
    reading.parallelReactance = (r * r + x * x) / x;
    return reading;
}

void compareDeviation(const std::optional<double> &actual, double expected, const char *which)
{
    if (std::isnan(expected)) {
        QVERIFY2(!actual, which);
        return;
    }
    QVERIFY2(actual.has_value(), which);
    if (std::fabs(*actual - expected) > 0.01)
        QFAIL(qPrintable(QStringLiteral("%1 deviation %2, expected %3").arg(which).arg(*actual).arg(expected)));
}

} // namespace

class TestToleranceCheck : public QObject
{
    Q_OBJECT
private slots:
    void judgement_data();
    void judgement();
    void deviationAtTheToleranceItselfPasses();
    void readDecimal_data();
    void readDecimal();
    void filters_data();
    void filters();
    void unitLists();
};

void TestToleranceCheck::judgement_data()
{
    QTest::addColumn<ReferenceEntry>("primary");
    QTest::addColumn<ReferenceEntry>("secondary");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("series");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<int>("result");
    QTest::addColumn<double>("primaryDeviation");
    QTest::addColumn<double>("secondaryDeviation");

    const QChar point('.');
    const QChar comma(',');
    const ReferenceEntry r100 = entry(kPrimaryR, 0, "100", "1%");

    QTest::newRow("both off: pass, deviations untouched") << off() << off() << 5.0 << 7.0 << 1000 << 1 << point << 0
                                                           << kNone << kNone;
    QTest::newRow("R 100 Ohm 1%, 100.5 series: +0.5 % passes")
        << r100 << off() << 100.5 << 10.0 << 1000 << 1 << point << 0 << 0.5 << kNone;
    QTest::newRow("R 100 Ohm 1%, 101.5 series: +1.5 % rejected")
        << r100 << off() << 101.5 << 10.0 << 1000 << 1 << point << 1 << 1.5 << kNone;
    // (100.5^2 + 10^2) / 100.5 = 101.495
    QTest::newRow("parallel circuit judges the parallel resistance")
        << r100 << off() << 100.5 << 10.0 << 1000 << 0 << point << 1 << 1.495 << kNone;
    QTest::newRow("R in kOhm with a comma as separator")
        << entry(kPrimaryR, 1, "1,5", "0,5%") << off() << 1504.0 << 10.0 << 1000 << 1 << comma << 0 << 0.2667 << kNone;
    QTest::newRow("L 1 mH at 1 kHz: 6.9115 Ohm is +10 %")
        << entry(kPrimaryL, 1, "1", "5%") << off() << 1.0 << 6.9115 << 1000 << 1 << point << 1 << 10.0 << kNone;
    QTest::newRow("L parallel uses the parallel reactance")
        << entry(kPrimaryL, 1, "1", "20%") << off() << 2.0 << 6.9115 << 1000 << 0 << point << 0 << 19.21 << kNone;
    // N = -1 / (2 pi 1000 100e-9) = -1591.55; 110 nF reads 1446.86 Ohm.
    QTest::newRow("C 100 nF, 110 nF measured, \"<\": rejected")
        << entry(kPrimaryC, 1, "100", "<") << off() << 1.0 << 1446.86 << 1000 << 1 << point << 1 << 9.0909 << kNone;
    QTest::newRow("C 100 nF, 110 nF measured, \">\": passes")
        << entry(kPrimaryC, 1, "100", ">") << off() << 1.0 << 1446.86 << 1000 << 1 << point << 0 << 9.0909 << kNone;
    QTest::newRow("C 100 nF, 110 nF measured, 10%: passes")
        << entry(kPrimaryC, 1, "100", "10%") << off() << 1.0 << 1446.86 << 1000 << 1 << point << 0 << 9.0909 << kNone;
    QTest::newRow("R \">\" rejects a reading below the nominal value")
        << entry(kPrimaryR, 0, "100", ">") << off() << 99.0 << 1.0 << 1000 << 1 << point << 1 << -1.0 << kNone;

    const ReferenceEntry dBelow = entry(kSecondaryD, 0, "0,05", "<");
    QTest::newRow("D \"<\" 0.05, D = 0.1: result 2")
        << off() << dBelow << 1.0 << 10.0 << 1000 << 1 << comma << 2 << kNone << 100.0;
    QTest::newRow("D \"<\" 0.05 with the primary also rejected: result 3")
        << entry(kPrimaryR, 0, "100", "1%") << dBelow << 1.0 << 10.0 << 1000 << 1 << comma << 3 << -99.0 << 100.0;
    QTest::newRow("Q is judged from the series values even in parallel")
        << off() << entry(kSecondaryQ, 0, "10", "5%") << 10.0 << 100.0 << 1000 << 0 << point << 0 << kNone << 0.0;
    QTest::newRow("secondary R in kOhm")
        << off() << entry(kSecondaryR, 1, "2", "2%") << 2100.0 << 10.0 << 1000 << 1 << point << 2 << kNone << 5.0;

    QTest::newRow("nominal 0 in the primary: 20, no deviation")
        << entry(kPrimaryR, 0, "0", "1%") << off() << 100.0 << 10.0 << 1000 << 1 << point << 20 << kNone << kNone;
    QTest::newRow("C with nominal 0: 20")
        << entry(kPrimaryC, 1, "0", "1%") << off() << 1.0 << 100.0 << 1000 << 1 << point << 20 << kNone << kNone;
    QTest::newRow("secondary nominal 0 drops a primary reject: 20")
        << entry(kPrimaryR, 0, "100", "1%") << entry(kSecondaryR, 0, "0", "1%") << 150.0 << 10.0 << 1000 << 1
        << point << 20 << 50.0 << kNone;
    QTest::newRow("typed x became \"%\": 20, the primary deviation is kept")
        << entry(kPrimaryR, 0, "100", "%") << off() << 101.0 << 10.0 << 1000 << 1 << point << 20 << 1.0 << kNone;
    QTest::newRow("one other character in the secondary: 2, the primary outcome dropped")
        << entry(kPrimaryR, 0, "100", "1%") << entry(kSecondaryD, 0, "1", "%") << 150.0 << 10.0 << 1000 << 1
        << point << 2 << 50.0 << 1400.0;
    QTest::newRow("empty nominal value: 20")
        << entry(kPrimaryR, 0, "", "1%") << off() << 100.0 << 10.0 << 1000 << 1 << point << 20 << kNone << kNone;
    QTest::newRow("empty tolerance: 20")
        << entry(kPrimaryR, 0, "100", "") << off() << 100.0 << 10.0 << 1000 << 1 << point << 20 << 0.0 << kNone;
    QTest::newRow("list item with a comma while the separator is a point: 20")
        << entry(kPrimaryR, 0, "100", "0,5%") << off() << 100.0 << 10.0 << 1000 << 1 << point << 20 << 0.0 << kNone;
    QTest::newRow("12,25 restored without \"%\" reads as 12.25 percent")
        << entry(kPrimaryR, 0, "100", "12,25") << off() << 112.0 << 10.0 << 1000 << 1 << comma << 0 << 12.0 << kNone;
    QTest::newRow("tolerance read from its first 8 characters")
        << entry(kPrimaryR, 0, "100", "5       junk") << off() << 104.0 << 1.0 << 1000 << 1 << point << 0 << 4.0
        << kNone;
    QTest::newRow("unknown kind from a damaged profile: 20")
        << entry(7, 0, "100", "1%") << off() << 100.0 << 10.0 << 1000 << 1 << point << 20 << kNone << kNone;
    QTest::newRow("unknown unit: 20")
        << entry(kPrimaryR, 3, "100", "1%") << off() << 100.0 << 10.0 << 1000 << 1 << point << 20 << kNone << kNone;
}

void TestToleranceCheck::judgement()
{
    QFETCH(ReferenceEntry, primary);
    QFETCH(ReferenceEntry, secondary);
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(int, hz);
    QFETCH(int, series);
    QFETCH(QChar, separator);

    const JudgeOutcome outcome =
        judgeReading(reading(r, x, hz), std::uint8_t(series), readReference(ReferenceEditor{primary, secondary}, separator));
    QTEST(int(outcome.result), "result");
    QFETCH(double, primaryDeviation);
    QFETCH(double, secondaryDeviation);
    compareDeviation(outcome.primaryDeviation, primaryDeviation, "primary");
    compareDeviation(outcome.secondaryDeviation, secondaryDeviation, "secondary");
}

void TestToleranceCheck::deviationAtTheToleranceItselfPasses()
{
    const Reference editor = readReference({entry(kPrimaryR, 0, "100", "1%"), off()}, QLatin1Char('.'));
    const JudgeOutcome at = judgeReading(reading(101.0, 1.0, 1000), 1, editor);
    QCOMPARE(*at.primaryDeviation, 1.0); // really on the boundary
    QCOMPARE(at.result, 0);
    const JudgeOutcome beyond = judgeReading(reading(101.01, 1.0, 1000), 1, editor);
    QCOMPARE(beyond.result, 1);
}

void TestToleranceCheck::readDecimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");

    const QChar point('.');
    const QChar comma(',');
    QTest::newRow("blanks around") << QStringLiteral("  12.5 ") << point << true << 12.5;
    QTest::newRow("comma separator") << QStringLiteral("12,25") << comma << true << 12.25;
    QTest::newRow("the other separator") << QStringLiteral("12,5") << point << false << 0.0;
    QTest::newRow("point while the separator is a comma") << QStringLiteral("12.5") << comma << false << 0.0;
    QTest::newRow("exponent") << QStringLiteral("1e3") << point << true << 1000.0;
    QTest::newRow("sign") << QStringLiteral("-3") << point << true << -3.0;
    QTest::newRow("trailing separator") << QStringLiteral("5.") << point << true << 5.0;
    QTest::newRow("leading separator") << QStringLiteral(".5") << point << true << 0.5;
    QTest::newRow("empty") << QString() << point << false << 0.0;
    QTest::newRow("separator alone") << QStringLiteral(".") << point << false << 0.0;
    QTest::newRow("two separators") << QStringLiteral("1.2.3") << point << false << 0.0;
    QTest::newRow("grouping") << QStringLiteral("1 000") << point << false << 0.0;
    QTest::newRow("inf") << QStringLiteral("inf") << point << false << 0.0;
    QTest::newRow("percent sign") << QStringLiteral("5%") << point << false << 0.0;
    QTest::newRow("exponent without digits") << QStringLiteral("1e") << point << false << 0.0;
    QTest::newRow("overflow") << QStringLiteral("1e999") << point << false << 0.0;
}

void TestToleranceCheck::readDecimal()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(bool, valid);
    const std::optional<double> value = profiles::readDecimal(text, separator);
    QCOMPARE(value.has_value(), valid);
    if (valid)
        QTEST(*value, "value");
}

void TestToleranceCheck::filters_data()
{
    QTest::addColumn<bool>("tolerance");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<EditedText>("expected");

    const QChar point('.');
    const QChar comma(',');
    QTest::newRow("1a2,5,3 becomes 12,53") << false << QStringLiteral("1a2,5,3") << 7 << comma
                                            << EditedText{QStringLiteral("12,53"), 5};
    QTest::newRow("a separator typed first is dropped") << false << QStringLiteral(",5") << 1 << comma
                                                         << EditedText{QStringLiteral("5"), 0};
    QTest::newRow("separator second in the typed text stays") << false << QStringLiteral("a,5") << 3 << comma
                                                               << EditedText{QStringLiteral(",5"), 2};
    QTest::newRow("the other separator is dropped") << false << QStringLiteral("12.5") << 4 << comma
                                                     << EditedText{QStringLiteral("125"), 3};
    QTest::newRow("a letter in the middle keeps the caret after 1") << false << QStringLiteral("1x23") << 2 << point
                                                                     << EditedText{QStringLiteral("123"), 1};
    QTest::newRow("pasted text") << false << QStringLiteral(" 4 700 Ом") << 9 << point
                                 << EditedText{QStringLiteral("4700"), 4};
    QTest::newRow("x in a tolerance becomes %") << true << QStringLiteral("x") << 1 << comma
                                                << EditedText{QStringLiteral("%"), 0};
    QTest::newRow("7 into an empty tolerance") << true << QStringLiteral("7") << 1 << comma
                                               << EditedText{QStringLiteral("7%"), 1};
    QTest::newRow("a digit typed after the percent sign") << true << QStringLiteral("1%5") << 3 << comma
                                                          << EditedText{QStringLiteral("15%"), 2};
    QTest::newRow("a decimal tolerance") << true << QStringLiteral("0,25%") << 4 << comma
                                         << EditedText{QStringLiteral("0,25%"), 4};
    QTest::newRow("\">\" typed over is no tolerance") << true << QStringLiteral(">") << 1 << point
                                                     << EditedText{QStringLiteral("%"), 0};
}

void TestToleranceCheck::filters()
{
    QFETCH(bool, tolerance);
    QFETCH(QString, typed);
    QFETCH(int, caret);
    QFETCH(QChar, separator);
    const EditedText edited =
        tolerance ? filterToleranceText(typed, caret, separator) : filterNumberText(typed, caret, separator);
    QTEST(edited, "expected");
}

void TestToleranceCheck::unitLists()
{
    QCOMPARE(primaryUnitListFor(kPrimaryR), std::optional<int>(0));
    QCOMPARE(primaryUnitListFor(kPrimaryL), std::optional<int>(1));
    QCOMPARE(primaryUnitListFor(kPrimaryC), std::optional<int>(2));
    QCOMPARE(primaryUnitListFor(-1), std::nullopt);
    QCOMPARE(primaryUnitListFor(3), std::nullopt);
    QVERIFY(secondaryUnitListShown(kSecondaryR));
    QVERIFY(!secondaryUnitListShown(kSecondaryQ));
    QVERIFY(!secondaryUnitListShown(kSecondaryD));
    QCOMPARE(primaryUnitMultiplier(kPrimaryR, 2), std::optional<double>(1e6));
    QCOMPARE(primaryUnitMultiplier(kPrimaryL, 0), std::optional<double>(1e-6));
    QCOMPARE(primaryUnitMultiplier(kPrimaryC, 0), std::optional<double>(1e-12));
    QCOMPARE(primaryUnitMultiplier(kPrimaryC, 2), std::optional<double>(1e-6));
    QCOMPARE(ohmMultiplier(1), std::optional<double>(1e3));
}

QTEST_APPLESS_MAIN(TestToleranceCheck)
#include "tst_tolerance_check.moc"
