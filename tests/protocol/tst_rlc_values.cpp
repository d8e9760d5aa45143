// The main and secondary value of an RLCD reading as numbers.

#include "protocol/rlc_values.h"

#include <QtTest>

using protocol::ParameterValue;
using protocol::RlcParameter;

Q_DECLARE_METATYPE(std::optional<ParameterValue>)

namespace {

// Distinct numbers everywhere, so a wrong pick shows.
protocol::RlcReading reading()
{
    protocol::RlcReading r;
    r.seriesResistance = 1.5;
    r.seriesReactance = 2.5;
    r.parallelResistance = 5.666;
    r.parallelReactance = 3.4;
    return r;
}

protocol::RlcQuantities quantities()
{
    protocol::RlcQuantities q;
    q.impedance = 2.9155;
    q.inductance = 3.98e-5;
    q.capacitance = 6.37e-6;
    q.dissipation = 0.6;
    q.quality = 1.6667;
    q.phaseDegrees = -59.04;
    return q;
}

std::optional<ParameterValue> value(RlcParameter parameter, double v)
{
    return ParameterValue{parameter, v};
}

} // namespace

class TestRlcValues : public QObject
{
    Q_OBJECT

private slots:
    void primary_data();
    void primary();
    void secondary_data();
    void secondary();
};

void TestRlcValues::primary_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("negative");
    QTest::addColumn<std::optional<ParameterValue>>("expected");

    const std::optional<ParameterValue> none;
    QTest::newRow("R series") << 1 << 1 << 0 << value(RlcParameter::Resistance, 1.5);
    QTest::newRow("R parallel") << 1 << 0 << 0 << value(RlcParameter::Resistance, 5.666);
    QTest::newRow("R ignores the sign mark") << 1 << 1 << 1 << value(RlcParameter::Resistance, 1.5);
    QTest::newRow("C") << 2 << 0 << 0 << value(RlcParameter::Capacitance, 6.37e-6);
    QTest::newRow("C marked negative") << 2 << 0 << 1 << value(RlcParameter::Capacitance, -6.37e-6);
    QTest::newRow("L marked negative") << 3 << 1 << 1 << value(RlcParameter::Inductance, -3.98e-5);
    QTest::newRow("Z") << 4 << 0 << 1 << value(RlcParameter::Impedance, 2.9155);
    QTest::newRow("code 0 shows none") << 0 << 0 << 0 << none;
    QTest::newRow("code 5 shows none") << 5 << 0 << 0 << none;
    QTest::newRow("code 7 shows none") << 7 << 1 << 0 << none;
}

void TestRlcValues::primary()
{
    QFETCH(int, code);
    QFETCH(int, series);
    QFETCH(int, negative);
    QFETCH(std::optional<ParameterValue>, expected);

    protocol::MeterSettings s;
    s.primaryCode = std::uint8_t(code);
    s.seriesCircuit = std::uint8_t(series);
    s.negativeSign = std::uint8_t(negative);
    QCOMPARE(protocol::primaryValue(s, reading(), quantities()), expected);
}

void TestRlcValues::secondary_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("series");
    QTest::addColumn<std::optional<ParameterValue>>("expected");

    const std::optional<ParameterValue> none;
    QTest::newRow("none") << 0 << 1 << none;
    QTest::newRow("R series") << 1 << 1 << value(RlcParameter::Resistance, 1.5);
    QTest::newRow("R parallel") << 1 << 0 << value(RlcParameter::Resistance, 5.666);
    QTest::newRow("Q") << 2 << 0 << value(RlcParameter::Quality, 1.6667);
    QTest::newRow("D") << 3 << 1 << value(RlcParameter::Dissipation, 0.6);
    QTest::newRow("phase keeps its sign") << 4 << 0 << value(RlcParameter::Phase, -59.04);
    QTest::newRow("code 5 shows none") << 5 << 0 << none;
}

void TestRlcValues::secondary()
{
    QFETCH(int, code);
    QFETCH(int, series);
    QFETCH(std::optional<ParameterValue>, expected);

    protocol::MeterSettings s;
    s.secondaryCode = std::uint8_t(code);
    s.seriesCircuit = std::uint8_t(series);
    s.negativeSign = 1; // never signs a secondary value
    QCOMPARE(protocol::secondaryValue(s, reading(), quantities()), expected);
}

QTEST_GUILESS_MAIN(TestRlcValues)
#include "tst_rlc_values.moc"
