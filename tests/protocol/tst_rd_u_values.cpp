// The numbers of RD and U frames, as a logger writes them: which quantity an
// RD frame carries, in which unit, and which current means nothing.

#include "protocol/frame_encoder.h"
#include "protocol/rd_u_values.h"

#include <QtTest>

using namespace protocol;

Q_DECLARE_METATYPE(protocol::RdKind)
Q_DECLARE_METATYPE(std::optional<double>)

class TestRdUValues : public QObject
{
    Q_OBJECT

private slots:
    void rd_data();
    void rd();
    void uKeepsOnlyTheShownSign();
};

void TestRdUValues::rd_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("i1");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("secondFlag");
    QTest::addColumn<int>("voltageCode");
    QTest::addColumn<RdKind>("kind");
    QTest::addColumn<std::optional<double>>("resistance");
    QTest::addColumn<std::optional<double>>("diodeVolts");
    QTest::addColumn<std::optional<double>>("current1");
    QTest::addColumn<std::optional<double>>("current2");
    QTest::addColumn<std::optional<double>>("testVolts");
    const std::optional<double> none;
    // Diode states carry millivolts.
    QTest::newRow("diode") << 650.0 << 1000.0 << 1 << false << 0 << RdKind::Diode << none << std::optional(0.65)
                           << std::optional(1000.0) << none << std::optional(3.2);
    QTest::newRow("diode at 3.2 V, current too small to mean anything")
        << 650.0 << 150.0 << 0 << true << 1 << RdKind::Diode << none << std::optional(0.65) << none
        << std::optional(250.0) << std::optional(3.2);
    QTest::newRow("junction mark, no value") << 4700.0 << 500.0 << 5 << false << 1 << RdKind::Junction << none << none
                                             << std::optional(500.0) << none << std::optional(3.2);
    QTest::newRow("resistance") << 4700.0 << 150.0 << 2 << false << 0 << RdKind::Resistance << std::optional(4700.0)
                                << none << std::optional(150.0) << none << std::optional(1.3);
    QTest::newRow("resistance at 0.1 V") << 12.0 << 10.0 << 3 << false << 3 << RdKind::Resistance
                                         << std::optional(12.0) << none << std::optional(10.0) << none
                                         << std::optional(0.1);
    QTest::newRow("resistance, code 6 names no voltage") << 12.0 << 10.0 << 3 << false << 6 << RdKind::Resistance
                                                         << std::optional(12.0) << none << std::optional(10.0) << none
                                                         << none;
}

void TestRdUValues::rd()
{
    QFETCH(double, a);
    QFETCH(double, i1);
    QFETCH(int, state);
    QFETCH(bool, secondFlag);
    QFETCH(int, voltageCode);
    QFETCH(RdKind, kind);
    QFETCH(std::optional<double>, resistance);
    QFETCH(std::optional<double>, diodeVolts);
    QFETCH(std::optional<double>, current1);
    QFETCH(std::optional<double>, current2);
    QFETCH(std::optional<double>, testVolts);

    // Signs are dropped: the meter's values are magnitudes.
    const RdValues v = rdValues(
        encodeRdFrame(-a, -i1, 250.0, RdStatus{quint8(state), secondFlag, quint8(voltageCode)}, true));
    QCOMPARE(v.kind, kind);
    QCOMPARE(v.resistanceOhms, resistance);
    QCOMPARE(v.diodeVolts, diodeVolts);
    QCOMPARE(v.firstCurrentMicroamps, current1);
    QCOMPARE(v.secondCurrentMicroamps, current2);
    QCOMPARE(v.testVolts, testVolts);
}

void TestRdUValues::uKeepsOnlyTheShownSign()
{
    const UValues v = uValues(encodeUFrame(-1.25, -3.5, -2.0, true));
    QCOMPARE(v.rmsVolts, 1.25);
    QCOMPARE(v.peakToPeakVolts, 3.5);
    QCOMPARE(v.volts, -2.0);
}

QTEST_GUILESS_MAIN(TestRdUValues)
#include "tst_rd_u_values.moc"
