// The column table of a reading. Every cell is made here once; the CSV
// writer, JSON lines, the broker's payload and vorlant-log's help read it.

#include "export/reading_columns.h"

#include "sorting/bin_rule.h"
#include "protocol/meter_tables.h"
#include "protocol/rlc_values.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

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

using reading::Reading;
using Position = std::optional<std::int64_t>;

ReadingCell text(const QString &value)
{
    return {ReadingCell::Kind::Text, value.toUtf8()};
}

ReadingCell number(const std::optional<double> &value)
{
    return {ReadingCell::Kind::Number, value ? csvNumber(*value) : QByteArray()};
}

bool isRlcd(const Reading &r)
{
    return r.mode == protocol::MeterMode::Rlcd;
}

QString modeName(protocol::MeterMode mode)
{
    switch (mode) {
    case protocol::MeterMode::Rlcd:
        return QStringLiteral("RLCD");
    case protocol::MeterMode::Rd:
        return QStringLiteral("RD");
    case protocol::MeterMode::U:
        return QStringLiteral("U");
    }
    return {};
}

QString rdKindName(protocol::RdKind kind)
{
    switch (kind) {
    case protocol::RdKind::Resistance:
        return QStringLiteral("resistance");
    case protocol::RdKind::Diode:
        return QStringLiteral("diode");
    case protocol::RdKind::Junction:
        return QStringLiteral("junction");
    }
    return {};
}

QString rdSymbolName(protocol::RdPicture picture)
{
    switch (picture) {
    case protocol::RdPicture::DiodeUp:
        return QStringLiteral("diode_up");
    case protocol::RdPicture::DiodeDown:
        return QStringLiteral("diode_down");
    case protocol::RdPicture::Resistor:
        return QStringLiteral("resistor");
    }
    return {};
}

// An RLCD quantity; none for RD and U readings.
ReadingCell rlcd(const Reading &r, double value)
{
    return number(isRlcd(r) ? std::optional<double>(value) : std::nullopt);
}

template<typename Value>
ReadingCell rd(const Reading &r, Value value)
{
    return number(r.rd ? value(*r.rd) : std::nullopt);
}

template<typename Value>
ReadingCell u(const Reading &r, Value value)
{
    return number(r.u ? std::optional<double>(value(*r.u)) : std::nullopt);
}

// The meter counts in microamperes; a division keeps whole values exact (1000 uA is 0.001 A).
std::optional<double> amperes(const std::optional<double> &microamperes)
{
    return microamperes ? std::optional<double>(*microamperes / 1e6) : std::nullopt;
}

