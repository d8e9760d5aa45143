#pragma once

#include "reading/reading.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

// The columns of a reading as it leaves the program: the CSV's header and
// cells, the keys of JSON lines and of the broker's payload, and the column
// list of vorlant-log's help and man page all read this one table. Columns
// are only ever appended at the end, so readers that go by position keep
// working.

// One cell: a text (quoted where the format needs it) or a number already
// in its written form. An empty cell is a value the reading does not have.
struct ReadingCell
{
    enum class Kind { Text, Number };
    Kind kind = Kind::Text;
    QByteArray bytes; // UTF-8 text, or the number's digits

    bool isEmpty() const { return bytes.isEmpty(); }
};

struct ReadingColumn
{
    const char *name;    // as the CSV header and the JSON keys write it
    const char *meaning; // for the help and the man page
    ReadingCell (*cell)(const reading::Reading &reading, std::optional<std::int64_t> position);
};

// Every column in its order.
std::span<const ReadingColumn> readingColumns();

// A number as the exports write it: the shortest text that reads back to
// the same double, always with a point ("4.7e-08", "4700", "0.5"); empty for
// a value that is not finite.
QByteArray csvNumber(double value);
// ISO 8601 local time with milliseconds and the UTC offset ("2026-12-10T13:28:57.123+01:00").
QByteArray csvTime(const QDateTime &time);
