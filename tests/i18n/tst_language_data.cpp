// The language list and reading and writing whole languages: what the
// engine's stores hold after a file was read.

#include "i18n/char_codes.h"
#include "i18n/lang_core_data.h"

#include "lang_fixture.h"

#include <QRandomGenerator>
#include <QTest>

using namespace i18n;

namespace {

const QString kDesign = QStringLiteral("Русский");

TLangCoreData coreFor(const LangFolder &folder)
{
    TLangCoreData data;
    data.settings.designName = kDesign;
    data.settings.designCode = QStringLiteral("ru");
    data.settings.langsDir = folder.path();
    data.BuildLanguageList();
    data.ResetToDesignLanguage();
    return data;
}

QString key(const QString &component, int property, const QString &item = QString())
{
    return LineID(component, QStringLiteral("Form1"), quint16(property), item);
}

const TFullStructLine *entry(const TLangCoreData &data, const QString &component, int property,
                             const QString &item = QString())
{
    return data.DataStruct.find(key(component, property, item));
}

QString translation(const TLangCoreData &data, const QString &component, int property,
                    const QString &item = QString())
{
    const TFullStructLine *e = entry(data, component, property, item);
    return e ? e->Translation : QStringLiteral("<none>");
}

QString item(const TLangCoreData &data, const char *lexicon, int number)
{
    return data.DataLexicon.item(QString::fromLatin1(lexicon), number);
}

} // namespace

class TestLanguageData : public QObject
{
    Q_OBJECT
private slots:
    void listsLanguagesByFileName();
    void designLanguageNameInAFile();
    void readsPropertyLines();
    void mergesRepeatedKeys();
    void readsLexicons();
    void keepsEscapes();
    void superiorLanguages();
    void superiorLoopEnds();
    void fileNamingAnotherLanguage();
    void failedReadsLeaveTheDesignLanguage_data();
    void failedReadsLeaveTheDesignLanguage();
    void readsEveryEncoding_data();
    void readsEveryEncoding();
    void writesAndReadsBack_data();
    void writesAndReadsBack();
    void writesTheCanonicalLayout();
    void writerRefusals();
    void survivesBadFiles();
};

void TestLanguageData::listsLanguagesByFileName()
{
    LangFolder folder;
    QVERIFY(folder.write("b.lng", langHeader("English", "en") << ""));
    QVERIFY(folder.write("a.lng", langHeader("ENGLISH", "gb") << ""));
    QVERIFY(folder.write("c.LNG", langHeader("Deutsch", "de") << ""));
    QVERIFY(folder.write("d.txt", langHeader("Text", "tx") << ""));
    QVERIFY(folder.write("e.lng", langHeader("Two lines")));
    QVERIFY(folder.write("f.lng", {"[LANGUAGE_FILE]", "%LANGUAGE_NAME=\"No number\"", ""}));
    QVERIFY(folder.write(".hidden.lng", langHeader("Hidden") << ""));
    QVERIFY(folder.writeBytes("g.lng", QByteArray()));

    const TLangCoreData data = coreFor(folder);
    QCOMPARE(data.Languages, (QStringList{kDesign, "Hidden", "ENGLISH", "Deutsch"}));
    QCOMPARE(data.LangCodes, (QStringList{"ru", "", "gb", "de"}));
    QCOMPARE(data.FileNames.at(0), kDesign);
    QCOMPARE(data.FileNames.at(2), folder.filePath("a.lng"));
    QCOMPARE(data.EditableLangs, (QStringList{"Hidden", "ENGLISH", "Deutsch"}));
    QCOMPARE(data.LangMenu, data.Languages);
    QCOMPARE(data.IndexOfLanguage(u"english"), 2);
    QCOMPARE(data.IndexOfCode(u"DE"), 3);
    QCOMPARE(data.IndexOfCode(u""), -1);

    TLangCoreData none = coreFor(folder);
    none.settings.langsDir.clear();
    none.BuildLanguageList();
    QCOMPARE(none.Languages, QStringList{kDesign});
}

