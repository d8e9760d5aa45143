#pragma once

#include "i18n/designed_lexicon.h"

namespace profiles {

// Why a profile file could not be used, as the user reads it. A lexicon of
// the main window ("Form1.DProfiles" in a language file), so the sentences
// follow the language in effect once the engine is attached to it.
//   0 not a regular file     1 too large          2 too short for the count
//   3 negative count         4 count beyond end   5 no such line
//   6 a change not written
i18n::TDesignedLexicon profileMessages();

} // namespace profiles
