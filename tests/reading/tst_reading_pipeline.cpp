// The pipeline's record of a frame: the mode's values, the verdict against
// the reference and the bin of the plan, for RLCD, RD and U frames.

#include "reading/reading_pipeline.h"

#include "profiles/tolerance_check.h"
#include "protocol/frame_encoder.h"

#include <QtTest>

#include <cmath>
#include <numbers>

namespace {

// C = 100 nF, D, series, at 1 kHz (code 3), chosen by hand.
protocol::MeterSettings capacitorSettings()
{
    protocol::MeterSettings s;
    s.primaryAuto = 0;
    s.primaryCode = 2;
    s.secondaryCode = 3;
    s.freqAuto = 0;
    s.freqCode = 3;
    s.circuitAuto = 0;
    s.seriesCircuit = 1;
    return s;
}

protocol::MeterFrame capacitorFrame(double farads)
{
    // The meter reports a capacitor's reactance as a positive number.
    return protocol::encodeRlcFrame(capacitorSettings(), 0.2, 1.0 / (2.0 * std::numbers::pi * 1000.0 * farads), true);
}

profiles::Reference fivePercentOf100n()
{
    profiles::Reference reference;
    reference.primary.on = true;
    reference.primary.quantity = profiles::Quantity::Capacitance;
    reference.primary.nominal = 100e-9;
    reference.primary.rule = profiles::ToleranceRule::withinPercent(5.0);
    return reference;
}

// BIN1 within 1 %, BIN2 within 3 % of 100 nF.
profiles::BinPlan twoBins()
{
    profiles::BinPlan plan;
    plan.parameter = profiles::Quantity::Capacitance;
    plan.unit = QStringLiteral("nF");
    plan.nominal = 100.0;
    plan.bins = {{-1.0, 1.0}, {-3.0, 3.0}};
    return plan;
}

const QDateTime kTime(QDate(2026, 12, 11), QTime(10, 30, 0, 125), Qt::UTC);

} // namespace

class TestReadingPipeline : public QObject
{
    Q_OBJECT

private slots:
    void capacitorsAreJudgedAndSorted_data();
    void capacitorsAreJudgedAndSorted();
    void rdAndUCarryTheirValuesAndGoOut();
    void aFrameWithoutAReadingGivesNone();
};

void TestReadingPipeline::capacitorsAreJudgedAndSorted_data()
{
    QTest::addColumn<double>("farads");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<int>("bin");

    QTest::newRow("nominal") << 100e-9 << 0 << 1;
    QTest::newRow("2 % off") << 102e-9 << 0 << 2;
    QTest::newRow("4 % off") << 104e-9 << 0 << int(profiles::BinResult::kOut);
    QTest::newRow("10 % off") << 110e-9 << 1 << int(profiles::BinResult::kOut);
}

void TestReadingPipeline::capacitorsAreJudgedAndSorted()
{
    QFETCH(double, farads);
    QFETCH(int, verdict);
    QFETCH(int, bin);

    reading::ReadingPipeline pipeline(fivePercentOf100n());
    pipeline.setBinPlan(twoBins());
    const std::optional<reading::Reading> r = pipeline.read(capacitorFrame(farads), kTime);
    QVERIFY(r);
    QCOMPARE(r->time, kTime);
    QCOMPARE(r->mode, protocol::MeterMode::Rlcd);
    QCOMPARE(r->settings, capacitorSettings());
    QCOMPARE(pipeline.reportedSettings(), capacitorSettings());
    QVERIFY(r->judged);
    QCOMPARE(r->verdictCode(), verdict);
    QCOMPARE(r->bin, std::optional<std::uint8_t>(std::uint8_t(bin)));
    const auto primary = r->primary();
    QVERIFY(primary);
    QCOMPARE(primary->parameter, protocol::RlcParameter::Capacitance);
    QVERIFY(std::fabs(primary->value - farads) < 1e-6 * farads);
    // The deviation is the judgement's: of the reactance, 1 - nominal / value.
    // (The frame carries single-precision numbers.)
    QVERIFY(std::fabs(r->primaryDeviation - (1.0 - 100e-9 / farads) * 100.0) < 1e-3);
    QCOMPARE(r->frequencyHz(), std::optional<double>(1000.0));
    QVERIFY(!r->rd && !r->u);
}

void TestReadingPipeline::rdAndUCarryTheirValuesAndGoOut()
{
    reading::ReadingPipeline pipeline(fivePercentOf100n());
    pipeline.setBinPlan(twoBins());

    protocol::RdStatus resistance;
    resistance.state = 2;
    const std::optional<reading::Reading> rd =
        pipeline.read(protocol::encodeRdFrame(4700.0, 100.0, 0.0, resistance, false), kTime);
    QVERIFY(rd);
    QCOMPARE(rd->mode, protocol::MeterMode::Rd);
    QVERIFY(rd->rd && !rd->u);
    QCOMPARE(rd->rd->resistanceOhms, std::optional<double>(4700.0));
    QVERIFY(!pipeline.brightnessOn());

    const std::optional<reading::Reading> u = pipeline.read(protocol::encodeUFrame(3.3, 9.5, -1.5, true), kTime);
    QVERIFY(u);
    QCOMPARE(u->mode, protocol::MeterMode::U);
    QVERIFY(u->u && !u->rd);
    QCOMPARE(u->u->volts, -1.5);
    QVERIFY(pipeline.brightnessOn());

    // Neither has a main value to judge or sort: not judged, and OUT under a plan.
    for (const reading::Reading &r : {*rd, *u}) {
        QVERIFY(!r.judged);
        QCOMPARE(r.verdictCode(), profiles::kNotJudged);
        QCOMPARE(r.bin, std::optional<std::uint8_t>(profiles::BinResult::kOut));
        QVERIFY(!r.primary() && !r.frequencyHz() && !r.levelVolts());
    }
}

void TestReadingPipeline::aFrameWithoutAReadingGivesNone()
{
    reading::ReadingPipeline pipeline;
    protocol::MeterFrame broken = capacitorFrame(100e-9);
    broken.bytes()[protocol::MeterFrame::kSize - 1] ^= 0xFF; // the end mark
    QVERIFY(!pipeline.read(broken, kTime));
    QVERIFY(!pipeline.read(protocol::MeterFrame{}, kTime));
    // Without a plan there is no bin, and with no tolerance no verdict.
    const std::optional<reading::Reading> r = pipeline.read(capacitorFrame(100e-9), kTime);
    QVERIFY(r && !r->bin && !r->judged);
    QCOMPARE(r->verdictCode(), profiles::kNotJudged);
}

QTEST_GUILESS_MAIN(TestReadingPipeline)
#include "tst_reading_pipeline.moc"
