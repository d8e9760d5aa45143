#pragma once

#include "export/export_messages.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A table of texts, row by row. Row r and column c land in spreadsheet row
// r + 1 and column c + 1 (A1 is row 0, column 0); rows may differ in length.
using SheetTexts = QList<QStringList>;

// Page margins of the written sheet, in points.
inline constexpr double kSheetLeftMarginPoints = 30.0;
inline constexpr double kSheetRightMarginPoints = 10.0;

struct SheetWriteResult
{
    bool ok = false;
    ExportProblem problem; // why the workbook could not be written (NotWritten)
};

// Told the number of rows written so far, now and then while writing and once
// after the last row. Runs on the writing thread.
using SheetProgress = std::function<void(qsizetype rowsWritten)>;

// Writes texts into worksheet 1 of a new .xlsx workbook at path: every
// non-empty text as a string cell (never converted to a number), the margins
// above and nothing else formatted. Memory stays flat however many rows there
// are; the sheet is staged in scratchFolder (empty: the system's temporary
// folder). Blocks until the file is complete or has failed; a failed file may
// be left behind for the caller to remove.
SheetWriteResult writeSpreadsheet(const QString &path, const SheetTexts &texts,
                                  const QString &scratchFolder = {}, const SheetProgress &progress = {});
