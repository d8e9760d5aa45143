#include "batch/batch_statistics.h"
#include "batch/batch_tolerance.h"
#include "profiles/tolerance_check.h"

#include <QtTest>

#include <cmath>
#include <random>

using protocol::RlcParameter;

namespace {

// A row whose primary value is `value` of `parameter` (R, C or L) and whose
// secondary is D = `d` (or none when d is negative).
reading::Reading row(RlcParameter parameter, double value, double d = -1.0)
{
    reading::Reading r;
    r.settings.seriesCircuit = 1;
    r.settings.secondaryCode = d < 0 ? 0 : 3;
    r.quantities.dissipation = d;
    switch (parameter) {
    case RlcParameter::Resistance:
        r.settings.primaryCode = 1;
        r.reading.seriesResistance = value;
        break;
    case RlcParameter::Capacitance:
        r.settings.primaryCode = 2;
        r.quantities.capacitance = value;
        break;
    default:
        r.settings.primaryCode = 3;
        r.quantities.inductance = value;
        break;
    }
    return r;
}

reading::Reading judgedRow(double value, bool pass)
{
    reading::Reading r = row(RlcParameter::Resistance, value);
    r.judged = true;
    r.judgeResult = pass ? 0 : 1;
    return r;
}

bool near(double actual, double expected, double relative = 1e-9)
{
    return std::fabs(actual - expected) <= relative * std::max(std::fabs(expected), 1e-300);
}

} // namespace

class TestBatchStatistics : public QObject
{
    Q_OBJECT

private slots:
    void handComputed_data();
    void handComputed();
    void verdicts();
    void mixedKindsStayApart();
    void capability_data();
    void capability();
    void capabilityNeedsSpreadAndMatchingParameter();
    void hundredThousandRowsMatchTwoPass();
    void tolerancesFromTheEditor_data();
    void tolerancesFromTheEditor();
};

void TestBatchStatistics::handComputed_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("sigma"); // -1: none
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");

    QTest::newRow("one value") << QList<double>{4700.0} << 4700.0 << -1.0 << 4700.0 << 4700.0;
    QTest::newRow("two values") << QList<double>{1.0, 3.0} << 2.0 << std::sqrt(2.0) << 1.0 << 3.0;
    QTest::newRow("constant") << QList<double>{7.5, 7.5, 7.5} << 7.5 << 0.0 << 7.5 << 7.5;
    // Sum 40, squared distances 9+1+1+1+0+0+4+16 = 32, sample variance 32/7.
    QTest::newRow("eight values") << QList<double>{2, 4, 4, 4, 5, 5, 7, 9} << 5.0 << std::sqrt(32.0 / 7.0) << 2.0
                                  << 9.0;
}

void TestBatchStatistics::handComputed()
{
    QFETCH(QList<double>, values);
    QFETCH(double, mean);
    QFETCH(double, sigma);
    QFETCH(double, min);
    QFETCH(double, max);

    BatchStatistics stats;
    for (double v : values)
        stats.add(row(RlcParameter::Resistance, v));
    QCOMPARE(stats.groups().size(), 1);
    const ValueGroup *g = stats.group(ValueRole::Primary, RlcParameter::Resistance);
    QVERIFY(g);
    QCOMPARE(g->values.count(), values.size());
    QVERIFY2(near(g->values.mean(), mean), qPrintable(QString::number(g->values.mean(), 'g', 17)));
    QCOMPARE(g->values.min(), min);
    QCOMPARE(g->values.max(), max);
    const std::optional<double> s = g->values.standardDeviation();
    if (sigma < 0) {
        QVERIFY(!s);
    } else {
        QVERIFY(s);
        QVERIFY2(sigma == 0.0 ? *s == 0.0 : near(*s, sigma), qPrintable(QString::number(*s, 'g', 17)));
    }
}

