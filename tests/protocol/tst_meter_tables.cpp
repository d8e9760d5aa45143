// The meter's tables read both ways: what the options and menus look up by
// value must give back the code the display and the log read.

#include "protocol/meter_tables.h"

#include <QTest>

using namespace protocol;

class TestMeterTables : public QObject
{
    Q_OBJECT

private slots:
    void frequencyCodesReadBack();
    void levelsAndIntervalsReadBack_data();
    void levelsAndIntervalsReadBack();
    void textsInTheGivenLanguage();
};

void TestMeterTables::frequencyCodesReadBack()
{
    for (int code = kFirstFrequencyCode; code <= kLastFrequencyCode; ++code)
        QCOMPARE(frequencyCodeOf(frequencyForCode(code)), std::optional<int>(code));
    QCOMPARE(frequencyCodeOf(75000.0), std::optional<int>(11));
    QCOMPARE(frequencyCodeOf(200.0), std::nullopt);
    QCOMPARE(frequencyCodeOf(double(kUnknownCodeFrequencyHz)), std::optional<int>(kAutoFrequencyCode));
    // The window's list ends in its "75kHz" item: that is the last offered code.
    QCOMPARE(frequencyForCode(kLastOfferedFrequencyCode), 75000);
}

void TestMeterTables::levelsAndIntervalsReadBack_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("level"); // else an interval in seconds
    QTest::addColumn<int>("item");   // -1: none
    QTest::addColumn<int>("code");
    QTest::newRow("1 V") << 1.0 << true << 1 << 1;
    QTest::newRow("0.5 V") << 0.5 << true << 2 << 2;
    QTest::newRow("0.1 V") << 0.1 << true << 3 << 3;
    QTest::newRow("2 V") << 2.0 << true << -1 << 0;
    QTest::newRow("0.5 s") << 0.5 << false << 0 << 3;
    QTest::newRow("1 s") << 1.0 << false << 1 << 2;
    QTest::newRow("2 s") << 2.0 << false << 2 << 1;
    QTest::newRow("3 s") << 3.0 << false << -1 << 0;
}

void TestMeterTables::levelsAndIntervalsReadBack()
{
    QFETCH(double, value);
    QFETCH(bool, level);
    QFETCH(int, item);
    QFETCH(int, code);
    const std::optional<int> found = level ? levelItemOfVolts(value) : intervalItemOfSeconds(value);
    QCOMPARE(found.value_or(-1), item);
    if (item < 0)
        return;
    const int codeOfItem = level ? kLevelCodeOfItem[std::size_t(item)] : kIntervalCodeOfIndex[std::size_t(item)];
    QCOMPARE(codeOfItem, code);
    QCOMPARE(level ? levelVolts(code) : intervalSeconds(code), std::optional<double>(value));
}

void TestMeterTables::textsInTheGivenLanguage()
{
    UnitTexts english = UnitTexts::design();
    english.prefixes[1] = QStringLiteral("k");
    english.units[0] = QStringLiteral("Hz");
    english.units[1] = QStringLiteral("Vrms");
    english.units[2] = QStringLiteral("V");
    QCOMPARE(frequencyText(75000, english, QStringLiteral(" ")), QStringLiteral("75 kHz"));
    QCOMPARE(frequencyText(120, UnitTexts::design(), QString()), QStringLiteral("120Гц"));
    QCOMPARE(levelNumber(4).value_or(QString()) + levelUnit(4, english), QStringLiteral("0.1V"));
    QCOMPARE(levelUnit(0, english), QStringLiteral("Vrms"));
    QCOMPARE(levelNumber(5), std::nullopt);
    QCOMPARE(intervalSecondsText(3), std::optional<QString>(QStringLiteral("0.5")));
}

QTEST_GUILESS_MAIN(TestMeterTables)
#include "tst_meter_tables.moc"
