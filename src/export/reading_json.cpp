// JSON lines: one UTF-8 JSON object per reading, each on its own line ending
// in LF, no byte-order mark. The keys are the column table's names in its
// order; numbers are JSON numbers in the CSV's shortest exact form, texts
// JSON strings; a value the reading does not have has no key. The start of a
// line for a 47 nF capacitor:
//
//   7B 22 74 69 6D 65 22 3A 22 32 30 32 36 2D 31 32 2D 31 30 54 ...
//   {"time":"2026-12-10T13:28:57.123+01:00","position":1,"mode":"RLCD","primary":"C","primary_value":4.7e-08,...}
//
// The broker's payload is the same object without the line end, with the
// station's name and the reading's sequence number as the last keys.

#include "export/reading_json.h"

#include "export/reading_columns.h"

namespace {

// Appends a JSON string: quotes, backslashes and control characters escaped.
void appendJsonString(QByteArray &out, const QByteArray &utf8)
{
    out += '"';
    for (const char c : utf8) {
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
    void text(const char *key, const QByteArray &value)
    {
        if (value.isEmpty())
            return;
        this->key(key);
        appendJsonString(m_out, value);
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

void addColumns(JsonObject &o, const reading::Reading &reading, std::optional<std::int64_t> position)
{
    for (const ReadingColumn &column : readingColumns()) {
        const ReadingCell cell = column.cell(reading, position);
        if (cell.kind == ReadingCell::Kind::Text)
            o.text(column.name, cell.bytes);
        else
            o.raw(column.name, cell.bytes);
    }
}

} // namespace

QByteArray jsonLine(const reading::Reading &reading, std::optional<std::int64_t> position)
{
    JsonObject o;
    addColumns(o, reading, position);
    return o.finish() + '\n';
}

QByteArray jsonReading(const reading::Reading &reading, std::optional<std::int64_t> position, const QString &station)
{
    JsonObject o;
    addColumns(o, reading, position);
    o.text("station", station.toUtf8());
    if (reading.seq)
        o.raw("seq", QByteArray::number(qulonglong(*reading.seq)));
    return o.finish();
}
