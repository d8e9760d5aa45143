// Writing the current stores as a language file in the canonical layout
// described in language_file.cpp.

#include "files/file_replacement.h"
#include "i18n/lang_core_data.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace i18n {

namespace {

const QLatin1StringView kTab("\t");
const QLatin1StringView kLineBreak("\r\n");

void addLine(QString &out, const QString &line)
{
    out += line;
    out += kLineBreak;
}

QString headerLine(const QString &name, const QString &superiorName, const QString &isoCode)
{
    QString line = QStringLiteral("0\t") + langkey::LanguageName + QLatin1Char('"') + name + QLatin1Char('"');
    const QString code = NormalizeISOCode(isoCode);
    if (!code.isEmpty())
        line += kTab + langkey::Code + code + QLatin1Char(';');
    if (!superiorName.isEmpty())
        line += kTab + langkey::SuperiorLanguage + superiorName + QLatin1Char(';');
    line += kTab + langkey::FileVersion + langkey::FileVersionValue + QLatin1Char(';');
    return line;
}

QString componentLine(const TFullStructLine &entry)
{
    QString line = QString::number(entry.PropertyID) + kTab;
    if (entry.Changeable & kHasTranslation)
        line += QLatin1Char('"') + entry.Translation + QLatin1Char('"');
    else
        line += langkey::NoTrans;
    line += kTab + langkey::Component + entry.CompName + QLatin1Char(';');
    line += kTab + langkey::Owner + entry.OwnerName + QLatin1Char(';');
    if (!entry.ItemAddr.isEmpty())
        line += kTab + langkey::Item + entry.ItemAddr + QLatin1Char(';');
    if (entry.Changeable & kOldEntry)
        line += kTab + langkey::Old;
    return line;
}

} // namespace

SaveStatus TLangCoreData::SaveLanguageFile(const QString &name, const QString &superiorName,
                                           const QString &isoCode, const QString &fileName,
                                           const QByteArray &flag) const
{
    if (settings.langsDir.isEmpty() || !QDir().mkpath(settings.langsDir))
        return SaveStatus::WrongPath;
    if (name.isEmpty() || fileName.isEmpty())
        return SaveStatus::NothingToWrite;

    QString text;
    addLine(text, signatureLine(settings.signature));
    addLine(text, headerLine(name, superiorName, isoCode));
    for (const auto &[key, entry] : DataStruct)
        addLine(text, componentLine(entry));

    addLine(text, QStringLiteral("0\t") + langkey::LexiconStrings);
    for (const TLexiconData::Lexicon &lexicon : DataLexicon.lexicons()) {
        QList<quint16> numbers;
        for (auto it = lexicon.items.cbegin(); it != lexicon.items.cend(); ++it) {
            if (!it->text.isEmpty())
                numbers << it.key();
        }
        if (numbers.isEmpty())
            continue;
        std::sort(numbers.begin(), numbers.end());
        QString line = QStringLiteral("0\t") + langkey::LexiconName + lexicon.name + QLatin1Char(';');
        if (QString::compare(lexicon.name, settings.internalLexiconName, Qt::CaseInsensitive) == 0)
            line += kTab + langkey::LangMan;
        addLine(text, line);
        for (const quint16 number : numbers)
            addLine(text, QString::number(number) + kTab + QLatin1Char('"') + lexicon.items.value(number).text
                              + QLatin1Char('"'));
    }
    addLine(text, QStringLiteral("0\t") + langkey::SmartStrings);

    if (!flag.isEmpty()) {
        addLine(text, QStringLiteral("0\t") + langkey::FlagIcon);
        for (const QString &line : encodeFlagLines(flag))
            addLine(text, line);
    }

    const QString path = QFileInfo(fileName).isAbsolute() ? fileName : QDir(settings.langsDir).filePath(fileName);
    files::FileReplacement file(path);
    if (file.open())
        file.write(encodeLanguageText(text, settings.encoding));
    return file.commit() ? SaveStatus::Saved : SaveStatus::WriteFailed;
}

} // namespace i18n
