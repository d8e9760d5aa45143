#include "sorting/bin_plan.h"
#include "sorting/bin_plan_file.h"
#include "sorting/bin_rule.h"

#include "file_bytes.h"
#include "file_size_limit.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace profiles;

Q_DECLARE_METATYPE(profiles::BinPlan)
Q_DECLARE_METATYPE(profiles::BinReading)
Q_DECLARE_METATYPE(profiles::BinPlanProblem::Kind)

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint8_t kAux = BinResult::kAux;
constexpr std::uint8_t kOut = BinResult::kOut;

BinPlan nested(double nominal, QList<BinLimits> bins, QString unit = QStringLiteral("ohm"),
               Quantity parameter = Quantity::Resistance)
{
    BinPlan plan;
    plan.parameter = parameter;
    plan.unit = unit;
    plan.nominal = nominal;
    plan.mode = BinMode::Nested;
    plan.bins = std::move(bins);
    return plan;
}

BinPlan sequential(QList<BinLimits> bins, QString unit = QStringLiteral("ohm"))
{
    BinPlan plan = nested(0.0, std::move(bins), unit);
    plan.mode = BinMode::Sequential;
    return plan;
}

BinPlan withSecondary(BinPlan plan, SecondaryLimit::Parameter parameter, bool maximum, double value)
{
    plan.secondary = SecondaryLimit{parameter, maximum, value};
    return plan;
}

BinReading resistor(double ohms, double d = 0.0, double q = 0.0, double esr = 0.0)
{
    return {Quantity::Resistance, ohms, d, q, esr};
}

PreparedBinPlan prepared(const BinPlan &plan)
{
    BinPlanProblem problem;
    const auto p = prepareBinPlan(plan, &problem);
    if (!p)
        qFatal("test plan refused: %s", qPrintable(binPlanProblemText(problem)));
    return *p;
}

// The brute-force reference: every bin that holds the value, the lowest
// number winning; its limits worked out from the plan as written.
std::uint8_t referenceBin(const BinPlan &plan, double factor, const BinReading &r, std::optional<LineNominal> line)
{
    if (!r.quantity || !std::isfinite(r.primary) || *r.quantity != plan.parameter)
        return kOut;
    double nominal = plan.nominal * factor;
    if (plan.mode == BinMode::Nested && plan.nominalFromLine) {
        if (!line || line->quantity != plan.parameter || !(line->nominal > 0.0))
            return kOut;
        nominal = line->nominal;
    }
    QList<int> holding;
    for (int i = 0; i < plan.bins.size(); ++i) {
        const auto [lo, hi] = plan.bins[i];
        const double lower = plan.mode == BinMode::Nested ? nominal * (100.0 + lo) / 100.0 : lo * factor;
        const double upper = plan.mode == BinMode::Nested ? nominal * (100.0 + hi) / 100.0 : hi * factor;
        if (r.primary >= lower && r.primary <= upper)
            holding.append(i + 1);
    }
    if (holding.isEmpty())
        return kOut;
    const int lowest = *std::min_element(holding.begin(), holding.end());
    if (plan.secondary) {
        const SecondaryLimit &s = *plan.secondary;
        const double v = s.parameter == SecondaryLimit::Parameter::Dissipation ? r.dissipation
                         : s.parameter == SecondaryLimit::Parameter::Quality   ? r.quality
                                                                               : r.esr;
        const bool fails = s.maximum ? !(v <= s.value) : !(v >= s.value);
        if (fails)
            return kAux;
    }
    return std::uint8_t(lowest);
}

} // namespace

class TestBinSorting : public QObject
{
    Q_OBJECT
private slots:
    void rule_data();
    void rule();
    void wrongKindKeepsItsReason();
    void nominalFromTheLine();
    void randomPlansAgreeWithBruteForce();
    void refusedPlans_data();
    void refusedPlans();
    void unitsFitTheirParameter();
    void planFilesRoundTrip();
    void writeFailureLeavesTheOldFile();
    void randomBytesNeverCrashTheReader();
    void tallyCountsAndShares();
};

