#include "i18n/char_codes.h"

#include <QTest>

using i18n::DecodeCharCodes;
using i18n::EncodeControlChars;

class TestCharCodes : public QObject
{
    Q_OBJECT
private slots:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void roundTripOfControlCharacters();
};

void TestCharCodes::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringLiteral("a'#13''#10'b");
    QTest::newRow("code 1 and 31") << QStringLiteral("\x01x\x1F") << QStringLiteral("'#1'x'#31'");
    QTest::newRow("NUL dropped") << QString(QChar(0)) + QStringLiteral("x") << QStringLiteral("x");
    QTest::newRow("blank and Cyrillic kept") << QStringLiteral(" Ом ") << QStringLiteral(" Ом ");
    QTest::newRow("apostrophes not escaped") << QStringLiteral("'#65'") << QStringLiteral("'#65'");
}

void TestCharCodes::encode()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(EncodeControlChars(text), encoded);
}

void TestCharCodes::decode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("two groups") << QStringLiteral("a'#13''#10'b") << QStringLiteral("a\r\nb");
    QTest::newRow("one group, two numbers") << QStringLiteral("'#13#10'") << QStringLiteral("\r\n");
    QTest::newRow("any character") << QStringLiteral("'#65'") << QStringLiteral("A");
    QTest::newRow("no closing apostrophe") << QStringLiteral("x'#65y") << QStringLiteral("xAy");
    QTest::newRow("blank after apostrophe") << QStringLiteral("' #65'") << QStringLiteral("A");
    QTest::newRow("blanks after numbers") << QStringLiteral("'#65 #66 'z") << QStringLiteral("ABz");
    QTest::newRow("blank after number is part of group") << QStringLiteral("'#65 x") << QStringLiteral("Ax");
    QTest::newRow("plain apostrophe") << QStringLiteral("it's") << QStringLiteral("it's");
    QTest::newRow("hash without digit") << QStringLiteral("'#x'") << QStringLiteral("'#x'");
    QTest::newRow("two blanks is no group") << QStringLiteral("'  #65'") << QStringLiteral("'  #65'");
    QTest::newRow("apostrophe at end") << QStringLiteral("x'") << QStringLiteral("x'");
    QTest::newRow("doubled apostrophe before group") << QStringLiteral("''#65'") << QStringLiteral("'A");
    QTest::newRow("largest code") << QStringLiteral("'#65535'") << QString(QChar(char16_t(0xFFFF)));
    QTest::newRow("too large stays, decoding goes on") << QStringLiteral("'#70000''#66'")
                                                       << QStringLiteral("'#70000'B");
    QTest::newRow("too large number spoils its group") << QStringLiteral("'#65#99999999999999999999'")
                                                       << QStringLiteral("'#65#99999999999999999999'");
    QTest::newRow("empty") << QString() << QString();
}

void TestCharCodes::decode()
{
    QFETCH(QString, text);
    QFETCH(QString, decoded);
    QCOMPARE(DecodeCharCodes(text), decoded);
}

void TestCharCodes::roundTripOfControlCharacters()
{
    QString all;
    for (char16_t c = 1; c < 128; ++c)
        if (c != u'\'')
            all += QChar(c);
    all += QStringLiteral("Гц");
    QCOMPARE(DecodeCharCodes(EncodeControlChars(all)), all);
}

QTEST_APPLESS_MAIN(TestCharCodes)
#include "tst_char_codes.moc"
