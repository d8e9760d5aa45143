// vorlant-log against the built meter simulator on a pseudo-terminal, run as
// a test stand runs it: readings, the bytes the meter receives, tolerances,
// profiles, stopping, lost links and exit statuses. The built program runs
// where its streams, signals, port finder and exit statuses are the point;
// elsewhere its run function runs in this process with the link's pauses
// shortened.

#include "file_bytes.h"
#include "sim_process.h"

#include "pty_pair.h"

#include "profiles/profile_file.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <charconv>
#include <cmath>
#include <csignal>

namespace {

// Readings 50 ms apart: quick, and still far apart enough for the link's 10 ms split.
const QStringList kFast = {QStringLiteral("--frame-gap-ms"), QStringLiteral("50")};

struct Csv
{
    QList<QByteArray> header;
    QList<QList<QByteArray>> rows;

    QByteArray cell(int row, const char *column) const { return rows.at(row).value(header.indexOf(column)); }
    double number(int row, const char *column) const
    {
        const QByteArray text = cell(row, column);
        double v = std::nan("");
        std::from_chars(text.constData(), text.constData() + text.size(), v);
        return v;
    }
};

// The logger's CSV: lines end in CR LF, its texts need no quotes.
Csv parseCsv(const QByteArray &text)
{
    Csv csv;
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray line : lines) {
        if (!line.endsWith('\r'))
            return {};
        line.chop(1);
        if (csv.header.isEmpty())
            csv.header = line.split(',');
        else
            csv.rows.append(line.split(','));
    }
    return csv;
}

} // namespace

class TestVorlantLog : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void fiveReadingsOfAResistor();
    void settingsCommandReachesTheMeter();
    void jsonLinesParse();
    void rdAndUReadingsHaveTheirColumns_data();
    void rdAndUReadingsHaveTheirColumns();
    void toleranceVerdicts_data();
    void toleranceVerdicts();
    void profileLineSetsUpAndJudges();
    void stopSignalEndsTheLink();
    void durationCountsFromTheFirstReading();
    void binsSortEveryReading_data();
    void binsSortEveryReading();
    void refusedPlanNamesItsField();
    void exitStatuses_data();
    void exitStatuses();
    void silentDongleIsNoAnswer();
    void lostLinkEndsTheRun();
    void reconnectKeepsEveryLineOnce();

private:
    QString link() const { return m_dir.filePath(QStringLiteral("dongle")); }
    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    // The logger's run in this process, with the link's pauses shortened.
    LoggerResult runHere(const QStringList &args)
    {
        return runLoggerHere(args, m_dir.filePath(QStringLiteral("run%1.out").arg(++m_runs)));
    }

    QTemporaryDir m_dir;
    int m_runs = 0;
};

void TestVorlantLog::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(link());
}

void TestVorlantLog::fiveReadingsOfAResistor()
{
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=4.7k"), QStringLiteral("--noise"),
                                          QStringLiteral("2")} + kFast));
    // Found through the port finder, as without --port.
    const LoggerResult run = runLogger({QStringLiteral("--count"), QStringLiteral("5")},
                                       {QStringLiteral("PORTVANE_PORT=") + link()});
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY2(run.err.isEmpty(), run.err.constData());

    const Csv csv = parseCsv(run.out);
    QCOMPARE(csv.header.size(), 28);
    QCOMPARE(csv.rows.size(), 5);
    QDateTime previous;
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(csv.cell(i, "position"), QByteArray::number(i + 1));
        QCOMPARE(csv.cell(i, "mode"), "RLCD");
        QCOMPARE(csv.cell(i, "primary"), "R");
        const double ohms = csv.number(i, "primary_value");
        QVERIFY2(std::fabs(ohms - 4700.0) <= 4700.0 * 0.02, csv.cell(i, "primary_value").constData());
        const QDateTime time = QDateTime::fromString(QString::fromLatin1(csv.cell(i, "time")), Qt::ISODateWithMs);
        QVERIFY(time.isValid());
        QVERIFY(previous.isNull() || time > previous);
        previous = time;
        QCOMPARE(csv.cell(i, "verdict"), QByteArray()); // no tolerance given
    }
}

