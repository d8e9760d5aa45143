#include "i18n/translation_store.h"

namespace i18n {

QString LineID(const QString &compName, const QString &ownerName, quint16 propertyId, const QString &itemAddr)
{
    return compName + QLatin1Char('@') + ownerName + QLatin1Char('#') + QString::number(propertyId)
           + QLatin1Char('[') + itemAddr;
}

const TFullStructLine *TComponentStructure::find(const QString &lineId) const
{
    const auto it = m_items.find(lineId);
    return it == m_items.end() ? nullptr : &it->second;
}

TFullStructLine *TComponentStructure::find(const QString &lineId)
{
    const auto it = m_items.find(lineId);
    return it == m_items.end() ? nullptr : &it->second;
}

void TComponentStructure::add(const TFullStructLine &line)
{
    m_items.insert_or_assign(line.LineID(), line);
}

void TComponentStructure::merge(const TFullStructLine &line)
{
    const QString key = line.LineID();
    const auto it = m_items.find(key);
    if (it == m_items.end()) {
        m_items.emplace(key, line);
        return;
    }
    it->second.Changeable = line.Changeable;
    it->second.Descent = line.Descent;
    // "%NOTRANS" keeps what an earlier line or a superior language gave.
    if (line.Changeable & kHasTranslation)
        it->second.Translation = line.Translation;
}

void TComponentStructure::raiseDescent(qint16 ceiling)
{
    for (auto &[key, line] : m_items) {
        if (line.Descent < ceiling)
            ++line.Descent;
    }
}

void TLexiconData::clear()
{
    m_lexicons.clear();
    m_index.clear();
    m_last = -1;
    m_lastName.clear();
}

int TLexiconData::indexOf(const QString &name) const
{
    return m_index.value(name.toCaseFolded(), -1);
}

int TLexiconData::ensure(const QString &name)
{
    const QString key = name.toCaseFolded();
    const auto it = m_index.constFind(key);
    if (it != m_index.constEnd())
        return *it;
    m_lexicons.push_back(Lexicon{name, {}});
    const int position = int(m_lexicons.size()) - 1;
    m_index.insert(key, position);
    // A name remembered as absent may be this one.
    m_last = -1;
    return position;
}

void TLexiconData::setItem(int lexicon, quint16 number, const QString &text, qint16 level)
{
    m_lexicons.at(std::size_t(lexicon)).items.insert(number, Item{text, level});
}

void TLexiconData::removeLexicon(const QString &name)
{
    const int position = indexOf(name);
    if (position < 0)
        return;
    // Keeps the positions of the others: only the items go.
    m_lexicons[std::size_t(position)].items.clear();
}

void TLexiconData::raiseLevels(qint16 ceiling)
{
    for (Lexicon &lexicon : m_lexicons) {
        for (Item &item : lexicon.items) {
            if (item.level < ceiling)
                ++item.level;
        }
    }
}

QString TLexiconData::item(const QString &lexiconName, int number) const
{
    if (number < 0 || number > 0xFFFF)
        return QString();
    if (m_last < 0 || m_lastName != lexiconName) {
        m_last = indexOf(lexiconName);
        m_lastName = lexiconName;
    }
    if (m_last < 0)
        return QString();
    return m_lexicons[std::size_t(m_last)].items.value(quint16(number)).text;
}

} // namespace i18n
