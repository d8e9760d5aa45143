// Windows-1251 both ways: the one codec of the language files, the settings
// file and the profile files.

#include "i18n/windows_1251.h"

#include <QtTest>

using i18n::decodeWindows1251;
using i18n::encodeWindows1251;

class TestWindows1251 : public QObject
{
    Q_OBJECT

private slots:
    void everyByteRoundTrips();
    void characters_data();
    void characters();
};

void TestWindows1251::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const QString text = decodeWindows1251(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(!text.contains(QChar(0xFFFD)));
    QCOMPARE(QSet<QChar>(text.cbegin(), text.cend()).size(), 256);
    QCOMPARE(encodeWindows1251(text), all);
}

void TestWindows1251::characters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    // Whether the bytes read back as the text; false where the text had "?".
    QTest::addColumn<bool>("readsBack");

    QTest::newRow("ascii") << QStringLiteral("C:\\p.hex1") << QByteArray("C:\\p.hex1") << true;
    QTest::newRow("А Б ю я") << QStringLiteral("АБюя") << QByteArray("\xC0\xC1\xFE\xFF") << true;
    QTest::newRow("Ё ё № €") << QStringLiteral("Ёё№€") << QByteArray("\xA8\xB8\xB9\x88") << true;
    QTest::newRow("Ukrainian Ґ і, no-break space") << QStringLiteral("Ґі\u00A0") << QByteArray("\xA5\xB3\xA0")
                                                   << true;
    QTest::newRow("undefined byte 0x98 is U+0098") << QString(QChar(0x0098)) << QByteArray("\x98") << true;
    QTest::newRow("Greek and a Latin accent") << QStringLiteral("Ωμü") << QByteArray("???") << false;
    QTest::newRow("replacement character") << QString(QChar(0xFFFD)) << QByteArray("?") << false;
    QTest::newRow("emoji: one ? per character") << QStringLiteral("a😀b") << QByteArray("a?b") << false;
    QTest::newRow("lone surrogates: one ? each") << (QString(QChar(0xDC00)) + QChar(0xD83D))
                                                 << QByteArray("??") << false;
}

void TestWindows1251::characters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readsBack);
    QCOMPARE(encodeWindows1251(text), bytes);
    if (readsBack)
        QCOMPARE(decodeWindows1251(bytes), text);
}

QTEST_GUILESS_MAIN(TestWindows1251)
#include "tst_windows_1251.moc"
