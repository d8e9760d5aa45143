// Opening and closing the serial port on pseudo-terminals: the events and
// their order, the presence test on close, failures, and line settings as
// the driver ends up holding them.

#include "app/com_port_design.h"
#include "link/com_port.h"

#include "port_events.h"
#include "pty_pair.h"

#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {

const QStringList kOpened{"BeforeOpen", "AfterOpen", "CTS0", "DSR0", "RLSD0"};
const QStringList kClosed{"CTS0", "DSR0", "RLSD0", "BeforeClose", "AfterClose"};

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void openAndCloseRaiseEventsInOrder();
    void presenceTestOnClose_data();
    void presenceTestOnClose();
    void missingDeviceIsReportedAndCarriesOn();
    void missingDeviceWithoutHandlerThrows();
    void nonTerminalIsNeverOpened_data();
    void nonTerminalIsNeverOpened();
    void lineSettingsReachTheDriver_data();
    void lineSettingsReachTheDriver();
    void updateDefersApplying();
    void threadSettingsRefusedWhileOpen();
    void portChange();
};

void TestComPort::openAndCloseRaiseEventsInOrder()
{
    PtyPair pty;
    QVERIFY(pty.isOpen());
    PortEvents events;
    TComPort port;
    events.attach(port);
    port.SetPort(pty.slavePath());
    int writtenBeforeClose = -1;
    port.OnBeforeClose = [&](TCustomComPort *sender) {
        events.log << "BeforeClose";
        QVERIFY(sender->Connected());
        writtenBeforeClose = sender->WriteStr(QStringLiteral("AT"));
    };

    port.SetConnected(true);
    QVERIFY(port.Connected());
    QCOMPARE(events.log, kOpened);
    port.Open(); // already open: nothing
    port.SetConnected(true);
    QCOMPARE(events.log, kOpened);

    events.clear();
    port.SetConnected(false);
    QVERIFY(!port.Connected());
    QCOMPARE(events.log, kClosed);
    QCOMPARE(writtenBeforeClose, 2);
    QCOMPARE(pty.receive(2), QByteArray("AT"));

    events.clear();
    port.Close();
    port.SetConnected(false);
    QVERIFY(events.log.isEmpty());
}

void TestComPort::presenceTestOnClose_data()
{
    QTest::addColumn<bool>("closeMaster");
    QTest::addColumn<bool>("removeLink");
    QTest::addColumn<bool>("present");
    QTest::newRow("plugged in") << false << false << true;
    QTest::newRow("unplugged") << true << true << false;
    QTest::newRow("hung up, name left behind") << true << false << false;
    QTest::newRow("name gone") << false << true << false;
}

void TestComPort::presenceTestOnClose()
{
    QFETCH(bool, closeMaster);
    QFETCH(bool, removeLink);
    QFETCH(bool, present);
    PtyPair pty;
    QVERIFY(!pty.linkPath().isEmpty());
    PortEvents events;
    TComPort port;
    LoadComPortDesign(port);
    events.attach(port);
    port.SetPort(pty.linkPath());
    port.Open();
    QCOMPARE(events.log, kOpened);
    events.clear();

    if (closeMaster)
        pty.closeMaster();
    if (removeLink)
        pty.removeLink();
    port.Close();
    QVERIFY(!port.Connected());
    QCOMPARE(events.log, present ? kClosed : QStringList());
}

void TestComPort::missingDeviceIsReportedAndCarriesOn()
{
    PortEvents events;
    TComPort port;
    events.attach(port);
    port.SetPort(QStringLiteral("/nonexistent/ttyVorlant"));
    port.Open();
    // The open failure, then every settings step and the line-state reading.
    QCOMPARE(events.codes(), QList<int>({1, 9, 7, 8, 11}));
    QVERIFY(events.log.contains("AfterOpen"));
    const PortEvents::Failure &open = events.failures.first();
    QCOMPARE(open.kind, CE_OpenFailed);
    QCOMPARE(open.message, QStringLiteral("Unable to open com port"));
    QCOMPARE(open.winError, qint64(ENOENT));
    QCOMPARE(open.winMessage, QString::fromLocal8Bit(strerror(ENOENT)));
    QVERIFY(comport::isPortLost(open.kind, open.winError));
    QVERIFY(port.Connected());

    events.clear();
    QString text = QStringLiteral("stale");
    QCOMPARE(port.ReadStr(text, 40), 0);
    QVERIFY(text.isEmpty());
    QCOMPARE(port.WriteStr(QStringLiteral("AT")), 0);
    QCOMPARE(events.codes(), QList<int>({24, 24}));
    QCOMPARE(events.failures.first().winError, qint64(-24));
    QVERIFY(events.failures.first().winMessage.isEmpty());

    // Still nothing under that name: closes without events.
    events.clear();
    port.Close();
    QVERIFY(!port.Connected());
    QVERIFY(events.log.isEmpty());
}

