// The link's status lines as the window words them, from the design texts.

#include "app/link_status_text.h"

#include "i18n/window_lexicons.h"

#include <QtTest>

class TestLinkStatusText : public QObject
{
    Q_OBJECT

private slots:
    void statusTexts_data();
    void statusTexts();
};

void TestLinkStatusText::statusTexts_data()
{
    QTest::addColumn<DongleLink::Status>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("connecting") << DongleLink::Status::Connecting << QStringLiteral("Подключаемся...");
    QTest::newRow("no connection") << DongleLink::Status::NoConnection << QStringLiteral("NN Нет подключения");
    QTest::newRow("connected") << DongleLink::Status::Connected << QStringLiteral("Подключено");
    QTest::newRow("disconnected") << DongleLink::Status::Disconnected << QStringLiteral("Отключено");
    QTest::newRow("idle answer") << DongleLink::Status::Ok << QStringLiteral("OK");
}

void TestLinkStatusText::statusTexts()
{
    QFETCH(DongleLink::Status, status);
    QFETCH(QString, text);
    const i18n::WindowLexicons lexicons;
    QCOMPARE(app::linkStatusText(status, lexicons.Dlang_connect), text);
}

QTEST_GUILESS_MAIN(TestLinkStatusText)
#include "tst_link_status_text.moc"
