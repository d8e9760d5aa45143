// The readings CSV: UTF-8 text without a byte-order mark, comma-separated,
// lines ending in CR LF, one header line and then one line per reading.
// Columns, in this order:
//
//   time                    ISO 8601 local time with milliseconds and UTC offset
//   position                the log's row number (multi part: the profile line)
//   mode                    RLCD, RD or U
//   primary, primary_value  parameter name (R, C, L, Z) and its value in ohm, farad or henry
//   secondary, secondary_value  R, Q, D or theta, and its value (ohm, none, none, degree)
//   z_ohm, d, q, theta_deg  impedance, dissipation, quality and phase of the reading
//   frequency_hz            test frequency; empty when the meter showed none
//   level_v                 test level in volts
//   circuit                 series or parallel
//   verdict                 pass, reject, or empty when no tolerance judged the reading
//   primary_deviation_pct, secondary_deviation_pct
//                           in percent, each only while its tolerance is on
//   rd_kind                 RD: resistance, diode, or junction (the diode test found no value)
//   rd_symbol               RD: the display's picture: resistor, diode_up, diode_down
//   rd_resistance_ohm, rd_diode_v, rd_current1_a, rd_current2_a, rd_test_v
//   u_v, u_rms_v, u_pp_v    U: the signed voltage, its rms and peak-to-peak values
//   bin                     BIN1..BIN9, AUX or OUT under a sorting plan; empty without one
//
// Numbers are plain decimal or exponent notation with a point, whatever the
// locale, and read back to the same double. A missing value is an empty cell.
// Texts are quoted only when they hold a comma, a double quote or a line
// break (a double quote inside is doubled). The start of a line for a 47 nF
// capacitor judged within tolerance:
//
//   32 30 32 36 2D 31 32 2D 31 30 54 31 33 3A 32 38 3A 35 37 2E 31 32 33 2B 30 31 3A 30 30 2C 31 2C
//   "2026-12-10T13:28:57.123+01:00,1,RLCD,C,4.7e-08,D,0.0012,..."
//
// Columns are only ever appended at the end, so readers that go by position
// keep working.

#include "export/reading_csv.h"

#include "files/file_replacement.h"
#include "sorting/bin_rule.h"
#include "protocol/meter_tables.h"
#include "protocol/rlc_values.h"


#include <array>
#include <charconv>
#include <cmath>

namespace {

constexpr std::array kColumns = {
    "time",       "position",  "mode",     "primary", "primary_value", "secondary",
    "secondary_value", "z_ohm", "d",       "q",       "theta_deg",     "frequency_hz",
    "level_v",    "circuit",   "verdict",  "primary_deviation_pct", "secondary_deviation_pct",
    "rd_kind",    "rd_symbol", "rd_resistance_ohm", "rd_diode_v", "rd_current1_a", "rd_current2_a",
    "rd_test_v",  "u_v",       "u_rms_v",  "u_pp_v",   "bin",
};

constexpr char kLineEnd[] = "\r\n";

// The display's letters, but plain ASCII for the phase, so any tool reads the column.
QString parameterName(protocol::RlcParameter parameter)
{
    return parameter == protocol::RlcParameter::Phase ? QStringLiteral("theta") : protocol::parameterLetter(parameter);
}

void appendText(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\n') && !utf8.contains('\r')) {
        out += utf8;
        return;
    }
    out += '"';
    for (char c : utf8) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendNumber(QByteArray &out, const std::optional<double> &value)
{
    if (value)
        out += csvNumber(*value);
}

void appendTwoDigits(char *&p, int value)
{
    *p++ = char('0' + value / 10);
    *p++ = char('0' + value % 10);
}

// The UTC offset of a local time. Asking the time zone costs microseconds,
// more than the rest of a line, so the answer is kept for the rest of that
// local hour. A local time earlier than the previous one (the clock set back
// at the end of summer time repeats an hour) asks again.
int offsetMinutes(const QDateTime &time, const QDate &date, const QTime &clock)
{
    struct Cache
    {
        qint64 hourKey = -1;
        qint64 lastLocal = 0;
        int offset = 0;
    };
    thread_local Cache cache;
    if (time.timeSpec() != Qt::LocalTime)
        return time.offsetFromUtc() / 60;
    const qint64 local = date.toJulianDay() * 86400000 + clock.msecsSinceStartOfDay();
    const qint64 hourKey = local / 3600000;
    if (hourKey != cache.hourKey || local < cache.lastLocal) {
        cache.hourKey = hourKey;
        cache.offset = time.offsetFromUtc() / 60;
    }
    cache.lastLocal = local;
    return cache.offset;
}

} // namespace