void TestVorlantLog::settingsCommandReachesTheMeter()
{
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("C=100n,ESR=0.2")} + kFast));
    const LoggerResult run = runHere({QStringLiteral("--port"), link(), QStringLiteral("--count"), QStringLiteral("2"),
                                        QStringLiteral("--freq"), QStringLiteral("10k"), QStringLiteral("--level"),
                                        QStringLiteral("0.5"), QStringLiteral("--primary"), QStringLiteral("C"),
                                        QStringLiteral("--secondary"), QStringLiteral("D")});
    QVERIFY2(run.status == 0, run.err.constData());
    // 01: settings, brightness on. 04: 10 kHz (code 4) by hand, circuit automatic (0 in bits 6..7).
    // B2: main C (2), secondary D (3 << 4), sound on (0x80). 22: level 0.5 V (2) by hand, interval 1 s (2 << 4).
    QVERIFY2(sim.waitForLog("rx 01 04 B2 22 0A  settings"), sim.log().constData());
    QCOMPARE(sim.log().count("settings:"), 1);

    // The readings logged come after the command: the meter's new settings.
    const Csv csv = parseCsv(run.out);
    QCOMPARE(csv.rows.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(csv.cell(i, "primary"), "C");
        QCOMPARE(csv.cell(i, "secondary"), "D");
        QCOMPARE(csv.number(i, "frequency_hz"), 10000.0);
        QCOMPARE(csv.number(i, "level_v"), 0.5);
        QVERIFY(std::fabs(csv.number(i, "primary_value") - 100e-9) < 1e-9);
    }
}

void TestVorlantLog::jsonLinesParse()
{
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("L=1m,R=2")} + kFast));
    const LoggerResult run = runHere({QStringLiteral("--port"), link(), QStringLiteral("--count"), QStringLiteral("3"),
                                        QStringLiteral("--format"), QStringLiteral("jsonl"), QStringLiteral("--primary"),
                                        QStringLiteral("L"), QStringLiteral("--nominal"), QStringLiteral("1mH"),
                                        QStringLiteral("--tol"), QStringLiteral("10%")});
    QVERIFY2(run.status == 0, run.err.constData());
    QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray()); // every line ends in a line feed
    QCOMPARE(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(lines.at(i), &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        const QJsonObject o = document.object();
        QCOMPARE(o.value(QLatin1String("position")).toInt(), i + 1);
        QCOMPARE(o.value(QLatin1String("mode")).toString(), QStringLiteral("RLCD"));
        QCOMPARE(o.value(QLatin1String("primary")).toString(), QStringLiteral("L"));
        QVERIFY(std::fabs(o.value(QLatin1String("primary_value")).toDouble() - 1e-3) < 1e-5);
        QCOMPARE(o.value(QLatin1String("verdict")).toString(), QStringLiteral("pass"));
        QVERIFY(o.value(QLatin1String("primary_deviation_pct")).isDouble());
        // No value, no key.
        QVERIFY(!o.contains(QLatin1String("secondary_deviation_pct")));
        QVERIFY(!o.contains(QLatin1String("u_v")));
    }
}

void TestVorlantLog::rdAndUReadingsHaveTheirColumns_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("column");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("emptyColumn");
    QTest::newRow("diode") << QStringLiteral("diode,Vf=0.6") << QStringLiteral("RD") << QByteArray("rd_diode_v") << 0.6
                           << QByteArray("rd_resistance_ohm");
    QTest::newRow("resistance") << QStringLiteral("R=470") << QStringLiteral("rd") << QByteArray("rd_resistance_ohm")
                                << 470.0 << QByteArray("rd_diode_v");
    QTest::newRow("voltage") << QStringLiteral("U=-1.5") << QStringLiteral("U") << QByteArray("u_v") << -1.5
                             << QByteArray("primary_value");
}

