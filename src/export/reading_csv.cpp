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
// The columns and their cells come from the column table (reading_columns.cpp);
// they are only ever appended at the end, so readers that go by position
// keep working.

#include "export/reading_csv.h"

#include "export/reading_columns.h"
#include "files/file_replacement.h"

namespace {

constexpr char kLineEnd[] = "\r\n";

void appendText(QByteArray &out, const QByteArray &utf8)
{
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

} // namespace

QList<QByteArray> csvColumnNames()
{
    QList<QByteArray> names;
    for (const ReadingColumn &column : readingColumns())
        names.append(column.name);
    return names;
}

QByteArray csvHeaderLine()
{
    return csvColumnNames().join(',') + kLineEnd;
}

QByteArray csvLine(const reading::Reading &reading, std::optional<std::int64_t> position)
{
    QByteArray out;
    out.reserve(256);
    bool first = true;
    for (const ReadingColumn &column : readingColumns()) {
        if (!first)
            out += ',';
        first = false;
        const ReadingCell cell = column.cell(reading, position);
        if (cell.kind == ReadingCell::Kind::Text)
            appendText(out, cell.bytes);
        else
            out += cell.bytes;
    }
    out += kLineEnd;
    return out;
}

bool writeCsvFile(const QString &path, std::int64_t count, const std::function<QByteArray(std::int64_t)> &lineAt,
                  QString *error)
{
    files::FileReplacement file(path);
    if (file.open()) {
        constexpr qsizetype kChunk = 1 << 20;
        QByteArray buffer = csvHeaderLine();
        buffer.reserve(kChunk + 4096);
        for (std::int64_t i = 0; i < count; ++i) {
            buffer += lineAt(i);
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
