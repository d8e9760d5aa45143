#pragma once

#include <QString>

namespace i18n {

class TDesignedLexicon;

// What a lexicon asks of a translation engine. The engine, once attached to a
// lexicon, answers with the current language's text of one item; callers of
// GetItem never see whether an engine is attached.
class LexiconTranslator
{
public:
    virtual ~LexiconTranslator() = default;

    // The text of item `index` of `lexicon` in the language in effect, or
    // `designText` when that language has none. The answer may still hold
    // '#n' escapes; the lexicon decodes them.
    virtual QString TranslateString(const QString &designText, const TDesignedLexicon &lexicon,
                                    int index) = 0;
};

} // namespace i18n
