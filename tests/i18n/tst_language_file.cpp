// Language files at the level of bytes, lines and fields: encodings, line
// splitting, the fields of a line, codes and the header probe.

#include "i18n/language_file.h"

#include "lang_fixture.h"

#include <QTest>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define VORLANT_HAS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORLANT_HAS_ASAN 1
#endif
#endif
#ifdef VORLANT_HAS_ASAN
// From the sanitizer runtime (its header does not come with every compiler).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void *, std::size_t),
                                                         void (*free_hook)(const volatile void *));
#endif

#include <atomic>

using namespace i18n;

namespace {

// The largest block allocated while `watching` is set (sanitizer builds only).
std::atomic<bool> watching{false};
std::atomic<std::size_t> largestBlock{0};

[[maybe_unused]] void noteAllocation(const volatile void *, std::size_t size)
{
    if (!watching)
        return;
    std::size_t seen = largestBlock;
    while (size > seen && !largestBlock.compare_exchange_weak(seen, size)) {
    }
}

[[maybe_unused]] void noteFree(const volatile void *) {}

} // namespace

class TestLanguageFile : public QObject
{
    Q_OBJECT
private slots:
    void decodesEveryEncoding_data();
    void decodesEveryEncoding();
    void encodingRoundTrip_data();
    void encodingRoundTrip();
    void splitsLines_data();
    void splitsLines();
    void numberPart_data();
    void numberPart();
    void fieldsAndQuotedTexts_data();
    void fieldsAndQuotedTexts();
    void normalizesCodes_data();
    void normalizesCodes();
    void translatableTexts_data();
    void translatableTexts();
    void probe_data();
    void probe();
    void probeReadsTheFlag();
    void probeRefusesWhatIsNoFile();
    void flagLines();
    void smallFileTakesNoBufferOfTheLargestSize();
    void fileOfTheLargestSizeIsReadWhole();
};

void TestLanguageFile::decodesEveryEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString ru = QStringLiteral("Ом μ");
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") + ru.toUtf8() << ru;
    QTest::newRow("UTF-8 without mark") << ru.toUtf8() << ru;
    QTest::newRow("UTF-16LE") << QByteArray("\xFF\xFE\x1E\x04\x3C\x04", 6) << QStringLiteral("Ом");
    QTest::newRow("UTF-16BE") << QByteArray("\xFE\xFF\x04\x1E\x04\x3C", 6) << QStringLiteral("Ом");
    QTest::newRow("UTF-16LE cut in a code unit") << QByteArray("\xFF\xFE\x1E\x04\x3C", 5) << QStringLiteral("О");
    QTest::newRow("only a UTF-16 mark") << QByteArray("\xFF\xFE") << QString();
    QTest::newRow("Windows-1251") << QByteArray("\xCE\xEC \xB5", 4) << QStringLiteral("Ом µ");
    // Valid UTF-8 wins even where Windows-1251 would read it too.
    QTest::newRow("ASCII") << QByteArray("[LANGUAGE_FILE]") << QStringLiteral("[LANGUAGE_FILE]");
    QTest::newRow("bad UTF-8 sequence") << QByteArray("\xC3\x28") << QStringLiteral("Г(");
}

void TestLanguageFile::decodesEveryEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeLanguageText(bytes), text);
}

void TestLanguageFile::encodingRoundTrip_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("Unicode") << int(TLFEncoding::Unicode) << QByteArray("\xFF\xFE[\0", 4);
    QTest::newRow("BigEndianUnicode") << int(TLFEncoding::BigEndianUnicode) << QByteArray("\xFE\xFF\0[", 4);
    QTest::newRow("UTF8") << int(TLFEncoding::UTF8) << QByteArray("\xEF\xBB\xBF[");
    QTest::newRow("ANSI") << int(TLFEncoding::ANSI) << QByteArray("[");
}

void TestLanguageFile::encodingRoundTrip()
{
    QFETCH(int, encoding);
    QFETCH(QByteArray, start);
    const QString text = QStringLiteral("[Регистратор]\r\n0\t\"Ом\"");
    const QByteArray bytes = encodeLanguageText(text, TLFEncoding(encoding));
    QVERIFY(bytes.startsWith(start));
    QCOMPARE(decodeLanguageText(bytes), text);
}

void TestLanguageFile::splitsLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("CR and LF alone") << QStringLiteral("a\rb\nc") << QStringList{"a", "b", "c"};
    QTest::newRow("final break opens no line") << QStringLiteral("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("empty line in the middle") << QStringLiteral("a\r\n\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("LF CR is two breaks") << QStringLiteral("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("trailing empty line kept") << QStringLiteral("a\r\n\r\n") << QStringList{"a", ""};
}

void TestLanguageFile::splitsLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(splitLanguageLines(text), lines);
}