void TestBinSorting::rule_data()
{
    QTest::addColumn<BinPlan>("plan");
    QTest::addColumn<BinReading>("reading");
    QTest::addColumn<int>("bin");

    const BinPlan grades = nested(1000, {{-1, 1}, {-2, 2}, {-5, 5}});
    QTest::newRow("centre: the narrowest bin") << grades << resistor(1000) << 1;
    QTest::newRow("on BIN1's upper edge") << grades << resistor(1010) << 1;
    QTest::newRow("on BIN1's lower edge") << grades << resistor(990) << 1;
    QTest::newRow("just past BIN1") << grades << resistor(1010.0001) << 2;
    QTest::newRow("on BIN3's edge") << grades << resistor(950) << 3;
    QTest::newRow("past the widest bin") << grades << resistor(1050.0001) << int(kOut);
    QTest::newRow("far below") << grades << resistor(10) << int(kOut);

    const BinPlan asymmetric = nested(1000, {{-1, 3}, {-5, 10}});
    QTest::newRow("asymmetric: +3 % in BIN1") << asymmetric << resistor(1030) << 1;
    QTest::newRow("asymmetric: -2 % in BIN2") << asymmetric << resistor(980) << 2;
    QTest::newRow("asymmetric: +10 % in BIN2") << asymmetric << resistor(1100) << 2;
    QTest::newRow("asymmetric: -6 % out") << asymmetric << resistor(940) << int(kOut);

    const BinPlan steps = sequential({{100, 200}, {200, 300}, {400, 500}});
    QTest::newRow("sequential: inside BIN1") << steps << resistor(150) << 1;
    QTest::newRow("sequential: shared edge goes to the lower bin") << steps << resistor(200) << 1;
    QTest::newRow("sequential: BIN2's upper edge") << steps << resistor(300) << 2;
    QTest::newRow("sequential: in the gap") << steps << resistor(350) << int(kOut);
    QTest::newRow("sequential: after the gap") << steps << resistor(400) << 3;
    QTest::newRow("sequential: below all") << steps << resistor(99.999) << int(kOut);
    QTest::newRow("sequential in kohm") << sequential({{1, 2}, {2, 3}}, QStringLiteral("kohm")) << resistor(2500)
                                        << 2;

    const BinPlan lowD = withSecondary(grades, SecondaryLimit::Parameter::Dissipation, true, 0.01);
    QTest::newRow("D at its maximum stays in the bin") << lowD << resistor(1000, 0.01) << 1;
    QTest::newRow("D over its maximum: AUX") << lowD << resistor(1015, 0.02) << int(kAux);
    QTest::newRow("D not finite: AUX") << lowD << resistor(1000, kNaN) << int(kAux);
    QTest::newRow("out of every bin stays OUT whatever D is") << lowD << resistor(2000, 0.5) << int(kOut);
    const BinPlan highQ = withSecondary(grades, SecondaryLimit::Parameter::Quality, false, 50);
    QTest::newRow("Q below its minimum: AUX") << highQ << resistor(1000, 0, 49.9) << int(kAux);
    QTest::newRow("Q at its minimum") << highQ << resistor(1000, 0, 50) << 1;
    const BinPlan lowEsr = withSecondary(grades, SecondaryLimit::Parameter::Esr, true, 0.5);
    QTest::newRow("ESR over its maximum: AUX") << lowEsr << resistor(1000, 0, 0, 0.6) << int(kAux);

    const BinPlan caps = nested(100, {{-1, 1}, {-2, 2}, {-5, 5}}, QStringLiteral("nF"), Quantity::Capacitance);
    QTest::newRow("100 nF part at 101.5 nF") << caps << BinReading{Quantity::Capacitance, 101.5e-9} << 2;
    QTest::newRow("a negative capacitance") << caps << BinReading{Quantity::Capacitance, -100e-9} << int(kOut);
    QTest::newRow("an R reading under a C plan")
        << caps << BinReading{Quantity::Resistance, 100e-9} << int(kOut);
    QTest::newRow("no main value (Z)") << caps << BinReading{std::nullopt, 100e-9} << int(kOut);
    QTest::newRow("an over-range value") << caps << BinReading{Quantity::Capacitance, kNaN} << int(kOut);
}

void TestBinSorting::rule()
{
    QFETCH(BinPlan, plan);
    QFETCH(BinReading, reading);
    QFETCH(int, bin);
    const BinResult result = sortReading(prepared(plan), reading);
    QCOMPARE(binText(result.bin), binText(std::uint8_t(bin)));
}

