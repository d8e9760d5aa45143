// The batch figures and the judgement apply one rule: a value the judgement
// rejects lies outside the batch's tolerance limits, and the batch's
// deviation of a value is the one the judgement gives the reading.

#include "batch/batch_statistics.h"
#include "batch/batch_tolerance.h"
#include "profiles/tolerance_check.h"
#include "protocol/rlc_values.h"

#include <QtTest>

#include <cmath>
#include <numbers>

namespace {

constexpr std::int32_t kHz = 1000;

// A series reading of a part whose `quantity` measures `value`, with a small
// loss so that Q and D exist.
protocol::RlcReading readingOf(profiles::Quantity quantity, double value)
{
    const double omega = 2.0 * std::numbers::pi * kHz;
    protocol::RlcReading r;
    r.frequencyHz = kHz;
    switch (quantity) {
    case profiles::Quantity::Resistance:
        r.seriesResistance = value;
        r.seriesReactance = 1.0;
        break;
    case profiles::Quantity::Capacitance:
        r.seriesResistance = 0.5;
        // The meter reports a capacitor's reactance as a positive number.
        r.seriesReactance = 1.0 / (omega * value);
        break;
    case profiles::Quantity::Inductance:
        r.seriesResistance = 0.5;
        r.seriesReactance = omega * value;
        break;
    case profiles::Quantity::Quality:
        r.seriesResistance = 10.0;
        r.seriesReactance = 10.0 * value;
        break;
    case profiles::Quantity::Dissipation:
        r.seriesResistance = 10.0 * value;
        r.seriesReactance = 10.0;
        break;
    }
    r.parallelResistance = r.seriesResistance;
    r.parallelReactance = r.seriesReactance;
    return r;
}

} // namespace

class TestBatchJudgement : public QObject
{
    Q_OBJECT

private slots:
    void limitsAndDeviationFollowTheVerdict_data();
    void limitsAndDeviationFollowTheVerdict();
};

void TestBatchJudgement::limitsAndDeviationFollowTheVerdict_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<bool>("primary");
    QTest::addColumn<double>("nominal");
    QTest::addColumn<int>("rule"); // 0 percent, 1 at most, 2 at least
    QTest::addColumn<double>("percent");

    using Q = profiles::Quantity;
    QTest::newRow("R 5 %") << int(Q::Resistance) << true << 4700.0 << 0 << 5.0;
    QTest::newRow("C 2 %") << int(Q::Capacitance) << true << 1e-7 << 0 << 2.0;
    QTest::newRow("C 20 %") << int(Q::Capacitance) << true << 4.7e-9 << 0 << 20.0;
    QTest::newRow("L 10 %") << int(Q::Inductance) << true << 1e-3 << 0 << 10.0;
    QTest::newRow("C at most") << int(Q::Capacitance) << true << 1e-7 << 1 << 0.0;
    QTest::newRow("R at least") << int(Q::Resistance) << true << 100.0 << 2 << 0.0;
    QTest::newRow("Q 10 %") << int(Q::Quality) << false << 50.0 << 0 << 10.0;
    QTest::newRow("D at most") << int(Q::Dissipation) << false << 0.01 << 1 << 0.0;
}

void TestBatchJudgement::limitsAndDeviationFollowTheVerdict()
{
    QFETCH(int, quantity);
    QFETCH(bool, primary);
    QFETCH(double, nominal);
    QFETCH(int, rule);
    QFETCH(double, percent);

    profiles::ReferenceSide side;
    side.on = true;
    side.quantity = profiles::Quantity(quantity);
    side.nominal = nominal;
    side.rule = rule == 0   ? profiles::ToleranceRule::withinPercent(percent)
                : rule == 1 ? profiles::ToleranceRule::atMost()
                            : profiles::ToleranceRule::atLeast();
    profiles::Reference reference;
    (primary ? reference.primary : reference.secondary) = side;
    const BatchTolerances tolerances = batchTolerances(reference);
    const std::optional<BatchLimit> &limit = primary ? tolerances.primary : tolerances.secondary;
    QVERIFY(limit);
    const ToleranceLimits limits = toleranceLimits(*limit);

    // Values from half to twice the nominal, across both limits.
    for (double factor = 0.5; factor <= 2.0; factor *= 1.0137) {
        const double value = nominal * factor;
        const profiles::JudgeOutcome outcome =
            profiles::judgeReading(readingOf(side.quantity, value), 1, reference);
        const bool rejected = outcome.result != 0;
        // Values within rounding of a limit may fall either way.
        const double margin = 1e-9 * nominal;
        const bool clearlyBelow = limits.lower && value < *limits.lower - margin;
        const bool clearlyAbove = limits.upper && value > *limits.upper + margin;
        const bool clearlyInside = (!limits.lower || value > *limits.lower + margin)
                                   && (!limits.upper || value < *limits.upper - margin);
        const QByteArray where = QByteArray::number(value, 'g', 10);
        if (clearlyBelow || clearlyAbove)
            QVERIFY2(rejected, where.constData());
        if (clearlyInside)
            QVERIFY2(!rejected, where.constData());

        const std::optional<double> deviation = primary ? outcome.primaryDeviation : outcome.secondaryDeviation;
        QVERIFY2(deviation, where.constData());
        QVERIFY2(std::fabs(*deviation - deviationPercent(*limit, value)) < 1e-6 * std::max(1.0, std::fabs(*deviation)),
                 qPrintable(QStringLiteral("%1: judged %2, batch %3")
                                .arg(value)
                                .arg(*deviation)
                                .arg(deviationPercent(*limit, value))));
    }
}

QTEST_GUILESS_MAIN(TestBatchJudgement)
#include "tst_batch_judgement.moc"
