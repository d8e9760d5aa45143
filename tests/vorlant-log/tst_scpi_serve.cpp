// vorlant-log --serve against the simulator, driven by clients this project
// did not write (PyVISA, socat) and by a plain socket for the faults.

#include "sim_process.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kFast = {QStringLiteral("--frame-gap-ms"), QStringLiteral("50")};

// vorlant-log --serve on a free port, until it logs.
class ServingLogger
{
public:
    ~ServingLogger()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool start(const QStringList &args)
    {
        // The readings go to standard output, which is read and dropped.
        startLogger(m_process, QStringList{QStringLiteral("--serve"), QStringLiteral("0"), QStringLiteral("-v")} + args);
        return waitFor("vorlant-log: logging");
    }
    bool waitFor(const QByteArray &text, int timeoutMs = 30000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!err().contains(text)) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 100)));
        }
        return true;
    }
    QByteArray err()
    {
        m_err += m_process.readAllStandardError();
        m_process.readAllStandardOutput();
        return m_err;
    }
    quint16 port()
    {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("SCPI: listening on 127\\.0\\.0\\.1:(\\d+)")).match(QString::fromUtf8(err()));
        return m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_err;
};

// Runs a program to its end with `input` on its standard input.
struct Finished
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Finished runProgram(const QString &program, const QStringList &args, const QByteArray &input = {})
{
    QProcess process;
    process.start(program, args);
    Finished result;
    if (!process.waitForStarted(10000))
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
        result.status = process.exitCode();
    else
        process.kill();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString pythonScript()
{
    return qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/tests/vorlant-log/scpi_pyvisa.py");
}

} // namespace

class TestScpiServe : public QObject
{
    Q_OBJECT

private slots:
    void pyvisaDrivesTheMeter();
    void socatGetsAnswers();
    void dongleGoneDuringRead();
    void portInUseEndsTheRun();

private:
    QString link() const { return m_dir.filePath(QStringLiteral("dongle")); }
    QTemporaryDir m_dir;
};

void TestScpiServe::pyvisaDrivesTheMeter()
{
    QVERIFY2(QFile::exists(QStringLiteral("/usr/bin/python3")), "python3-pyvisa-py is installed by scripts/setup-deps");
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("C=100n,ESR=0.2")} + kFast));
    ServingLogger logger;
    QVERIFY2(logger.start({QStringLiteral("--port"), link()}), logger.err().constData());
    QVERIFY(logger.port() != 0);

    const Finished run = runProgram(QStringLiteral("/usr/bin/python3"),
                                    {pythonScript(), QString::number(logger.port())});
    QVERIFY2(run.status == 0, (run.out + run.err + logger.err()).constData());
    QCOMPARE(run.out.count("ok READ?"), 20);

    // Each setting went out as one settings command, each built on the one before:
    // 64 = parallel circuit, automatic 10 kHz; B2 = C and D; then 10 kHz by hand (44); then 0.5 V (22).
    QVERIFY2(sim.waitForLog("rx 01 64 B2 21 0A  settings"), sim.log().constData());
    QVERIFY(sim.log().contains("rx 01 44 B2 21 0A  settings"));
    QVERIFY(sim.log().contains("rx 01 44 B2 22 0A  settings"));
    QCOMPARE(sim.log().count("settings:"), 3);
    QVERIFY(logger.waitFor("SCPI: client 127.0.0.1:"));
    QVERIFY(logger.waitFor(" left"));
}

void TestScpiServe::socatGetsAnswers()
{
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    QVERIFY2(!socat.isEmpty(), "socat is installed by scripts/setup-deps");
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=4.7k")} + kFast));
    ServingLogger logger;
    QVERIFY2(logger.start({QStringLiteral("--port"), link()}), logger.err().constData());

    // As a shell script would: the whole conversation on standard input, then end of input.
    const Finished run = runProgram(socat, {QStringLiteral("-t"), QStringLiteral("10"), QStringLiteral("-"),
                                            QStringLiteral("TCP:127.0.0.1:%1").arg(logger.port())},
                                    "*IDN?\r\nFUNC:IMP LSRS;:FUNC:IMP?\nREAD?\nFREQ 12k\nSYST:ERR?\n");
    QVERIFY2(run.status == 0, run.err.constData());
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[0].startsWith("Vorlant,LCR meter,0,"));
    QCOMPARE(lines[1], QByteArray("LSRS"));
    // A resistor measured as an inductance: some value, a series resistance of 4.7 kohm.
    const QList<QByteArray> reading = lines[2].split(',');
    QCOMPARE(reading.size(), 3);
    QVERIFY2(qAbs(reading[1].toDouble() - 4700.0) < 1.0, lines[2].constData());
    QCOMPARE(lines[3], QByteArray("-222,\"Data out of range;the meter has no such frequency\""));
    QVERIFY(sim.waitForLog("rx 01 A4 93 21 0A  settings"));
}

void TestScpiServe::dongleGoneDuringRead()
{
    // The dongle goes 8 s after the simulator starts and stays away; --reconnect keeps the logger waiting for it.
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=1k"),
                                          QStringLiteral("--unplug-after"), QStringLiteral("8"),
                                          QStringLiteral("--replug-after"), QStringLiteral("0")}
                                  + kFast));
    ServingLogger logger;
    QVERIFY2(logger.start({QStringLiteral("--port"), link(), QStringLiteral("--reconnect")}), logger.err().constData());

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, logger.port());
    QVERIFY(client.waitForConnected(10000));
    // Readings for far longer than the dongle stays: the unplugging ends them.
    QByteArray reads = "SYST:TIM 30";
    for (int i = 0; i < 600; ++i)
        reads += ";READ?";
    client.write(reads + '\n');
    QVERIFY(client.waitForBytesWritten(10000));
    QDeadlineTimer deadline(60000);
    while (!client.canReadLine() && !deadline.hasExpired())
        client.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    const QByteArray answers = client.readLine().trimmed();
    const qsizetype count = answers.isEmpty() ? 0 : answers.count(';') + 1;
    QVERIFY2(count > 0 && count < 600, answers.left(200).constData());

    // The reading under way ended with -200, and so did each one after it.
    client.write("SYST:ERR?;SYST:ERR:COUN?;*IDN?\n");
    QVERIFY(client.waitForReadyRead(10000) || client.canReadLine());
    while (!client.canReadLine() && client.waitForReadyRead(10000)) {
    }
    const QByteArray after = client.readLine().trimmed();
    QVERIFY2(after.startsWith("-200,\"Execution error;No meter linked\";"), after.constData());
    QVERIFY2(after.contains(";Vorlant,LCR meter,"), after.constData());
    QCOMPARE(logger.process().state(), QProcess::Running);
}

void TestScpiServe::portInUseEndsTheRun()
{
    ServingLogger first;
    startLogger(first.process(), {QStringLiteral("--serve"), QStringLiteral("0"), QStringLiteral("--port"),
                                  QStringLiteral("/nonexistent/dongle"), QStringLiteral("--reconnect")});
    QVERIFY(first.waitFor("SCPI: listening on"));
    const LoggerResult second = runLogger({QStringLiteral("--serve"), QString::number(first.port()),
                                           QStringLiteral("--port"), QStringLiteral("/nonexistent/dongle")});
    QCOMPARE(second.status, 2);
    QVERIFY2(second.err.contains("cannot listen on"), second.err.constData());
    QVERIFY(!second.err.contains("looking for the dongle"));
}

QTEST_GUILESS_MAIN(TestScpiServe)
#include "tst_scpi_serve.moc"