void TestLanguageFile::numberPart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("property") << "33" << true << 33;
    QTest::newRow("negative") << "-5" << true << -5;
    QTest::newRow("plus") << "+7" << true << 7;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
    QTest::newRow("blank") << " 1" << false << 0;
    QTest::newRow("hex") << "0x10" << false << 0;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("too large") << "2147483648" << false << 0;
    QTest::newRow("very long") << QString(1000, QLatin1Char('9')) << false << 0;
}

void TestLanguageFile::numberPart()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<int> parsed = parseNumberPart(text);
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QCOMPARE(*parsed, value);
}

void TestLanguageFile::fieldsAndQuotedTexts_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("component");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "\"Connect\"\t%COMPONENT=B2;\t%OWNER=Form1;" << "B2" << "Connect";
    QTest::newRow("quotes inside the text") << "\"Say \"hi\"\"\t%COMPONENT=B2;" << "B2" << "Say \"hi\"";
    QTest::newRow("one quote only") << "\"half\t%COMPONENT=B2;" << "B2" << "";
    QTest::newRow("no closing semicolon") << "\"x\"\t%COMPONENT=B2" << "" << "x";
    QTest::newRow("key inside the text wins") << "\"%COMPONENT=SB1;\"\t%COMPONENT=B2;" << "SB1" << "%COMPONENT=SB1;";
    QTest::newRow("no quotes") << "%NOTRANS\t%COMPONENT=E2;" << "E2" << "";
}

void TestLanguageFile::fieldsAndQuotedTexts()
{
    QFETCH(QString, value);
    QFETCH(QString, component);
    QFETCH(QString, quoted);
    QCOMPARE(fieldValue(value, langkey::Component), component);
    QCOMPARE(quotedText(value), quoted);
}

void TestLanguageFile::normalizesCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("normal");
    QTest::newRow("design setting") << "ru - Russian" << "ru";
    QTest::newRow("upper case") << "RU" << "ru";
    QTest::newRow("region") << "EN-gb" << "en";
    QTest::newRow("blanks") << "  de  " << "de";
    QTest::newRow("xx") << "xx" << "";
    QTest::newRow("XX") << "XX" << "";
    QTest::newRow("digit") << "x1" << "";
    QTest::newRow("one letter") << "e" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("Cyrillic") << "ру" << "";
}

void TestLanguageFile::normalizesCodes()
{
    QFETCH(QString, code);
    QFETCH(QString, normal);
    QCOMPARE(NormalizeISOCode(code), normal);
}

void TestLanguageFile::translatableTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("translatable");
    QTest::newRow("number") << "10000" << false;
    QTest::newRow("percentage") << "0,2%" << false;
    QTest::newRow("sign") << ">" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letter A") << "A" << true;
    QTest::newRow("Cyrillic") << "выкл." << true;
    QTest::newRow("unit after number") << "0.5с" << true;
}

void TestLanguageFile::translatableTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, translatable);
    QCOMPARE(IsTranslatableText(text), translatable);
}

void TestLanguageFile::probe_data()
{
    const QString sig = QStringLiteral("[LANGUAGE_FILE]");
    const QString header = QStringLiteral("0\t%LANGUAGE_NAME=\"English\"\t%CODE=EN-gb;");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("code");
    QTest::newRow("two lines are too few") << QStringList{sig, header} << "" << "";
    QTest::newRow("an empty third line counts") << QStringList{sig, header, ""} << "English" << "en";
    QTest::newRow("empty line in the middle counts") << QStringList{sig, "", header} << "English" << "en";
    QTest::newRow("signature with blanks") << QStringList{"  [LANGUAGE_FILE]\t", header, ""} << "English" << "en";
    QTest::newRow("other signature") << QStringList{"[LANGUAGE]", header, ""} << "" << "";
    QTest::newRow("header without number part")
        << QStringList{sig, "%LANGUAGE_NAME=\"English\"\t%CODE=en;", ""} << "" << "";
    QTest::newRow("empty name passed over")
        << QStringList{sig, "0\t%LANGUAGE_NAME=\"\"\t%CODE=de;", header} << "English" << "en";
    QTest::newRow("code without semicolon") << QStringList{sig, "0\t%LANGUAGE_NAME=\"English\"\t%CODE=en", ""}
                                            << "English" << "";
    QTest::newRow("code xx") << QStringList{sig, "0\t%LANGUAGE_NAME=\"Nowhere\"\t%CODE=xx;", ""} << "Nowhere" << "";
    QTest::newRow("name with quotes") << QStringList{sig, "0\t%LANGUAGE_NAME=\"My \"own\"\"", ""}
                                      << "My \"own\"" << "";
}