void TestLanguageData::designLanguageNameInAFile()
{
    LangFolder folder;
    QVERIFY(folder.write("ru.lng", langHeader(kDesign, "ru") << propLine(0, "B2", "\"Из файла\"")));
    TLangCoreData data = coreFor(folder);
    QCOMPARE(data.Languages, (QStringList{kDesign, kDesign}));
    // Either entry is the design language: no file is read.
    QVERIFY(data.LoadLanguageData(kDesign));
    QVERIFY(data.DataStruct.isEmpty());
    QCOMPARE(data.Current, data.designIds());
}

void TestLanguageData::readsPropertyLines()
{
    LangFolder folder;
    QVERIFY(folder.write("en.lng", langHeader("English", "en") << QStringList{
        propLine(0, "B2", "\"Connect\""),
        propLine(0, "SB1", "\"Say \"hi\"\""),
        propLine(0, "SB2", "\"half"),
        propLine(33, "ListBox_freq_RLC", "\"Auto\"", "0"),
        propLine(5, "E2", "%NOTRANS"),
        propLine(0, "SB3", "\"Save as %OLD\""),
        propLine(0, "SB4", "\"%COMPONENT=Wrong;\""),
        propLine(0, "Label1", "\"Old one\"", QString(), "\t%OLD"),
        "x\t\"Not a number\"\t%COMPONENT=Label2;",
        "-1\t\"Negative\"\t%COMPONENT=Label3;",
        "70000\t\"Too large\"\t%COMPONENT=Label9;",
        "0\t\"No component\"\t%OWNER=Form1;",
        "0\t\"\"",
        "0\t%COMPONENT=;\t\"Empty name\"",
        "96\t\"Profiles\"\t%COMPONENT=OpenDialog1;\t%OWNER=Form1;\t%ITEM=[*:hex1];",
        "0\t\"Window\"\t%COMPONENT=Form1;\t%OWNER=;",
    }));
    TLangCoreData data = coreFor(folder);
    QVERIFY(data.LoadLanguageData("English"));
    QCOMPARE(data.Current, (TLangIDs{"English", "en"}));
    QCOMPARE(data.CurrentSuperiorLang, data.designIds());

    QCOMPARE(translation(data, "B2", 0), QStringLiteral("Connect"));
    QCOMPARE(translation(data, "SB1", 0), QStringLiteral("Say \"hi\""));
    QCOMPARE(translation(data, "SB2", 0), QString());
    QCOMPARE(translation(data, "ListBox_freq_RLC", 33, "0"), QStringLiteral("Auto"));
    QCOMPARE(entry(data, "B2", 0)->Changeable, kHasTranslation);
    QCOMPARE(entry(data, "B2", 0)->Descent, qint16(0));
    // "%NOTRANS" without an earlier entry: an entry without a translation.
    QVERIFY(entry(data, "E2", 5));
    QCOMPARE(entry(data, "E2", 5)->Changeable, qint16(0));
    QCOMPARE(translation(data, "E2", 5), QString());
    // Markers are found anywhere in the value, the text included.
    QCOMPARE(entry(data, "SB3", 0)->Changeable, qint16(kHasTranslation | kOldEntry));
    QCOMPARE(translation(data, "Wrong", 0), QStringLiteral("%COMPONENT=Wrong;"));
    QVERIFY(!entry(data, "SB4", 0));
    QCOMPARE(entry(data, "Label1", 0)->Changeable, qint16(kHasTranslation | kOldEntry));
    for (const char *skipped : {"Label2", "Label3", "Label9"})
        QVERIFY2(!entry(data, skipped, 0) && !entry(data, skipped, -1 & 0xFFFF), skipped);
    QCOMPARE(translation(data, "OpenDialog1", 96, "[*:hex1]"), QStringLiteral("Profiles"));
    QCOMPARE(data.DataStruct.find(LineID("Form1", "", 0, ""))->Translation, QStringLiteral("Window"));
    QCOMPARE(data.DataStruct.size(), std::size_t(10));
}

