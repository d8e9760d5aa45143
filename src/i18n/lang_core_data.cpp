#include "i18n/lang_core_data.h"

#include <QDir>
#include <QFileInfo>

namespace i18n {

namespace {

int indexOfInsensitive(const QStringList &list, QStringView text)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (QStringView(list.at(i)).compare(text, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

} // namespace

int TLangCoreData::IndexOfLanguage(QStringView name) const
{
    return indexOfInsensitive(Languages, name);
}

int TLangCoreData::IndexOfCode(QStringView code) const
{
    // An empty code stands for no language.
    if (code.isEmpty())
        return -1;
    return indexOfInsensitive(LangCodes, code);
}

void TLangCoreData::BuildLanguageList()
{
    Languages.clear();
    FileNames.clear();
    LangCodes.clear();
    Flags.clear();
    EditableLangs.clear();

    Languages << settings.designName;
    FileNames << settings.designName;
    LangCodes << settings.designCode;
    Flags << settings.designFlag;

    if (!settings.langsDir.isEmpty()) {
        const QDir dir(settings.langsDir);
        const QString extension = settings.extension.toLower();
        const QFileInfoList entries =
            dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &entry : entries) {
            const QString fileName = entry.fileName();
            const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
            if (dot < 0 || fileName.mid(dot).toLower() != extension)
                continue;
            QByteArray flag;
            const TLangIDs ids = ProbeLanguageFile(entry.filePath(), settings.signature, &flag);
            if (ids.Name.isEmpty())
                continue;
            const bool designName = QString::compare(ids.Name, settings.designName, Qt::CaseInsensitive) == 0;
            if (!designName && IndexOfLanguage(ids.Name) >= 0)
                continue;
            Languages << ids.Name;
            FileNames << entry.filePath();
            LangCodes << ids.Code;
            Flags << flag;
            EditableLangs << ids.Name;
        }
    }
    LangMenu = Languages;
}

void TLangCoreData::ResetToDesignLanguage()
{
    DataStruct.clear();
    DataLexicon.clear();
    CurrentSuperiorLang = {};
    Current = designIds();
}

bool TLangCoreData::hasBuiltInInternalTexts(const TLangIDs &language)
{
    static const QStringList codes = {QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("cs"),
                                      QStringLiteral("sk"), QStringLiteral("it")};
    static const QStringList names = {QStringLiteral("English"),  QStringLiteral("German"),
                                      QStringLiteral("Deutsch"),  QStringLiteral("Czech"),
                                      QStringLiteral("Čeština"),  QStringLiteral("Slovak"),
                                      QStringLiteral("Slovenčina"), QStringLiteral("Italian"),
                                      QStringLiteral("Italiano")};
    return (!language.Code.isEmpty() && codes.contains(language.Code, Qt::CaseInsensitive))
           || names.contains(language.Name, Qt::CaseInsensitive);
}

} // namespace i18n
