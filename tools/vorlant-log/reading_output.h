#pragma once

#include "logger_options.h"

#include "export/reading_csv.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>


namespace vorlantlog {

// One reading as a JSON object on one line (ending in LF): the CSV's column
// names as keys in the CSV's order, numbers as JSON numbers in the CSV's
// exact form, and no key for a value the reading does not have.
//   {"time":"2026-12-10T13:28:57.123+01:00","position":1,"mode":"RLCD","primary":"C","primary_value":4.7e-08,...}
QByteArray jsonLine(const CsvRecord &record);
// The same object for the broker, without the line end, with the station's
// name and the reading's sequence number as the last keys:
//   {...,"u_pp_v":1.2,"station":"st1","seq":42}
QByteArray jsonReading(const CsvRecord &record, const QString &station, std::uint64_t seq);

// Where the readings go: a file or standard output, as CSV (the readings
// CSV's lines) or JSON lines. Every line is handed to the system as soon as
// it is written. A file is never left with half a line, nor emptied when its
// new header cannot be written: the old file then stays as it was.
class ReadingOutput
{
public:
    ReadingOutput();
    ~ReadingOutput();

    // Opens `path` (empty: standard output), emptied unless `append`, and
    // writes the CSV header unless appending to a file that has lines.
    bool open(const QString &path, bool append, OutputFormat format, QString *error);
    bool write(const CsvRecord &record);
    // The system's words for the last failure.
    QString errorString() const;
    // "standard output" or the file's path, for messages.
    QString name() const;

private:
    bool put(const QByteArray &line);

    QFile m_file;
    OutputFormat m_format = OutputFormat::Csv;
    qint64 m_wholeSize = 0; // the file's size after the last whole line
    QString m_error;
};

} // namespace vorlantlog
