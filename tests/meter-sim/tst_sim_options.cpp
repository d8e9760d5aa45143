// The frame gap option: how it is read and the timing it gives.

#include "meter_model.h"
#include "sim_options.h"
#include "simulator.h"

#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<std::chrono::microseconds>)

class TestSimOptions : public QObject
{
    Q_OBJECT

private slots:
    void frameGapOption_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<std::optional<std::chrono::microseconds>>("gap");

        const std::optional<std::chrono::microseconds> none;
        QTest::newRow("not given") << QStringList{} << true << none;
        QTest::newRow("the link's fastest") << QStringList{"--frame-gap-ms", "13.5"} << true
                                            << std::optional<std::chrono::microseconds>(13500us);
        QTest::newRow("whole milliseconds") << QStringList{"--frame-gap-ms=40"} << true
                                            << std::optional<std::chrono::microseconds>(40ms);
        QTest::newRow("reads would merge") << QStringList{"--frame-gap-ms", "10"} << false << none;
        QTest::newRow("zero") << QStringList{"--frame-gap-ms", "0"} << false << none;
        QTest::newRow("not a number") << QStringList{"--frame-gap-ms", "max"} << false << none;
        QTest::newRow("missing value") << QStringList{"--frame-gap-ms"} << false << none;
    }

    void frameGapOption()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, accepted);
        QFETCH(std::optional<std::chrono::microseconds>, gap);

        metersim::SimOptions options;
        QString message;
        const auto outcome = metersim::parseOptions(QStringList{"meter-sim"} + args, &options, &message);
        QCOMPARE(outcome == metersim::OptionsOutcome::Run, accepted);
        if (accepted)
            QCOMPARE(options.frameGap, gap);
        else
            QVERIFY(message.contains(QLatin1String("frame-gap-ms")));
    }

    void frameGapSetsTheReadingAndWriteTiming_data()
    {
        QTest::addColumn<std::optional<std::chrono::microseconds>>("gap");
        QTest::addColumn<int>("intervalCode");
        QTest::addColumn<std::chrono::microseconds>("reading");
        QTest::addColumn<std::chrono::microseconds>("write");

        const std::optional<std::chrono::microseconds> none;
        QTest::newRow("meter's 0.5 s") << none << 3 << std::chrono::microseconds(500ms)
                                       << std::chrono::microseconds(30ms);
        QTest::newRow("meter's 2 s") << none << 1 << std::chrono::microseconds(2s) << std::chrono::microseconds(30ms);
        QTest::newRow("13.5 ms, whatever the interval")
            << std::optional<std::chrono::microseconds>(13500us) << 1 << std::chrono::microseconds(13500us)
            << std::chrono::microseconds(11ms);
        QTest::newRow("11 ms") << std::optional<std::chrono::microseconds>(11ms) << 2
                               << std::chrono::microseconds(11ms) << std::chrono::microseconds(11ms);
        QTest::newRow("slower than the usual write gap")
            << std::optional<std::chrono::microseconds>(100ms) << 2 << std::chrono::microseconds(100ms)
            << std::chrono::microseconds(30ms);
    }

    void frameGapSetsTheReadingAndWriteTiming()
    {
        QFETCH(std::optional<std::chrono::microseconds>, gap);
        QFETCH(int, intervalCode);
        QFETCH(std::chrono::microseconds, reading);
        QFETCH(std::chrono::microseconds, write);

        metersim::MeterModel meter({});
        // A settings command carries the interval in bits 4..6 of byte 3.
        const std::array<std::uint8_t, 5> command{0x01, 0x24, 0x80, std::uint8_t(0x01 | intervalCode << 4), 0x0A};
        QVERIFY(meter.applyCommand(command));
        QCOMPARE(int(meter.commanded().intervalCode), intervalCode);

        metersim::SimOptions options;
        options.frameGap = gap;
        QCOMPARE(metersim::readingInterval(options, meter), reading);
        QCOMPARE(metersim::writeGap(options), write);
    }
};

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_sim_options.moc"
