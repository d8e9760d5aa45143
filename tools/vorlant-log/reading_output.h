#pragma once

#include "logger_options.h"

#include "reading/reading.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>


namespace vorlantlog {

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
    // One line; `position` is the reading's number in the run.
    bool write(const reading::Reading &reading, std::int64_t position);
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