void TestVorlantLog::rdAndUReadingsHaveTheirColumns()
{
    QFETCH(QString, part);
    QFETCH(QString, mode);
    QFETCH(QByteArray, column);
    QFETCH(double, value);
    QFETCH(QByteArray, emptyColumn);

    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), part} + kFast));
    const LoggerResult run = runHere({QStringLiteral("--port"), link(), QStringLiteral("--count"), QStringLiteral("2"),
                                        QStringLiteral("--mode"), mode});
    QVERIFY2(run.status == 0, run.err.constData());
    const Csv csv = parseCsv(run.out);
    QCOMPARE(csv.rows.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(csv.cell(i, "mode"), mode.toUpper().toLatin1());
        QVERIFY2(std::fabs(csv.number(i, column.constData()) - value) < 1e-6 * std::fabs(value),
                 csv.cell(i, column.constData()).constData());
        QCOMPARE(csv.cell(i, emptyColumn.constData()), QByteArray());
    }
}

void TestVorlantLog::toleranceVerdicts_data()
{
    QTest::addColumn<QString>("nominal");
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<QByteArray>("verdict");
    QTest::addColumn<int>("status");
    // Readings of 4.7 kOhm +- 1 %. The rules and units of the judgement are
    // the core's, tested there and with the options (tst_logger_options);
    // here the whole way, once passing and once rejecting.
    QTest::newRow("within 5 %") << QStringLiteral("4.7k") << QStringLiteral("5%") << QByteArray("pass") << 0;
    QTest::newRow("outside 2 %") << QStringLiteral("4.5kohm") << QStringLiteral("2%") << QByteArray("reject") << 7;
}

void TestVorlantLog::toleranceVerdicts()
{
    QFETCH(QString, nominal);
    QFETCH(QString, tolerance);
    QFETCH(QByteArray, verdict);
    QFETCH(int, status);

    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=4.7k"), QStringLiteral("--noise"),
                                          QStringLiteral("1")} + kFast));
    const LoggerResult run = runHere({QStringLiteral("--port"), link(), QStringLiteral("--count"), QStringLiteral("4"),
                                        QStringLiteral("--primary"), QStringLiteral("R"), QStringLiteral("--nominal"),
                                        nominal, QStringLiteral("--tol"), tolerance,
                                        QStringLiteral("--fail-on-reject")});
    QVERIFY2(run.status == status, run.err.constData());
    QCOMPARE(run.err.isEmpty(), status == 0); // a reject status says so in one line
    const Csv csv = parseCsv(run.out);
    QCOMPARE(csv.rows.size(), 4);
    const double nominalOhms = QString(nominal).remove(QStringLiteral("ohm")).replace(QLatin1Char(','), QLatin1Char('.'))
                                   .replace(QStringLiteral("k"), QStringLiteral("e3"))
                                   .replace(QStringLiteral("M"), QStringLiteral("e6"))
                                   .toDouble();
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(csv.cell(i, "verdict"), verdict);
        // The deviation of the main value, signed, in percent of the nominal value.
        const double expected = (csv.number(i, "primary_value") - nominalOhms) / nominalOhms * 100.0;
        QVERIFY2(std::fabs(csv.number(i, "primary_deviation_pct") - expected) < 1e-9,
                 csv.cell(i, "primary_deviation_pct").constData());
        QCOMPARE(csv.cell(i, "secondary_deviation_pct"), QByteArray()); // its tolerance is off
    }
}

void TestVorlantLog::binsSortEveryReading_data()
{
    QTest::addColumn<QByteArray>("bins");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("status");
    // Readings of 4.7 kOhm with 3 % noise: every grade and OUT are reached.
    const QByteArray grades = R"("nominal": 4.7, "mode": "nested",
        "bins": [{"tolerance": 0.5}, {"tolerance": 1}, {"tolerance": 2}]})";
    QTest::newRow("graded, some OUT") << grades << QStringLiteral("csv") << 10;
    QTest::newRow("graded, as JSON lines") << grades << QStringLiteral("jsonl") << 10;
    QTest::newRow("one wide bin, nothing OUT")
        << QByteArray(R"("mode": "sequential", "bins": [{"lower": 1, "upper": 10}]})") << QStringLiteral("csv") << 0;
    QTest::newRow("a Q limit no part meets sends all to AUX")
        << QByteArray(R"("mode": "sequential", "bins": [{"lower": 1, "upper": 10}],
                         "secondary": {"parameter": "Q", "min": 1e9}})")
        << QStringLiteral("csv") << 0;
}

