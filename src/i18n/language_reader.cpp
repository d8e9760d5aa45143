// Reading one language of the list into the engine's stores. The file layout
// is described in language_file.cpp.

#include "i18n/char_codes.h"
#include "i18n/lang_core_data.h"

namespace i18n {

namespace {

// Inherited entries go one level further away per superior language, up to
// this level; 255 belongs to design texts.
constexpr qint16 kDescentCeiling = 254;

} // namespace

bool TLangCoreData::LoadLanguageData(const QString &name)
{
    return readLanguage(name, {}, ReadMode::Normal);
}

void TLangCoreData::emptyStores(ReadMode mode)
{
    DataStruct.clear();
    DataLexicon.clear();
    if (mode == ReadMode::Normal)
        ResetToDesignLanguage();
    else
        CurrentSuperiorLang = designIds();
}

bool TLangCoreData::abandonRead(ReadMode mode)
{
    emptyStores(mode);
    return false;
}

void TLangCoreData::readSuperior(const QString &superiorName, const QString &ownName, const QStringList &chain)
{
    // A loop (A over B over A) or an unknown name falls back to the design
    // language, whose reading only empties the stores.
    const int index = superiorName.isEmpty() ? -1 : IndexOfLanguage(superiorName);
    QStringList longer = chain;
    longer << ownName;
    if (index <= 0 || longer.contains(Languages.at(index), Qt::CaseInsensitive)) {
        emptyStores(ReadMode::Superior);
        return;
    }
    // A superior file that cannot be read leaves this language with its own
    // texts only.
    readLanguage(Languages.at(index), longer, ReadMode::Superior);
    DataStruct.raiseDescent(kDescentCeiling);
    DataLexicon.raiseLevels(kDescentCeiling);
}

bool TLangCoreData::readLanguage(const QString &name, const QStringList &chain, ReadMode mode)
{
    emptyStores(mode);

    const int index = IndexOfLanguage(name);
    if (index < 0)
        return false;
    if (index == 0)
        return true;
    // The list's own spelling: a request in other letter case still matches the file's header.
    const QString listed = Languages.at(index);

    const std::optional<QStringList> read = readLanguageLines(FileNames.at(index));
    if (!read)
        return abandonRead(mode);
    const QStringList &lines = *read;
    if (lines.isEmpty())
        return false;
    if (!isSignatureLine(lines.first(), settings.signature))
        return abandonRead(mode);

    // Header: the line declaring this language ends the scan. Every header
    // line read before names a superior language; only the last one counts,
    // since each superior read starts from empty stores.
    const qsizetype n = lines.size();
    qsizetype i = 1;
    bool sawHeader = false;
    QString code;
    QString superiorName;
    for (; i < n; ++i) {
        const QString &line = lines.at(i);
        if (!line.contains(langkey::LanguageName))
            continue;
        sawHeader = true;
        code = NormalizeISOCode(fieldValue(line, langkey::Code));
        superiorName = fieldValue(line, langkey::SuperiorLanguage);
        if (quotedText(line) == listed) {
            ++i;
            break;
        }
    }
    if (sawHeader)
        readSuperior(superiorName, listed, chain);

    // Component section.
    for (; i < n; ++i) {
        const LangLine line = splitLangLine(lines.at(i));
        const std::optional<int> number = parseNumberPart(line.number);
        if (!number || line.value.size() <= 2)
            continue;
        if (line.value.front() != QLatin1Char('"') && line.value.contains(langkey::LexiconStrings)) {
            ++i;
            break;
        }
        if (*number < 0 || *number > 0xFFFF)
            continue;
        TFullStructLine entry;
        entry.CompName = fieldValue(line.value, langkey::Component);
        if (entry.CompName.isEmpty())
            continue;
        entry.OwnerName = fieldValue(line.value, langkey::Owner);
        entry.ItemAddr = fieldValue(line.value, langkey::Item);
        entry.PropertyID = quint16(*number);
        entry.Descent = 0;
        entry.Changeable = qint16((line.value.contains(langkey::NoTrans) ? 0 : kHasTranslation)
                                  | (line.value.contains(langkey::Old) ? kOldEntry : 0));
        entry.Translation = EncodeControlChars(quotedText(line.value));
        DataStruct.merge(entry);
    }

    // Lexicon section.
    int lexicon = -1;
    for (; i < n; ++i) {
        const LangLine line = splitLangLine(lines.at(i));
        const std::optional<int> number = parseNumberPart(line.number);
        if (!number || line.value.size() <= 2)
            continue;
        if (line.value.front() != QLatin1Char('"')) {
            if (line.value.contains(langkey::SmartStrings))
                break;
            const bool internal = line.value.contains(langkey::LangMan);
            if (internal || line.value.contains(langkey::LexiconName)) {
                const QString lexiconName = fieldValue(line.value, langkey::LexiconName);
                if (lexiconName.isEmpty())
                    return abandonRead(mode);
                lexicon = DataLexicon.ensure(internal ? settings.internalLexiconName : lexiconName);
                continue;
            }
        }
        // The lexicon store keeps 16-bit item numbers; larger ones are dropped.
        if (lexicon < 0 || *number < 0 || *number > 0xFFFF)
            continue;
        const QString text = EncodeControlChars(quotedText(line.value));
        if (!text.isEmpty())
            DataLexicon.setItem(lexicon, quint16(*number), text);
    }
    // The flag section is not read here.

    const TLangIDs ids{listed, code};
    if (hasBuiltInInternalTexts(ids))
        DataLexicon.removeLexicon(settings.internalLexiconName);

    if (mode == ReadMode::Normal) {
        Current = ids;
        if (CurrentSuperiorLang.Name.isEmpty())
            CurrentSuperiorLang = designIds();
    } else {
        CurrentSuperiorLang = ids;
    }
    return true;
}

} // namespace i18n
