#include "remote/scpi_session.h"

#include "fake_meter.h"

#include "sorting/bin_rule.h"

#include <QSignalSpy>
#include <QTest>

using namespace remote;

namespace {

struct Run
{
    FakeMeter meter;
    ScpiIdentity identity;
    ScpiSession session{meter.access, identity};
    QByteArrayList answers;

    Run() { QObject::connect(&session, &ScpiSession::answerReady, [this](const QByteArray &a) { answers << a; }); }

    QList<int> errors() const
    {
        ScpiStatus copy = session.status();
        QList<int> codes;
        while (copy.count() > 0)
            codes << int(copy.next().error);
        return codes;
    }
};

QByteArray idn()
{
    return "Vorlant,LCR meter,0," + scpiProgramVersion().toUtf8() + '\n';
}

} // namespace

class TestScpiCommands : public QObject
{
    Q_OBJECT

private slots:
    void messages_data();
    void messages();
    void queueKeepsTwentyAndSaysItOverflowed();
    void readWaitsForAFreshReading();
    void readEnds_data();
    void readEnds();
    void fetchGivesTheLatestReading_data();
    void fetchGivesTheLatestReading();
    void binOfTheLatestReading();
};

void TestScpiCommands::messages_data()
{
    QTest::addColumn<bool>("linked");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArrayList>("answers");
    QTest::addColumn<QList<int>>("errors");
    QTest::addColumn<QByteArrayList>("sent");

    using L = QByteArrayList;
    using E = QList<int>;
    // The defaults with one change each: byte 1 frequency and flags, 2 parameters, 3 level and circuit.
    QTest::newRow("identity") << true << L{"*IDN?"} << L{idn()} << E{} << L{};
    QTest::newRow("answers joined") << true << L{"*idn?;*OPC?;SYST:ERR?"}
                                    << L{idn().chopped(1) + ";1;0,\"No error\"\n"} << E{} << L{};
    QTest::newRow("no queries, no line") << true << L{"*WAI;*OPC;*CLS"} << L{} << E{} << L{};
    QTest::newRow("undefined header") << true << L{"BOGUS", "SYST:ERR?", "SYST:ERR?"}
                                      << L{"-113,\"Undefined header;BOGUS\"\n", "0,\"No error\"\n"} << E{} << L{};
    QTest::newRow("rest of message dropped after -113") << true << L{"*OPC?;NOPE;*OPC?"} << L{"1\n"} << E{-113} << L{};
    QTest::newRow("setting-only header as query") << true << L{"*RST?", "*WAI?", "FETC"} << L{} << E{-113, -113, -113}
                                                  << L{};
    QTest::newRow("parse error after commands ran") << true << L{"*OPC?;FREQ 1k\x01"} << L{} << E{-102} << L{};
    QTest::newRow("parse error queued after earlier errors") << true << L{"FREQ 12k;FREQ 1kX"} << L{}
                                                             << E{-222, -131} << L{};
    QTest::newRow("relative path") << true << L{"SYST:ERR:COUN?;NEXT?", ":SYST:ERR?;*OPC?"}
                                   << L{"0;0,\"No error\"\n", "0,\"No error\";1\n"} << E{} << L{};

    // The impedance type: main parameter, secondary and circuit in one settings command.
    QTest::newRow("CPD") << true << L{"FUNC:IMP CPD", "FUNC:IMP?"} << L{"CPD\n"} << E{} << L{"01 64 B2 21 0A"};
    QTest::newRow("long form, LSRS") << true << L{":SENSe:FUNCtion:IMPedance:TYPE lsrs;:SENS:FUNC:IMP:TYPE?"}
                                     << L{"LSRS\n"} << E{} << L{"01 A4 93 21 0A"};
    QTest::newRow("types the meter lacks") << true << L{"FUNC:IMP ZTD", "FUNC:IMP RX", "FUNC:IMP XYZ"} << L{}
                                           << E{-224, -224, -224} << L{};
    QTest::newRow("type parameter faults") << true << L{"FUNC:IMP", "FUNC:IMP CPD,CSD", "FUNC:IMP 5"} << L{}
                                           << E{-109, -108, -104} << L{};

    QTest::newRow("frequency") << true << L{"FREQ 10kHz", "FREQ?"} << L{"+1.00000E+04\n"} << E{}
                               << L{"01 04 80 21 0A"};
    QTest::newRow("frequency, other spellings") << true << L{"SOUR:FREQ:CW 1E2", "FREQ MAX", "FREQ min", "FREQ auto"}
                                                << L{} << E{} << L{"01 01 80 21 0A", "01 0E 80 21 0A",
                                                                   "01 01 80 21 0A", "01 24 80 21 0A"};
    QTest::newRow("frequency the meter lacks") << true << L{"FREQ 12k", "FREQ 10000.5", "FREQ 1E999", "FREQ -1k"}
                                               << L{} << E{-222, -222, -222, -222} << L{};
    QTest::newRow("frequency, wrong unit or word") << true << L{"FREQ 10kV", "FREQ HIGH", "FREQ 'x'"} << L{}
                                                   << E{-131, -224, -104} << L{};
    QTest::newRow("level") << true << L{"VOLT 0.5", "VOLT?", "VOLT:LEV 100mV", "VOLT AUTO"} << L{"+5.00000E-01\n"}
                           << E{} << L{"01 24 80 22 0A", "01 24 80 23 0A", "01 24 80 29 0A"};
    QTest::newRow("level the meter lacks") << true << L{"VOLT 0.3", "VOLT 2", "VOLT 0.5kV"} << L{}
                                           << E{-222, -222, -222} << L{};
    QTest::newRow("defaults") << true << L{"FREQ 1k;*RST"} << L{} << E{} << L{"01 03 80 21 0A", "01 24 80 21 0A"};

    QTest::newRow("no meter linked") << false << L{"FREQ 1k", "VOLT 1", "FUNC:IMP CPD", "*RST", "READ?", "*TST?"}
                                     << L{"1\n"} << E{-200, -200, -200, -200, -200} << L{};
    QTest::newRow("self test") << true << L{"*TST?"} << L{"0\n"} << E{} << L{};
    QTest::newRow("fetch before any reading") << true << L{"FETC?", "FETCH:IMP?"}
                                              << L{"+9.91000E+37,+9.91000E+37,2\n", "+9.91000E+37,+9.91000E+37,2\n"}
                                              << E{} << L{};

    QTest::newRow("event status") << true << L{"*ESE 36;*ESE?", "BOGUS", "*STB?", "*ESR?", "*ESR?", "*OPC;*ESR?"}
                                  << L{"36\n", "100\n", "32\n", "0\n", "1\n"} << E{-113} << L{};
    QTest::newRow("event enable out of range") << true << L{"*ESE 256", "*ESE 1.5", "*ESE"} << L{}
                                               << E{-222, -222, -109} << L{};
    QTest::newRow("clear status") << true << L{"BOGUS;*CLS", "BOGUS", "*CLS", "*ESR?;SYST:ERR:COUN?"}
                                  << L{"0;0\n"} << E{} << L{};
    QTest::newRow("parameters not allowed") << true << L{"*IDN? 1", "*CLS 1", "SYST:ERR? 1"} << L{}
                                            << E{-108, -108, -108} << L{};
    QTest::newRow("time-out") << true << L{"SYST:TIM 250ms;SYST:TIM?", "SYST:TIM 0", "SYST:TIM 1h"}
                              << L{"+2.50000E-01\n"} << E{-222, -131} << L{};
    QTest::newRow("verdict without reading") << true << L{"CALC:COMP?"} << L{"20\n"} << E{} << L{};
    QTest::newRow("bin without reading") << true << L{"CALC:COMP:BIN?"} << L{"-1\n"} << E{} << L{};
}

