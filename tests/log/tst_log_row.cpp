// The texts of a log row: which cells a reading writes, and how time and
// deviations are written.

#include "i18n/window_lexicons.h"
#include "reading/local_clock.h"
#include "log/log_row.h"

#include <QScopeGuard>
#include <QtTest>

using logbook::LogRowCells;
using logbook::LogRowSource;

Q_DECLARE_METATYPE(logbook::LogRowSource)

namespace {

const QString kNone = QStringLiteral("<untouched>");

// The cells as texts, an untouched cell as kNone, so a failure shows them all.
QStringList shown(const LogRowCells &cells)
{
    QStringList texts;
    for (const auto &cell : cells)
        texts << cell.value_or(kNone);
    return texts;
}

LogRowSource capacitorReading()
{
    LogRowSource s;
    s.primaryLetter = QStringLiteral("C");
    s.primaryValue = QStringLiteral(" 99.412 нФ");
    s.secondaryLetter = QStringLiteral("D");
    s.secondaryValue = QStringLiteral("0.0123");
    s.settings.seriesCircuit = 0;
    s.settings.freqCode = 4;
    s.frequencyText = QStringLiteral("10 кГц");
    s.levelText = QStringLiteral("1.0 Вскз");
    s.time = QDateTime(QDate(2021, 3, 5), QTime(14, 7, 9));
    return s;
}

} // namespace

class TestLogRow : public QObject
{
    Q_OBJECT

private slots:
    void cellsOfARow_data();
    void cellsOfARow();
    void deviations_data();
    void deviations();
    void timeStamps_data();
    void timeStamps();
    void timeSeparatorOfLocales_data();
    void timeSeparatorOfLocales();
    void clockAcrossDaylightSaving();

private:
    i18n::WindowLexicons m_lexicons;
};

void TestLogRow::cellsOfARow_data()
{
    QTest::addColumn<LogRowSource>("source");
    QTest::addColumn<bool>("multiPart");
    QTest::addColumn<QStringList>("expected");

    const QString t = QStringLiteral("05.03.21 14:07:09");
    const LogRowSource base = capacitorReading();
    QTest::newRow("both tolerances off: the reject mark stays")
        << base << false
        << QStringList{"7", t, "C  99.412 нФ", "D 0.0123", "P", "10 кГц", "1.0 Вскз", kNone, "", ""};

    LogRowSource primaryReject = base;
    primaryReject.primaryToleranceOn = true;
    primaryReject.judgeResult = 1;
    primaryReject.primaryDeviation = 12.3456;
    primaryReject.secondaryDeviation = 3.0; // off: not shown
    QTest::newRow("primary on, reject")
        << primaryReject << false
        << QStringList{"7", t, "C  99.412 нФ", "D 0.0123", "P", "10 кГц", "1.0 Вскз", "+", "12.35", ""};

    LogRowSource bothPass = base;
    bothPass.primaryToleranceOn = true;
    bothPass.secondaryToleranceOn = true;
    bothPass.primaryDeviation = -0.5;
    bothPass.secondaryDeviation = 0.0;
    bothPass.settings.seriesCircuit = 1;
    QTest::newRow("both on, pass, series")
        << bothPass << false
        << QStringList{"7", t, "C  99.412 нФ", "D 0.0123", "S", "10 кГц", "1.0 Вскз", "-", "-0.50", "0.00"};

    LogRowSource secondaryOnly = base;
    secondaryOnly.secondaryToleranceOn = true;
    secondaryOnly.judgeResult = 2;
    secondaryOnly.secondaryDeviation = 150.0;
    QTest::newRow("secondary on, reject")
        << secondaryOnly << false
        << QStringList{"7", t, "C  99.412 нФ", "D 0.0123", "P", "10 кГц", "1.0 Вскз", "+", "", "150.00"};

    LogRowSource automatic = base;
    automatic.settings.freqCode = 0;
    automatic.frequencyText = QStringLiteral("120 Гц");
    QTest::newRow("no frequency code: A")
        << automatic << false
        << QStringList{"7", t, "C  99.412 нФ", "D 0.0123", "P", "A", "1.0 Вскз", kNone, "", ""};

    QTest::newRow("multi part keeps the line name")
        << base << true
        << QStringList{"7", kNone, "C  99.412 нФ", "D 0.0123", "P", "10 кГц", "1.0 Вскз", kNone, "", ""};
}

void TestLogRow::cellsOfARow()
{
    QFETCH(LogRowSource, source);
    QFETCH(bool, multiPart);
    QFETCH(QStringList, expected);

    const logbook::LogTextContext context{m_lexicons, {QStringLiteral("."), QStringLiteral(",")}, QStringLiteral(":")};
    QCOMPARE(shown(logbook::composeLogRow(7, source, multiPart, context)), expected);
}