void TestBinSorting::wrongKindKeepsItsReason()
{
    const auto plan = prepared(nested(100, {{-1, 1}}, QStringLiteral("nF"), Quantity::Capacitance));
    QCOMPARE(sortReading(plan, {Quantity::Resistance, 100e-9}).reason, OutReason::OtherParameter);
    QCOMPARE(sortReading(plan, {Quantity::Inductance, 100e-9}).reason, OutReason::OtherParameter);
    QCOMPARE(sortReading(plan, {std::nullopt, 0.0}).reason, OutReason::NoValue);
    QCOMPARE(sortReading(plan, {Quantity::Capacitance, 200e-9}).reason, OutReason::OutsideBins);
    QCOMPARE(sortReading(plan, {Quantity::Capacitance, 100e-9}).reason, OutReason::None);
}

void TestBinSorting::nominalFromTheLine()
{
    BinPlan plan = nested(0, {{-1, 1}, {-5, 5}}, QStringLiteral("uH"), Quantity::Inductance);
    plan.nominalFromLine = true;
    const auto p = prepared(plan);
    const BinReading part{Quantity::Inductance, 10.3e-6};
    QCOMPARE(sortReading(p, part, LineNominal{Quantity::Inductance, 10e-6}).bin, 2);
    QCOMPARE(sortReading(p, part, LineNominal{Quantity::Inductance, 10.3e-6}).bin, 1);
    const BinResult noLine = sortReading(p, part, std::nullopt);
    QCOMPARE(noLine.bin, kOut);
    QCOMPARE(noLine.reason, OutReason::NoNominal);
    // A line that names a capacitor gives no nominal for an inductance plan.
    QCOMPARE(sortReading(p, part, LineNominal{Quantity::Capacitance, 10e-6}).reason, OutReason::NoNominal);

    Reference reference;
    reference.primary.quantity = Quantity::Capacitance;
    reference.primary.nominal = 47e-9;
    QCOMPARE(lineNominalOf(reference)->nominal, 47e-9);
    reference.primary.problem = ReferenceProblem::UnreadableNominal;
    QVERIFY(!lineNominalOf(reference));
}

void TestBinSorting::randomPlansAgreeWithBruteForce()
{
    QRandomGenerator random(20261211);
    const Quantity kinds[] = {Quantity::Resistance, Quantity::Capacitance, Quantity::Inductance};
    const char *units[] = {"kohm", "nF", "mH"};
    const double factors[] = {1e3, 1e-9, 1e-3};
    int counts[11] = {};
    for (int n = 0; n < 100000; ++n) {
        const int kind = int(random.bounded(3));
        BinPlan plan;
        plan.parameter = kinds[kind];
        plan.unit = QString::fromLatin1(units[kind]);
        plan.mode = random.bounded(2) ? BinMode::Nested : BinMode::Sequential;
        plan.nominal = 1.0 + random.bounded(1000.0);
        plan.nominalFromLine = plan.mode == BinMode::Nested && random.bounded(4) == 0;
        const int binCount = 1 + int(random.bounded(kMaxBins));
        double lo = -random.bounded(3.0);
        double hi = random.bounded(3.0);
        double start = random.bounded(500.0);
        for (int i = 0; i < binCount; ++i) {
            if (plan.mode == BinMode::Nested) {
                plan.bins.append({lo, hi});
                lo -= 0.001 + random.bounded(3.0);
                hi += random.bounded(2) ? random.bounded(3.0) : 0.0;
            } else {
                // Gaps, shared edges and overlaps all occur.
                const double width = random.bounded(50.0);
                plan.bins.append({start, start + width});
                start += width + random.bounded(40.0) - 15.0;
            }
        }
        if (random.bounded(2)) {
            plan.secondary = SecondaryLimit{SecondaryLimit::Parameter(random.bounded(3)), bool(random.bounded(2)),
                                            random.bounded(1.0)};
        }
        const auto p = prepareBinPlan(plan);
        QVERIFY2(p, qPrintable(QStringLiteral("plan %1 refused").arg(n)));

        std::optional<LineNominal> line;
        if (random.bounded(8))
            line = LineNominal{random.bounded(10) ? plan.parameter : kinds[(kind + 1) % 3],
                               (1.0 + random.bounded(1000.0)) * factors[kind]};
        const double nominal = plan.nominalFromLine && line ? line->nominal : plan.nominal * factors[kind];

        BinReading r;
        r.quantity = random.bounded(20) ? std::optional(plan.parameter) : std::nullopt;
        if (random.bounded(30) == 0)
            r.quantity = kinds[(kind + 2) % 3];
        const int pick = int(random.bounded(plan.bins.size()));
        const BinLimits edge = plan.bins[pick];
        switch (random.bounded(4)) {
        case 0: // exactly on an edge, worked out as the plan's arithmetic does
            r.primary = plan.mode == BinMode::Nested ? nominal * (100.0 + edge.lower) / 100.0
                                                     : edge.upper * factors[kind];
            break;
        case 1:
            r.primary = nominal * (0.8 + random.bounded(0.4));
            break;
        case 2:
            r.primary = (random.bounded(600.0)) * factors[kind];
            break;
        default:
            r.primary = random.bounded(50) ? nominal * (1.0 + (random.bounded(0.2) - 0.1)) : kNaN;
        }
        r.dissipation = random.bounded(1.0);
        r.quality = random.bounded(1.0);
        r.esr = random.bounded(16) ? random.bounded(1.0) : kNaN;

        const std::uint8_t expected = referenceBin(plan, factors[kind], r, line);
        const BinResult got = sortReading(*p, r, line);
        if (got.bin != expected)
            QFAIL(qPrintable(QStringLiteral("case %1: %2 expected, %3 given; plan %4, value %5")
                                 .arg(n)
                                 .arg(binText(expected), binText(got.bin), QString::fromUtf8(binPlanJson(plan)))
                                 .arg(r.primary, 0, 'g', 17)));
        ++counts[got.bin];
    }
    // The cases reach every outcome, not only OUT.
    QVERIFY(counts[kOut] > 1000);
    QVERIFY(counts[kAux] > 1000);
    QVERIFY(counts[1] > 1000);
    QVERIFY(counts[9] > 0);
}