void TestScpiCommands::messages()
{
    QFETCH(bool, linked);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArrayList, answers);
    QFETCH(QList<int>, errors);
    QFETCH(QByteArrayList, sent);

    Run run;
    run.meter.linked = linked;
    for (const QByteArray &line : lines)
        run.session.execute(line);
    QCOMPARE(run.answers, answers);
    QCOMPARE(run.errors(), errors);
    QCOMPARE(run.meter.sent, sent);
}

void TestScpiCommands::queueKeepsTwentyAndSaysItOverflowed()
{
    Run run;
    for (int i = 0; i < 25; ++i)
        run.session.execute("BOGUS");
    QList<int> expected(19, -113);
    expected << -350;
    QCOMPARE(run.errors(), expected);
    // Read out, the queue takes errors again.
    for (int i = 0; i < 20; ++i)
        run.session.execute("SYST:ERR?");
    QCOMPARE(run.answers.last(), QByteArray("-350,\"Queue overflow\"\n"));
    run.session.execute("FREQ 3k");
    QCOMPARE(run.errors(), QList<int>{-222});
}

void TestScpiCommands::readWaitsForAFreshReading()
{
    Run run;
    run.meter.read(1000.0, 0.0);
    run.session.execute("FETC?;READ?;FREQ?");
    QVERIFY(run.session.waiting());
    QVERIFY(run.answers.isEmpty());
    run.meter.record.primaryCode = 1; // R
    run.meter.record.secondaryCode = 0;
    run.meter.read(2000.0, 0.0);
    QVERIFY(!run.session.waiting());
    QCOMPARE(run.answers, QByteArrayList{"+1.00000E-07,+1.00000E+03,0;+2.00000E+03,+9.91000E+37,0;+1.00000E+04\n"});
    QCOMPARE(run.errors(), QList<int>{});
}

