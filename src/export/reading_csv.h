#pragma once

#include "reading/reading.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// The readings CSV, the same for the window's "Save as CSV", a journal saved
// at start and a logger that streams readings. The layout is described in
// reading_csv.cpp; the columns are the column table's (reading_columns.h).

// The column names in their order, as the header line writes them.
QList<QByteArray> csvColumnNames();

// The header line and the line of one reading, each ending in CR LF;
// `position` is the log's row number (multi part: the profile line), or the
// reading's number in a logger's run.
QByteArray csvHeaderLine();
QByteArray csvLine(const reading::Reading &reading, std::optional<std::int64_t> position);

// Writes a whole CSV file: the header and `count` lines asked for in
// order. The text goes to a temporary file beside `path` that replaces it
// only when everything was written, so a failure never leaves half a file
// under the chosen name. False with `error` set on failure.
bool writeCsvFile(const QString &path, std::int64_t count, const std::function<QByteArray(std::int64_t)> &lineAt,
                  QString *error = nullptr);
