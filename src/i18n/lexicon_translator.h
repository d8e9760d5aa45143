#pragma once

#include <QString>

#include <vector>

namespace i18n {

class TDesignedLexicon;

// What a lexicon asks of a translation engine. The engine, once attached to a
// lexicon, answers with the current language's text of one item; callers of
// GetItem never see whether an engine is attached.
class LexiconTranslator
{
public:
    LexiconTranslator() = default;
    LexiconTranslator(const LexiconTranslator &) = delete;
    LexiconTranslator &operator=(const LexiconTranslator &) = delete;
    // Lexicons still attached give their design texts from then on.
    virtual ~LexiconTranslator();

    // The text of item `index` of `lexicon` in the language in effect, or
    // `designText` when that language has none. The answer may still hold
    // '#n' escapes; the lexicon decodes them.
    virtual QString TranslateString(const QString &designText, const TDesignedLexicon &lexicon,
                                    int index) = 0;

    // The lexicons that ask here, in the order they were attached.
    const std::vector<TDesignedLexicon *> &attachedLexicons() const { return m_attached; }

private:
    friend class TDesignedLexicon;
    std::vector<TDesignedLexicon *> m_attached;
};

} // namespace i18n
