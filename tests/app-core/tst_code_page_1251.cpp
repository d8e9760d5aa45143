// Windows-1251 both ways.

#include "app/code_page_1251.h"

#include <QtTest>

class TestCodePage1251 : public QObject
{
    Q_OBJECT

private slots:
    void everyDefinedByteRoundTrips();
    void characters_data();
    void characters();
};

void TestCodePage1251::everyDefinedByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        if (b != 0x98)
            all.append(char(b));
    }
    const QString text = app::fromWindows1251(all);
    QCOMPARE(text.size(), all.size());
    QVERIFY(!text.contains(QChar(0xFFFD)));
    QCOMPARE(app::toWindows1251(text), all);
    QCOMPARE(app::fromWindows1251(QByteArray("\x98", 1)), QString(QChar(0xFFFD)));
}

void TestCodePage1251::characters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ascii") << QStringLiteral("C:\\p.hex1") << QByteArray("C:\\p.hex1");
    QTest::newRow("А and я") << QStringLiteral("Ая") << QByteArray("\xC0\xFF");
    QTest::newRow("Ё ё № €") << QStringLiteral("Ёё№€") << QByteArray("\xA8\xB8\xB9\x88");
    QTest::newRow("Ukrainian Ґ і") << QStringLiteral("Ґі") << QByteArray("\xA5\xB3");
    QTest::newRow("Latin accent") << QStringLiteral("ü") << QByteArray("?");
    QTest::newRow("replacement character") << QString(QChar(0xFFFD)) << QByteArray("?");
    QTest::newRow("emoji: one ? per UTF-16 unit") << QStringLiteral("😀") << QByteArray("??");
}

void TestCodePage1251::characters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(app::toWindows1251(text), bytes);
    if (!bytes.contains('?'))
        QCOMPARE(app::fromWindows1251(bytes), text);
}

QTEST_GUILESS_MAIN(TestCodePage1251)
#include "tst_code_page_1251.moc"