void TestLanguageData::mergesRepeatedKeys()
{
    LangFolder folder;
    QVERIFY(folder.write("en.lng", langHeader("English") << QStringList{
        propLine(0, "B2", "\"First\""),
        propLine(0, "B2", "\"Second\""),
        propLine(0, "B5", "\"Kept\""),
        propLine(0, "B5", "%NOTRANS", QString(), "\t%OLD"),
    }));
    TLangCoreData data = coreFor(folder);
    QVERIFY(data.LoadLanguageData("English"));
    QCOMPARE(translation(data, "B2", 0), QStringLiteral("Second"));
    // A later "%NOTRANS" keeps the text but takes the line's marks.
    QCOMPARE(translation(data, "B5", 0), QStringLiteral("Kept"));
    QCOMPARE(entry(data, "B5", 0)->Changeable, kOldEntry);
}

void TestLanguageData::readsLexicons()
{
    LangFolder folder;
    QVERIFY(folder.write("en.lng", langHeader("Deutsch", "de") << QStringList{
        "0\t\"Before any lexicon\"",
        "0\t%LEXICON_STRINGS",
        lexLine("Form1.D1"),
        "0\t\"Profil\"",
        "1\t\"\"",
        "2\t\"Erst\"",
        "2\t\"Stopp\"",
        "70000\t\"Too large\"",
        "-1\t\"Negative\"",
        "5\t\"x",
        "x\t\"Not a number\"",
        "6\tNo quotes here",
        lexLine("form1.d1"),
        "8\t\"Start\"",
        "0\t%LEXICON_NAME=LangMan;\t%LANGMAN",
        "29\t\"Falscher Pfad\"",
        "0\t%SMART_STRINGS",
        lexLine("Form1.D2"),
        "1\t\"After the section\"",
    }));
    TLangCoreData data = coreFor(folder);
    QVERIFY(data.LoadLanguageData("Deutsch"));
    QCOMPARE(item(data, "Form1.D1", 0), QStringLiteral("Profil"));
    QCOMPARE(item(data, "FORM1.D1", 0), QStringLiteral("Profil"));
    QCOMPARE(item(data, "Form1.D1", 1), QString());
    QCOMPARE(item(data, "Form1.D1", 2), QStringLiteral("Stopp"));
    QCOMPARE(item(data, "Form1.D1", 5), QString());
    QCOMPARE(item(data, "Form1.D1", 6), QString());
    QCOMPARE(item(data, "Form1.D1", 8), QStringLiteral("Start"));
    QCOMPARE(data.DataLexicon.lexicons().size(), std::size_t(2));
    QCOMPARE(data.DataLexicon.lexicons().at(0).items.size(), 3);
    QCOMPARE(item(data, "Form1.D2", 1), QString());
    // German brings the engine's own texts: the file's are dropped.
    QCOMPARE(item(data, "LangMan", 29), QString());

    QVERIFY(folder.write("fr.lng", langHeader("Klingon", "tl") << QStringList{
        "0\t%LEXICON_STRINGS",
        "0\t%LEXICON_NAME=Stored name;\t%LANGMAN",
        "29\t\"Path wrong\"",
    }));
    data.BuildLanguageList();
    QVERIFY(data.LoadLanguageData("Klingon"));
    QCOMPARE(item(data, "LangMan", 29), QStringLiteral("Path wrong"));
}

