// The logger's output: JSON lines with the CSV's columns, and files that
// hold every line as soon as it is written.

#include "file_bytes.h"
#include "file_size_limit.h"
#include "option_table.h"
#include "reading_output.h"

#include "export/reading_csv.h"
#include "export/reading_json.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

using namespace vorlantlog;

namespace {

// A reading with every column filled: RLCD values beside RD and U ones.
reading::Reading fullReading()
{
    reading::Reading r;
    r.time = QDateTime(QDate(2026, 12, 10), QTime(13, 28, 57, 123), Qt::OffsetFromUTC, 3600);
    r.settings.primaryCode = 2;   // C
    r.settings.secondaryCode = 3; // D
    r.settings.freqCode = 3;
    r.settings.levelCode = 1;
    r.settings.seriesCircuit = 1;
    r.reading.frequencyHz = 1000;
    r.reading.seriesResistance = 4.06;
    r.reading.seriesReactance = -3386.25;
    r.quantities.impedance = 3386.25;
    r.quantities.capacitance = 4.7e-8;
    r.quantities.dissipation = 0.0012;
    r.quantities.quality = 833.3333333333334;
    r.quantities.phaseDegrees = -89.93;
    r.judged = true;
    r.judgeResult = 1;
    r.primaryToleranceOn = true;
    r.secondaryToleranceOn = true;
    r.primaryDeviation = -1.25;
    r.secondaryDeviation = 2.0;
    protocol::RdValues rd;
    rd.kind = protocol::RdKind::Diode;
    rd.picture = protocol::RdPicture::DiodeUp;
    rd.resistanceOhms = 470.0;
    rd.diodeVolts = 0.65;
    rd.firstCurrentMicroamps = 1000.0;
    rd.secondCurrentMicroamps = 4.5;
    rd.testVolts = 3.2;
    r.rd = rd;
    r.u = protocol::UValues{-1.5, 3.3, 9.5};
    r.bin = 10;
    return r;
}

} // namespace

class TestReadingOutput : public QObject
{
    Q_OBJECT

private slots:
    void jsonHasTheCsvColumns();
    void jsonLeavesOutWhatIsMissing();
    void everyLineIsInTheFileAtOnce_data();
    void everyLineIsInTheFileAtOnce();
    void appendingKeepsOneHeader();
    void unwritableOutputIsRefused();
    void aFullDiskKeepsTheOldFile_data();
    void aFullDiskKeepsTheOldFile();
};

void TestReadingOutput::jsonHasTheCsvColumns()
{
    const reading::Reading record = fullReading();
    const QByteArray line = jsonLine(record, 7);
    QVERIFY(line.endsWith("}\n"));
    QCOMPARE(line.count('\n'), 1);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));

    // The keys are the CSV's columns, in its order.
    QList<QByteArray> keys;
    int from = 0;
    for (const QByteArray &column : csvColumnNames()) {
        const int at = int(line.indexOf('"' + column + "\":", from));
        QVERIFY2(at >= from, column.constData());
        from = at;
        keys << column;
    }
    QCOMPARE(o.size(), keys.size());

    // The same values as the CSV's cells.
    const QList<QByteArray> cells = csvLine(record, 7).trimmed().split(',');
    QCOMPARE(o.value(QLatin1String("time")).toString().toLatin1(), cells.at(0));
    QCOMPARE(o.value(QLatin1String("position")).toInteger(), 7);
    QCOMPARE(o.value(QLatin1String("primary_value")).toDouble(), 4.7e-8);
    QCOMPARE(o.value(QLatin1String("circuit")).toString(), QStringLiteral("series"));
    QCOMPARE(o.value(QLatin1String("verdict")).toString(), QStringLiteral("reject"));
    QCOMPARE(o.value(QLatin1String("rd_current1_a")).toDouble(), 0.001);
    QCOMPARE(o.value(QLatin1String("u_v")).toDouble(), -1.5);
    QCOMPARE(o.value(QLatin1String("bin")).toString(), QStringLiteral("AUX"));
}

