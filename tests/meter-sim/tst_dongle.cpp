#include "dongle.h"

#include <QTest>

using metersim::Clock;
using metersim::ConnectFailure;
using metersim::Dongle;
using metersim::DongleConfig;

Q_DECLARE_METATYPE(ConnectFailure)

class TestDongle : public QObject
{
    Q_OBJECT

private slots:
    // Steps: "AT", "CONNL", or "END" (the pending attempt's deadline passes).
    // Each step's reply is listed ("-" for none); the last column is the link.
    void replies_data()
    {
        QTest::addColumn<ConnectFailure>("failure");
        QTest::addColumn<int>("failCount");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<bool>("linked");
        const auto none = ConnectFailure::None;

        QTest::newRow("AT without link") << none << 0 << QStringList{"AT"} << QStringList{"OK"} << false;
        QTest::newRow("connect") << none << 0 << QStringList{"CONNL", "END"}
                                 << QStringList{"OK+CONNL", "OK+CONN\r\n"} << true;
        QTest::newRow("AT drops the link") << none << 0 << QStringList{"CONNL", "END", "AT", "AT"}
                                           << QStringList{"OK+CONNL", "OK+CONN\r\n", "OK+LOST", "OK"} << false;
        QTest::newRow("request while linked ignored") << none << 0 << QStringList{"CONNL", "END", "CONNL"}
                                                      << QStringList{"OK+CONNL", "OK+CONN\r\n", "-"} << true;
        QTest::newRow("request while connecting ignored") << none << 0 << QStringList{"CONNL", "CONNL", "END"}
                                                          << QStringList{"OK+CONNL", "-", "OK+CONN\r\n"} << true;
        QTest::newRow("AT cancels an attempt") << none << 0 << QStringList{"CONNL", "AT", "END"}
                                               << QStringList{"OK+CONNL", "OK", "-"} << false;
        QTest::newRow("not found") << ConnectFailure::NotFound << 0 << QStringList{"CONNL", "END", "CONNL", "END"}
                                   << QStringList{"OK+CONNL", "OK+CONNF", "OK+CONNL", "OK+CONNF"} << false;
        QTest::newRow("error") << ConnectFailure::Error << 0 << QStringList{"CONNL", "END"}
                               << QStringList{"OK+CONNE", "-"} << false;
        QTest::newRow("no address") << ConnectFailure::NoAddress << 0 << QStringList{"CONNL", "AT"}
                                    << QStringList{"OK+CONNN", "OK"} << false;
        QTest::newRow("first attempt fails only") << ConnectFailure::NoAddress << 1
                                                  << QStringList{"CONNL", "CONNL", "END"}
                                                  << QStringList{"OK+CONNN", "OK+CONNL", "OK+CONN\r\n"} << true;
    }

    void replies()
    {
        QFETCH(ConnectFailure, failure);
        QFETCH(int, failCount);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, replies);
        QFETCH(bool, linked);

        DongleConfig config;
        config.connectDelay = std::chrono::milliseconds(300);
        config.failure = failure;
        config.failCount = failCount;
        Dongle dongle(config);
        Clock::time_point now{};
        QStringList got;
        for (const QString &step : steps) {
            now += std::chrono::milliseconds(10);
            QByteArray reply;
            if (step == QLatin1String("AT")) {
                reply = dongle.onAt();
            } else if (step == QLatin1String("CONNL")) {
                reply = dongle.onConnectRequest(now);
                if (reply == "OK+CONNL")
                    QCOMPARE(dongle.deadline(), std::optional(now + config.connectDelay));
            } else {
                if (const auto d = dongle.deadline())
                    now = *d;
                reply = dongle.onDeadline();
            }
            got << (reply.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(reply));
        }
        QCOMPARE(got, replies);
        QCOMPARE(dongle.linked(), linked);
    }

    void unplugForgetsEverything()
    {
        Dongle dongle;
        dongle.onConnectRequest(Clock::time_point{});
        dongle.onDeadline();
        QVERIFY(dongle.linked());
        dongle.unplug();
        QVERIFY(!dongle.linked());
        QVERIFY(!dongle.deadline());
        QCOMPARE(dongle.onAt(), QByteArray("OK"));
    }
};

QTEST_APPLESS_MAIN(TestDongle)
#include "tst_dongle.moc"