void TestLanguageData::keepsEscapes()
{
    LangFolder folder;
    QVERIFY(folder.write("en.lng", langHeader("English") << QStringList{
        propLine(0, "B2", "\"Two'#13''#10'lines\""),
        propLine(0, "B5", "\"'#70000'\""),
        propLine(0, "SB1", "\"'x\""),
        propLine(0, "SB2", "\"a\tb\""),
        "0\t%LEXICON_STRINGS",
        lexLine("Form1.D1"),
        "0\t\"'#13''#10'\"",
    }));
    TLangCoreData data = coreFor(folder);
    QVERIFY(data.LoadLanguageData("English"));
    QCOMPARE(DecodeCharCodes(translation(data, "B2", 0)), QStringLiteral("Two\r\nlines"));
    QCOMPARE(DecodeCharCodes(translation(data, "B5", 0)), QStringLiteral("'#70000'"));
    QCOMPARE(DecodeCharCodes(translation(data, "SB1", 0)), QStringLiteral("'x"));
    // A raw TAB inside a text is stored in escape form.
    QCOMPARE(translation(data, "SB2", 0), QStringLiteral("a'#9'b"));
    QCOMPARE(DecodeCharCodes(item(data, "Form1.D1", 0)), QStringLiteral("\r\n"));
}

void TestLanguageData::superiorLanguages()
{
    LangFolder folder;
    QVERIFY(folder.write("1.lng", langHeader("Child", "ch", "Parent") << QStringList{
        propLine(0, "B2", "\"Child B2\""),
        propLine(0, "B5", "%NOTRANS"),
        "0\t%LEXICON_STRINGS",
        lexLine("Form1.D1"),
        "1\t\"Child item 1\"",
    }));
    QVERIFY(folder.write("2.lng", langHeader("Parent", "pa", "Grandparent") << QStringList{
        propLine(0, "B2", "\"Parent B2\""),
        propLine(0, "B5", "\"Parent B5\""),
        propLine(0, "SB1", "\"Parent SB1\""),
        "0\t%LEXICON_STRINGS",
        lexLine("Form1.D1"),
        "0\t\"Parent item 0\"",
        "1\t\"Parent item 1\"",
    }));
    QVERIFY(folder.write("3.lng", langHeader("Grandparent", "gp") << QStringList{
        propLine(0, "SB2", "\"Grandparent SB2\""),
        "0\t%LEXICON_STRINGS",
        lexLine("Form1.D2"),
        "3\t\"Grandparent D2\"",
    }));
    TLangCoreData data = coreFor(folder);
    QVERIFY(data.LoadLanguageData("child"));
    QCOMPARE(data.Current, (TLangIDs{"Child", "ch"}));
    QCOMPARE(data.CurrentSuperiorLang, (TLangIDs{"Parent", "pa"}));

    QCOMPARE(translation(data, "B2", 0), QStringLiteral("Child B2"));
    QCOMPARE(entry(data, "B2", 0)->Descent, qint16(0));
    QCOMPARE(translation(data, "B5", 0), QStringLiteral("Parent B5"));
    QCOMPARE(entry(data, "B5", 0)->Descent, qint16(0));
    QCOMPARE(translation(data, "SB1", 0), QStringLiteral("Parent SB1"));
    QCOMPARE(entry(data, "SB1", 0)->Descent, qint16(1));
    QCOMPARE(translation(data, "SB2", 0), QStringLiteral("Grandparent SB2"));
    QCOMPARE(entry(data, "SB2", 0)->Descent, qint16(2));

    QCOMPARE(item(data, "Form1.D1", 0), QStringLiteral("Parent item 0"));
    QCOMPARE(item(data, "Form1.D1", 1), QStringLiteral("Child item 1"));
    QCOMPARE(item(data, "Form1.D2", 3), QStringLiteral("Grandparent D2"));
    const auto &d2 = data.DataLexicon.lexicons().at(std::size_t(data.DataLexicon.indexOf("Form1.D2")));
    QCOMPARE(d2.items.value(3).level, qint16(2));

    // Reading the parent alone forgets the child.
    QVERIFY(data.LoadLanguageData("Parent"));
    QCOMPARE(translation(data, "B2", 0), QStringLiteral("Parent B2"));
    QCOMPARE(item(data, "Form1.D1", 1), QStringLiteral("Parent item 1"));
    QCOMPARE(data.CurrentSuperiorLang, (TLangIDs{"Grandparent", "gp"}));
}

