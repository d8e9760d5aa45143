// lang/eng.lng against the window: it declares English, is laid out as the
// writer lays it out, and translates every text the window captures and every
// lexicon item, with no Russian left and no keys the window does not have.
//
// Run with VORLANT_UPDATE_ENG_LNG=1 to rewrite the file after the window's
// texts changed: translations are kept, keys the window lost are dropped, and
// new keys come in with their Russian text for a translator (the test fails
// until they are English).

#include "english_file.h"

#include "i18n/char_codes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace i18n;

namespace {

const QString kEnglish = QStringLiteral("English");

bool hasCyrillic(const QString &text)
{
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    return cyrillic.match(text).hasMatch();
}

// The file read as the engine reads it.
struct LoadedFile
{
    explicit LoadedFile(const QString &path)
    {
        data.settings.designName = QStringLiteral("Русский");
        data.settings.langsDir = QFileInfo(path).absolutePath();
        data.BuildLanguageList();
        loaded = data.LoadLanguageData(kEnglish);
    }
    TLangCoreData data;
    bool loaded = false;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestEnglishFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void declaresEnglishInTheCanonicalLayout();
    void translatesEveryCapturedText();
    void translatesEveryLexiconItem();
    void connectCaptionMatchesItsLexiconItem();

private:
    WindowTexts m_window;
};

void TestEnglishFile::initTestCase()
{
    m_window = captureWindowTexts();
    QVERIFY(!m_window.properties.empty());
    if (!qEnvironmentVariableIsSet("VORLANT_UPDATE_ENG_LNG"))
        return;

    // Rewrite: keep what is translated, drop what the window lost, add what it gained.
    LoadedFile old(sourceLangFile());
    TLangCoreData out;
    out.settings.langsDir = QFileInfo(sourceLangFile()).absolutePath();
    for (const auto &[key, design] : m_window.properties) {
        TFullStructLine line = design;
        line.Descent = 0;
        line.Changeable = kHasTranslation;
        if (const TFullStructLine *have = old.data.DataStruct.find(key); have && !have->Translation.isEmpty())
            line.Translation = have->Translation;
        out.DataStruct.add(line);
    }
    for (const auto &[name, items] : m_window.lexicons) {
        const int lexicon = out.DataLexicon.ensure(name);
        for (auto it = items.cbegin(); it != items.cend(); ++it) {
            const QString have = old.data.DataLexicon.item(name, it.key());
            out.DataLexicon.setItem(lexicon, quint16(it.key()), have.isEmpty() ? it.value() : have);
        }
    }
    QCOMPARE(out.SaveLanguageFile(kEnglish, QString(), QStringLiteral("en"), sourceLangFile()), SaveStatus::Saved);
    qInfo("rewrote %s", qPrintable(sourceLangFile()));
}

void TestEnglishFile::declaresEnglishInTheCanonicalLayout()
{
    const QByteArray bytes = readAll(sourceLangFile());
    QVERIFY2(bytes.startsWith(QByteArray("\xFF\xFE", 2)), "UTF-16LE with a byte-order mark");
    QCOMPARE(probeLanguageLines(splitLanguageLines(decodeLanguageText(bytes)), u"LANGUAGE_FILE"),
             (TLangIDs{kEnglish, QStringLiteral("en")}));

    // Written again by the writer, the file comes out byte for byte the same.
    LoadedFile file(sourceLangFile());
    QVERIFY(file.loaded);
    QTemporaryDir dir;
    file.data.settings.langsDir = dir.path();
    QCOMPARE(file.data.SaveLanguageFile(kEnglish, QString(), QStringLiteral("en"), QStringLiteral("eng.lng")),
             SaveStatus::Saved);
    QVERIFY2(readAll(dir.filePath(QStringLiteral("eng.lng"))) == bytes,
             "not in the writer's layout: run the test with VORLANT_UPDATE_ENG_LNG=1");
}

void TestEnglishFile::translatesEveryCapturedText()
{
    LoadedFile file(sourceLangFile());
    QVERIFY(file.loaded);
    QStringList missing;
    QStringList russian;
    QStringList unknown;
    for (const auto &[key, design] : m_window.properties) {
        const TFullStructLine *line = file.data.DataStruct.find(key);
        if (!line || line->Translation.isEmpty())
            missing << key;
        else if (hasCyrillic(line->Translation))
            russian << key + QStringLiteral(" = ") + DecodeCharCodes(line->Translation);
    }
    for (const auto &[key, line] : file.data.DataStruct) {
        if (!m_window.properties.contains(key))
            unknown << key;
    }
    QVERIFY2(missing.isEmpty(), qPrintable("keys missing: " + missing.join(", ")));
    QVERIFY2(russian.isEmpty(), qPrintable("still Russian: " + russian.join(", ")));
    QVERIFY2(unknown.isEmpty(), qPrintable("keys the window does not have: " + unknown.join(", ")));
}

void TestEnglishFile::translatesEveryLexiconItem()
{
    LoadedFile file(sourceLangFile());
    QVERIFY(file.loaded);
    QStringList missing;
    for (const auto &[name, items] : m_window.lexicons) {
        for (auto it = items.cbegin(); it != items.cend(); ++it) {
            const QString text = file.data.DataLexicon.item(name, it.key());
            if (text.isEmpty() || hasCyrillic(text))
                missing << QStringLiteral("%1 item %2 (%3)").arg(name).arg(it.key()).arg(it.value());
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable("not in English: " + missing.join(", ")));
}

void TestEnglishFile::connectCaptionMatchesItsLexiconItem()
{
    // The connect button tells its state by comparing its caption with this item.
    LoadedFile file(sourceLangFile());
    const TFullStructLine *caption = file.data.DataStruct.find(LineID("B2", "Form1", 0, ""));
    QVERIFY(caption);
    QCOMPARE(caption->Translation, file.data.DataLexicon.item(QStringLiteral("Form1.Dlang_connect"), 0));
}

QTEST_MAIN(TestEnglishFile)
#include "tst_english_file.moc"
