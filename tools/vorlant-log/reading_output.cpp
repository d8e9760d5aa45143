// JSON lines: one UTF-8 JSON object per reading, each on its own line ending
// in LF, no byte-order mark. The keys are the readings CSV's column names in
// its order; numbers are JSON numbers in the CSV's shortest exact form, texts
// JSON strings; a value the reading does not have has no key. The start of a
// line for a 47 nF capacitor:
//
//   7B 22 74 69 6D 65 22 3A 22 32 30 32 36 2D 31 32 2D 31 30 54 ...
//   {"time":"2026-12-10T13:28:57.123+01:00","position":1,"mode":"RLCD","primary":"C","primary_value":4.7e-08,...}
//
// CSV lines are the readings CSV's own (csvLine).

#include "reading_output.h"

#include "files/file_replacement.h"

#include <cerrno>
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
    QByteArray finish() { return m_out + "}"; }

private:
    void key(const char *key)
    {
        m_out += m_out.size() == 1 ? "\"" : ",\"";
        m_out += key;
        m_out += "\":";
    }
    QByteArray m_out = "{";
};

void addFields(JsonObject &o, const CsvRecord &r)
{
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
    o.text("bin", r.bin);
}

} // namespace

QByteArray jsonLine(const CsvRecord &record)
{
    JsonObject o;
    addFields(o, record);
    return o.finish() + '\n';
}

QByteArray jsonReading(const CsvRecord &record, const QString &station, std::uint64_t seq)
{
    JsonObject o;
    addFields(o, record);
    o.text("station", station);
    o.raw("seq", QByteArray::number(qulonglong(seq)));
    return o.finish();
}

ReadingOutput::ReadingOutput() = default;
ReadingOutput::~ReadingOutput() = default;

bool ReadingOutput::open(const QString &path, bool append, OutputFormat format, QString *error)
{
    m_format = format;
    m_error.clear();
    const auto refuse = [&](const QString &why) {
        *error = QStringLiteral("cannot write %1: %2").arg(name(), why);
        return false;
    };
    if (path.isEmpty()) {
        if (!m_file.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            return refuse(m_file.errorString());
        return format != OutputFormat::Csv || put(csvHeaderLine()) || refuse(errorString());
    }
    m_file.setFileName(path);
    if (!append) {
        // The new file, with its header, takes the name only once it is on
        // disk: a full disk leaves the old file as it was.
        files::FileReplacement fresh(path);
        if (fresh.open() && format == OutputFormat::Csv)
            fresh.write(csvHeaderLine());
        if (!fresh.commit())
            return refuse(fresh.errorString());
    }
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | QIODevice::Append))
        return refuse(m_file.errorString());
    m_wholeSize = m_file.size();
    // A file that already has lines has its header.
    if (append && format == OutputFormat::Csv && m_wholeSize == 0 && !put(csvHeaderLine()))
        return refuse(errorString());
    return true;
}

bool ReadingOutput::write(const CsvRecord &record)
{
    return put(m_format == OutputFormat::Csv ? csvLine(record) : jsonLine(record));
}

bool ReadingOutput::put(const QByteArray &line)
{
    // Straight to the system, which names the reason of a short write.
    const char *at = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(m_file.handle(), at, std::size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            break;
        }
        at += written;
        left -= written;
    }
    if (left == 0) {
        m_wholeSize += line.size();
        return true;
    }
    m_error = files::systemMessage(errno);
    // A file ends with the last whole line, as it was before this one.
    if (!m_file.fileName().isEmpty())
        m_file.resize(m_wholeSize);
    return false;
}

QString ReadingOutput::errorString() const
{
    return m_error.isEmpty() ? m_file.errorString() : m_error;
}

QString ReadingOutput::name() const
{
    return m_file.fileName().isEmpty() ? QStringLiteral("standard output") : m_file.fileName();
}

} // namespace vorlantlog