void TestLanguageData::superiorLoopEnds()
{
    LangFolder folder;
    QVERIFY(folder.write("a.lng", langHeader("A", QString(), "B") << propLine(0, "B2", "\"A\"")
                                                                  << propLine(0, "SB1", "\"A only\"")));
    QVERIFY(folder.write("b.lng", langHeader("B", QString(), "a") << propLine(0, "B2", "\"B\"")
                                                                  << propLine(0, "B5", "\"B only\"")));
    QVERIFY(folder.write("self.lng", langHeader("Self", QString(), "Self") << propLine(0, "B2", "\"Self\"")));
    QVERIFY(folder.write("unknown.lng", langHeader("Orphan", QString(), "Nobody") << propLine(0, "B2", "\"O\"")));
    TLangCoreData data = coreFor(folder);

    // A over B over A: B is read with the design language as its superior.
    QVERIFY(data.LoadLanguageData("A"));
    QCOMPARE(translation(data, "B2", 0), QStringLiteral("A"));
    QCOMPARE(translation(data, "B5", 0), QStringLiteral("B only"));
    QCOMPARE(entry(data, "B5", 0)->Descent, qint16(1));
    QCOMPARE(entry(data, "SB1", 0)->Descent, qint16(0));
    QCOMPARE(data.CurrentSuperiorLang.Name, QStringLiteral("B"));

    QVERIFY(data.LoadLanguageData("B"));
    QCOMPARE(translation(data, "B2", 0), QStringLiteral("B"));
    QCOMPARE(entry(data, "SB1", 0)->Descent, qint16(1));

    QVERIFY(data.LoadLanguageData("Self"));
    QCOMPARE(data.CurrentSuperiorLang, data.designIds());
    QVERIFY(data.LoadLanguageData("Orphan"));
    QCOMPARE(data.CurrentSuperiorLang, data.designIds());
    QCOMPARE(data.DataStruct.size(), std::size_t(1));
}

void TestLanguageData::fileNamingAnotherLanguage()
{
    LangFolder folder;
    QVERIFY(folder.write("en.lng", langHeader("English", "en") << propLine(0, "B2", "\"Connect\"")));
    TLangCoreData data = coreFor(folder);
    // Changed after the list was built.
    QVERIFY(folder.write("en.lng", langHeader("Englisch", "de") << propLine(0, "B2", "\"Verbinden\"")));
    QVERIFY(data.LoadLanguageData("English"));
    QCOMPARE(data.Current.Name, QStringLiteral("English"));
    QVERIFY(data.DataStruct.isEmpty());
}

void TestLanguageData::failedReadsLeaveTheDesignLanguage_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("removed");
    const QStringList good = langHeader("English") << propLine(0, "B2", "\"Connect\"");
    QTest::newRow("file gone") << good << true;
    QTest::newRow("other signature") << (QStringList{"[OTHER]"} << good.mid(1)) << false;
    QTest::newRow("empty lexicon name") << (QStringList(good) << "0\t%LEXICON_STRINGS" << "0\t%LEXICON_NAME=;")
                                        << false;
    QTest::newRow("no lines") << QStringList() << false;
}

void TestLanguageData::failedReadsLeaveTheDesignLanguage()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, removed);
    LangFolder folder;
    QVERIFY(folder.write("en.lng", langHeader("English") << propLine(0, "B2", "\"Connect\"")));
    TLangCoreData data = coreFor(folder);
    QVERIFY(data.LoadLanguageData("English"));
    QVERIFY(!data.DataStruct.isEmpty());

    if (removed)
        QVERIFY(QFile::remove(folder.filePath("en.lng")));
    else if (lines.isEmpty())
        QVERIFY(folder.writeBytes("en.lng", QByteArray()));
    else
        QVERIFY(folder.write("en.lng", lines));
    QVERIFY(!data.LoadLanguageData("English"));
    QCOMPARE(data.Current, data.designIds());
    QVERIFY(data.DataStruct.isEmpty());
    QVERIFY(data.DataLexicon.lexicons().empty());
    QVERIFY(!data.LoadLanguageData("Nowhere"));
}