void TestBinSorting::refusedPlans_data()
{
    using K = BinPlanProblem::Kind;
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<K>("kind");
    QTest::addColumn<QString>("message");

    const QByteArray head = R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "nominal": 100, )";
    QTest::newRow("not JSON") << QByteArray("{\"format\": ") << K::NotJson << QString();
    QTest::newRow("an array") << QByteArray("[1, 2]") << K::NotJson << QString();
    QTest::newRow("another format") << QByteArray(R"({"format": "vorlant-bins/2"})") << K::WrongFormat
                                    << QStringLiteral("format: not a sorting plan (\"vorlant-bins/1\" expected)");
    QTest::newRow("no bins") << head + R"("mode": "nested", "bins": []})" << K::NoBins
                             << QStringLiteral("bins: the plan has no bins");
    QTest::newRow("bins missing") << head + R"("mode": "nested"})" << K::NoBins
                                  << QStringLiteral("bins: the plan has no bins");
    QTest::newRow("ten bins") << head + R"("mode": "sequential", "bins": [)" +
                                     QByteArray(R"({"lower": 1, "upper": 2},)").repeated(9) +
                                     R"({"lower": 1, "upper": 2}]})"
                              << K::TooManyBins << QStringLiteral("bins: more than 9 bins");
    QTest::newRow("lower above upper")
        << head + R"("mode": "sequential", "bins": [{"lower": 1, "upper": 2}, {"lower": 5, "upper": 4}]})"
        << K::LowerAboveUpper << QStringLiteral("bins[2]: the lower limit is above the upper one");
    QTest::newRow("negative tolerance") << head + R"("mode": "nested", "bins": [{"tolerance": -1}]})"
                                        << K::LowerAboveUpper
                                        << QStringLiteral("bins[1]: the lower limit is above the upper one");
    QTest::newRow("nested bins that narrow")
        << head + R"("mode": "nested", "bins": [{"tolerance": 1}, {"tolerance": 5}, {"tolerance": 2}]})"
        << K::NotWidening << QStringLiteral("bins[3]: a nested bin must hold the bin before it and be wider");
    QTest::newRow("nested bins that are equal")
        << head + R"("mode": "nested", "bins": [{"tolerance": 1}, {"lower": -1, "upper": 1}]})" << K::NotWidening
        << QStringLiteral("bins[2]: a nested bin must hold the bin before it and be wider");
    QTest::newRow("nested bins that shift")
        << head + R"("mode": "nested", "bins": [{"tolerance": 1}, {"lower": 0, "upper": 3}]})" << K::NotWidening
        << QStringLiteral("bins[2]: a nested bin must hold the bin before it and be wider");
    QTest::newRow("ohms for a capacitor")
        << QByteArray(R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "kohm", "nominal": 1,
                          "mode": "nested", "bins": [{"tolerance": 1}]})")
        << K::UnitMismatch << QStringLiteral("unit: the unit does not fit the parameter");
    QTest::newRow("an unknown unit")
        << QByteArray(R"({"format": "vorlant-bins/1", "parameter": "L", "unit": "xH", "nominal": 1,
                          "mode": "nested", "bins": [{"tolerance": 1}]})")
        << K::UnitMismatch << QStringLiteral("unit: the unit does not fit the parameter");
    QTest::newRow("Z is no plan parameter")
        << QByteArray(R"({"format": "vorlant-bins/1", "parameter": "Z", "unit": "ohm"})") << K::BadValue
        << QStringLiteral("parameter: missing or not a usable value");
    QTest::newRow("zero nominal")
        << QByteArray(R"({"format": "vorlant-bins/1", "parameter": "R", "unit": "ohm", "nominal": 0,
                          "mode": "nested", "bins": [{"tolerance": 1}]})")
        << K::BadValue << QStringLiteral("nominal: missing or not a usable value");
    QTest::newRow("nominal as text") << head.chopped(5) + R"("100", "mode": "nested", "bins": [{"tolerance": 1}]})"
                                     << K::BadValue << QStringLiteral("nominal: missing or not a usable value");
    QTest::newRow("unknown mode") << head + R"("mode": "binned", "bins": [{"tolerance": 1}]})" << K::BadValue
                                  << QStringLiteral("mode: missing or not a usable value");
    QTest::newRow("a limit as text")
        << head + R"("mode": "sequential", "bins": [{"lower": 1, "upper": "2"}]})" << K::BadValue
        << QStringLiteral("bins[1].upper: missing or not a usable value");
    QTest::newRow("a bin not an object") << head + R"("mode": "nested", "bins": [{"tolerance": 1}, 3]})"
                                         << K::BadValue << QStringLiteral("bins[2]: missing or not a usable value");
    QTest::newRow("secondary X")
        << head + R"("mode": "nested", "bins": [{"tolerance": 1}], "secondary": {"parameter": "X", "max": 1}})"
        << K::BadValue << QStringLiteral("secondary.parameter: missing or not a usable value");
    QTest::newRow("secondary with max and min")
        << head + R"("mode": "nested", "bins": [{"tolerance": 1}],
                     "secondary": {"parameter": "D", "max": 1, "min": 0}})"
        << K::BadValue << QStringLiteral("secondary.max: missing or not a usable value");
    QTest::newRow("secondary below zero")
        << head + R"("mode": "nested", "bins": [{"tolerance": 1}], "secondary": {"parameter": "Q", "min": -1}})"
        << K::BadValue << QStringLiteral("secondary.min: missing or not a usable value");
}