void TestComPort::missingDeviceWithoutHandlerThrows()
{
    PortEvents events;
    TComPort port;
    events.attach(port, false);
    port.SetPort(QStringLiteral("/nonexistent/ttyVorlant"));
    try {
        port.Open();
        QFAIL("no exception");
    } catch (const EComPort &e) {
        QCOMPARE(e.Code(), 1);
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Unable to open com port (Error: %1)").arg(ENOENT));
    }
    QVERIFY(!port.Connected());
    QCOMPARE(events.log, QStringList{"BeforeOpen"});
}

void TestComPort::nonTerminalIsNeverOpened_data()
{
    QTest::addColumn<bool>("regularFile");
    QTest::newRow("regular file") << true;
    // A character device, but no terminal: the commands must not go there either.
    QTest::newRow("character device") << false;
}

void TestComPort::nonTerminalIsNeverOpened()
{
    QFETCH(bool, regularFile);
    QTemporaryDir dir;
    QString path = QStringLiteral("/dev/null");
    QFile file(dir.filePath(QStringLiteral("notes.txt")));
    if (regularFile) {
        path = file.fileName();
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep");
        file.close();
    }

    PortEvents events;
    TComPort port;
    events.attach(port);
    port.SetPort(path);
    port.Open();
    QCOMPARE(events.codes().value(0), 1);
    QCOMPARE(events.failures.first().winError, qint64(ENOTTY));
    // Open without a device: the write finds no handle and reports it.
    port.WriteStr(QStringLiteral("AT+CONNL"));
    QCOMPARE(events.codes().last(), 24);
    port.Close();
    if (regularFile) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep"));
    }
}

void TestComPort::lineSettingsReachTheDriver_data()
{
    // A pseudo-terminal keeps speed, stop bits and flow control; it forces
    // 8 bits without parity, so those are set here but not read back.
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("custom");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("flow");
    QTest::addColumn<unsigned>("bps");
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<bool>("crtscts");
    QTest::addColumn<bool>("xonXoff");
    QTest::newRow("dongle") << int(br57600) << 0 << int(dbEight) << int(sbOneStopBit) << int(prNone)
                            << int(fcHardware) << 57600u << false << true << false;
    QTest::newRow("speed without classic constant") << int(br14400) << 0 << int(dbSeven) << int(sbTwoStopBits)
                                                    << int(prEven) << int(fcNone) << 14400u << true << false << false;
    QTest::newRow("fastest") << int(br256000) << 0 << int(dbEight) << int(sbOneStopBit) << int(prOdd)
                             << int(fcSoftware) << 256000u << false << false << true;
    QTest::newRow("custom speed") << int(brCustom) << 31250 << int(dbSix) << int(sbOneStopBit) << int(prMark)
                                  << int(fcNone) << 31250u << false << false << false;
    QTest::newRow("one and a half stop bits") << int(br110) << 0 << int(dbFive) << int(sbOne5StopBits)
                                              << int(prSpace) << int(fcNone) << 110u << true << false << false;
}