void TestLanguageData::readsEveryEncoding_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("b2");
    QTest::addColumn<QString>("micro");
    QTest::newRow("UTF-16LE") << "english_utf16le.lng" << "English" << "Connect" << "μ";
    QTest::newRow("UTF-16BE") << "english_utf16be.lng" << "English" << "Connect" << "μ";
    QTest::newRow("UTF-8 with mark") << "english_utf8_bom.lng" << "English" << "Connect" << "μ";
    QTest::newRow("UTF-8 without mark") << "english_utf8.lng" << "English" << "Connect" << "μ";
    QTest::newRow("Windows-1251") << "cyrillic_cp1251.lng" << "Русский тест" << "Подключиться" << "мк";
}

void TestLanguageData::readsEveryEncoding()
{
    QFETCH(QString, file);
    QFETCH(QString, language);
    QFETCH(QString, b2);
    QFETCH(QString, micro);
    LangFolder folder;
    QFile fixture(qEnvironmentVariable("VORLANT_SOURCE_DIR") + "/tests/i18n/fixtures/" + file);
    QVERIFY2(fixture.open(QIODevice::ReadOnly), qPrintable(fixture.fileName()));
    QVERIFY(folder.writeBytes(file, fixture.readAll()));

    TLangCoreData data = coreFor(folder);
    QCOMPARE(data.Languages.value(1), language);
    QVERIFY(data.LoadLanguageData(language));
    QCOMPARE(translation(data, "B2", 0), b2);
    QCOMPARE(item(data, "Form1.Dlang1", 3), micro);
    QVERIFY(!item(data, "Form1.D1", 0).isEmpty());
}

namespace {

// Everything a language can hold, for the round trip.
QStringList fullLanguage()
{
    QStringList lines = langHeader("English", "EN - English", "Base");
    lines << propLine(0, "B2", "\"Connect\"") << propLine(5, "E2", "%NOTRANS")
          << propLine(0, "SB3", "\"Save as\"", QString(), "\t%OLD")
          << propLine(33, "CBox1", "\"Ohm\"", "0") << propLine(33, "CBox1", "\"kOhm\"", "1")
          << propLine(0, "Label1", "\"Quote \"x\" and '#13''#10'\"") << "0\t\"Title\"\t%COMPONENT=Form1;\t%OWNER=;"
          << "96\t\"Profiles\"\t%COMPONENT=OpenDialog1;\t%OWNER=Form1;\t%ITEM=[*:hex1];"
          << "0\t%LEXICON_STRINGS" << lexLine("Form1.D1") << "0\t\"Profile\"" << "8\t\"Start\""
          << lexLine("Form1.Dlang1") << "3\t\"μ\"" << "0\t%LEXICON_NAME=LangMan;\t%LANGMAN" << "29\t\"Bad path\""
          << "0\t%SMART_STRINGS";
    return lines;
}

} // namespace

void TestLanguageData::writesAndReadsBack_data()
{
    QTest::addColumn<int>("encoding");
    QTest::newRow("Unicode") << int(TLFEncoding::Unicode);
    QTest::newRow("BigEndianUnicode") << int(TLFEncoding::BigEndianUnicode);
    QTest::newRow("UTF8") << int(TLFEncoding::UTF8);
    QTest::newRow("ANSI") << int(TLFEncoding::ANSI);
}