void TestVorlantLog::binsSortEveryReading()
{
    QFETCH(QByteArray, bins);
    QFETCH(QString, format);
    QFETCH(int, status);
    const QString plan = file("plan.json");
    QVERIFY(writeAll(plan, R"({"format": "vorlant-bins/1", "parameter": "R", "unit": "kohm", )" + bins));

    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=4.7k"), QStringLiteral("--noise"),
                                          QStringLiteral("3")} + kFast));
    constexpr int kReadings = 40;
    const LoggerResult run = runLogger({QStringLiteral("--port"), link(), QStringLiteral("--count"),
                                        QString::number(kReadings), QStringLiteral("--bins"), plan,
                                        QStringLiteral("--fail-on-out"), QStringLiteral("--format"), format});
    QVERIFY2(run.status == status, run.err.constData());

    // Each line's bin, worked out here from its own value.
    QList<QByteArray> values;
    QList<QByteArray> given;
    if (format == QLatin1String("csv")) {
        const Csv csv = parseCsv(run.out);
        QCOMPARE(csv.header.last(), "bin");
        for (int i = 0; i < csv.rows.size(); ++i) {
            values << csv.cell(i, "primary_value");
            given << csv.cell(i, "bin");
        }
    } else {
        for (const QByteArray &line : run.out.split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            values << QByteArray::number(o.value(QLatin1String("primary_value")).toDouble(), 'g', 17);
            given << o.value(QLatin1String("bin")).toString().toLatin1();
        }
    }
    QCOMPARE(given.size(), kReadings);
    const bool auxOnly = bins.contains("1e9");
    const bool wide = bins.contains("sequential");
    QMap<QByteArray, int> counts;
    for (int i = 0; i < kReadings; ++i) {
        const double deviation = std::fabs(values[i].toDouble() - 4700.0) / 4700.0 * 100.0;
        QByteArray expected = auxOnly ? "AUX" : wide ? "BIN1" : deviation <= 0.5 ? "BIN1" : deviation <= 1 ? "BIN2"
                                                            : deviation <= 2 ? "BIN3" : "OUT";
        // A value within rounding of an edge may land on either side; the core's tests hold the edges.
        if (!wide && std::fabs(deviation * 2 - std::round(deviation * 2)) < 1e-9)
            expected = given[i];
        QCOMPARE(given[i], expected);
        ++counts[given[i]];
    }
    // The tally on stderr: the same counts, once, at the end.
    const QByteArray tallyLine = run.err.mid(run.err.indexOf("bins of 40 readings: "));
    QVERIFY2(run.err.count("bins of") == 1, run.err.constData());
    for (const QByteArray &bin : {QByteArray("BIN1"), QByteArray("AUX"), QByteArray("OUT")})
        QVERIFY2(tallyLine.contains(bin + ' ' + QByteArray::number(counts.value(bin)) + " ("), tallyLine.constData());
    if (status == 10)
        QVERIFY(counts.value("OUT") > 0);
}

void TestVorlantLog::refusedPlanNamesItsField()
{
    const QString plan = file("plan.json");
    QVERIFY(writeAll(plan, R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "kohm", "nominal": 1,
                               "mode": "nested", "bins": [{"tolerance": 1}]})"));
    const LoggerResult run = runLogger({QStringLiteral("--port"), link(), QStringLiteral("--bins"), plan});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains("unit: the unit does not fit the parameter"), run.err.constData());
    QVERIFY(run.out.isEmpty());
}

