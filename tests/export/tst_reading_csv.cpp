#include "export/reading_columns.h"
#include "export/reading_csv.h"

#include <QtTest>

#include <charconv>
#include <clocale>
#include <ctime>
#include <stdexcept>

namespace {

const QByteArray kHeader = "time,position,mode,primary,primary_value,secondary,secondary_value,z_ohm,d,q,"
                           "theta_deg,frequency_hz,level_v,circuit,verdict,primary_deviation_pct,"
                           "secondary_deviation_pct,rd_kind,rd_symbol,rd_resistance_ohm,rd_diode_v,rd_current1_a,"
                           "rd_current2_a,rd_test_v,u_v,u_rms_v,u_pp_v,bin";

// A capacitor of about 47 nF at 1 kHz with D as its secondary value, made
// different per index so that every cell of every row differs.
reading::Reading capacitorRow(int i)
{
    reading::Reading r;
    r.time = QDateTime(QDate(2026, 12, 10), QTime(13, 28, 57, 123)).addMSecs(i * 1001);
    r.settings.primaryCode = 2;
    r.settings.secondaryCode = 3;
    r.settings.seriesCircuit = i % 2;
    r.settings.freqCode = i % 3; // code 0: no frequency shown
    r.settings.levelCode = 1 + i % 3;
    r.reading.frequencyHz = 1000;
    r.reading.seriesResistance = 0.3 + i * 1e-3;
    r.reading.seriesReactance = 3386.0 + i / 7.0;
    r.quantities.capacitance = 4.7e-8 * (1.0 + i * 1e-5) + 1.0 / 3.0 * 1e-15;
    r.quantities.dissipation = 0.0012 + i * 1e-7;
    r.quantities.quality = 1.0 / r.quantities.dissipation;
    r.quantities.impedance = 3386.0 + i / 3.0;
    r.quantities.phaseDegrees = -89.93 + i * 1e-4;
    r.judged = i % 4 != 0;
    r.primaryToleranceOn = r.judged;
    r.secondaryToleranceOn = r.judged && i % 3 != 0;
    r.judgeResult = i % 5 == 0 ? 1 : 0;
    r.primaryDeviation = -1.25 + i / 9.0;
    r.secondaryDeviation = 2.0 / (i + 3);
    if (i % 6 != 5)
        r.bin = std::uint8_t(i % 11); // BIN1..9, AUX, OUT; every sixth row sorted by no plan
    return r;
}

double number(const QByteArray &cell)
{
    double v = 0;
    const auto result = std::from_chars(cell.constData(), cell.constData() + cell.size(), v);
    if (result.ec != std::errc() || result.ptr != cell.constData() + cell.size())
        return std::nan("");
    return v;
}

// Every data line of a file, split at commas (the writer's texts here never need quotes).
QList<QList<QByteArray>> readBack(const QString &path, QByteArray *header)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<QList<QByteArray>> rows;
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            return {};
        line.chop(1);
        rows.append(line.split(','));
    }
    *header = rows.isEmpty() ? QByteArray() : rows.takeFirst().join(',');
    return rows;
}

} // namespace

class TestReadingCsv : public QObject
{
    Q_OBJECT

private slots:
    void fileReadsBackValueByValue();
    void numbersAndTimes_data();
    void numbersAndTimes();
    void localTimesAcrossClockChange();
    void commaDecimalLocaleStillWritesPoints();
    void failedWriteLeavesTheOldFile();
};

void TestReadingCsv::fileReadsBackValueByValue()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("batch.csv"));
    constexpr int kRows = 250;
    QString error;
    QVERIFY2(writeCsvFile(path, kRows, [](std::int64_t i) { return csvLine(capacitorRow(int(i)), i + 1); },
                          &error),
             qPrintable(error));

    QByteArray header;
    const QList<QList<QByteArray>> rows = readBack(path, &header);
    QCOMPARE(header, kHeader);
    QCOMPARE(rows.size(), kRows);
    for (int i = 0; i < kRows; ++i) {
        const reading::Reading r = capacitorRow(i);
        const QList<QByteArray> &cells = rows.at(i);
        QCOMPARE(cells.size(), 28);
        QCOMPARE(QDateTime::fromString(QString::fromLatin1(cells[0]), Qt::ISODateWithMs), r.time);
        QCOMPARE(cells[1], QByteArray::number(i + 1));
        QCOMPARE(cells[2], "RLCD");
        QCOMPARE(cells[3], "C");
        QCOMPARE(number(cells[4]), r.quantities.capacitance); // exactly: the shortest text reads back
        QCOMPARE(cells[5], "D");
        QCOMPARE(number(cells[6]), r.quantities.dissipation);
        QCOMPARE(number(cells[7]), r.quantities.impedance);
        QCOMPARE(number(cells[8]), r.quantities.dissipation);
        QCOMPARE(number(cells[9]), r.quantities.quality);
        QCOMPARE(number(cells[10]), r.quantities.phaseDegrees);
        if (r.settings.freqCode == 0)
            QCOMPARE(cells[11], QByteArray());
        else
            QCOMPARE(number(cells[11]), 1000.0);
        QCOMPARE(number(cells[12]), r.settings.levelCode == 1 ? 1.0 : r.settings.levelCode == 2 ? 0.5 : 0.1);
        QCOMPARE(cells[13], r.settings.seriesCircuit ? "series" : "parallel");
        if (r.judged) {
            QCOMPARE(cells[14], r.judgeResult == 0 ? "pass" : "reject");
            QCOMPARE(number(cells[15]), r.primaryDeviation);
            if (r.secondaryToleranceOn)
                QCOMPARE(number(cells[16]), r.secondaryDeviation);
            else
                QCOMPARE(cells[16], QByteArray());
        } else {
            QCOMPARE(cells[14], QByteArray());
            QCOMPARE(cells[15], QByteArray());
            QCOMPARE(cells[16], QByteArray());
        }
        const QByteArray bins[] = {"OUT", "BIN1", "BIN2", "BIN3", "BIN4", "BIN5", "BIN6",
                                   "BIN7", "BIN8", "BIN9", "AUX"};
        QCOMPARE(cells[27], r.bin ? bins[*r.bin] : QByteArray());
    }
}