void TestLanguageData::writesAndReadsBack()
{
    QFETCH(int, encoding);
    LangFolder folder;
    QVERIFY(folder.write("in.lng", fullLanguage()));
    QVERIFY(folder.write("base.lng", langHeader("Base") << propLine(0, "B5", "\"Clear\"")));
    TLangCoreData data = coreFor(folder);
    // Not English: the engine's own texts stay in the file.
    data.settings.internalLexiconName = QStringLiteral("LangMan");
    QVERIFY(data.LoadLanguageData("English"));
    const TLangCoreData before = data;

    data.settings.encoding = TLFEncoding(encoding);
    QByteArray flag("BM");
    flag += QByteArray(100, '\x5A');
    QCOMPARE(data.SaveLanguageFile("Copy", "", "en", "out.lng", flag), SaveStatus::Saved);
    data.BuildLanguageList();
    QCOMPARE(data.Languages.last(), QStringLiteral("Copy"));
    QCOMPARE(data.Flags.last(), flag);
    QVERIFY(data.LoadLanguageData("Copy"));

    QCOMPARE(data.Current, (TLangIDs{"Copy", "en"}));
    QCOMPARE(data.DataStruct.size(), before.DataStruct.size());
    for (const auto &[lineId, line] : before.DataStruct) {
        const TFullStructLine *read = data.DataStruct.find(lineId);
        QVERIFY2(read, qPrintable(lineId));
        if (line.Changeable & kHasTranslation)
            QCOMPARE(read->Translation, line.Translation);
        QCOMPARE(read->Changeable, line.Changeable);
        QCOMPARE(read->Descent, qint16(0));
    }
    // The inherited entry was written as the copy's own.
    QCOMPARE(translation(data, "B5", 0), QStringLiteral("Clear"));
    // Windows-1251 has no μ.
    QCOMPARE(item(data, "Form1.Dlang1", 3),
             encoding == int(TLFEncoding::ANSI) ? QStringLiteral("?") : QStringLiteral("μ"));
    QCOMPARE(item(data, "Form1.D1", 8), QStringLiteral("Start"));
}