void TestBatchStatistics::verdicts()
{
    BatchStatistics stats;
    QVERIFY(!stats.counts().yieldPercent());
    stats.add(row(RlcParameter::Resistance, 100.0)); // logged with the tolerance off
    QVERIFY(!stats.counts().yieldPercent());
    stats.add(judgedRow(100.0, true));
    stats.add(judgedRow(100.0, true));
    stats.add(judgedRow(100.0, true));
    stats.add(judgedRow(110.0, false));
    QCOMPARE(stats.counts().rows, 5);
    QCOMPARE(stats.counts().passed, 3);
    QCOMPARE(stats.counts().rejected, 1);
    QCOMPARE(*stats.counts().yieldPercent(), 75.0);

    stats.clear();
    QCOMPARE(stats.counts().rows, 0);
    QVERIFY(stats.groups().isEmpty());
}

void TestBatchStatistics::mixedKindsStayApart()
{
    // R rows, then C rows after a parameter change; D as secondary on some.
    BatchStatistics stats;
    stats.add(row(RlcParameter::Resistance, 100.0));
    stats.add(row(RlcParameter::Resistance, 300.0, 0.01));
    stats.add(row(RlcParameter::Capacitance, 47e-9, 0.03));
    stats.add(row(RlcParameter::Capacitance, 49e-9));
    stats.add(row(RlcParameter::Inductance, 1e-3));

    QCOMPARE(stats.counts().rows, 5);
    QCOMPARE(stats.groups().size(), 4); // R, D, C, L in order of arrival
    QCOMPARE(stats.groups().at(0).parameter, RlcParameter::Resistance);
    QCOMPARE(stats.groups().at(1).role, ValueRole::Secondary);
    QCOMPARE(stats.groups().at(2).parameter, RlcParameter::Capacitance);

    const ValueGroup *r = stats.group(ValueRole::Primary, RlcParameter::Resistance);
    const ValueGroup *c = stats.group(ValueRole::Primary, RlcParameter::Capacitance);
    const ValueGroup *d = stats.group(ValueRole::Secondary, RlcParameter::Dissipation);
    QVERIFY(r && c && d);
    QCOMPARE(r->values.count(), 2);
    QCOMPARE(r->values.mean(), 200.0);
    QCOMPARE(c->values.count(), 2);
    QVERIFY(near(c->values.mean(), 48e-9));
    QCOMPARE(d->values.count(), 2);
    QVERIFY(near(d->values.mean(), 0.02));
    QVERIFY(!stats.group(ValueRole::Secondary, RlcParameter::Resistance));
}

void TestBatchStatistics::capability_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("parameter");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("nominal");
    QTest::addColumn<double>("percent");
    QTest::addColumn<double>("lower"); // NaN: open
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("meanDeviation");
    QTest::addColumn<double>("cp"); // NaN: none
    QTest::addColumn<double>("cpk");

    const double nan = std::nan("");
    const QList<double> r{99, 100, 101, 102}; // mean 100.5, sigma sqrt(5/3)
    const double sigma = std::sqrt(5.0 / 3.0);
    const int R = int(RlcParameter::Resistance);
    const int C = int(RlcParameter::Capacitance);
    const int pct = int(BatchLimit::Kind::Percent);

    QTest::newRow("R 100 +-5%") << r << R << pct << 100.0 << 5.0 << 95.0 << 105.0 << 0.5 << 10.0 / (6 * sigma)
                                << 4.5 / (3 * sigma);
    QTest::newRow("R 100 <") << r << R << int(BatchLimit::Kind::AtMost) << 100.0 << 0.0 << nan << 100.0 << 0.5
                             << nan << -0.5 / (3 * sigma);
    QTest::newRow("R 98 >") << r << R << int(BatchLimit::Kind::AtLeast) << 98.0 << 0.0 << 98.0 << nan
                            << 2.5 / 98.0 * 100.0 << nan << 2.5 / (3 * sigma);
    // A capacitance is judged by its reactance: +-10 % of reactance is
    // 100/1.1 .. 100/0.9 nF, and the mean of 105 nF deviates 1 - 100/105.
    const double lo = 100e-9 / 1.1;
    const double hi = 100e-9 / 0.9;
    const double cs = std::sqrt(50.0) * 1e-9;
    QTest::newRow("C 100n +-10%") << QList<double>{100e-9, 110e-9} << C << pct << 100e-9 << 10.0 << lo << hi
                                  << (1.0 - 100.0 / 105.0) * 100.0 << (hi - lo) / (6 * cs)
                                  << (hi - 105e-9) / (3 * cs);
    QTest::newRow("C 100n +-100%: no upper limit")
        << QList<double>{100e-9, 110e-9} << C << pct << 100e-9 << 100.0 << 50e-9 << nan
        << (1.0 - 100.0 / 105.0) * 100.0 << nan << (105e-9 - 50e-9) / (3 * cs);
}