constexpr std::array kColumns = {
    ReadingColumn{"time", "local time of the reading, ISO 8601 with milliseconds and the UTC offset",
                  [](const Reading &r, Position) { return ReadingCell{ReadingCell::Kind::Text, csvTime(r.time)}; }},
    ReadingColumn{"position", "the reading's number in this run, from 1",
                  [](const Reading &, Position p) {
                      return ReadingCell{ReadingCell::Kind::Number, p ? QByteArray::number(qlonglong(*p)) : QByteArray()};
                  }},
    ReadingColumn{"mode", "RLCD, RD or U", [](const Reading &r, Position) { return text(modeName(r.mode)); }},
    ReadingColumn{"primary", "main parameter: R, C, L or Z",
                  [](const Reading &r, Position) {
                      const auto v = r.primary();
                      return text(v ? protocol::parameterName(v->parameter) : QString());
                  }},
    ReadingColumn{"primary_value", "its value in ohm, farad or henry (C and L negative when the meter marks them so)",
                  [](const Reading &r, Position) {
                      const auto v = r.primary();
                      return number(v ? std::optional<double>(v->value) : std::nullopt);
                  }},
    ReadingColumn{"secondary", "secondary parameter: R, Q, D or theta",
                  [](const Reading &r, Position) {
                      const auto v = r.secondary();
                      return text(v ? protocol::parameterName(v->parameter) : QString());
                  }},
    ReadingColumn{"secondary_value", "its value (ohm, none, none, degree)",
                  [](const Reading &r, Position) {
                      const auto v = r.secondary();
                      return number(v ? std::optional<double>(v->value) : std::nullopt);
                  }},
    ReadingColumn{"z_ohm", "impedance", [](const Reading &r, Position) { return rlcd(r, r.quantities.impedance); }},
    ReadingColumn{"d", "dissipation factor", [](const Reading &r, Position) { return rlcd(r, r.quantities.dissipation); }},
    ReadingColumn{"q", "quality factor", [](const Reading &r, Position) { return rlcd(r, r.quantities.quality); }},
    ReadingColumn{"theta_deg", "phase angle in degrees",
                  [](const Reading &r, Position) { return rlcd(r, r.quantities.phaseDegrees); }},
    ReadingColumn{"frequency_hz", "test frequency; empty while the meter shows none",
                  [](const Reading &r, Position) { return number(r.frequencyHz()); }},
    ReadingColumn{"level_v", "test level in volts", [](const Reading &r, Position) { return number(r.levelVolts()); }},
    ReadingColumn{"circuit", "series or parallel",
                  [](const Reading &r, Position) {
                      return text(isRlcd(r) ? protocol::circuitName(protocol::measuredCircuit(r.settings)) : QString());
                  }},
    ReadingColumn{"verdict", "pass or reject; empty without a tolerance",
                  [](const Reading &r, Position) {
                      return text(!r.judged ? QString() : r.judgeResult == 0 ? QStringLiteral("pass") : QStringLiteral("reject"));
                  }},
    // A deviation belongs to a tolerance that was on; the other is a stale number.
    ReadingColumn{"primary_deviation_pct", "deviation of the main parameter from its nominal value, in percent",
                  [](const Reading &r, Position) {
                      return number(r.judged && r.primaryToleranceOn ? std::optional<double>(r.primaryDeviation)
                                                                     : std::nullopt);
                  }},
    ReadingColumn{"secondary_deviation_pct", "deviation of the secondary parameter, in percent",
                  [](const Reading &r, Position) {
                      return number(r.judged && r.secondaryToleranceOn ? std::optional<double>(r.secondaryDeviation)
                                                                       : std::nullopt);
                  }},
    ReadingColumn{"rd_kind", "RD: resistance, diode, or junction (the diode test shows a mark, no value)",
                  [](const Reading &r, Position) { return text(r.rd ? rdKindName(r.rd->kind) : QString()); }},
    ReadingColumn{"rd_symbol", "RD: the display's picture: resistor, diode_up or diode_down",
                  [](const Reading &r, Position) { return text(r.rd ? rdSymbolName(r.rd->picture) : QString()); }},
    ReadingColumn{"rd_resistance_ohm", "RD: the resistance",
                  [](const Reading &r, Position) { return rd(r, [](const protocol::RdValues &v) { return v.resistanceOhms; }); }},
    ReadingColumn{"rd_diode_v", "RD: the diode's voltage",
                  [](const Reading &r, Position) { return rd(r, [](const protocol::RdValues &v) { return v.diodeVolts; }); }},
    ReadingColumn{"rd_current1_a", "RD: the first current in amperes; empty when the meter's value means nothing",
                  [](const Reading &r, Position) {
                      return rd(r, [](const protocol::RdValues &v) { return amperes(v.firstCurrentMicroamps); });
                  }},
    ReadingColumn{"rd_current2_a", "RD: the second current, when the meter gives one",
                  [](const Reading &r, Position) {
                      return rd(r, [](const protocol::RdValues &v) { return amperes(v.secondCurrentMicroamps); });
                  }},
    ReadingColumn{"rd_test_v", "RD: the test voltage",
                  [](const Reading &r, Position) { return rd(r, [](const protocol::RdValues &v) { return v.testVolts; }); }},
    ReadingColumn{"u_v", "U: the voltage, signed",
                  [](const Reading &r, Position) { return u(r, [](const protocol::UValues &v) { return v.volts; }); }},
    ReadingColumn{"u_rms_v", "U: its rms value",
                  [](const Reading &r, Position) { return u(r, [](const protocol::UValues &v) { return v.rmsVolts; }); }},
    ReadingColumn{"u_pp_v", "U: its peak-to-peak value",
                  [](const Reading &r, Position) { return u(r, [](const protocol::UValues &v) { return v.peakToPeakVolts; }); }},
    ReadingColumn{"bin", "BIN1 to BIN9, AUX or OUT with --bins; empty without it",
                  [](const Reading &r, Position) { return text(r.bin ? profiles::binText(*r.bin) : QString()); }},
};

} // namespace

std::span<const ReadingColumn> readingColumns()
{
    return kColumns;
}

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

