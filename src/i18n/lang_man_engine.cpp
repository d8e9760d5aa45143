#include "i18n/lang_man_engine.h"

#include "i18n/designed_lexicon.h"

#include <algorithm>
#include <utility>

namespace i18n {

TLangManEngine::TLangManEngine(QString name)
    : m_name(std::move(name))
{
    m_data.settings.internalLexiconName = m_name;
    m_defaultLanguage = m_data.settings.designName;
    m_data.ResetToDesignLanguage();
}

TLangManEngine::~TLangManEngine()
{
    for (TLangManComponent *component : m_components)
        component->EngineDestroyed();
    for (TLangSelector *selector : m_selectors)
        selector->EngineDestroyed();
}

void TLangManEngine::setDesignLangISOCode(const QString &code)
{
    m_data.settings.designCode = NormalizeISOCode(code);
    if (m_designNameAutomatic && code.size() > 3) {
        const qsizetype dash = code.indexOf(QLatin1Char('-'));
        if (dash > 0 && dash < code.size() - 1) {
            const QString named = code.mid(dash + 1).trimmed();
            if (!named.isEmpty()) {
                renameDesignLanguage(named);
                return;
            }
        }
    }
    if (m_data.Current.Name == m_data.settings.designName)
        m_data.Current.Code = m_data.settings.designCode;
    rebuildLanguageList();
}

void TLangManEngine::setDesignLanguageName(const QString &name)
{
    m_designNameAutomatic = false;
    renameDesignLanguage(name);
}

void TLangManEngine::renameDesignLanguage(const QString &name)
{
    const QString old = m_data.settings.designName;
    m_data.settings.designName = name;
    if (m_data.Current.Name == old)
        m_data.Current = m_data.designIds();
    if (m_defaultLanguage == old)
        m_defaultLanguage = name;
    rebuildLanguageList();
}

void TLangManEngine::setDefaultLanguage(const QString &language)
{
    if (language == m_defaultLanguage)
        return;
    const QString old = m_defaultLanguage;
    m_defaultLanguage = language;
    const bool showingOld = QString::compare(CurrentLanguage(), old, Qt::CaseInsensitive) == 0
                            || (!CurrentLanguageISO().isEmpty()
                                && QString::compare(CurrentLanguageISO(), old, Qt::CaseInsensitive) == 0);
    if (m_initialized && showingOld)
        Translate(language);
}

void TLangManEngine::setLangsDir(const QString &folder)
{
    m_data.settings.langsDir = folder;
    rebuildLanguageList();
}

void TLangManEngine::setLangFileExtension(const QString &extension)
{
    m_data.settings.extension = extension.startsWith(QLatin1Char('.')) ? extension : QLatin1Char('.') + extension;
    rebuildLanguageList();
}

void TLangManEngine::setLangFileSignature(const QString &signature)
{
    m_data.settings.signature = signature;
    rebuildLanguageList();
}

void TLangManEngine::Loaded()
{
    m_loaded = true;
    rebuildLanguageList();
}

void TLangManEngine::rebuildLanguageList()
{
    if (!m_loaded)
        return;
    m_data.BuildLanguageList();
    RefreshLanguageControls();
}

void TLangManEngine::setCurrentLanguage(const QString &language)
{
    if (QString::compare(language, CurrentLanguage(), Qt::CaseInsensitive) == 0)
        return;
    if (!CurrentLanguageISO().isEmpty() && QString::compare(language, CurrentLanguageISO(), Qt::CaseInsensitive) == 0)
        return;
    Translate(language);
}

bool TLangManEngine::isDesignLanguage(const QString &ISOorLangName) const
{
    return QString::compare(ISOorLangName, DesignLanguageName(), Qt::CaseInsensitive) == 0
           || (!DesignLangISOCode().isEmpty()
               && QString::compare(ISOorLangName, DesignLangISOCode(), Qt::CaseInsensitive) == 0);
}

int TLangManEngine::ResolveLanguageIndex(const QString &ISOorLangName) const
{
    const int byCode = m_data.IndexOfCode(ISOorLangName);
    if (byCode >= 0)
        return byCode;
    return m_data.IndexOfLanguage(ISOorLangName);
}

QString TLangManEngine::Translate(const QString &ISOorLangName)
{
    bool Continue = true;
    if (OnChangeLangQuery)
        OnChangeLangQuery(this, Continue);
    if (!Continue) {
        RefreshLanguageControls();
        return CurrentLanguage();
    }

    InitializeEngine(false);

    const int index = ResolveLanguageIndex(ISOorLangName);
    if (index < 0) {
        RefreshLanguageControls();
        return CurrentLanguage();
    }
    // A failed read leaves the design language current; its texts are then
    // applied and the change is announced all the same.
    m_data.LoadLanguageData(m_data.Languages.at(index));

    // A part may leave the list while being told (a window closing itself).
    const std::vector<TLangManComponent *> components = m_components;
    for (TLangManComponent *component : components) {
        if (std::find(m_components.begin(), m_components.end(), component) == m_components.end())
            continue;
        component->LanguageChanged();
        component->lastLanguage = CurrentLanguage();
    }
    if (OnChangeLanguage)
        OnChangeLanguage(this);
    RefreshLanguageControls();
    return CurrentLanguage();
}

bool TLangManEngine::InitializeEngine(bool switchToDefault)
{
    bool translated = false;
    if (!m_initialized) {
        // Marked first, so look-ups made by the steps below start nothing again.
        m_initialized = true;
        for (TLangManComponent *component : std::vector<TLangManComponent *>(m_components))
            component->Initialize();
        if (switchToDefault && !isDesignLanguage(m_defaultLanguage)) {
            Translate(m_defaultLanguage);
            translated = true;
        }
    } else {
        for (TLangManComponent *component : std::vector<TLangManComponent *>(m_components))
            component->Initialize();
    }
    bringUpToCurrentLanguage();
    return translated;
}

void TLangManEngine::bringUpToCurrentLanguage()
{
    const QString current = CurrentLanguage();
    const bool design = m_data.Current == m_data.designIds();
    for (TLangManComponent *component : std::vector<TLangManComponent *>(m_components)) {
        if (component->lastLanguage == current)
            continue;
        if (design && component->lastLanguage.isEmpty()) {
            component->lastLanguage = current;
            continue;
        }
        component->LanguageChanged();
        component->lastLanguage = current;
    }
}

QString TLangManEngine::TranslateString(const QString &designText, const TDesignedLexicon &lexicon, int index)
{
    if (!m_initialized)
        InitializeEngine(true);
    const QString text = m_data.DataLexicon.item(lexicon.LexiconFullName(), index);
    return text.isEmpty() ? designText : text;
}

QString TLangManEngine::TranslationFor(const QString &lineId)
{
    TFullStructLine *entry = m_data.DataStruct.find(lineId);
    if (!entry || entry->Translation.isEmpty())
        return QString();
    entry->Changeable = qint16(entry->Changeable & ~kOldEntry);
    return entry->Translation;
}

QString TLangManEngine::GetLanguageFile(const QString &ISOorLangName) const
{
    return GetLanguageFile(ResolveLanguageIndex(ISOorLangName));
}

QString TLangManEngine::GetLanguageFile(int languageIndex) const
{
    return m_data.FileNames.value(languageIndex);
}

QString TLangManEngine::GetISOCode(const QString &languageName) const
{
    return GetISOCode(ResolveLanguageIndex(languageName));
}

QString TLangManEngine::GetISOCode(int languageIndex) const
{
    return m_data.LangCodes.value(languageIndex);
}

bool TLangManEngine::LangExists(const QString &ISOorLangName) const
{
    return ResolveLanguageIndex(ISOorLangName) >= 0;
}

QByteArray TLangManEngine::FlagImage(const QString &ISOorLangName) const
{
    return FlagImage(ResolveLanguageIndex(ISOorLangName));
}

QByteArray TLangManEngine::FlagImage(int languageIndex) const
{
    return m_data.Flags.value(languageIndex);
}

void TLangManEngine::RegisterComponent(TLangManComponent *component)
{
    if (!component || std::find(m_components.begin(), m_components.end(), component) != m_components.end())
        return;
    m_components.push_back(component);
    if (m_initialized)
        InitializeEngine(false);
}

void TLangManEngine::UnregisterComponent(TLangManComponent *component)
{
    std::erase(m_components, component);
}

void TLangManEngine::RegisterSelector(TLangSelector *selector)
{
    if (!selector || std::find(m_selectors.begin(), m_selectors.end(), selector) != m_selectors.end())
        return;
    m_selectors.push_back(selector);
    if (m_loaded)
        RefreshLangControl(selector);
}

void TLangManEngine::UnregisterSelector(TLangSelector *selector)
{
    std::erase(m_selectors, selector);
}

void TLangManEngine::RefreshLangControl(TLangSelector *selector) const
{
    selector->RefreshLangControl(m_data.LangMenu, m_data.IndexOfLanguage(CurrentLanguage()));
}

void TLangManEngine::RefreshLanguageControls()
{
    m_data.LangMenu = m_data.Languages;
    for (TLangSelector *selector : std::vector<TLangSelector *>(m_selectors))
        RefreshLangControl(selector);
}

bool TLangManEngine::SaveLanguageFile(const QString &languageName, const QString &superiorName,
                                      const QString &isoCode, const QString &fileName, QString *error) const
{
    const SaveStatus status =
        m_data.SaveLanguageFile(languageName, superiorName, isoCode, fileName, FlagImage(languageName));
    if (error) {
        switch (status) {
        case SaveStatus::Saved:
            error->clear();
            break;
        case SaveStatus::WrongPath:
            *error = LangManMessage(29);
            break;
        case SaveStatus::NothingToWrite:
        case SaveStatus::WriteFailed:
            *error = LangManMessage(30);
            break;
        }
    }
    return status == SaveStatus::Saved;
}

QString TLangManEngine::LangManMessage(int number)
{
    switch (number) {
    case 29:
        return QStringLiteral("Wrong path to language files!");
    case 30:
        return QStringLiteral("The language file could not be written!");
    default:
        return QString();
    }
}

} // namespace i18n