void TestComPort::lineSettingsReachTheDriver()
{
    QFETCH(int, baud);
    QFETCH(int, custom);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, parity);
    QFETCH(int, flow);
    PtyPair pty;
    PortEvents events;
    TComPort port;
    events.attach(port);
    port.SetPort(pty.slavePath());
    port.Open();
    // Changed while open: each change goes to the driver at once.
    if (custom)
        port.SetCustomBaudRate(custom);
    port.SetBaudRate(static_cast<TBaudRate>(baud));
    port.SetDataBits(static_cast<TDataBits>(dataBits));
    port.SetStopBits(static_cast<TStopBits>(stopBits));
    TComParity p;
    p.Bits = static_cast<TParityBits>(parity);
    port.SetParity(p);
    port.SetFlowControl(static_cast<TFlowControl>(flow));
    QVERIFY2(events.failures.isEmpty(), qPrintable(events.log.join(' ')));

    const PtyPair::Line line = pty.line();
    QTEST(line.baud, "bps");
    QTEST(line.twoStopBits, "twoStopBits");
    QTEST(line.crtscts, "crtscts");
    QTEST(line.xonXoff, "xonXoff");

    // The same settings given while closed arrive with the next open.
    port.Close();
    PtyPair other;
    port.SetPort(other.slavePath());
    port.Open();
    QCOMPARE(other.line().baud, line.baud);
    QCOMPARE(other.line().twoStopBits, line.twoStopBits);
    QCOMPARE(other.line().crtscts, line.crtscts);
}

void TestComPort::updateDefersApplying()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.slavePath());
    port.SetBaudRate(br57600);
    port.Open();
    QCOMPARE(pty.line().baud, 57600u);

    port.BeginUpdate();
    port.BeginUpdate();
    port.SetBaudRate(br19200);
    port.SetStopBits(sbTwoStopBits);
    port.EndUpdate();
    QCOMPARE(pty.line().baud, 57600u);
    QVERIFY(!pty.line().twoStopBits);
    port.EndUpdate();
    QCOMPARE(pty.line().baud, 19200u);
    QVERIFY(pty.line().twoStopBits);
    port.EndUpdate(); // unbalanced: ignored
    QCOMPARE(port.BaudRate(), br19200);
}

void TestComPort::threadSettingsRefusedWhileOpen()
{
    PtyPair pty;
    PortEvents events;
    TComPort port;
    events.attach(port);
    port.SetPort(pty.slavePath());
    port.Open();
    events.clear();
    port.SetSyncMethod(smWindowSync);
    port.SetEventThreadPriority(QThread::HighPriority);
    port.SetSyncMethod(smThreadSync); // unchanged value: not a change
    QCOMPARE(events.codes(), QList<int>({14, 14}));
    QCOMPARE(events.failures.first().message, QStringLiteral("Cannot set property while connected"));
    // A refused setting leaves the port as good as it was.
    QVERIFY(!comport::isPortLost(events.failures.first().kind, events.failures.first().winError));
    QCOMPARE(port.SyncMethod(), smThreadSync);
    QCOMPARE(port.EventThreadPriority(), QThread::NormalPriority);

    port.OnException = nullptr;
    try {
        port.SetSyncMethod(smWindowSync);
        QFAIL("no exception");
    } catch (const EComPort &e) {
        QCOMPARE(e.Code(), 14);
    }

    port.Close();
    port.SetSyncMethod(smWindowSync);
    port.SetEventThreadPriority(QThread::HighPriority);
    QCOMPARE(port.SyncMethod(), smWindowSync);
    QCOMPARE(port.EventThreadPriority(), QThread::HighPriority);
}

void TestComPort::portChange()
{
    PtyPair first;
    PtyPair second;
    PortEvents events;
    TComPort port;
    events.attach(port);
    port.SetPort(first.slavePath());
    port.Open();
    events.clear();

    port.SetPort(first.slavePath());
    QVERIFY(events.log.isEmpty());

    port.SetPort(second.slavePath());
    QCOMPARE(events.log, kClosed + kOpened);
    QVERIFY(port.Connected());
    QCOMPARE(port.WriteStr(QStringLiteral("AT")), 2);
    QCOMPARE(second.receive(2), QByteArray("AT"));
    QVERIFY(first.receiveWaiting().isEmpty());

    // While closed the name is only stored.
    port.Close();
    events.clear();
    port.SetPort(first.slavePath());
    QVERIFY(events.log.isEmpty());
    QVERIFY(!port.Connected());
}

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_com_port.moc"
