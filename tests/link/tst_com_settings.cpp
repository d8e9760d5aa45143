// Settings of the serial port that need no device: defaults, the main
// window's design values, stored forms, name look-ups, the time-out rules
// and the failure texts.

#include "link/com_device.h"
#include "app/com_port_design.h"
#include "link/com_port.h"
#include "link/com_timeouts.h"

#include <QtTest>

class TestComSettings : public QObject
{
    Q_OBJECT

private slots:
    void defaultsOfANewPort();
    void designValuesOfTheWindowPort();
    void bufferSizesAreStoredEven_data();
    void bufferSizesAreStoredEven();
    void baudRateNames_data();
    void baudRateNames();
    void flowControlNames_data();
    void flowControlNames();
    void flowControlShortcut_data();
    void flowControlShortcut();
    void portNames_data();
    void portNames();
    void readPlans_data();
    void readPlans();
    void writeLimits_data();
    void writeLimits();
    void exceptionTexts_data();
    void exceptionTexts();
};

void TestComSettings::defaultsOfANewPort()
{
    TComPort port;
    QCOMPARE(port.Port(), QStringLiteral("COM1"));
    QCOMPARE(port.BaudRate(), br9600);
    QCOMPARE(port.CustomBaudRate(), 9600);
    QCOMPARE(port.DataBits(), dbEight);
    QCOMPARE(port.StopBits(), sbOneStopBit);
    QCOMPARE(port.Parity(), TComParity{});
    QCOMPARE(port.Parity().Bits, prNone);
    const TComFlowControl flow = port.FlowControl();
    QVERIFY(!flow.OutCTSFlow && !flow.OutDSRFlow && !flow.XonXoffIn && !flow.XonXoffOut);
    QCOMPARE(flow.ControlDTR, dtrDisable);
    QCOMPARE(flow.ControlRTS, rtsDisable);
    QCOMPARE(flow.XonChar, quint8(17));
    QCOMPARE(flow.XoffChar, quint8(19));
    const TComTimeouts t = port.Timeouts();
    QCOMPARE(QList<int>({t.ReadInterval, t.ReadTotalMultiplier, t.ReadTotalConstant, t.WriteTotalMultiplier,
                         t.WriteTotalConstant}),
             QList<int>({-1, 0, 0, 100, 1000}));
    QCOMPARE(port.Buffer(), (TComBuffer{1024, 1024}));
    QCOMPARE(int(port.Events()), 0x05FF);
    QCOMPARE(port.SyncMethod(), smThreadSync);
    QVERIFY(port.TriggersOnRxChar());
    QCOMPARE(port.EventThreadPriority(), QThread::NormalPriority);
    QVERIFY(!port.DiscardNull());
    QCOMPARE(port.EventChar(), quint8(0));
    QVERIFY(!port.Connected());
}

void TestComSettings::designValuesOfTheWindowPort()
{
    TComPort port;
    LoadComPortDesign(port);
    const TComTimeouts t = port.Timeouts();
    QCOMPARE(QList<int>({t.ReadInterval, t.ReadTotalMultiplier, t.ReadTotalConstant, t.WriteTotalMultiplier,
                         t.WriteTotalConstant}),
             QList<int>({10, 0, 0, 100, 300}));
    QCOMPARE(port.Buffer(), (TComBuffer{4000, 40}));
    QCOMPARE(int(port.Events()), 0x05E7);
    QCOMPARE(port.SyncMethod(), smWindowSync);
    QCOMPARE(port.BaudRate(), br9600);
    QCOMPARE(port.FlowControl().FlowControl(), fcNone);
    QVERIFY(!port.Connected());
}

void TestComSettings::bufferSizesAreStoredEven_data()
{
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("storedInput");
    QTest::addColumn<int>("storedOutput");
    QTest::newRow("odd input") << 4001 << 40 << 4000 << 40;
    QTest::newRow("both odd") << 1025 << 41 << 1024 << 40;
    QTest::newRow("one byte") << 1 << 1 << 0 << 0;
    QTest::newRow("negative") << -3 << -2 << 0 << 0;
}