void TestScpiCommands::readEnds_data()
{
    QTest::addColumn<QByteArray>("event");
    QTest::addColumn<QList<int>>("errors");
    QTest::newRow("time-out") << QByteArray("timeout") << QList<int>{-230};
    QTest::newRow("link lost") << QByteArray("linkLost") << QList<int>{-200};
    QTest::newRow("next message") << QByteArray("message") << QList<int>{-410};
}

void TestScpiCommands::readEnds()
{
    QFETCH(QByteArray, event);
    QFETCH(QList<int>, errors);
    Run run;
    run.session.execute("SYST:TIM 0.05;:MEAS?;*OPC?");
    QVERIFY(run.session.waiting());
    if (event == "linkLost")
        run.meter.access.takeLinkLoss();
    else if (event == "message")
        run.session.execute("SYST:TIM?");
    QTRY_VERIFY(!run.session.waiting());
    // The rest of the message runs; an interrupted one is dropped for the new message.
    QCOMPARE(run.answers, event == "message" ? QByteArrayList{"+5.00000E-02\n"} : QByteArrayList{"1\n"});
    QCOMPARE(run.errors(), errors);
    // Nothing comes later: the wait is over.
    run.meter.read(5.0, 1.0);
    QCOMPARE(run.answers.size(), 1);
}

void TestScpiCommands::fetchGivesTheLatestReading_data()
{
    QTest::addColumn<int>("primary");
    QTest::addColumn<int>("secondary");
    QTest::addColumn<int>("series");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("x");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("C, D") << 2 << 3 << 0 << 10.0 << 1000.0 << QByteArray("+1.00000E-07,+1.00000E-02,0");
    QTest::newRow("Z, Q") << 4 << 2 << 1 << 30.0 << 40.0 << QByteArray("+5.00000E+01,+1.33333E+00,0");
    QTest::newRow("Rs, Rs") << 1 << 1 << 1 << 4700.0 << 0.0 << QByteArray("+4.70000E+03,+4.70000E+03,0");
    QTest::newRow("R over range") << 1 << 0 << 1 << 3e7 << 0.0 << QByteArray("+9.91000E+37,+9.91000E+37,1");
}

void TestScpiCommands::fetchGivesTheLatestReading()
{
    QFETCH(int, primary);
    QFETCH(int, secondary);
    QFETCH(int, series);
    QFETCH(double, r);
    QFETCH(double, x);
    QFETCH(QByteArray, answer);
    Run run;
    run.meter.record.primaryCode = std::uint8_t(primary);
    run.meter.record.secondaryCode = std::uint8_t(secondary);
    run.meter.record.seriesCircuit = std::uint8_t(series);
    run.meter.read(r, x, 1);
    run.session.execute("FETC?;CALC:COMP?");
    QCOMPARE(run.answers, QByteArrayList{answer + ";1\n"});
    // Gone with the link.
    run.meter.access.takeLinkLoss();
    run.session.execute("FETC?");
    QCOMPARE(run.answers.last(), QByteArray("+9.91000E+37,+9.91000E+37,2\n"));
}

void TestScpiCommands::binOfTheLatestReading()
{
    Run run;
    run.meter.read(10.0, 1000.0);
    run.session.execute("CALC:COMP:BIN?");
    run.meter.read(10.0, 1000.0, 0, 3);
    run.session.execute("calc:comp:bin?");
    run.meter.read(10.0, 1000.0, 0, profiles::BinResult::kAux);
    run.session.execute(":CALCulate:COMParator:BIN?");
    run.meter.read(10.0, 1000.0, 0, profiles::BinResult::kOut);
    run.session.execute("CALC:COMP:BIN?");
    QCOMPARE(run.answers, (QByteArrayList{"-1\n", "3\n", "10\n", "0\n"}));
    QCOMPARE(run.errors(), QList<int>{});
}

QTEST_GUILESS_MAIN(TestScpiCommands)
#include "tst_scpi_commands.moc"