QByteArray csvNumber(double value)
{
    if (!std::isfinite(value))
        return {};
    char buffer[32];
    // to_chars ignores the locale and writes the shortest exact form.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, int(result.ptr - buffer));
}

QByteArray csvTime(const QDateTime &time)
{
    if (!time.isValid())
        return {};
    const QDate date = time.date();
    const QTime clock = time.time();
    const int year = date.year();
    if (year < 0 || year > 9999)
        return time.toString(Qt::ISODateWithMs).toLatin1();
    char buffer[40];
    char *p = buffer;
    appendTwoDigits(p, year / 100);
    appendTwoDigits(p, year % 100);
    *p++ = '-';
    appendTwoDigits(p, date.month());
    *p++ = '-';
    appendTwoDigits(p, date.day());
    *p++ = 'T';
    appendTwoDigits(p, clock.hour());
    *p++ = ':';
    appendTwoDigits(p, clock.minute());
    *p++ = ':';
    appendTwoDigits(p, clock.second());
    *p++ = '.';
    const int ms = clock.msec();
    *p++ = char('0' + ms / 100);
    appendTwoDigits(p, ms % 100);
    // The offset makes the time unambiguous across a daylight-saving change.
    int offset = offsetMinutes(time, date, clock);
    *p++ = offset < 0 ? '-' : '+';
    offset = std::abs(offset);
    appendTwoDigits(p, offset / 60);
    *p++ = ':';
    appendTwoDigits(p, offset % 60);
    return QByteArray(buffer, int(p - buffer));
}

CsvRecord csvRecordFor(const LoggedReading &row, std::optional<std::int64_t> position)
{
    CsvRecord record;
    record.time = row.time;
    record.position = position;
    record.mode = QStringLiteral("RLCD");
    if (const auto primary = protocol::primaryValue(row.settings, row.reading, row.quantities)) {
        record.primaryName = parameterName(primary->parameter);
        record.primaryValue = primary->value;
    }
    if (const auto secondary = protocol::secondaryValue(row.settings, row.reading, row.quantities)) {
        record.secondaryName = parameterName(secondary->parameter);
        record.secondaryValue = secondary->value;
    }
    record.impedance = row.quantities.impedance;
    record.dissipation = row.quantities.dissipation;
    record.quality = row.quantities.quality;
    record.phaseDegrees = row.quantities.phaseDegrees;
    // Code 0: the meter shows no frequency (the log writes "A").
    if (row.settings.freqCode != 0)
        record.frequencyHz = double(row.reading.frequencyHz);
    record.levelVolts = protocol::levelVolts(row.settings.levelCode);
    record.circuit = row.settings.seriesCircuit != 0 ? QStringLiteral("series") : QStringLiteral("parallel");
    if (row.judged)
        record.verdict = row.judgeResult == 0 ? QStringLiteral("pass") : QStringLiteral("reject");
    // A deviation belongs to a tolerance that was on; the other is a stale number.
    if (row.judged && row.primaryToleranceOn)
        record.primaryDeviationPercent = row.primaryDeviation;
    if (row.judged && row.secondaryToleranceOn)
        record.secondaryDeviationPercent = row.secondaryDeviation;
    if (row.bin)
        record.bin = profiles::binText(*row.bin);
    return record;
}