void TestComSettings::bufferSizesAreStoredEven()
{
    QFETCH(int, input);
    QFETCH(int, output);
    TComPort port;
    port.SetBuffer({input, output});
    QTEST(port.Buffer().InputSize, "storedInput");
    QTEST(port.Buffer().OutputSize, "storedOutput");
}

void TestComSettings::baudRateNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bitsPerSecond");
    QTest::newRow("57600") << "57600" << int(br57600) << 57600;
    QTest::newRow("110") << "110" << int(br110) << 110;
    QTest::newRow("256000") << "256000" << int(br256000) << 256000;
    QTest::newRow("custom, any case") << "cUSTOM" << int(brCustom) << 31250;
    QTest::newRow("unknown") << "57601" << int(br9600) << 9600;
    QTest::newRow("empty") << "" << int(br9600) << 9600;
    QTest::newRow("padded") << " 57600" << int(br9600) << 9600;
}

void TestComSettings::baudRateNames()
{
    QFETCH(QString, name);
    const TBaudRate rate = StrToBaudRate(name);
    QTEST(int(rate), "rate");
    QTEST(BaudRateToInt(rate, 31250), "bitsPerSecond");
    if (rate != br9600 || name == QLatin1String("9600"))
        QCOMPARE(BaudRateToStr(rate).toLower(), name.toLower());
}

void TestComSettings::flowControlNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");
    QTest::newRow("Hardware") << "Hardware" << int(fcHardware);
    QTest::newRow("hardware") << "hardware" << int(fcHardware);
    QTest::newRow("SOFTWARE") << "SOFTWARE" << int(fcSoftware);
    QTest::newRow("None") << "None" << int(fcNone);
    QTest::newRow("Custom") << "Custom" << int(fcCustom);
    QTest::newRow("unknown") << "RTS/CTS" << int(fcCustom);
}

void TestComSettings::flowControlNames()
{
    QFETCH(QString, name);
    const TFlowControl value = StrToFlowControl(name);
    QTEST(int(value), "value");
    QCOMPARE(StrToFlowControl(FlowControlToStr(value)), value);
}

void TestComSettings::flowControlShortcut_data()
{
    QTest::addColumn<int>("shortcut");
    QTest::addColumn<int>("rts");
    QTest::addColumn<bool>("ctsFlow");
    QTest::addColumn<bool>("xonXoff");
    // The starting point has RTS enabled, CTS flow on and XON/XOFF in only,
    // a mix no preset matches.
    QTest::newRow("hardware") << int(fcHardware) << int(rtsHandshake) << true << false;
    QTest::newRow("software") << int(fcSoftware) << int(rtsDisable) << false << true;
    QTest::newRow("none") << int(fcNone) << int(rtsDisable) << false << false;
}

void TestComSettings::flowControlShortcut()
{
    QFETCH(int, shortcut);
    QFETCH(bool, xonXoff);
    TComPort port;
    TComFlowControl start;
    start.ControlDTR = dtrEnable;
    start.ControlRTS = rtsEnable;
    start.OutDSRFlow = true;
    start.OutCTSFlow = true;
    start.XonXoffIn = true;
    start.DSRSensitivity = true;
    start.XonChar = 5;
    port.SetFlowControl(start);
    QCOMPARE(port.FlowControl().FlowControl(), fcCustom);
    port.SetFlowControl(fcCustom);
    QCOMPARE(port.FlowControl(), start);

    port.SetFlowControl(static_cast<TFlowControl>(shortcut));
    const TComFlowControl flow = port.FlowControl();
    QTEST(int(flow.ControlRTS), "rts");
    QTEST(flow.OutCTSFlow, "ctsFlow");
    QCOMPARE(flow.XonXoffIn, xonXoff);
    QCOMPARE(flow.XonXoffOut, xonXoff);
    QCOMPARE(flow.FlowControl(), static_cast<TFlowControl>(shortcut));
    // Fields outside the shortcut are never touched.
    QCOMPARE(flow.ControlDTR, dtrEnable);
    QVERIFY(flow.OutDSRFlow);
    QVERIFY(flow.DSRSensitivity);
    QCOMPARE(flow.XonChar, quint8(5));
}

