// The translation engine without a window: language changes, their order of
// announcements, first use by a lexicon look-up and the settings' effects.

#include "i18n/lang_man_engine.h"
#include "i18n/window_lexicons.h"

#include "lang_fixture.h"

#include <QTest>

using namespace i18n;

namespace {

// Writes down what the engine tells it, into a log shared with the test. It
// initialises once, as a client captures once, and leaves the engine when it goes.
struct Recorder : TLangManComponent, TLangSelector
{
    Recorder(QString name, QStringList &log)
        : name(std::move(name))
        , log(log)
    {
    }
    ~Recorder() override
    {
        if (engine) {
            engine->UnregisterComponent(this);
            engine->UnregisterSelector(this);
        }
    }
    void joinAsComponent(TLangManEngine *e)
    {
        engine = e;
        engine->RegisterComponent(this);
    }
    void joinAsSelector(TLangManEngine *e)
    {
        engine = e;
        engine->RegisterSelector(this);
    }
    void Initialize() override
    {
        if (!initialized)
            log << name + ":init";
        initialized = true;
    }
    void LanguageChanged() override { log << name + ":changed"; }
    void RefreshLangControl(const QStringList &menu, int currentIndex) override
    {
        entries = menu;
        index = currentIndex;
        log << name + ":refill";
    }
    void EngineDestroyed() override { engine = nullptr; }

    QString name;
    QStringList &log;
    QStringList entries;
    int index = -2;
    bool initialized = false;
    TLangManEngine *engine = nullptr;
};

} // namespace

class TestLangManEngine : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void listsTheFolder();
    void translatesByCodeOrName();
    void announcesInOrder();
    void unknownOrRefusedChangesNothing();
    void unreadableFileShowsTheDesignLanguage();
    void firstLookUpSwitchesToTheDefault();
    void firstLookUpWithoutTheDefaultLanguage();
    void lexiconItemsFollowTheLanguage();
    void lateComponentCatchesUp();
    void lexiconsOutliveTheirEngine();
    void defaultLanguageSetting();
    void designLanguageNaming();
    void saveReportsAWrongFolder();

private:
    std::unique_ptr<LangFolder> m_folder;
    std::unique_ptr<TLangManEngine> m_engine;
    QStringList m_log;
};

void TestLangManEngine::init()
{
    m_log.clear();
    m_folder = std::make_unique<LangFolder>();
    QVERIFY(m_folder->write("eng.lng", langHeader("English", "en") << QStringList{
        propLine(0, "B2", "\"Connect\""),
        "0\t%LEXICON_STRINGS",
        lexLine("Form1.D2"),
        "1\t\"Position\"",
        "6\t\"Six\"",
        lexLine("Form1.D3"),
        "6\t\"Not shown\"",
        "20\t\"Past the end\"",
        lexLine("Form1.Dlang1"),
        "3\t\"μ\"",
    }));
    QVERIFY(m_folder->write("deu.lng", langHeader("Deutsch", "de") << propLine(0, "B2", "\"Verbinden\"")));

    m_engine = std::make_unique<TLangManEngine>();
    m_engine->setDesignLangISOCode(QStringLiteral("ru - Russian"));
    m_engine->setDesignLanguageName(QStringLiteral("Русский"));
    m_engine->setDefaultLanguage(QStringLiteral("English"));
    m_engine->setLangsDir(m_folder->path());
    m_engine->Loaded();
    m_engine->OnChangeLangQuery = [this](TLangManEngine *, bool &) { m_log << "query"; };
    m_engine->OnChangeLanguage = [this](TLangManEngine *sender) { m_log << "language:" + sender->CurrentLanguage(); };
}

void TestLangManEngine::cleanup()
{
    m_engine.reset();
    m_folder.reset();
}

void TestLangManEngine::listsTheFolder()
{
    QStringList languages;
    m_engine->AssignLanguagesList(languages);
    QCOMPARE(languages, (QStringList{"Русский", "Deutsch", "English"}));
    QCOMPARE(m_engine->GetISOCode(QStringLiteral("English")), QStringLiteral("en"));
    QCOMPARE(m_engine->GetISOCode(0), QStringLiteral("ru"));
    QCOMPARE(m_engine->GetLanguageFile(QStringLiteral("de")), m_folder->filePath("deu.lng"));
    QVERIFY(m_engine->LangExists(QStringLiteral("EN")));
    QVERIFY(!m_engine->LangExists(QStringLiteral("Klingon")));
    QCOMPARE(m_engine->CurrentLanguage(), QStringLiteral("Русский"));
    QCOMPARE(m_engine->CurrentLanguageISO(), QStringLiteral("ru"));
}

void TestLangManEngine::translatesByCodeOrName()
{
    QCOMPARE(m_engine->Translate(QStringLiteral("en")), QStringLiteral("English"));
    QCOMPARE(m_engine->TranslationFor(LineID("B2", "Form1", 0, "")), QStringLiteral("Connect"));
    QCOMPARE(m_engine->Translate(QStringLiteral("deutsch")), QStringLiteral("Deutsch"));
    QCOMPARE(m_engine->TranslationFor(LineID("B2", "Form1", 0, "")), QStringLiteral("Verbinden"));
    QCOMPARE(m_engine->Translate(QStringLiteral("ru")), QStringLiteral("Русский"));
    QCOMPARE(m_engine->TranslationFor(LineID("B2", "Form1", 0, "")), QString());
    QVERIFY(m_engine->data().DataStruct.isEmpty());
}