void TestLanguageFile::probe()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, name);
    QFETCH(QString, code);
    const TLangIDs ids = probeLanguageLines(lines, u"LANGUAGE_FILE");
    QCOMPARE(ids.Name, name);
    QCOMPARE(ids.Code, code);
}

void TestLanguageFile::probeReadsTheFlag()
{
    QByteArray picture("BM");
    for (int i = 0; i < 120; ++i)
        picture += char(i * 7);
    QStringList lines = langHeader(QStringLiteral("English"), QStringLiteral("en"));
    lines << QStringLiteral("0\t%LEXICON_STRINGS") << QStringLiteral("0\t%SMART_STRINGS")
          << QStringLiteral("0\t%FLAG_ICON") << encodeFlagLines(picture);
    QByteArray flag;
    QCOMPARE(probeLanguageLines(lines, u"LANGUAGE_FILE", &flag).Name, QStringLiteral("English"));
    QCOMPARE(flag, picture);
}

void TestLanguageFile::probeRefusesWhatIsNoFile()
{
    LangFolder folder;
    QVERIFY(folder.isValid());
    QCOMPARE(ProbeLanguageFile(folder.filePath(QStringLiteral("absent.lng")), u"LANGUAGE_FILE").Name, QString());
    // A folder named like a language file is no file.
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("dir.lng")));
    QCOMPARE(ProbeLanguageFile(folder.filePath(QStringLiteral("dir.lng")), u"LANGUAGE_FILE").Name, QString());
}

void TestLanguageFile::flagLines()
{
    QCOMPARE(encodeFlagLines(QByteArray(50, '\xAB')).size(), 2);
    QCOMPARE(encodeFlagLines(QByteArray(50, '\xAB')).last(), QStringLiteral("1\t"));
    QCOMPARE(encodeFlagLines(QByteArray(51, '\xAB')).last(), QStringLiteral("1\tAB"));
    QCOMPARE(encodeFlagLines(QByteArray("\x0f", 1)).first(), QStringLiteral("0\t0F"));

    QCOMPARE(decodeFlagLine(u"0fA0"), QByteArray("\x0F\xA0"));
    QCOMPARE(decodeFlagLine(u"0fZZ10"), QByteArray("\x0F"));
    QCOMPARE(decodeFlagLine(u"abc"), QByteArray("\xAB"));
    QCOMPARE(decodeFlagLine(QString(1000, QLatin1Char('F'))).size(), 256);
}

// Each file used to be read into a buffer of the largest size (16 MB):
// under the sanitizers that took over a second for a file of a few lines.
void TestLanguageFile::smallFileTakesNoBufferOfTheLargestSize()
{
#ifdef VORLANT_HAS_ASAN
    LangFolder folder;
    QVERIFY(folder.write(QStringLiteral("small.lng"), langHeader(QStringLiteral("English"), QStringLiteral("en"))));
    static const bool hooked = __sanitizer_install_malloc_and_free_hooks(noteAllocation, noteFree) != 0;
    QVERIFY(hooked);
    largestBlock = 0;
    watching = true;
    const std::optional<QStringList> lines = readLanguageLines(folder.filePath(QStringLiteral("small.lng")));
    watching = false;
    QVERIFY(lines);
    QCOMPARE(lines->size(), langHeader(QStringLiteral("English"), QStringLiteral("en")).size());
    QVERIFY2(largestBlock < 1024 * 1024, QByteArray::number(qulonglong(largestBlock.load())));
#else
    QSKIP("allocations are watched through the address sanitizer, which this build lacks");
#endif
}

void TestLanguageFile::fileOfTheLargestSizeIsReadWhole()
{
    LangFolder folder;
    QByteArray bytes = (langHeader(QStringLiteral("English"), QStringLiteral("en")).join(QStringLiteral("\n"))
                        + QStringLiteral("\n"))
                           .toUtf8();
    bytes += QByteArray(kMaxLanguageFileBytes - bytes.size() - 4, 'x') + "last";
    QVERIFY(folder.writeBytes(QStringLiteral("full.lng"), bytes));
    const std::optional<QStringList> lines = readLanguageLines(folder.filePath(QStringLiteral("full.lng")));
    QVERIFY(lines);
    QVERIFY(lines->last().endsWith(QLatin1String("xlast")));

    QVERIFY(folder.writeBytes(QStringLiteral("over.lng"), bytes + "!"));
    QVERIFY(!readLanguageLines(folder.filePath(QStringLiteral("over.lng"))));
}

QTEST_APPLESS_MAIN(TestLanguageFile)
#include "tst_language_file.moc"
