#pragma once

#include <QString>
#include <QStringList>

namespace i18n {

class LexiconTranslator;

// An ordered list of run-time texts of one window, addressed by item number
// from 0. The design texts are fixed at construction; a translation engine may
// be attached later to supply the current language's texts.
class TDesignedLexicon
{
public:
    TDesignedLexicon(QString name, QString ownerName, QStringList designTexts);
    // A copy asks the same engine as its original.
    TDesignedLexicon(const TDesignedLexicon &other);
    TDesignedLexicon &operator=(const TDesignedLexicon &other);
    ~TDesignedLexicon();

    // The item's text in the language in effect (the design text while no
    // engine is attached or the language leaves the item untranslated).
    // Undefined items give an empty text.
    QString GetItem(int index) const;

    // The design text as written, escapes included; empty when undefined.
    QString GetLocStr(int index) const;

    // Defined: the index is within the list and the design text is not empty.
    bool IsDefined(int index) const;
    int count() const { return int(m_items.size()); }

    QString name() const { return m_name; }
    QString ownerName() const { return m_ownerName; }
    // The name under which a language file files this lexicon's items: "Form1.D1".
    QString LexiconFullName() const;

    LexiconTranslator *LangManEngine() const { return m_engine; }
    // Detached (nullptr) when the engine goes away first.
    void setLangManEngine(LexiconTranslator *engine);

private:
    QString m_name;
    QString m_ownerName;
    QStringList m_items;
    LexiconTranslator *m_engine = nullptr;
};

} // namespace i18n