void TestLangManEngine::announcesInOrder()
{
    Recorder client(QStringLiteral("client"), m_log);
    Recorder selector(QStringLiteral("selector"), m_log);
    client.joinAsComponent(m_engine.get());
    selector.joinAsSelector(m_engine.get());
    QCOMPARE(selector.entries, (QStringList{"Русский", "Deutsch", "English"}));
    QCOMPARE(selector.index, 0);
    m_log.clear();

    m_engine->Translate(QStringLiteral("English"));
    QCOMPARE(m_log, (QStringList{"query", "client:init", "client:changed", "language:English", "selector:refill"}));
    QCOMPARE(selector.index, 2);
    QCOMPARE(client.lastLanguage, QStringLiteral("English"));

    m_log.clear();
    m_engine->Translate(QStringLiteral("English"));
    QCOMPARE(m_log, (QStringList{"query", "client:changed", "language:English", "selector:refill"}));

}

void TestLangManEngine::unknownOrRefusedChangesNothing()
{
    Recorder selector(QStringLiteral("selector"), m_log);
    selector.joinAsSelector(m_engine.get());
    m_engine->Translate(QStringLiteral("English"));
    m_log.clear();

    QCOMPARE(m_engine->Translate(QStringLiteral("Klingon")), QStringLiteral("English"));
    QCOMPARE(m_log, (QStringList{"query", "selector:refill"}));
    QCOMPARE(selector.index, 2);

    m_log.clear();
    m_engine->OnChangeLangQuery = [this](TLangManEngine *, bool &Continue) {
        m_log << "refused";
        Continue = false;
    };
    QCOMPARE(m_engine->Translate(QStringLiteral("Deutsch")), QStringLiteral("English"));
    QCOMPARE(m_log, (QStringList{"refused", "selector:refill"}));
    QCOMPARE(m_engine->TranslationFor(LineID("B2", "Form1", 0, "")), QStringLiteral("Connect"));
}

void TestLangManEngine::unreadableFileShowsTheDesignLanguage()
{
    Recorder client(QStringLiteral("client"), m_log);
    client.joinAsComponent(m_engine.get());
    QVERIFY(m_folder->write("eng.lng", {"[SOMETHING ELSE]", "", ""}));
    m_log.clear();
    QCOMPARE(m_engine->Translate(QStringLiteral("English")), QStringLiteral("Русский"));
    QCOMPARE(m_log, (QStringList{"query", "client:init", "client:changed", "language:Русский"}));
}

void TestLangManEngine::firstLookUpSwitchesToTheDefault()
{
    WindowLexicons lexicons;
    lexicons.attachEngine(m_engine.get());
    Recorder client(QStringLiteral("client"), m_log);
    client.joinAsComponent(m_engine.get());
    QStringList seenByHandler;
    m_engine->OnChangeLanguage = [&](TLangManEngine *) {
        // Look-ups inside the change read the new language and start nothing.
        seenByHandler << lexicons.D2.GetItem(1) << lexicons.D2.GetItem(2);
        m_log << "changed";
    };
    QVERIFY(!m_engine->IsInitialized());

    QCOMPARE(lexicons.D2.GetItem(1), QStringLiteral("Position"));
    QVERIFY(m_engine->IsInitialized());
    QCOMPARE(m_log, (QStringList{"client:init", "query", "client:changed", "changed"}));
    QCOMPARE(seenByHandler, (QStringList{"Position", "Время"}));

    m_log.clear();
    QCOMPARE(lexicons.D2.GetItem(1), QStringLiteral("Position"));
    QVERIFY(!m_engine->InitializeEngine(true));
    QVERIFY(m_log.isEmpty());
    lexicons.attachEngine(nullptr);
}

void TestLangManEngine::firstLookUpWithoutTheDefaultLanguage()
{
    QVERIFY(QFile::remove(m_folder->filePath("eng.lng")));
    m_engine->setLangsDir(m_folder->path());
    WindowLexicons lexicons;
    lexicons.attachEngine(m_engine.get());
    Recorder client(QStringLiteral("client"), m_log);
    client.joinAsComponent(m_engine.get());

    QCOMPARE(lexicons.D2.GetItem(1), QStringLiteral("Позиция"));
    // The query is asked; no change is announced and nothing is re-texted.
    QCOMPARE(m_log, (QStringList{"client:init", "query"}));
    QCOMPARE(client.lastLanguage, QStringLiteral("Русский"));
    lexicons.attachEngine(nullptr);
}