void TestLogRow::deviations_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("expected");

    const QString dot = QStringLiteral(".");
    QTest::newRow("1.23456") << 1.23456 << dot << "1.23";
    QTest::newRow("123.456: four significant digits") << 123.456 << dot << "123.50";
    QTest::newRow("-0.5") << -0.5 << dot << "-0.50";
    QTest::newRow("zero") << 0.0 << dot << "0.00";
    QTest::newRow("rounds up to a new digit") << 99.996 << dot << "100.00";
    QTest::newRow("9999.4: four digits stay fixed") << 9999.4 << dot << "9999.00";
    QTest::newRow("five whole digits go scientific") << 12345.6 << dot << "1.235E04";
    QTest::newRow("no grouping") << 1234.5 << dot << "1235.00";
    QTest::newRow("comma decimal") << 1.23456 << QStringLiteral(",") << "1,23";
}

void TestLogRow::deviations()
{
    QFETCH(double, percent);
    QFETCH(QString, decimal);
    QFETCH(QString, expected);
    QCOMPARE(logbook::formatDeviation(percent, {decimal, QStringLiteral(" ")}), expected);
}

void TestLogRow::timeStamps_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");

    QTest::newRow("colon") << QDateTime(QDate(2021, 3, 5), QTime(14, 7, 9)) << ":" << "05.03.21 14:07:09";
    QTest::newRow("point") << QDateTime(QDate(2021, 3, 5), QTime(14, 7, 9)) << "." << "05.03.21 14.07.09";
    QTest::newRow("year 2000, midnight") << QDateTime(QDate(2000, 12, 31), QTime(0, 0, 0)) << ":"
                                         << "31.12.00 00:00:00";
    QTest::newRow("milliseconds are dropped, not rounded")
        << QDateTime(QDate(2026, 1, 9), QTime(23, 59, 59, 999)) << ":" << "09.01.26 23:59:59";
}

void TestLogRow::timeStamps()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QCOMPARE(logbook::formatLogTime(time, separator), expected);
}

void TestLogRow::timeSeparatorOfLocales_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");

    QTest::newRow("C") << QLocale::c() << ":";
    QTest::newRow("Russian") << QLocale(QLocale::Russian, QLocale::Russia) << ":";
    QTest::newRow("US, hours before AM/PM") << QLocale(QLocale::English, QLocale::UnitedStates) << ":";
    QTest::newRow("Korean, AM/PM first") << QLocale(QLocale::Korean, QLocale::SouthKorea) << ":";
    QTest::newRow("Finnish") << QLocale(QLocale::Finnish, QLocale::Finland) << ".";
    QTest::newRow("Danish") << QLocale(QLocale::Danish, QLocale::Denmark) << ".";
}

void TestLogRow::timeSeparatorOfLocales()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(logbook::timeSeparatorOf(locale), expected);
}

// The clock looks the offset up once per second; across the spring and
// autumn changes of a zone it must still give what a full local-time
// conversion gives, second by second and also backwards in time.
void TestLogRow::clockAcrossDaylightSaving()
{
    const QByteArray oldZone = qgetenv("TZ");
    // Central Europe by rule, so no zone database is needed.
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    const auto restore = qScopeGuard([&oldZone] {
        oldZone.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldZone);
    });
    logbook::LocalClock clock;
    const qint64 spring = QDateTime(QDate(2021, 3, 28), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    const qint64 autumn = QDateTime(QDate(2021, 10, 31), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    const qint64 beforeEpoch = -1500;
    for (const qint64 change : {spring, autumn, beforeEpoch}) {
        for (const qint64 step : {qint64(250), qint64(-250)}) {
            for (qint64 ms = change - 1500 * step / 250; qAbs(ms - change) <= 1500; ms += step) {
                const QDateTime expected = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
                const QDateTime got = clock.at(ms);
                QCOMPARE(got.toMSecsSinceEpoch(), ms);
                QCOMPARE(got.offsetFromUtc(), expected.offsetFromUtc());
                QCOMPARE(logbook::formatLogTime(got, QStringLiteral(":")),
                         logbook::formatLogTime(expected, QStringLiteral(":")));
                QCOMPARE(got.time().msec(), expected.time().msec());
            }
        }
    }
    QCOMPARE(clock.at(spring).offsetFromUtc(), 2 * 3600);
    QCOMPARE(clock.at(spring - 1).offsetFromUtc(), 3600);
}

QTEST_GUILESS_MAIN(TestLogRow)
#include "tst_log_row.moc"