void TestBatchStatistics::capability()
{
    QFETCH(QList<double>, values);
    QFETCH(int, parameter);
    QFETCH(int, kind);
    QFETCH(double, nominal);
    QFETCH(double, percent);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, meanDeviation);
    QFETCH(double, cp);
    QFETCH(double, cpk);

    BatchStatistics stats;
    for (double v : values)
        stats.add(row(RlcParameter(parameter), v));
    const BatchLimit limit{RlcParameter(parameter), nominal, BatchLimit::Kind(kind), percent};
    const std::optional<Capability> got = ::capability(stats.groups().at(0), limit);
    QVERIFY(got);
    QCOMPARE(got->nominal, nominal);
    QVERIFY2(near(got->meanDeviationPercent, meanDeviation, 1e-12),
             qPrintable(QString::number(got->meanDeviationPercent, 'g', 17)));
    const auto same = [](const std::optional<double> &a, double b) {
        return std::isnan(b) ? !a.has_value() : a.has_value() && near(*a, b, 1e-12);
    };
    QVERIFY(same(got->limits.lower, lower));
    QVERIFY(same(got->limits.upper, upper));
    QVERIFY2(same(got->cp, cp), qPrintable(QString::number(got->cp.value_or(-1), 'g', 17)));
    QVERIFY2(same(got->cpk, cpk), qPrintable(QString::number(got->cpk.value_or(-1), 'g', 17)));
}

void TestBatchStatistics::capabilityNeedsSpreadAndMatchingParameter()
{
    const BatchLimit limit{RlcParameter::Resistance, 100.0, BatchLimit::Kind::Percent, 5.0};
    BatchStatistics stats;
    stats.add(row(RlcParameter::Resistance, 101.0));
    // One value: no spread yet.
    std::optional<Capability> got = ::capability(stats.groups().at(0), limit);
    QVERIFY(got);
    QCOMPARE(got->meanDeviationPercent, 1.0);
    QVERIFY(!got->cp && !got->cpk);
    // Constant values: sigma 0, no index rather than an infinite one.
    stats.add(row(RlcParameter::Resistance, 101.0));
    stats.add(row(RlcParameter::Resistance, 101.0));
    got = ::capability(stats.groups().at(0), limit);
    QVERIFY(got && !got->cp && !got->cpk);
    // A tolerance on capacitance says nothing about resistance rows.
    QVERIFY(!::capability(stats.groups().at(0), BatchLimit{RlcParameter::Capacitance, 1e-7}));
}

void TestBatchStatistics::hundredThousandRowsMatchTwoPass()
{
    // 1 MOhm +- 1 mOhm: a sum of squares in double would lose every digit of
    // the spread; the running update must keep it.
    std::mt19937_64 rng(14);
    std::uniform_real_distribution<double> noise(-1e-3, 1e-3);
    std::vector<double> values(100000);
    for (double &v : values)
        v = 1e6 + noise(rng);

    BatchStatistics stats;
    for (double v : values)
        stats.add(row(RlcParameter::Resistance, v));

    long double sum = 0;
    for (double v : values)
        sum += v;
    const long double mean = sum / values.size();
    long double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    const double sigma = double(std::sqrt(squares / (values.size() - 1)));

    const ValueGroup &g = stats.groups().at(0);
    QCOMPARE(g.values.count(), 100000);
    QVERIFY2(near(g.values.mean(), double(mean)), qPrintable(QString::number(g.values.mean(), 'g', 17)));
    QVERIFY2(near(*g.values.standardDeviation(), sigma),
             qPrintable(QString::number(*g.values.standardDeviation(), 'g', 17) + " vs "
                        + QString::number(sigma, 'g', 17)));
    QCOMPARE(g.values.min(), *std::min_element(values.begin(), values.end()));
    QCOMPARE(g.values.max(), *std::max_element(values.begin(), values.end()));
}

