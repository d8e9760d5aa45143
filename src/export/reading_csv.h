#pragma once

#include "reading/reading.h"
#include "protocol/rd_u_values.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// One line of the readings CSV, the same for the window's "Save as CSV" and
// for a logger that streams readings. Numbers are plain SI values; an empty
// optional or text leaves its cell empty. The layout is described in
// reading_csv.cpp.
struct CsvRecord
{
    QDateTime time;
    std::optional<std::int64_t> position; // the log's row number (multi part: the profile line)
    QString mode;                         // "RLCD", "RD", "U"
    QString primaryName;                  // "R", "C", "L", "Z"
    std::optional<double> primaryValue;   // ohm, farad, henry
    QString secondaryName;                // "R", "Q", "D", "theta"
    std::optional<double> secondaryValue; // ohm, none, none, degree
    std::optional<double> impedance;      // ohm
    std::optional<double> dissipation;
    std::optional<double> quality;
    std::optional<double> phaseDegrees;
    std::optional<double> frequencyHz;    // empty when the meter showed no test frequency
    std::optional<double> levelVolts;
    QString circuit;                      // "series", "parallel"
    QString verdict;                      // "pass", "reject", empty when not judged
    std::optional<double> primaryDeviationPercent;
    std::optional<double> secondaryDeviationPercent;

    // RD and U readings (empty on RLCD lines).
    QString rdKind;                        // "resistance", "diode", "junction" (diode test without a value)
    QString rdSymbol;                      // the display's picture: "resistor", "diode_up", "diode_down"
    std::optional<double> rdResistance;    // ohm
    std::optional<double> rdDiodeVolts;
    std::optional<double> rdCurrent1;      // ampere; empty while the meter's value means nothing
    std::optional<double> rdCurrent2;      // ampere
    std::optional<double> rdTestVolts;
    std::optional<double> uVolts;          // signed
    std::optional<double> uRmsVolts;
    std::optional<double> uPeakToPeakVolts;

    QString bin; // "BIN1".."BIN9", "AUX", "OUT"; empty without a sorting plan
};

// The record of one logged reading; `position` is the row number the log shows.
CsvRecord csvRecordFor(const LoggedReading &row, std::optional<std::int64_t> position);
// The records of an RD and a U reading taken at `time`.
CsvRecord csvRecordForRd(const QDateTime &time, const protocol::RdValues &values,
                         std::optional<std::int64_t> position);
CsvRecord csvRecordForU(const QDateTime &time, const protocol::UValues &values, std::optional<std::int64_t> position);

// The column names in their order, as the header line writes them.
QList<QByteArray> csvColumnNames();

// The header line and the line of one record, each ending in CR LF.
QByteArray csvHeaderLine();
QByteArray csvLine(const CsvRecord &record);

// A number as the CSV writes it: the shortest text that reads back to the
// same double, always with a point ("4.7e-08", "4700", "0.5"); empty for a
// value that is not finite.
QByteArray csvNumber(double value);
// ISO 8601 local time with milliseconds and the UTC offset ("2026-12-10T13:28:57.123+01:00").
QByteArray csvTime(const QDateTime &time);

// Writes a whole CSV file: the header and `count` records asked for in
// order. The text goes to a temporary file beside `path` that replaces it
// only when everything was written, so a failure never leaves half a file
// under the chosen name. False with `error` set on failure.
bool writeCsvFile(const QString &path, std::int64_t count, const std::function<CsvRecord(std::int64_t)> &recordAt,
                  QString *error = nullptr);
