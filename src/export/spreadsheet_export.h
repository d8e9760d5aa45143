#pragma once

#include "export/spreadsheet_writer.h"

class LogTableModel;

// The texts an export copies: log rows 0 to rows - 1 in the log's own
// numbering (row 0 the headers, row r the model's row r - 1), columns 0 to 9.
// Rows past the end of the table come out empty. A copy, so the workbook can
// be written on another thread while the log goes on.
SheetTexts logSheetTexts(const LogTableModel &model, int rows);
