#pragma once

#include "i18n/window_lexicons.h"

#include "../i18n/map_translator.h"

// Window lexicons with a stand-in English language for the prefix and units of
// the frequency and level captions; every other item keeps its design text.
struct EnglishUnitLexicons
{
    EnglishUnitLexicons()
    {
        english.set(QStringLiteral("Form1.Dlang1"), 1, QStringLiteral("k"));
        english.set(QStringLiteral("Form1.Dlang3"), 0, QStringLiteral("Hz"));
        english.set(QStringLiteral("Form1.Dlang3"), 1, QStringLiteral("Vrms"));
        english.set(QStringLiteral("Form1.Dlang3"), 2, QStringLiteral("V"));
        lexicons.attachEngine(&english);
    }
    ~EnglishUnitLexicons() { lexicons.attachEngine(nullptr); }
    EnglishUnitLexicons(const EnglishUnitLexicons &) = delete;
    EnglishUnitLexicons &operator=(const EnglishUnitLexicons &) = delete;

    MapTranslator english;
    i18n::WindowLexicons lexicons;
};
