#include "i18n/lexicon_translator.h"

#include "i18n/designed_lexicon.h"

namespace i18n {

LexiconTranslator::~LexiconTranslator()
{
    for (TDesignedLexicon *lexicon : std::vector<TDesignedLexicon *>(m_attached))
        lexicon->setLangManEngine(nullptr);
}

} // namespace i18n
