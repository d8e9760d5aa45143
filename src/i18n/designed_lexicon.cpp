#include "i18n/designed_lexicon.h"

#include "i18n/char_codes.h"
#include "i18n/lexicon_translator.h"

#include <utility>

namespace i18n {

TDesignedLexicon::TDesignedLexicon(QString name, QString ownerName, QStringList designTexts)
    : m_name(std::move(name))
    , m_ownerName(std::move(ownerName))
    , m_items(std::move(designTexts))
{
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