void TestBatchStatistics::tolerancesFromTheEditor_data()
{
    // Editor fields: kind index, unit index, nominal, tolerance, off; the separator.
    QTest::addColumn<bool>("secondary");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("nominal");
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<bool>("off");
    QTest::addColumn<QChar>("separator");
    // Expected: parameter (-1 none), nominal, kind, percent.
    QTest::addColumn<int>("parameter");
    QTest::addColumn<double>("expectedNominal");
    QTest::addColumn<int>("expectedKind");
    QTest::addColumn<double>("percent");

    const int pct = int(BatchLimit::Kind::Percent);
    QTest::newRow("C 100 nF 5%") << false << 2 << 1 << "100" << "5%" << false << QChar('.')
                                 << int(RlcParameter::Capacitance) << 100e-9 << pct << 5.0;
    QTest::newRow("R 4,7 kOhm <") << false << 0 << 1 << "4,7" << "<" << false << QChar(',')
                                  << int(RlcParameter::Resistance) << 4700.0 << int(BatchLimit::Kind::AtMost)
                                  << 0.0;
    QTest::newRow("L 2 mH 0,5%") << false << 1 << 1 << "2" << "0,5%" << false << QChar(',')
                                 << int(RlcParameter::Inductance) << 2e-3 << pct << 0.5;
    QTest::newRow("D 0.05 >") << true << 2 << 0 << "0.05" << ">" << false << QChar('.')
                              << int(RlcParameter::Dissipation) << 0.05 << int(BatchLimit::Kind::AtLeast) << 0.0;
    QTest::newRow("secondary R 2 MOhm 1%") << true << 0 << 2 << "2" << "1%" << false << QChar('.')
                                           << int(RlcParameter::Resistance) << 2e6 << pct << 1.0;
    QTest::newRow("off") << false << 2 << 1 << "100" << "5%" << true << QChar('.') << -1 << 0.0 << 0 << 0.0;
    QTest::newRow("typed x") << false << 2 << 1 << "100" << "%" << false << QChar('.') << -1 << 0.0 << 0 << 0.0;
    QTest::newRow("other single character") << false << 2 << 1 << "100" << "=" << false << QChar('.') << -1
                                            << 0.0 << 0 << 0.0;
    QTest::newRow("nominal 0") << false << 0 << 0 << "0" << "1%" << false << QChar('.') << -1 << 0.0 << 0 << 0.0;
    QTest::newRow("other separator") << false << 0 << 0 << "1.5" << "1%" << false << QChar(',') << -1 << 0.0 << 0
                                     << 0.0;
}

void TestBatchStatistics::tolerancesFromTheEditor()
{
    QFETCH(bool, secondary);
    QFETCH(int, kind);
    QFETCH(int, unit);
    QFETCH(QString, nominal);
    QFETCH(QString, tolerance);
    QFETCH(bool, off);
    QFETCH(QChar, separator);
    QFETCH(int, parameter);
    QFETCH(double, expectedNominal);
    QFETCH(int, expectedKind);
    QFETCH(double, percent);

    profiles::ReferenceEditor editor;
    profiles::ReferenceEntry &entry = secondary ? editor.secondary : editor.primary;
    entry = {kind, unit, nominal, tolerance, off};
    const BatchTolerances got = batchTolerances(profiles::readReference(editor, separator));
    QVERIFY(!(secondary ? got.primary : got.secondary)); // the other one stays off
    const std::optional<BatchLimit> &limit = secondary ? got.secondary : got.primary;
    if (parameter < 0) {
        QVERIFY(!limit);
        return;
    }
    QVERIFY(limit);
    QCOMPARE(int(limit->parameter), parameter);
    QVERIFY(near(limit->nominal, expectedNominal, 1e-12));
    QCOMPARE(int(limit->kind), expectedKind);
    QCOMPARE(limit->percent, percent);
}

QTEST_GUILESS_MAIN(TestBatchStatistics)
#include "tst_batch_statistics.moc"
