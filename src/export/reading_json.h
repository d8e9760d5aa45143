#pragma once

#include "reading/reading.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// One reading as a JSON object on one line (ending in LF): the column
// table's names as keys in its order, numbers as JSON numbers in the CSV's
// exact form, and no key for a value the reading does not have.
//   {"time":"2026-12-10T13:28:57.123+01:00","position":1,"mode":"RLCD","primary":"C","primary_value":4.7e-08,...}
QByteArray jsonLine(const reading::Reading &reading, std::optional<std::int64_t> position);
// The same object for the broker, without the line end, with the station's
// name and the reading's sequence number (`seq`) as the last keys:
//   {...,"u_pp_v":1.2,"station":"st1","seq":42}
QByteArray jsonReading(const reading::Reading &reading, std::optional<std::int64_t> position, const QString &station);
