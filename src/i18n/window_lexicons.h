#pragma once

#include "i18n/designed_lexicon.h"
#include "protocol/unit_texts.h"

#include <array>

namespace i18n {

class LexiconTranslator;

// The seven lexicons of the main window with their Russian design texts.
// Members carry the lexicons' own names, so code reads lexicons.Dlang1.GetItem(3).
struct WindowLexicons
{
    WindowLexicons();

    TDesignedLexicon Dlang_connect; // connection states and commands
    TDesignedLexicon Dlang1;        // decimal prefixes
    TDesignedLexicon Dlang2;        // equivalent circuit
    TDesignedLexicon Dlang3;        // unit symbols
    TDesignedLexicon D1;            // captions and messages
    TDesignedLexicon D2;            // log and profile column headers
    TDesignedLexicon D3;            // short marks

    // In creation order, for an engine that registers every lexicon.
    std::array<TDesignedLexicon *, 7> all();
    std::array<const TDesignedLexicon *, 7> all() const;

    // The prefixes, units and RD marks in the language in effect, for the
    // decoders (Dlang1, Dlang3 and the first items of D3).
    protocol::UnitTexts unitTexts() const;

    // Attaches (or, with nullptr, detaches) one engine to all seven.
    void attachEngine(LexiconTranslator *engine);

    static constexpr const char *kOwnerName = "Form1";
};

} // namespace i18n