void TestReadingCsv::numbersAndTimes_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("farads") << 4.7e-8 << QByteArray("4.7e-08");
    QTest::newRow("ohms") << 4700.0 << QByteArray("4700");
    QTest::newRow("half") << 0.5 << QByteArray("0.5");
    QTest::newRow("negative") << -89.93 << QByteArray("-89.93");
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QByteArray();
    QTest::newRow("not a number") << std::nan("") << QByteArray();
}

void TestReadingCsv::numbersAndTimes()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QCOMPARE(csvNumber(value), text);

    const QDateTime utc(QDate(2026, 3, 5), QTime(4, 7, 9, 5), Qt::UTC);
    QCOMPARE(csvTime(utc), "2026-03-05T04:07:09.005+00:00");
    const QDateTime east(QDate(2026, 3, 5), QTime(14, 7, 9, 50), Qt::OffsetFromUTC, 3 * 3600 + 1800);
    QCOMPARE(csvTime(east), "2026-03-05T14:07:09.050+03:30");
    const QDateTime west(QDate(2026, 3, 5), QTime(0, 0), Qt::OffsetFromUTC, -5 * 3600);
    QCOMPARE(csvTime(west), "2026-03-05T00:00:00.000-05:00");
}

void TestReadingCsv::localTimesAcrossClockChange()
{
    // Summer time ends in Berlin at 01:00 UTC on 2026-10-25: the local hour
    // 02:00..03:00 comes twice, first at +02:00, then at +01:00.
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QStringList got;
    const QDateTime start(QDate(2026, 10, 25), QTime(0, 20), Qt::UTC);
    for (int minutes = 0; minutes <= 80; minutes += 20)
        got.append(QString::fromLatin1(csvTime(start.addSecs(minutes * 60).toLocalTime())));
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();
    QCOMPARE(got, QStringList({"2026-10-25T02:20:00.000+02:00", "2026-10-25T02:40:00.000+02:00",
                               "2026-10-25T02:00:00.000+01:00", "2026-10-25T02:20:00.000+01:00",
                               "2026-10-25T02:40:00.000+01:00"}));
}

void TestReadingCsv::commaDecimalLocaleStillWritesPoints()
{
    // Both the C library's and Qt's locale get a comma for the decimal point.
    QTemporaryDir locales;
    const QByteArray localeDir = locales.path().toLocal8Bit();
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                                  QStringLiteral("UTF-8"), locales.filePath("de_DE.UTF-8")});
    QVERIFY2(localedef.waitForFinished(60000) && localedef.exitCode() == 0,
             localedef.readAllStandardError().constData());
    qputenv("LOCPATH", localeDir);
    QVERIFY(std::setlocale(LC_ALL, "de_DE.UTF-8"));
    QCOMPARE(QByteArray(std::localeconv()->decimal_point), ",");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));

    const QByteArray line = csvLine(capacitorRow(3), 4);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());

    const QList<QByteArray> cells = line.trimmed().split(',');
    QCOMPARE(cells.size(), 28);
    QCOMPARE(number(cells[4]), capacitorRow(3).quantities.capacitance);
    QCOMPARE(cells[12], "1"); // level code 1: 1.0 V
    QCOMPARE(number(cells[15]), capacitorRow(3).primaryDeviation);
}

void TestReadingCsv::failedWriteLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("batch.csv"));
    QVERIFY(writeCsvFile(path, 3, [](std::int64_t i) { return csvLine(capacitorRow(int(i)), i + 1); }));
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();

    // A failure half-way (here the records running out of memory) must not
    // touch the file under the chosen name nor leave a stray one beside it.
    bool thrown = false;
    try {
        writeCsvFile(path, 100000, [](std::int64_t i) {
            if (i == 60000)
                throw std::bad_alloc();
            return csvLine(capacitorRow(int(i % 1000)), i + 1);
        });
    } catch (const std::bad_alloc &) {
        thrown = true;
    }
    QVERIFY(thrown);
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("batch.csv")});

    // A folder that does not exist: an error, no file.
    QString error;
    QVERIFY(!writeCsvFile(dir.filePath(QStringLiteral("none/batch.csv")), 1,
                          [](std::int64_t) { return QByteArray(); }, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestReadingCsv)
#include "tst_reading_csv.moc"