void TestComSettings::portNames_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("path");
    QTest::newRow("bare name") << "ttyACM0" << "/dev/ttyACM0";
    QTest::newRow("window default") << "COM1" << "/dev/COM1";
    QTest::newRow("absolute path") << "/tmp/sim/dongle" << "/tmp/sim/dongle";
    QTest::newRow("relative path") << "pts/3" << "pts/3";
}

void TestComSettings::portNames()
{
    QFETCH(QString, port);
    QTEST(comport::devicePath(port), "path");
}

void TestComSettings::readPlans_data()
{
    QTest::addColumn<QList<int>>("timeouts"); // interval, multiplier, constant
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("totalMs");
    QTest::addColumn<qint64>("intervalMs");
    QTest::addColumn<qint64>("firstByteMs");
    QTest::addColumn<bool>("anyByteEnds");
    const qint64 bound = comport::kFirstByteLimitMs;
    QTest::newRow("window port: gap only, bounded first byte")
        << QList<int>{10, 0, 0} << 1000 << qint64(-1) << qint64(10) << bound << false;
    QTest::newRow("default: what is waiting") << QList<int>{-1, 0, 0} << 40 << qint64(-1) << qint64(-1) << qint64(0)
                                              << true;
    QTest::newRow("wait for anything up to the constant")
        << QList<int>{-1, -1, 500} << 40 << qint64(-1) << qint64(-1) << qint64(500) << true;
    QTest::newRow("totals and gap") << QList<int>{10, 2, 100} << 50 << qint64(200) << qint64(10) << qint64(-1)
                                    << false;
    QTest::newRow("nothing set") << QList<int>{0, 0, 0} << 8 << qint64(-1) << qint64(-1) << bound << false;
}

void TestComSettings::readPlans()
{
    QFETCH(QList<int>, timeouts);
    QFETCH(int, count);
    TComTimeouts t;
    t.ReadInterval = timeouts[0];
    t.ReadTotalMultiplier = timeouts[1];
    t.ReadTotalConstant = timeouts[2];
    const comport::ReadPlan plan = comport::planRead(t, count);
    QTEST(plan.totalMs, "totalMs");
    QTEST(plan.intervalMs, "intervalMs");
    QTEST(plan.firstByteMs, "firstByteMs");
    QTEST(plan.anyByteEnds, "anyByteEnds");
}

void TestComSettings::writeLimits_data()
{
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<int>("constant");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("limitMs");
    QTest::newRow("\"AT\"") << 100 << 300 << 2 << qint64(500);
    QTest::newRow("5-byte command") << 100 << 300 << 5 << qint64(800);
    QTest::newRow("constant only") << 0 << 200 << 100000 << qint64(200);
    QTest::newRow("no limit") << 0 << 0 << 8 << qint64(-1);
}

void TestComSettings::writeLimits()
{
    QFETCH(int, multiplier);
    QFETCH(int, constant);
    QFETCH(int, count);
    TComTimeouts t;
    t.WriteTotalMultiplier = multiplier;
    t.WriteTotalConstant = constant;
    QTEST(comport::writeLimitMs(t, count), "limitMs");
}

void TestComSettings::exceptionTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<qint64>("winCode");
    QTest::addColumn<QString>("text");
    QTest::newRow("open with system error") << 1 << qint64(2) << "Unable to open com port (Error: 2)";
    QTest::newRow("no system error") << 14 << qint64(0) << "Cannot set property while connected";
    QTest::newRow("no handle") << 24 << qint64(-24) << "Port Not Open";
}

void TestComSettings::exceptionTexts()
{
    QFETCH(int, code);
    QFETCH(qint64, winCode);
    const EComPort e(code, winCode);
    QTEST(QString::fromUtf8(e.what()), "text");
    QCOMPARE(e.Code(), code);
    QCOMPARE(e.WinCode(), winCode);
}

QTEST_GUILESS_MAIN(TestComSettings)
#include "tst_com_settings.moc"
