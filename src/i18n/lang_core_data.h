#pragma once

#include "i18n/language_file.h"
#include "i18n/translation_store.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace i18n {

// What the language list and the reader and writer take from the engine's settings.
struct LanguageFileSettings
{
    QString designName = QStringLiteral("Design language");
    QString designCode; // normalised
    QByteArray designFlag;
    QString langsDir; // folder of the language files; empty: none
    QString extension = QStringLiteral(".lng");
    QString signature = QStringLiteral("LANGUAGE_FILE");
    TLFEncoding encoding = TLFEncoding::Unicode;
    QString internalLexiconName = QStringLiteral("LangMan");
};

enum class SaveStatus {
    Saved,
    NothingToWrite, // no language name or no file name
    WrongPath,      // the language folder could not be made
    WriteFailed,
};

// The engine's data: the list of known languages and the translations of the
// one language in effect (with those it inherits from superior languages).
class TLangCoreData
{
public:
    LanguageFileSettings settings;

    // The language list, parallel lists; entry 0 is the design language,
    // whose "file name" is its own name.
    QStringList Languages;
    QStringList FileNames;
    QStringList LangCodes;
    QList<QByteArray> Flags;
    QStringList EditableLangs;
    QStringList LangMenu; // what language selectors show

    TComponentStructure DataStruct; // property texts by LineID
    TLexiconData DataLexicon;       // lexicon texts
    TLangIDs CurrentSuperiorLang;
    TLangIDs Current; // the language in effect

    TLangIDs designIds() const { return {settings.designName, settings.designCode}; }

    // The design language, then every file of the language folder (sorted by
    // file name) that declares a language not listed yet; the first file to
    // declare a name wins. A file declaring the design language's name is
    // listed again under that name but never read.
    void BuildLanguageList();

    // Positions in the list, names and codes compared without regard to case; -1 if absent.
    int IndexOfLanguage(QStringView name) const;
    int IndexOfCode(QStringView code) const;

    // Empties both stores, forgets the superior language, makes the design language current.
    void ResetToDesignLanguage();

    // Makes a listed language current with its translations and those of its
    // superior languages. False when the name is not listed or its file cannot
    // be read as a language file; the design language is then current with
    // empty stores. Never reads the design language's file.
    bool LoadLanguageData(const QString &name);

    // Writes the current stores as a language file in the canonical layout and
    // the settings' encoding. A relative file name lies in the language folder.
    SaveStatus SaveLanguageFile(const QString &name, const QString &superiorName, const QString &isoCode,
                                const QString &fileName, const QByteArray &flag = {}) const;

    // The engine's own messages come with texts of their own for these
    // languages; a file's texts for them are then dropped.
    static bool hasBuiltInInternalTexts(const TLangIDs &language);

private:
    enum class ReadMode { Normal, Superior };
    bool readLanguage(const QString &name, const QStringList &chain, ReadMode mode);
    // Both stores empty; the language read (or, for a superior, the
    // superior language) back to the design language.
    void emptyStores(ReadMode mode);
    bool abandonRead(ReadMode mode); // emptyStores, then false
    void readSuperior(const QString &superiorName, const QString &ownName, const QStringList &chain);
};

} // namespace i18n
