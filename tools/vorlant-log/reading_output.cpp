// JSON lines: one UTF-8 JSON object per reading, each on its own line ending
// in LF, no byte-order mark. The keys are the readings CSV's column names in
// its order; numbers are JSON numbers in the CSV's shortest exact form, texts
// JSON strings; a value the reading does not have has no key. The start of a
// line for a 47 nF capacitor:
//
//   7B 22 74 69 6D 65 22 3A 22 32 30 32 36 2D 31 32 2D 31 30 54 ...
//   {"time":"2026-12-10T13:28:57.123+01:00","position":1,"mode":"RLCD","primary":"C","primary_value":4.7e-08,...}
//
// CSV lines come from the readings CSV's own streaming writer.

#include "reading_output.h"

#include <cmath>
#include <unistd.h>

namespace vorlantlog {

namespace {

// Appends a JSON string: quotes, backslashes and control characters escaped.
void appendJsonString(QByteArray &out, const QString &text)
{
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 0x0F];
        } else {
            out += c;
        }
    }
    out += '"';
}

class JsonObject
{
public:
    void text(const char *key, const QString &value)
    {
        if (value.isEmpty())
            return;
        this->key(key);
        appendJsonString(m_out, value);
    }
    void number(const char *key, const std::optional<double> &value)
    {
        if (!value || !std::isfinite(*value))
            return;
        this->key(key);
        m_out += csvNumber(*value);
    }
    void raw(const char *key, const QByteArray &value)
    {
        if (value.isEmpty())
            return;
        this->key(key);
        m_out += value;
    }
    QByteArray finish() { return m_out + "}\n"; }

private:
    void key(const char *key)
    {
        m_out += m_out.size() == 1 ? "\"" : ",\"";
        m_out += key;
        m_out += "\":";
    }
    QByteArray m_out = "{";
};

} // namespace

QByteArray jsonLine(const CsvRecord &r)
{
    JsonObject o;
    const QByteArray time = csvTime(r.time);
    if (!time.isEmpty())
        o.raw("time", '"' + time + '"');
    if (r.position)
        o.raw("position", QByteArray::number(qlonglong(*r.position)));
    o.text("mode", r.mode);
    o.text("primary", r.primaryName);
    o.number("primary_value", r.primaryValue);
    o.text("secondary", r.secondaryName);
    o.number("secondary_value", r.secondaryValue);
    o.number("z_ohm", r.impedance);
    o.number("d", r.dissipation);
    o.number("q", r.quality);
    o.number("theta_deg", r.phaseDegrees);
    o.number("frequency_hz", r.frequencyHz);
    o.number("level_v", r.levelVolts);
    o.text("circuit", r.circuit);
    o.text("verdict", r.verdict);
    o.number("primary_deviation_pct", r.primaryDeviationPercent);
    o.number("secondary_deviation_pct", r.secondaryDeviationPercent);
    o.text("rd_kind", r.rdKind);
    o.text("rd_symbol", r.rdSymbol);
    o.number("rd_resistance_ohm", r.rdResistance);
    o.number("rd_diode_v", r.rdDiodeVolts);
    o.number("rd_current1_a", r.rdCurrent1);
    o.number("rd_current2_a", r.rdCurrent2);
    o.number("rd_test_v", r.rdTestVolts);
    o.number("u_v", r.uVolts);
    o.number("u_rms_v", r.uRmsVolts);
    o.number("u_pp_v", r.uPeakToPeakVolts);
    return o.finish();
}

ReadingOutput::ReadingOutput() = default;
ReadingOutput::~ReadingOutput() = default;

bool ReadingOutput::open(const QString &path, bool append, OutputFormat format, QString *error)
{
    m_format = format;
    bool opened;
    if (path.isEmpty()) {
        opened = m_file.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
                             QFileDevice::DontCloseHandle);
    } else {
        m_file.setFileName(path);
        opened = m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered
                             | (append ? QIODevice::Append : QIODevice::Truncate));
    }
    if (!opened) {
        *error = QStringLiteral("cannot write %1: %2").arg(name(), m_file.errorString());
        return false;
    }
    if (format == OutputFormat::Csv) {
        m_csv = std::make_unique<CsvStream>(m_file);
        // A file that already has lines has its header.
        const bool hasLines = append && !path.isEmpty() && m_file.size() > 0;
        if (!hasLines && !m_csv->writeHeader()) {
            *error = QStringLiteral("cannot write %1: %2").arg(name(), errorString());
            return false;
        }
    }
    return true;
}

bool ReadingOutput::write(const CsvRecord &record)
{
    if (m_csv)
        return m_csv->write(record);
    const QByteArray line = jsonLine(record);
    return m_file.write(line) == line.size() && m_file.flush();
}

QString ReadingOutput::errorString() const
{
    return m_file.errorString();
}

QString ReadingOutput::name() const
{
    return m_file.fileName().isEmpty() ? QStringLiteral("standard output") : m_file.fileName();
}

} // namespace vorlantlog
