#pragma once

#include "i18n/designed_lexicon.h"

// The run-time texts of the batch windows and the log's context menu, a
// lexicon of the main window ("Form1.Dstat" in a language file), looked up
// each time a text is shown so that it follows the language in effect.
namespace batch_text {
enum Item : int {
    Statistics = 0,  // menu item and window title
    TrendChart,      // menu item and window title
    SaveCsv,         // menu item
    Rows,
    Passed,
    Rejected,
    Yield,
    Values,
    Mean,
    StandardDeviation,
    Minimum,
    Maximum,
    Nominal,
    MeanDeviation,
    Cp,
    Cpk,
    ByRow,
    ByTime,
    AutoScale,
    SavePng,
    RowNumber,
    SaveFailed,
    CsvFiles,
    PngFiles,
    Primary,
    Secondary,
    Sorting, // menu item, and the tally's caption in the statistics
};
}

i18n::TDesignedLexicon makeBatchLexicon();
