#include "pty_client.h"

#include "portvane/port_query.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <dlfcn.h>

using namespace std::chrono_literals;

namespace {

QString program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/meter-sim");
}

// The next line the simulator prints on stdout (a slave path), or empty.
QString nextLine(QProcess &process, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    }
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

class SimProcess
{
public:
    explicit SimProcess(const QStringList &args)
    {
        process.setProgram(program());
        process.setArguments(args);
        process.start();
    }
    ~SimProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    void signal(int number) { ::kill(pid_t(process.processId()), number); }

    QProcess process;
};

// The port finder's answer with PORTVANE_PORT naming `port`.
struct FinderAnswer
{
    bool found = false;
    QString port;
};

std::optional<FinderAnswer> askFinder(const QString &port)
{
    const QByteArray library = QFile::encodeName(QCoreApplication::applicationDirPath() + "/libportvane.so");
    void *handle = ::dlopen(library.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return std::nullopt;
    auto gets = reinterpret_cast<PortQueryFunction>(::dlsym(handle, "gets"));
    std::optional<FinderAnswer> answer;
    if (gets) {
        qputenv("PORTVANE_PORT", QFile::encodeName(port));
        PortQuery query{"TI CC2540 USB CDC", "", 0, nullptr};
        gets(&query);
        qunsetenv("PORTVANE_PORT");
        answer = FinderAnswer{query.found == 1, QString::fromLocal8Bit(query.portName ? query.portName : "")};
    }
    ::dlclose(handle);
    return answer;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(program()), qPrintable(program() + " is not built"));
    }

    void rejectsBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("bad part") << QStringList{"--part", "X=1"};
        QTest::newRow("bad noise") << QStringList{"--noise", "lots"};
        QTest::newRow("noise above 100") << QStringList{"--noise", "150"};
        QTest::newRow("bad failure") << QStringList{"--fail", "CONNZ"};
        QTest::newRow("fractional cycle") << QStringList{"--cycle", "1.5"};
        QTest::newRow("stray argument") << QStringList{"now"};
        QTest::newRow("unknown option") << QStringList{"--fast"};
    }

    void rejectsBadArguments()
    {
        QFETCH(QStringList, args);
        SimProcess sim(args);
        QVERIFY(sim.process.waitForFinished(10000));
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 2);
        QVERIFY(sim.process.readAllStandardError().contains("see --help"));
    }

    void stopSignalsRemoveTheLink_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void stopSignalsRemoveTheLink()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("dongle"));
        SimProcess sim({"--link", link});
        const QString path = nextLine(sim.process);
        QVERIFY(path.startsWith(QLatin1String("/dev/pts/")));
        QCOMPARE(linkTarget(link), path);
        sim.signal(signal);
        QVERIFY(sim.process.waitForFinished(10000));
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 0);
        QVERIFY(!pathExists(link));
    }

    void refusesToReplaceAFile()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("precious"));
        QFile file(link);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        SimProcess sim({"--link", link});
        QVERIFY(sim.process.waitForFinished(10000));
        QCOMPARE(sim.process.exitCode(), 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }

    // Pulled out on a timer, plugged back on SIGUSR1 at the same link.
    void unplugsAndReplugs()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("dongle"));
        SimProcess sim({"--link", link, "--unplug-after", "0.5", "--replug-after", "0"});
        const QString first = nextLine(sim.process);
        QVERIFY(!first.isEmpty());
        PtyClient client;
        QVERIFY(client.open(link));
        QVERIFY(client.write("AT"));
        QCOMPARE(client.readBlock(), QByteArray("OK"));

        QVERIFY(client.waitHangup(5000ms));
        QVERIFY(waitUntil([&] { return !pathExists(link); }));

        sim.signal(SIGUSR1);
        const QString second = nextLine(sim.process);
        QVERIFY(second.startsWith(QLatin1String("/dev/pts/")));
        QCOMPARE(linkTarget(link), second);
        PtyClient again;
        QVERIFY(again.open(link));
        QVERIFY(again.write("AT"));
        QCOMPARE(again.readBlock(), QByteArray("OK"));
    }

    void portFinderReportsTheSimulator()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("dongle"));
        SimProcess sim({"--link", link, "--replug-after", "0"});
        QVERIFY(!nextLine(sim.process).isEmpty());

        const auto plugged = askFinder(link);
        QVERIFY2(plugged, "libportvane.so could not be loaded");
        QVERIFY(plugged->found);
        QCOMPARE(plugged->port, link);

        sim.signal(SIGUSR1);
        QVERIFY(waitUntil([&] { return !pathExists(link); }));
        const auto pulled = askFinder(link);
        QVERIFY(pulled);
        QVERIFY(!pulled->found);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