void TestLangManEngine::lexiconItemsFollowTheLanguage()
{
    WindowLexicons lexicons;
    lexicons.attachEngine(m_engine.get());
    m_engine->Translate(QStringLiteral("English"));
    QCOMPARE(lexicons.D2.GetItem(1), QStringLiteral("Position"));
    QCOMPARE(lexicons.D2.GetItem(3), QStringLiteral("Основной"));
    QCOMPARE(lexicons.D2.GetItem(0), QString());
    QCOMPARE(lexicons.D3.GetItem(6), QString());
    QCOMPARE(lexicons.D3.GetItem(20), QString());
    QCOMPARE(lexicons.Dlang1.GetItem(3), QStringLiteral("μ"));
    m_engine->Translate(QStringLiteral("ru"));
    QCOMPARE(lexicons.Dlang1.GetItem(3), QStringLiteral("мк"));
    lexicons.attachEngine(nullptr);
}

void TestLangManEngine::lateComponentCatchesUp()
{
    m_engine->Translate(QStringLiteral("English"));
    m_log.clear();
    Recorder late(QStringLiteral("late"), m_log);
    late.joinAsComponent(m_engine.get());
    QCOMPARE(m_log, (QStringList{"late:init", "late:changed"}));
    QCOMPARE(late.lastLanguage, QStringLiteral("English"));
}

void TestLangManEngine::lexiconsOutliveTheirEngine()
{
    WindowLexicons lexicons;
    lexicons.attachEngine(m_engine.get());
    QCOMPARE(m_engine->Lexicons().size(), std::size_t(7));
    {
        // A copy asks the same engine; gone, it no longer does.
        const TDesignedLexicon copy = lexicons.D2;
        QCOMPARE(m_engine->Lexicons().size(), std::size_t(8));
        QCOMPARE(copy.GetItem(1), QStringLiteral("Position"));
    }
    QCOMPARE(m_engine->Lexicons().size(), std::size_t(7));
    QCOMPARE(m_engine->Lexicons().front(), &lexicons.Dlang_connect);

    m_engine.reset();
    QCOMPARE(lexicons.D2.LangManEngine(), nullptr);
    QCOMPARE(lexicons.D2.GetItem(1), QStringLiteral("Позиция"));
}

void TestLangManEngine::defaultLanguageSetting()
{
    // The same value again: nothing happens, not even a first use.
    m_engine->setDefaultLanguage(QStringLiteral("English"));
    QVERIFY(!m_engine->IsInitialized());
    QVERIFY(m_log.isEmpty());

    m_engine->InitializeEngine(true);
    QCOMPARE(m_engine->CurrentLanguage(), QStringLiteral("English"));
    m_engine->setDefaultLanguage(QStringLiteral("de"));
    QCOMPARE(m_engine->CurrentLanguage(), QStringLiteral("Deutsch"));
    // Not showing the old default: only stored.
    m_engine->Translate(QStringLiteral("English"));
    m_engine->setDefaultLanguage(QStringLiteral("Русский"));
    QCOMPARE(m_engine->CurrentLanguage(), QStringLiteral("English"));
    QCOMPARE(m_engine->DefaultLanguage(), QStringLiteral("Русский"));

    m_engine->setCurrentLanguage(QStringLiteral("en"));
    QCOMPARE(m_log.count("query"), 3);
    m_engine->setCurrentLanguage(QStringLiteral("ru"));
    QCOMPARE(m_engine->CurrentLanguage(), QStringLiteral("Русский"));
}

void TestLangManEngine::designLanguageNaming()
{
    TLangManEngine engine;
    QCOMPARE(engine.DesignLanguageName(), QStringLiteral("Design language"));
    QCOMPARE(engine.DefaultLanguage(), QStringLiteral("Design language"));
    engine.setDesignLangISOCode(QStringLiteral("ru - Russian"));
    QCOMPARE(engine.DesignLanguageName(), QStringLiteral("Russian"));
    QCOMPARE(engine.DesignLangISOCode(), QStringLiteral("ru"));
    QCOMPARE(engine.CurrentLanguage(), QStringLiteral("Russian"));
    QCOMPARE(engine.DefaultLanguage(), QStringLiteral("Russian"));
    engine.setDesignLanguageName(QStringLiteral("Русский"));
    QCOMPARE(engine.CurrentLanguage(), QStringLiteral("Русский"));
    engine.setDesignLangISOCode(QStringLiteral("uk - Ukrainian"));
    QCOMPARE(engine.DesignLanguageName(), QStringLiteral("Русский"));
    engine.Loaded();
    QCOMPARE(engine.data().Languages, QStringList{"Русский"});
    engine.setLangFileExtension(QStringLiteral("txt"));
    QCOMPARE(engine.LangFileExtension(), QStringLiteral(".txt"));
}

void TestLangManEngine::saveReportsAWrongFolder()
{
    QVERIFY(m_folder->writeBytes("plain", "x"));
    m_engine->setLangsDir(m_folder->filePath("plain/lang"));
    QString error;
    QVERIFY(!m_engine->SaveLanguageFile("English", "", "en", "eng.lng", &error));
    QCOMPARE(error, QStringLiteral("Wrong path to language files!"));
}

QTEST_APPLESS_MAIN(TestLangManEngine)
#include "tst_lang_man_engine.moc"
