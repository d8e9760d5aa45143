#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <map>
#include <vector>

namespace i18n {

// Bits of TFullStructLine::Changeable.
inline constexpr qint16 kHasTranslation = 1; // clear for a "%NOTRANS" line
inline constexpr qint16 kOldEntry = 2;       // "%OLD": the property no longer exists
// Descent of a text captured from the window itself.
inline constexpr qint16 kDesignDescent = 255;

// The key of one translated property text: "CompName@OwnerName#PropertyID[ItemAddr"
// (the bracket is never closed).
QString LineID(const QString &compName, const QString &ownerName, quint16 propertyId, const QString &itemAddr);

// One translated (or captured) property text with the parts of its key.
struct TFullStructLine
{
    QString CompName;
    QString OwnerName;
    QString Translation; // control characters in '#n' form
    QString ItemAddr;
    quint16 PropertyID = 0;
    qint16 Descent = 0;    // 0 own file, 1..254 superior levels, 255 design text
    qint16 Changeable = 0; // kHasTranslation | kOldEntry

    QString LineID() const { return i18n::LineID(CompName, OwnerName, PropertyID, ItemAddr); }
};

// Property texts by LineID: sorted, case-sensitive, one entry per key.
class TComponentStructure
{
public:
    using Map = std::map<QString, TFullStructLine>;

    void clear() { m_items.clear(); }
    bool isEmpty() const { return m_items.empty(); }
    std::size_t size() const { return m_items.size(); }

    const TFullStructLine *find(const QString &lineId) const;
    TFullStructLine *find(const QString &lineId);

    // Stores the entry, replacing one of the same key.
    void add(const TFullStructLine &line);
    // A language file line over what is stored: a known key takes the line's
    // Changeable and Descent, and its translation unless the line is "%NOTRANS".
    void merge(const TFullStructLine &line);

    // Every entry below `ceiling` goes one superior level further away.
    void raiseDescent(qint16 ceiling);

    Map::const_iterator begin() const { return m_items.begin(); }
    Map::const_iterator end() const { return m_items.end(); }

private:
    Map m_items;
};

// Lexicon texts of one language: lexicons in creation order, names compared
// without regard to case, items by 16-bit number.
class TLexiconData
{
public:
    struct Item
    {
        QString text; // control characters in '#n' form
        qint16 level = 0;
    };
    struct Lexicon
    {
        QString name;
        QHash<quint16, Item> items;
    };

    void clear();
    // Position of the lexicon, created when absent.
    int ensure(const QString &name);
    int indexOf(const QString &name) const;
    void setItem(int lexicon, quint16 number, const QString &text, qint16 level = 0);
    void removeLexicon(const QString &name);
    void raiseLevels(qint16 ceiling);

    // The stored text, or an empty one. Repeated look-ups in one lexicon skip
    // the name search.
    QString item(const QString &lexiconName, int number) const;

    const std::vector<Lexicon> &lexicons() const { return m_lexicons; }

private:
    std::vector<Lexicon> m_lexicons;
    QHash<QString, int> m_index; // case-folded name -> position
    mutable int m_last = -1;
    mutable QString m_lastName;
};

} // namespace i18n