CsvRecord csvRecordForRd(const QDateTime &time, const protocol::RdValues &values,
                         std::optional<std::int64_t> position)
{
    CsvRecord record;
    record.time = time;
    record.position = position;
    record.mode = QStringLiteral("RD");
    switch (values.kind) {
    case protocol::RdKind::Resistance:
        record.rdKind = QStringLiteral("resistance");
        break;
    case protocol::RdKind::Diode:
        record.rdKind = QStringLiteral("diode");
        break;
    case protocol::RdKind::Junction:
        record.rdKind = QStringLiteral("junction");
        break;
    }
    switch (values.picture) {
    case protocol::RdPicture::DiodeUp:
        record.rdSymbol = QStringLiteral("diode_up");
        break;
    case protocol::RdPicture::DiodeDown:
        record.rdSymbol = QStringLiteral("diode_down");
        break;
    case protocol::RdPicture::Resistor:
        record.rdSymbol = QStringLiteral("resistor");
        break;
    }
    record.rdResistance = values.resistanceOhms;
    record.rdDiodeVolts = values.diodeVolts;
    // The meter counts in microamperes; a division keeps whole values exact (1000 uA is 0.001 A).
    if (values.firstCurrentMicroamps)
        record.rdCurrent1 = *values.firstCurrentMicroamps / 1e6;
    if (values.secondCurrentMicroamps)
        record.rdCurrent2 = *values.secondCurrentMicroamps / 1e6;
    record.rdTestVolts = values.testVolts;
    return record;
}

CsvRecord csvRecordForU(const QDateTime &time, const protocol::UValues &values, std::optional<std::int64_t> position)
{
    CsvRecord record;
    record.time = time;
    record.position = position;
    record.mode = QStringLiteral("U");
    record.uVolts = values.volts;
    record.uRmsVolts = values.rmsVolts;
    record.uPeakToPeakVolts = values.peakToPeakVolts;
    return record;
}

QList<QByteArray> csvColumnNames()
{
    QList<QByteArray> names;
    for (const char *name : kColumns)
        names.append(name);
    return names;
}

QByteArray csvHeaderLine()
{
    QByteArray line;
    for (const char *name : kColumns) {
        if (!line.isEmpty())
            line += ',';
        line += name;
    }
    return line + kLineEnd;
}

QByteArray csvLine(const CsvRecord &r)
{
    QByteArray out;
    out.reserve(256);
    out += csvTime(r.time);
    out += ',';
    if (r.position)
        out += QByteArray::number(qlonglong(*r.position));
    out += ',';
    appendText(out, r.mode);
    out += ',';
    appendText(out, r.primaryName);
    out += ',';
    appendNumber(out, r.primaryValue);
    out += ',';
    appendText(out, r.secondaryName);
    out += ',';
    appendNumber(out, r.secondaryValue);
    out += ',';
    appendNumber(out, r.impedance);
    out += ',';
    appendNumber(out, r.dissipation);
    out += ',';
    appendNumber(out, r.quality);
    out += ',';
    appendNumber(out, r.phaseDegrees);
    out += ',';
    appendNumber(out, r.frequencyHz);
    out += ',';
    appendNumber(out, r.levelVolts);
    out += ',';
    appendText(out, r.circuit);
    out += ',';
    appendText(out, r.verdict);
    out += ',';
    appendNumber(out, r.primaryDeviationPercent);
    out += ',';
    appendNumber(out, r.secondaryDeviationPercent);
    out += ',';
    appendText(out, r.rdKind);
    out += ',';
    appendText(out, r.rdSymbol);
    out += ',';
    appendNumber(out, r.rdResistance);
    out += ',';
    appendNumber(out, r.rdDiodeVolts);
    out += ',';
    appendNumber(out, r.rdCurrent1);
    out += ',';
    appendNumber(out, r.rdCurrent2);
    out += ',';
    appendNumber(out, r.rdTestVolts);
    out += ',';
    appendNumber(out, r.uVolts);
    out += ',';
    appendNumber(out, r.uRmsVolts);
    out += ',';
    appendNumber(out, r.uPeakToPeakVolts);
    out += ',';
    appendText(out, r.bin);
    out += kLineEnd;
    return out;
}

bool writeCsvFile(const QString &path, std::int64_t count, const std::function<CsvRecord(std::int64_t)> &recordAt,
                  QString *error)
{
    files::FileReplacement file(path);
    if (file.open()) {
        constexpr qsizetype kChunk = 1 << 20;
        QByteArray buffer = csvHeaderLine();
        buffer.reserve(kChunk + 4096);
        for (std::int64_t i = 0; i < count; ++i) {
            buffer += csvLine(recordAt(i));
            if (buffer.size() >= kChunk) {
                if (!file.write(buffer))
                    break;
                buffer.clear();
            }
        }
        file.write(buffer);
    }
    // Every failure above ends up here: the old file stays as it was.
    if (file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}
