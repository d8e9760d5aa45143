#include "i18n/designed_lexicon.h"
#include "i18n/window_lexicons.h"

#include "map_translator.h"

#include <QTest>

using i18n::TDesignedLexicon;
using i18n::WindowLexicons;

class TestDesignedLexicon : public QObject
{
    Q_OBJECT
private slots:
    void windowLexiconsHaveTheirItems_data();
    void windowLexiconsHaveTheirItems();
    void designTexts_data();
    void designTexts();
    void designTextEscapesAreDecoded();
    void engineTranslatesSomeItems();
    void engineCannotDefineUndefinedItems();
    void fullNames();
};

void TestDesignedLexicon::windowLexiconsHaveTheirItems_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("count");
    const char *names[] = {"Dlang_connect", "Dlang1", "Dlang2", "Dlang3", "D1", "D2", "D3"};
    const int counts[] = {7, 6, 6, 8, 11, 16, 14};
    for (int i = 0; i < 7; ++i)
        QTest::newRow(names[i]) << i << QString::fromLatin1(names[i]) << counts[i];
}

void TestDesignedLexicon::windowLexiconsHaveTheirItems()
{
    QFETCH(int, which);
    QFETCH(QString, name);
    QFETCH(int, count);
    const WindowLexicons lexicons;
    const TDesignedLexicon &lexicon = *lexicons.all()[which];
    QCOMPARE(lexicon.name(), name);
    QCOMPARE(lexicon.count(), count);
}

void TestDesignedLexicon::designTexts_data()
{
    QTest::addColumn<QString>("lexicon");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("connect 2") << "Dlang_connect" << 2 << QStringLiteral("Подключаемся...");
    QTest::newRow("micro") << "Dlang1" << 3 << QStringLiteral("мк");
    QTest::newRow("series short") << "Dlang2" << 2 << QStringLiteral("S");
    QTest::newRow("ohm") << "Dlang3" << 3 << QStringLiteral("Ом");
    QTest::newRow("peak-to-peak") << "Dlang3" << 7 << QStringLiteral("п-п");
    QTest::newRow("start") << "D1" << 8 << QStringLiteral("Пуск");
    QTest::newRow("secondary deviation") << "D2" << 10 << QStringLiteral("Допол.% откл.");
    QTest::newRow("interval") << "D2" << 15 << QStringLiteral("Интервал");
    QTest::newRow("seconds") << "D3" << 5 << QStringLiteral("сек");
    QTest::newRow("empty design text") << "D3" << 6 << QString();
    QTest::newRow("last empty item") << "D3" << 13 << QString();
    QTest::newRow("past the end") << "D3" << 20 << QString();
    QTest::newRow("empty circuit item") << "Dlang2" << 5 << QString();
    QTest::newRow("first column header empty") << "D2" << 0 << QString();
    QTest::newRow("negative index") << "D1" << -1 << QString();
}

void TestDesignedLexicon::designTexts()
{
    QFETCH(QString, lexicon);
    QFETCH(int, index);
    QFETCH(QString, text);
    const WindowLexicons lexicons;
    for (const TDesignedLexicon *l : lexicons.all()) {
        if (l->name() == lexicon) {
            QCOMPARE(l->GetItem(index), text);
            QCOMPARE(l->IsDefined(index), !text.isEmpty());
            return;
        }
    }
    QFAIL("no such lexicon");
}

void TestDesignedLexicon::designTextEscapesAreDecoded()
{
    const TDesignedLexicon lexicon(QStringLiteral("L"), QStringLiteral("Form1"),
                                   {QStringLiteral("a'#13''#10'b")});
    QCOMPARE(lexicon.GetItem(0), QStringLiteral("a\r\nb"));
    QCOMPARE(lexicon.GetLocStr(0), QStringLiteral("a'#13''#10'b"));
}

void TestDesignedLexicon::engineTranslatesSomeItems()
{
    WindowLexicons lexicons;
    MapTranslator english;
    english.set(QStringLiteral("Form1.D2"), 1, QStringLiteral("Position"));
    english.set(QStringLiteral("Form1.D2"), 2, QStringLiteral("Ti'#10'me"));
    lexicons.attachEngine(&english);

    QCOMPARE(lexicons.D2.GetItem(1), QStringLiteral("Position"));
    QCOMPARE(lexicons.D2.GetItem(2), QStringLiteral("Ti\nme"));
    QCOMPARE(lexicons.D2.GetItem(3), QStringLiteral("Основной"));
    QCOMPARE(english.asked.last(), QStringLiteral("Form1.D2"));

    lexicons.attachEngine(nullptr);
    QCOMPARE(lexicons.D2.GetItem(1), QStringLiteral("Позиция"));
}

void TestDesignedLexicon::engineCannotDefineUndefinedItems()
{
    WindowLexicons lexicons;
    MapTranslator english;
    english.set(QStringLiteral("Form1.D3"), 6, QStringLiteral("six"));
    english.set(QStringLiteral("Form1.D3"), 20, QStringLiteral("twenty"));
    lexicons.attachEngine(&english);
    QCOMPARE(lexicons.D3.GetItem(6), QString());
    QCOMPARE(lexicons.D3.GetItem(20), QString());
    QVERIFY(english.asked.isEmpty());
}

void TestDesignedLexicon::fullNames()
{
    const WindowLexicons lexicons;
    QCOMPARE(lexicons.Dlang_connect.LexiconFullName(), QStringLiteral("Form1.Dlang_connect"));
    const TDesignedLexicon unnamed(QString(), QStringLiteral("Form1"), {});
    QCOMPARE(unnamed.LexiconFullName(), QStringLiteral("Form1"));
}

QTEST_APPLESS_MAIN(TestDesignedLexicon)
#include "tst_designed_lexicon.moc"