void TestBinSorting::refusedPlans()
{
    QFETCH(QByteArray, json);
    QFETCH(BinPlanProblem::Kind, kind);
    QFETCH(QString, message);
    BinPlanProblem problem;
    QVERIFY(!parseBinPlan(json, &problem));
    QCOMPARE(problem.kind, kind);
    if (!message.isEmpty())
        QCOMPARE(binPlanProblemText(problem), message);
    else
        QVERIFY(!binPlanProblemText(problem).isEmpty());
}

void TestBinSorting::unitsFitTheirParameter()
{
    QCOMPARE(binUnitFactor(Quantity::Capacitance, QStringLiteral("nF")), 1e-9);
    QCOMPARE(binUnitFactor(Quantity::Capacitance, QStringLiteral("µF")), 1e-6);
    QCOMPARE(binUnitFactor(Quantity::Inductance, QStringLiteral("μH")), 1e-6);
    QCOMPARE(binUnitFactor(Quantity::Resistance, QStringLiteral("kΩ")), 1e3);
    QCOMPARE(binUnitFactor(Quantity::Resistance, QStringLiteral("Mohm")), 1e6);
    QCOMPARE(binUnitFactor(Quantity::Resistance, QStringLiteral("mohm")), 1e-3);
    QCOMPARE(binUnitFactor(Quantity::Resistance, QStringLiteral("G\u2126")), 1e9);
    QCOMPARE(binUnitFactor(Quantity::Inductance, QStringLiteral("H")), 1.0);
    QVERIFY(!binUnitFactor(Quantity::Inductance, QStringLiteral("nF")));
    QVERIFY(!binUnitFactor(Quantity::Capacitance, QStringLiteral("")));
    QVERIFY(!binUnitFactor(Quantity::Capacitance, QStringLiteral("nnF")));
}