void TestVorlantLog::profileLineSetsUpAndJudges()
{
    // Line 1 is a decoy; line 2 is a 4.7 kOhm part at 1 kHz, 0.1 V, series, R with Q,
    // written on a machine with a decimal comma.
    profiles::ProfileLine decoy;
    decoy.lineName = QStringLiteral("C1");
    decoy.primaryKind = 2;
    decoy.primaryNominal = QStringLiteral("100");
    decoy.primaryUnit = 1;
    decoy.primaryTolerance = QStringLiteral("1%");
    decoy.secondaryTolerance = profiles::kToleranceOff;

    profiles::ProfileLine line = decoy;
    line.lineName = QStringLiteral("R2");
    line.primaryKind = 0;
    line.primaryUnit = 1;
    line.primaryNominal = QStringLiteral("4,7");
    line.primaryTolerance = QStringLiteral("2%");
    protocol::MeterSettings &s = line.settingsSnapshot;
    s.freqAuto = 0;
    s.freqCode = 3;
    s.primaryAuto = 0;
    s.primaryCode = 1;
    s.secondaryAuto = 0;
    s.secondaryCode = 2;
    s.levelAuto = 0;
    s.levelCode = 3;
    s.circuitAuto = 0;
    s.seriesCircuit = 1;
    s.intervalCode = 3;
    s.sound = 0;

    const QString path = file("stand.hex1");
    QVERIFY(!profiles::createProfileFile(path, decoy));
    QVERIFY(!profiles::recordProfileLine(path, 2, line).problem);

    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=4.7k"), QStringLiteral("--noise"),
                                          QStringLiteral("1")} + kFast));
    const LoggerResult run = runHere({QStringLiteral("--port"), link(), QStringLiteral("--count"), QStringLiteral("3"),
                                        QStringLiteral("--profile"), path, QStringLiteral("--line"),
                                        QStringLiteral("2"), QStringLiteral("--fail-on-reject")});
    QVERIFY2(run.status == 0, run.err.constData());
    // 01 brightness on; 83: 1 kHz (3) by hand, series (2 << 6); 21: R (1), Q (2 << 4), sound off;
    // 33: 0.1 V (3) by hand, interval 0.5 s (3 << 4).
    QVERIFY2(sim.waitForLog("rx 01 83 21 33 0A  settings"), sim.log().constData());
    const Csv csv = parseCsv(run.out);
    QCOMPARE(csv.rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(csv.cell(i, "primary"), "R");
        QCOMPARE(csv.cell(i, "secondary"), "Q");
        QCOMPARE(csv.cell(i, "circuit"), "series");
        QCOMPARE(csv.number(i, "frequency_hz"), 1000.0);
        QCOMPARE(csv.number(i, "level_v"), 0.1);
        QCOMPARE(csv.cell(i, "verdict"), "pass");
        QVERIFY(std::fabs(csv.number(i, "primary_deviation_pct")) <= 1.0 + 1e-9);
    }

    // An option beside the profile overrides the line's value.
    const LoggerResult strict = runHere({QStringLiteral("--port"), link(), QStringLiteral("--count"),
                                           QStringLiteral("2"), QStringLiteral("--profile"), path,
                                           QStringLiteral("--line"), QStringLiteral("2"), QStringLiteral("--nominal"),
                                           QStringLiteral("4.2k"), QStringLiteral("--fail-on-reject")});
    QVERIFY2(strict.status == 7, strict.err.constData());

    const LoggerResult missing = runHere({QStringLiteral("--port"), link(), QStringLiteral("--profile"), path,
                                            QStringLiteral("--line"), QStringLiteral("3")});
    QCOMPARE(missing.status, 2);
    QVERIFY2(missing.err.contains("no line 3"), missing.err.constData());
}

void TestVorlantLog::durationCountsFromTheFirstReading()
{
    // Readings 1.5 s apart: a duration counted from the start of logging
    // would end before the first one comes.
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=1k"),
                                          QStringLiteral("--frame-gap-ms"), QStringLiteral("1500")}));
    const LoggerResult run = runHere({QStringLiteral("--port"), link(), QStringLiteral("--duration"),
                                        QStringLiteral("0.2")});
    QVERIFY2(run.status == 0, run.err.constData());
    QCOMPARE(parseCsv(run.out).rows.size(), 1);
}

