#pragma once

#include "i18n/designed_lexicon.h"

// The run-time texts of the Sorting window, a lexicon of the main window
// ("Form1.Dbins" in a language file), looked up each time a text is shown so
// that they follow the language in effect. The bin names BIN1..BIN9, AUX and
// OUT are fixed, as on a comparator's display.
namespace sorting_text {
enum Item : int {
    Title = 0,
    OpenPlan,
    SavePlan,
    ResetTally,
    Apply,
    Parameter,
    Unit,
    Nominal,
    FromLine,
    Mode,
    Nested,
    Sequential,
    Bins,
    Lower,
    Upper,
    Secondary,
    NoLimit,
    AtMost,
    AtLeast,
    PlanRefused,
    PlanFiles,
    NoPlan,
    Readings,
    SaveFailed,
};
}

i18n::TDesignedLexicon makeSortingLexicon();
