#pragma once

#include "i18n/designed_lexicon.h"
#include "i18n/lexicon_translator.h"

#include <QHash>
#include <QString>
#include <QStringList>

// A stand-in for a loaded language: translations keyed by "Form1.Dlang1#3".
// Items without an entry fall back to the design text, as a language that
// leaves them untranslated does. Records which lexicon names were asked for.
class MapTranslator : public i18n::LexiconTranslator
{
public:
    void set(const QString &lexiconFullName, int index, const QString &text)
    {
        m_texts.insert(key(lexiconFullName, index), text);
    }

    QString TranslateString(const QString &designText, const i18n::TDesignedLexicon &lexicon, int index) override
    {
        asked << lexicon.LexiconFullName();
        return m_texts.value(key(lexicon.LexiconFullName(), index), designText);
    }

    QStringList asked;

private:
    static QString key(const QString &name, int index) { return name + QLatin1Char('#') + QString::number(index); }
    QHash<QString, QString> m_texts;
};
