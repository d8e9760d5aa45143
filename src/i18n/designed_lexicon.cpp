#include "i18n/designed_lexicon.h"

#include "i18n/char_codes.h"
#include "i18n/lexicon_translator.h"

#include <utility>
#include <vector>

namespace i18n {

TDesignedLexicon::TDesignedLexicon(QString name, QString ownerName, QStringList designTexts)
    : m_name(std::move(name))
    , m_ownerName(std::move(ownerName))
    , m_items(std::move(designTexts))
{
}

TDesignedLexicon::TDesignedLexicon(const TDesignedLexicon &other)
    : m_name(other.m_name)
    , m_ownerName(other.m_ownerName)
    , m_items(other.m_items)
{
    setLangManEngine(other.m_engine);
}

TDesignedLexicon &TDesignedLexicon::operator=(const TDesignedLexicon &other)
{
    if (this != &other) {
        m_name = other.m_name;
        m_ownerName = other.m_ownerName;
        m_items = other.m_items;
        setLangManEngine(other.m_engine);
    }
    return *this;
}

TDesignedLexicon::~TDesignedLexicon()
{
    setLangManEngine(nullptr);
}

void TDesignedLexicon::setLangManEngine(LexiconTranslator *engine)
{
    if (engine == m_engine)
        return;
    if (m_engine)
        std::erase(m_engine->m_attached, this);
    m_engine = engine;
    if (m_engine)
        m_engine->m_attached.push_back(this);
}

bool TDesignedLexicon::IsDefined(int index) const
{
    return index >= 0 && index < m_items.size() && !m_items.at(index).isEmpty();
}

QString TDesignedLexicon::GetLocStr(int index) const
{
    return IsDefined(index) ? m_items.at(index) : QString();
}

QString TDesignedLexicon::GetItem(int index) const
{
    // An undefined item stays empty whatever a language file may say about it.
    if (!IsDefined(index))
        return QString();
    const QString &design = m_items.at(index);
    if (!m_engine)
        return DecodeCharCodes(design);
    return DecodeCharCodes(m_engine->TranslateString(design, *this, index));
}

QString TDesignedLexicon::LexiconFullName() const
{
    if (m_name.isEmpty())
        return m_ownerName;
    return m_ownerName + QLatin1Char('.') + m_name;
}

} // namespace i18n