void TestVorlantLog::stopSignalEndsTheLink()
{
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=100")} + kFast));
    const QString output = file("stopped.csv");
    QProcess logger;
    startLogger(logger, {QStringLiteral("--port"), link(), QStringLiteral("--output"), output});
    QVERIFY(logger.waitForStarted());
    // Lines are on disk while the logger runs.
    QTRY_VERIFY_WITH_TIMEOUT(parseCsv(readAll(output)).rows.size() >= 3, 20000);
    ::kill(pid_t(logger.processId()), SIGINT);
    QVERIFY(logger.waitForFinished(10000));
    QCOMPARE(logger.exitStatus(), QProcess::NormalExit);
    QCOMPARE(logger.exitCode(), 0);
    // "AT" dropped the live link.
    QVERIFY2(sim.waitForLog("link dropped"), sim.log().constData());
    const Csv csv = parseCsv(readAll(output));
    QVERIFY(csv.rows.size() >= 3);
    QCOMPARE(csv.cell(int(csv.rows.size()) - 1, "position"), QByteArray::number(csv.rows.size()));
}

void TestVorlantLog::exitStatuses_data()
{
    QTest::addColumn<QStringList>("simArgs"); // empty: no simulator
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");

    const QStringList noSim;
    QTest::newRow("no dongle") << noSim << QStringList{QStringLiteral("--count"), QStringLiteral("1")} << 3
                               << QByteArray("no dongle found");
    QTest::newRow("link refused") << QStringList{QStringLiteral("--fail"), QStringLiteral("CONNF")}
                                  << QStringList{QStringLiteral("--count"), QStringLiteral("1")} << 5
                                  << QByteArray("could not link");
    // Said once, however often the meter refuses before it links.
    QTest::newRow("refused, then linked with --reconnect")
        << QStringList{QStringLiteral("--fail"), QStringLiteral("CONNF"), QStringLiteral("--fail-count"),
                       QStringLiteral("2"), QStringLiteral("--frame-gap-ms"), QStringLiteral("50")}
        << QStringList{QStringLiteral("--reconnect"), QStringLiteral("--count"), QStringLiteral("2")} << 0
        << QByteArray("could not link to the meter; trying again");
    QTest::newRow("no meter to link with") << QStringList{QStringLiteral("--fail"), QStringLiteral("CONNN")}
                                           << QStringList{QStringLiteral("--count"), QStringLiteral("1")} << 5
                                           << QByteArray("no meter");
    QTest::newRow("bad frequency") << noSim << QStringList{QStringLiteral("--freq"), QStringLiteral("70k")} << 2
                                   << QByteArray("--freq 70k");
    QTest::newRow("unknown option") << noSim << QStringList{QStringLiteral("--colour")} << 2
                                    << QByteArray("colour");
    QTest::newRow("nominal of Z") << noSim
                                  << QStringList{QStringLiteral("--primary"), QStringLiteral("Z"),
                                                 QStringLiteral("--nominal"), QStringLiteral("100n"),
                                                 QStringLiteral("--tol"), QStringLiteral("5%")}
                                  << 2 << QByteArray("--primary");
    QTest::newRow("output not writable")
        << QStringList{QStringLiteral("--part"), QStringLiteral("R=1k")}
        << QStringList{QStringLiteral("--output"), QStringLiteral("no-such-folder/out.csv")} << 6
        << QByteArray("cannot write");
}

