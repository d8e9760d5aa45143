#pragma once

#include "i18n/lang_core_data.h"
#include "i18n/lexicon_translator.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace i18n {

class TLangManEngine;

// A part of a window that follows the engine's language: a client that
// re-texts its window's controls. Registered parts are told, in registration
// order, to initialise at the engine's first use and to re-text on every change.
class TLangManComponent
{
public:
    virtual ~TLangManComponent() = default;

    // First use of the engine (a client captures its design texts, once).
    virtual void Initialize() {}
    // The current language changed: apply it, then announce it.
    virtual void LanguageChanged() = 0;
    // The engine is going away; forget it.
    virtual void EngineDestroyed() {}

    // The language this part last showed; empty while it never showed one.
    QString lastLanguage;
};

// A control that lists the languages and shows the current one.
class TLangSelector
{
public:
    virtual ~TLangSelector() = default;
    // Entries become `menu`; `currentIndex` is the current language's position.
    virtual void RefreshLangControl(const QStringList &menu, int currentIndex) = 0;
    // The engine is going away: the entries are cleared.
    virtual void EngineDestroyed() = 0;
};

// The translation engine: knows the languages of the language folder, holds
// the translations of the language in effect, performs a language change and
// announces it. Everything runs on the thread that owns the window.
//
// Until Loaded() the settings are only stored; from then on a change of the
// design language, folder, extension or signature rebuilds the language list.
class TLangManEngine : public LexiconTranslator
{
public:
    // `name` names the engine's own lexicon of messages.
    explicit TLangManEngine(QString name = QStringLiteral("LangMan"));
    ~TLangManEngine() override;
    TLangManEngine(const TLangManEngine &) = delete;
    TLangManEngine &operator=(const TLangManEngine &) = delete;

    // --- settings ---
    QString DesignLangISOCode() const { return m_data.settings.designCode; }
    // A value such as "ru - Russian" also names a design language that still
    // has its automatic name ("Russian").
    void setDesignLangISOCode(const QString &code);
    QString DesignLanguageName() const { return m_data.settings.designName; }
    void setDesignLanguageName(const QString &name);
    QString DefaultLanguage() const { return m_defaultLanguage; }
    // While initialised and showing the old default, switches to the new one.
    void setDefaultLanguage(const QString &language);
    void setLangsDir(const QString &folder);
    QString LangFileExtension() const { return m_data.settings.extension; }
    void setLangFileExtension(const QString &extension);
    void setLangFileSignature(const QString &signature);

    // Loading of the settings has ended: builds the language list.
    void Loaded();

    // --- state ---
    QString CurrentLanguage() const { return m_data.Current.Name; }
    QString CurrentLanguageISO() const { return NormalizeISOCode(m_data.Current.Code); }
    // A value that is neither the current name nor its code starts a change.
    void setCurrentLanguage(const QString &language);
    bool IsInitialized() const { return m_initialized; }

    // --- operations ---
    // Performs a language change to a listed language, by ISO code or by name,
    // and returns the name of the language in effect afterwards.
    QString Translate(const QString &ISOorLangName);
    // First use: every registered part initialises, then (with the switch) the
    // default language is set. True when that called Translate.
    bool InitializeEngine(bool switchToDefault);
    // Lexicons ask here; the first look-up initialises the engine.
    QString TranslateString(const QString &designText, const TDesignedLexicon &lexicon, int index) override;
    // The lexicons that ask here, in the order they were attached.
    const std::vector<TDesignedLexicon *> &Lexicons() const { return attachedLexicons(); }
    // The current language's text for a property key, or an empty text. A hit
    // clears the entry's "old" mark: the property exists after all.
    QString TranslationFor(const QString &lineId);

    // --- the language list ---
    void AssignLanguagesList(QStringList &target) const { target = m_data.Languages; }
    QString GetLanguageFile(const QString &ISOorLangName) const;
    QString GetLanguageFile(int languageIndex) const;
    QString GetISOCode(const QString &languageName) const;
    QString GetISOCode(int languageIndex) const;
    bool LangExists(const QString &ISOorLangName) const;
    QByteArray FlagImage(const QString &ISOorLangName) const;
    QByteArray FlagImage(int languageIndex) const;
    // Position of a language by code first, then by name; -1 if unknown.
    int ResolveLanguageIndex(const QString &ISOorLangName) const;

    // --- registered parts ---
    // A part joining an initialised engine initialises and catches up at once.
    void RegisterComponent(TLangManComponent *component);
    void UnregisterComponent(TLangManComponent *component);
    void RegisterSelector(TLangSelector *selector);
    void UnregisterSelector(TLangSelector *selector);
    void RefreshLangControl(TLangSelector *selector) const;
    void RefreshLanguageControls();

    // Writes the current translations as a language file; false with the
    // reason in `error` (message 29 for a folder that cannot be made).
    bool SaveLanguageFile(const QString &languageName, const QString &superiorName, const QString &isoCode,
                          const QString &fileName, QString *error = nullptr) const;
    // The engine's own message `number` in English.
    static QString LangManMessage(int number);

    QString name() const { return m_name; }
    const TLangCoreData &data() const { return m_data; }

    // Asked before every change with Continue true; false refuses it.
    std::function<void(TLangManEngine *Sender, bool &Continue)> OnChangeLangQuery;
    // Announced after every change.
    std::function<void(TLangManEngine *Sender)> OnChangeLanguage;

private:
    void renameDesignLanguage(const QString &name);
    void rebuildLanguageList();
    void bringUpToCurrentLanguage();
    bool isDesignLanguage(const QString &ISOorLangName) const;

    QString m_name;
    TLangCoreData m_data;
    QString m_defaultLanguage;
    bool m_designNameAutomatic = true;
    bool m_loaded = false;
    bool m_initialized = false;
    std::vector<TLangManComponent *> m_components;
    std::vector<TLangSelector *> m_selectors;
};

} // namespace i18n