void TestLanguageData::writesTheCanonicalLayout()
{
    LangFolder folder;
    QVERIFY(folder.write("in.lng", fullLanguage()));
    QVERIFY(folder.write("base.lng", langHeader("Base") << propLine(0, "B5", "\"Clear\"")));
    TLangCoreData data = coreFor(folder);
    QVERIFY(data.LoadLanguageData("English"));
    QCOMPARE(data.SaveLanguageFile("English", "Base", "en", folder.filePath("out.lng")), SaveStatus::Saved);

    QFile written(folder.filePath("out.lng"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.startsWith(QByteArray("\xFF\xFE[\0L\0", 6)));
    const QString text = decodeLanguageText(bytes);
    QCOMPARE(text, QStringLiteral(
        "[LANGUAGE_FILE]\r\n"
        "0\t%LANGUAGE_NAME=\"English\"\t%CODE=en;\t%SUPERIOR_LANGUAGE=Base;\t%FILEVER=RZNF1;\r\n"
        "0\t\"Connect\"\t%COMPONENT=B2;\t%OWNER=Form1;\r\n"
        "0\t\"Clear\"\t%COMPONENT=B5;\t%OWNER=Form1;\r\n"
        "33\t\"Ohm\"\t%COMPONENT=CBox1;\t%OWNER=Form1;\t%ITEM=0;\r\n"
        "33\t\"kOhm\"\t%COMPONENT=CBox1;\t%OWNER=Form1;\t%ITEM=1;\r\n"
        "5\t%NOTRANS\t%COMPONENT=E2;\t%OWNER=Form1;\r\n"
        "0\t\"Title\"\t%COMPONENT=Form1;\t%OWNER=;\r\n"
        "0\t\"Quote \"x\" and '#13''#10'\"\t%COMPONENT=Label1;\t%OWNER=Form1;\r\n"
        "96\t\"Profiles\"\t%COMPONENT=OpenDialog1;\t%OWNER=Form1;\t%ITEM=[*:hex1];\r\n"
        "0\t\"Save as\"\t%COMPONENT=SB3;\t%OWNER=Form1;\t%OLD\r\n"
        "0\t%LEXICON_STRINGS\r\n"
        "0\t%LEXICON_NAME=Form1.D1;\r\n"
        "0\t\"Profile\"\r\n"
        "8\t\"Start\"\r\n"
        "0\t%LEXICON_NAME=Form1.Dlang1;\r\n"
        "3\t\"μ\"\r\n"
        "0\t%SMART_STRINGS\r\n"));
}

void TestLanguageData::writerRefusals()
{
    LangFolder folder;
    TLangCoreData data = coreFor(folder);
    QCOMPARE(data.SaveLanguageFile("", "", "", "x.lng"), SaveStatus::NothingToWrite);
    QCOMPARE(data.SaveLanguageFile("X", "", "", ""), SaveStatus::NothingToWrite);
    QVERIFY(folder.writeBytes("file", "x"));
    data.settings.langsDir = folder.filePath("file/lang");
    QCOMPARE(data.SaveLanguageFile("X", "", "", "x.lng"), SaveStatus::WrongPath);
    // A missing folder is made with its parents.
    data.settings.langsDir = folder.filePath("new/lang");
    QCOMPARE(data.SaveLanguageFile("X", "", "", "x.lng"), SaveStatus::Saved);
    QVERIFY(QFile::exists(folder.filePath("new/lang/x.lng")));
}

void TestLanguageData::survivesBadFiles()
{
    LangFolder folder;
    QRandomGenerator random(1234);
    const QStringList good = langHeader("Good", "go", "Loop") << propLine(0, "B2", "\"Connect\"")
                                                             << "0\t%LEXICON_STRINGS" << lexLine("Form1.D1")
                                                             << "0\t\"'#70000'\"";
    const QByteArray goodUtf16 = encodeLanguageText(good.join("\r\n"), TLFEncoding::Unicode);

    for (int i = 0; i < 60; ++i) {
        QByteArray bytes(random.bounded(1, 4000), Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        // Half start like a language file, so the reader gets past the signature.
        if (i % 2)
            bytes.prepend(i % 4 == 1 ? QByteArray("[LANGUAGE_FILE]\r\n0\t%LANGUAGE_NAME=\"R" + QByteArray::number(i)
                                                  + "\"\t%SUPERIOR_LANGUAGE=R" + QByteArray::number(i + 2) + ";\r\n")
                                     : goodUtf16.left(random.bounded(goodUtf16.size())));
        QVERIFY(folder.writeBytes(QString("random%1.lng").arg(i, 2, 10, QLatin1Char('0')), bytes));
    }
    // Every odd cut of a UTF-16 file.
    for (int cut = 3; cut < goodUtf16.size(); cut += 16)
        QVERIFY(folder.writeBytes(QString("cut%1.lng").arg(cut), goodUtf16.left(cut)));
    // One line of a megabyte, and a loop back to this file.
    QVERIFY(folder.write("long.lng", langHeader("Loop", QString(), "Good")
                                         << propLine(0, "B5", '"' + QString(1 << 20, QLatin1Char('x')) + '"')));
    QVERIFY(folder.write("0good.lng", good)); // listed before the cut copies of itself

    TLangCoreData data = coreFor(folder);
    QVERIFY(data.Languages.contains("Good"));
    QVERIFY(data.Languages.contains("Loop"));
    for (const QString &language : QStringList(data.Languages)) {
        data.LoadLanguageData(language);
        // Whatever was read, texts hold no raw control characters.
        for (const auto &[lineId, line] : data.DataStruct) {
            for (const QChar c : line.Translation)
                QVERIFY(c.unicode() >= 32);
        }
    }
    QVERIFY(data.LoadLanguageData("Good"));
    QCOMPARE(translation(data, "B2", 0), QStringLiteral("Connect"));
    QCOMPARE(translation(data, "B5", 0).size(), 1 << 20);
    QCOMPARE(DecodeCharCodes(item(data, "Form1.D1", 0)), QStringLiteral("'#70000'"));
}

QTEST_APPLESS_MAIN(TestLanguageData)
#include "tst_language_data.moc"