void TestReadingOutput::jsonLeavesOutWhatIsMissing()
{
    reading::Reading record;
    record.mode = protocol::MeterMode::U;
    record.u = protocol::UValues{3.3, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
    QCOMPARE(jsonLine(record, std::nullopt), QByteArray("{\"mode\":\"U\",\"u_v\":3.3}\n"));
    // The broker's payload escapes the station's name and ends with its number.
    record.seq = 42;
    QCOMPARE(jsonReading(record, 5, QStringLiteral("a \"quoted\"\\\ttext")),
             QByteArray("{\"position\":5,\"mode\":\"U\",\"u_v\":3.3,\"station\":\"a \\\"quoted\\\"\\\\\\u0009text\",\"seq\":42}"));
}

void TestReadingOutput::everyLineIsInTheFileAtOnce_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("csv") << int(OutputFormat::Csv);
    QTest::newRow("jsonl") << int(OutputFormat::Jsonl);
}

void TestReadingOutput::everyLineIsInTheFileAtOnce()
{
    QFETCH(int, format);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("readings"));
    ReadingOutput output;
    QString error;
    QVERIFY2(output.open(path, false, OutputFormat(format), &error), qPrintable(error));
    const QByteArray header = format == int(OutputFormat::Csv) ? csvHeaderLine() : QByteArray();
    QCOMPARE(readAll(path), header);

    QByteArray expected = header;
    for (int i = 1; i <= 3; ++i) {
        const reading::Reading record = fullReading();
        QVERIFY(output.write(record, i));
        expected += format == int(OutputFormat::Csv) ? csvLine(record, i) : jsonLine(record, i);
        // Read by another opener while the output is still open.
        QCOMPARE(readAll(path), expected);
    }
}

void TestReadingOutput::appendingKeepsOneHeader()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stand.csv"));
    for (int run = 1; run <= 2; ++run) {
        ReadingOutput output;
        QString error;
        QVERIFY2(output.open(path, true, OutputFormat::Csv, &error), qPrintable(error));
        QVERIFY(output.write(fullReading(), run));
    }
    const QByteArray text = readAll(path);
    QCOMPARE(text.count(csvHeaderLine()), 1);
    QVERIFY(text.startsWith(csvHeaderLine()));
    QCOMPARE(text.count('\n'), 3);

    // Without --append the file starts over.
    ReadingOutput output;
    QString error;
    QVERIFY(output.open(path, false, OutputFormat::Csv, &error));
    QCOMPARE(readAll(path), csvHeaderLine());
}

void TestReadingOutput::unwritableOutputIsRefused()
{
    QTemporaryDir dir;
    ReadingOutput output;
    QString error;
    // A folder, and a file in a folder that does not exist.
    QVERIFY(!output.open(dir.path(), false, OutputFormat::Csv, &error));
    QVERIFY2(error.startsWith(QStringLiteral("cannot write ") + dir.path()), qPrintable(error));
    ReadingOutput second;
    QVERIFY(!second.open(dir.filePath(QStringLiteral("none/out.csv")), false, OutputFormat::Jsonl, &error));
    QVERIFY2(error.contains(QStringLiteral("none/out.csv")), qPrintable(error));
}

void TestReadingOutput::aFullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("append");
    QTest::newRow("new file") << false;
    QTest::newRow("appended") << true;
}

// The disk fills up: a new output never replaces the old file before its
// header is on disk, and a reading that does not fit leaves no half line;
// the reason is the system's own.
void TestReadingOutput::aFullDiskKeepsTheOldFile()
{
    QFETCH(bool, append);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.csv"));
    const QByteArray old = csvHeaderLine() + csvLine(fullReading(), 1);
    QVERIFY(writeAll(path, old));
    const QString reason = QString::fromLocal8Bit(strerror(EFBIG));

    ReadingOutput output;
    QString error;
    {
        const FileSizeLimit full(append ? old.size() + 20 : 40);
        QVERIFY(full.active());
        if (append) {
            QVERIFY2(output.open(path, true, OutputFormat::Csv, &error), qPrintable(error));
            QVERIFY(!output.write(fullReading(), 1));
            error = output.errorString();
        } else {
            QVERIFY(!output.open(path, false, OutputFormat::Csv, &error));
        }
    }
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.csv")});
}

QTEST_GUILESS_MAIN(TestReadingOutput)
#include "tst_reading_output.moc"