void TestBinSorting::planFilesRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    BinPlan fromLine = nested(0, {{-1, 1}, {-2, 3}}, QStringLiteral("uH"), Quantity::Inductance);
    fromLine.nominalFromLine = true;
    const BinPlan plans[] = {
        withSecondary(nested(100, {{-1, 1}, {-2, 2}, {-5, 5}}, QStringLiteral("nF"), Quantity::Capacitance),
                      SecondaryLimit::Parameter::Dissipation, true, 0.01),
        withSecondary(sequential({{0.1, 0.2}, {0.25, 1.0 / 3.0}}, QStringLiteral("Mohm")),
                      SecondaryLimit::Parameter::Esr, false, 1e-3),
        fromLine,
    };
    int n = 0;
    for (const BinPlan &plan : plans) {
        const QString path = dir.filePath(QStringLiteral("plan%1.json").arg(++n));
        QString error;
        QVERIFY2(writeBinPlanFile(path, plan, &error), qPrintable(error));
        BinPlanProblem problem;
        const auto back = readBinPlanFile(path, &problem);
        QVERIFY2(back, qPrintable(binPlanProblemText(problem)));
        QCOMPARE(*back, plan);
    }
    BinPlanProblem problem;
    QVERIFY(!readBinPlanFile(dir.filePath(QStringLiteral("missing.json")), &problem));
    QCOMPARE(problem.kind, BinPlanProblem::Kind::Unreadable);
    QVERIFY(!readBinPlanFile(dir.path(), &problem));
    QCOMPARE(problem.kind, BinPlanProblem::Kind::Unreadable);
}

void TestBinSorting::writeFailureLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plan.json"));
    QVERIFY(writeAll(path, "old plan"));
    QString error;
    bool written = true;
    {
        // A full disk: the new plan cannot get past its first bytes.
        FileSizeLimit limit(16);
        QVERIFY(limit.active());
        written = writeBinPlanFile(path, nested(1, {{-1, 1}}), &error);
    }
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), QByteArray("old plan"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("plan.json")});
}

void TestBinSorting::randomBytesNeverCrashTheReader()
{
    QRandomGenerator random(7);
    const QByteArray valid = binPlanJson(
        withSecondary(nested(100, {{-1, 1}, {-2, 2}}, QStringLiteral("nF"), Quantity::Capacitance),
                      SecondaryLimit::Parameter::Quality, false, 10));
    int accepted = 0;
    for (int n = 0; n < 20000; ++n) {
        QByteArray bytes;
        if (n % 2) {
            bytes.resize(int(random.bounded(200)));
            for (char &c : bytes)
                c = char(random.bounded(256));
        } else {
            // Damaged plans get further into the reader than noise does.
            bytes = valid;
            for (int k = 0, flips = 1 + int(random.bounded(4)); k < flips; ++k)
                bytes[int(random.bounded(bytes.size()))] = char(random.bounded(256));
        }
        BinPlanProblem problem;
        const auto plan = parseBinPlan(bytes, &problem);
        if (plan) {
            ++accepted;
            QVERIFY(!problem);
            QVERIFY(prepareBinPlan(*plan));
        } else {
            QVERIFY(problem);
        }
    }
    QVERIFY(accepted > 0);
}

void TestBinSorting::tallyCountsAndShares()
{
    BinTally tally;
    QCOMPARE(tally.percent(1), 0.0);
    for (std::uint8_t bin : {std::uint8_t(1), std::uint8_t(1), std::uint8_t(2), kAux, kOut})
        tally.add({bin, OutReason::None});
    QCOMPARE(tally.total(), 5);
    QCOMPARE(tally.count(1), 2);
    QCOMPARE(tally.percent(1), 40.0);
    QCOMPARE(tally.summary(2), QStringLiteral("BIN1 2 (40.0 %), BIN2 1 (20.0 %), AUX 1 (20.0 %), OUT 1 (20.0 %)"));
    tally.reset();
    QCOMPARE(tally.total(), 0);
    QCOMPARE(tally.count(1), 0);
}

QTEST_GUILESS_MAIN(TestBinSorting)
#include "tst_bin_sorting.moc"