void TestVorlantLog::exitStatuses()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, message);

    SimProcess sim;
    if (!simArgs.isEmpty())
        QVERIFY(sim.start(link(), simArgs));
    QStringList fullArgs = QStringList{QStringLiteral("--port"), link()} + args;
    // Relative output paths land in the test's folder.
    const int output = fullArgs.indexOf(QStringLiteral("--output"));
    if (output >= 0)
        fullArgs[output + 1] = m_dir.filePath(fullArgs[output + 1]);
    const LoggerResult run = runLogger(fullArgs);
    QVERIFY2(run.status == status, run.err.constData());
    QVERIFY2(run.err.contains(message), run.err.constData());
    // One line, naming the program.
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.startsWith("vorlant-log: "));
    // Two "AT" of the probe, and one more at the end.
    if (!simArgs.isEmpty() && status != 6)
        QTRY_VERIFY2_WITH_TIMEOUT(sim.log().count("rx 41 54  AT\n") >= 3, sim.log().constData(), 10000);
    // A failure before the link leaves the meter alone: nothing was asked for.
    if (status == 6)
        QVERIFY(!sim.log().contains("AT+CONNL"));
}

void TestVorlantLog::silentDongleIsNoAnswer()
{
    PtyPair silent;
    QVERIFY(silent.isOpen());
    const LoggerResult run = runLogger({QStringLiteral("--port"), silent.linkPath(), QStringLiteral("--count"),
                                        QStringLiteral("1")});
    QCOMPARE(run.status, 4);
    QVERIFY2(run.err.contains("no answer from the dongle"), run.err.constData());
    // It called and never asked for a link.
    const QByteArray sent = silent.receiveWaiting();
    QVERIFY2(sent.startsWith("AT") && !sent.contains("CONNL"), sent.constData());
}

void TestVorlantLog::lostLinkEndsTheRun()
{
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=1k"), QStringLiteral("--unplug-after"),
                                          QStringLiteral("4"), QStringLiteral("--replug-after"), QStringLiteral("1")}
                                  + kFast));
    const QString output = file("lost.csv");
    const LoggerResult run = runHere({QStringLiteral("--port"), link(), QStringLiteral("--output"), output});
    QVERIFY2(run.status == 5, run.err.constData());
    QVERIFY2(run.err.contains("lost after"), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    // What was logged before the loss stays on disk, whole lines only.
    const Csv csv = parseCsv(readAll(output));
    QVERIFY(csv.rows.size() >= 1);
    QVERIFY2(run.err.contains("after " + QByteArray::number(csv.rows.size()) + " reading"), run.err.constData());
}

void TestVorlantLog::reconnectKeepsEveryLineOnce()
{
    // Plugged for 4 s at a time, gone for 1 s, twenty readings a second.
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=1k"), QStringLiteral("--unplug-after"),
                                          QStringLiteral("4"), QStringLiteral("--replug-after"), QStringLiteral("1")}
                                  + kFast));
    const QString output = file("kept.csv");
    // More readings than one plug-in gives, and the meter set up again after each new link.
    const LoggerResult run = runHere({QStringLiteral("--port"), link(), QStringLiteral("--output"), output,
                                        QStringLiteral("--reconnect"), QStringLiteral("--count"), QStringLiteral("60"),
                                        QStringLiteral("--primary"), QStringLiteral("R")});
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY2(run.err.contains("lost after"), run.err.constData());
    QVERIFY2(run.err.contains("linked to the meter again"), run.err.constData());
    QTRY_VERIFY2_WITH_TIMEOUT(sim.log().count("settings:") >= 2, sim.log().constData(), 10000);

    const Csv csv = parseCsv(readAll(output));
    QCOMPARE(csv.rows.size(), 60);
    QDateTime previous;
    for (int i = 0; i < 60; ++i) {
        QCOMPARE(csv.cell(i, "position"), QByteArray::number(i + 1));
        const QDateTime time = QDateTime::fromString(QString::fromLatin1(csv.cell(i, "time")), Qt::ISODateWithMs);
        // Readings that reached the port in one block share its arrival time.
        QVERIFY(previous.isNull() || time >= previous);
        previous = time;
        QCOMPARE(csv.cell(i, "primary"), "R");
    }
}

QTEST_GUILESS_MAIN(TestVorlantLog)
#include "tst_vorlant_log.moc"
