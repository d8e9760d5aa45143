// vorlant-log publishing to Debian's mosquitto on 127.0.0.1, watched by a
// subscriber that is not this program's code: every reading arrives with its
// seq, through a killed broker and a killed logger; the retained status; the
// spool's bound.

#include "file_bytes.h"
#include "mqtt_broker.h"
#include "sim_process.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include <charconv>
#include <csignal>
#include <set>

namespace {

// The link's fastest: about 74 readings a second.
const QStringList kFastest = {QStringLiteral("--frame-gap-ms"), QStringLiteral("13.5")};

struct Seqs
{
    std::set<qint64> unique;
    int received = 0;
    int duplicates() const { return received - int(unique.size()); }
    qint64 first() const { return unique.empty() ? 0 : *unique.begin(); }
    qint64 last() const { return unique.empty() ? 0 : *unique.rbegin(); }
    qint64 gaps() const { return unique.empty() ? 0 : last() - first() + 1 - qint64(unique.size()); }
};

QList<QJsonObject> readingsOf(const QList<QJsonObject> &messages)
{
    QList<QJsonObject> readings;
    for (const QJsonObject &m : messages) {
        if (m.value(QLatin1String("topic")).toString().endsWith(QLatin1String("/reading")))
            readings << QJsonDocument::fromJson(m.value(QLatin1String("payload")).toString().toUtf8()).object();
    }
    return readings;
}

Seqs seqsOf(const QList<QJsonObject> &messages)
{
    Seqs s;
    for (const QJsonObject &r : readingsOf(messages)) {
        s.unique.insert(r.value(QLatin1String("seq")).toInteger());
        ++s.received;
    }
    return s;
}

QList<QByteArray> payloadsOf(const QList<QJsonObject> &messages, const QString &topic)
{
    QList<QByteArray> payloads;
    for (const QJsonObject &m : messages) {
        if (m.value(QLatin1String("topic")).toString() == topic)
            payloads << m.value(QLatin1String("payload")).toString().toUtf8();
    }
    return payloads;
}

} // namespace

class TestMqttPublish : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fiveHundredReadingsAsInTheCsv();
    void lostBrokerLosesNothing_data();
    void lostBrokerLosesNothing();
    void retainedStatus();
    void spoolBoundDropsTheOldest();
    void tlsAndPasswords_data();
    void tlsAndPasswords();
    void setupFailuresEndTheRun_data();
    void setupFailuresEndTheRun();

private:
    QString link() const { return m_dir->filePath(QStringLiteral("dongle")); }
    QString file(const char *name) const { return m_dir->filePath(QLatin1String(name)); }
    QStringList mqttArgs() const
    {
        return {QStringLiteral("--port"), link(), QStringLiteral("--mqtt"), QStringLiteral("mqtt://") + m_broker->address(),
                QStringLiteral("--station"), QStringLiteral("st1")};
    }
    void startLogger(QProcess &process, const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_STATE_HOME"), file("state"));
        process.setProcessEnvironment(env);
        ::startLogger(process, args);
    }
    LoggerResult runLogger(const QStringList &args, int timeoutMs = 120000)
    {
        return ::runLogger(args, {QStringLiteral("XDG_STATE_HOME=") + file("state")}, timeoutMs);
    }
    static int finish(QProcess &process)
    {
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MqttBroker> m_broker;
    std::unique_ptr<MqttSubscriber> m_subscriber;
    QTemporaryDir m_pki; // a CA, the broker's certificate signed by it, and a password file
};

namespace {

bool run(const QString &program, const QStringList &args, const QString &folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return false;
    }
    return true;
}

} // namespace

void TestMqttPublish::initTestCase()
{
    QVERIFY(m_pki.isValid());
    const QString dir = m_pki.path();
    const QString openssl = QStringLiteral("/usr/bin/openssl");
    QVERIFY(run(openssl, QStringLiteral("req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj /CN=TestCA")
                             .split(QLatin1Char(' ')), dir));
    QVERIFY(run(openssl, QStringLiteral("req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj /CN=127.0.0.1")
                             .split(QLatin1Char(' ')), dir));
    QVERIFY(writeAll(m_pki.filePath(QStringLiteral("ext.cnf")), "subjectAltName=IP:127.0.0.1\n"));
    QVERIFY(run(openssl, QStringLiteral("x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem "
                                        "-days 2 -extfile ext.cnf")
                             .split(QLatin1Char(' ')), dir));
    QVERIFY(run(QStringLiteral("/usr/bin/mosquitto_passwd"), QStringLiteral("-c -b passwd st1 right").split(QLatin1Char(' ')),
                dir));
    QVERIFY(writeAll(m_pki.filePath(QStringLiteral("right")), "right\n"));
    QVERIFY(writeAll(m_pki.filePath(QStringLiteral("wrong")), "wrong\n"));
}

void TestMqttPublish::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_broker = std::make_unique<MqttBroker>();
    QVERIFY2(m_broker->start(m_dir->path()), m_broker->log().constData());
    m_subscriber = std::make_unique<MqttSubscriber>();
    QVERIFY2(m_subscriber->start(m_broker->port(), QStringLiteral("vorlant/#")), m_subscriber->errors().constData());
}

void TestMqttPublish::cleanup()
{
    m_subscriber.reset();
    m_broker.reset();
    m_dir.reset();
}

void TestMqttPublish::fiveHundredReadingsAsInTheCsv()
{
    SimProcess sim;
    QVERIFY(sim.start(link(), {QStringLiteral("--part"), QStringLiteral("C=100n,ESR=0.2"), QStringLiteral("--noise"),
                               QStringLiteral("1"), QStringLiteral("--frame-gap-ms"), QStringLiteral("20")}));
    const LoggerResult run = runLogger(mqttArgs() + QStringList{QStringLiteral("--count"), QStringLiteral("500"),
                                                                 QStringLiteral("--output"), file("out.csv")});
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY2(run.err.contains("connected to the broker"), run.err.constData());

    QTRY_COMPARE_WITH_TIMEOUT(payloadsOf(m_subscriber->messages(), QStringLiteral("vorlant/st1/status")).value(1),
                              QByteArray("offline"), 20000);
    const QList<QJsonObject> readings = readingsOf(m_subscriber->messages());
    QCOMPARE(readings.size(), 500);
    QList<QByteArray> lines = readAll(file("out.csv")).split('\n');
    const QList<QByteArray> header = lines.takeFirst().trimmed().split(',');
    for (int i = 0; i < 500; ++i) {
        const QJsonObject &r = readings.at(i);
        QCOMPARE(r.value(QLatin1String("seq")).toInteger(), i + 1);
        QCOMPARE(r.value(QLatin1String("station")).toString(), QStringLiteral("st1"));
        // Every CSV cell, and nothing the CSV leaves empty.
        const QList<QByteArray> cells = lines.at(i).trimmed().split(',');
        QCOMPARE(cells.size(), header.size());
        for (int c = 0; c < header.size(); ++c) {
            const QJsonValue value = r.value(QString::fromLatin1(header.at(c)));
            if (cells.at(c).isEmpty()) {
                QVERIFY2(value.isUndefined(), header.at(c).constData());
            } else if (value.isDouble()) {
                double expected = 0;
                std::from_chars(cells.at(c).constData(), cells.at(c).constData() + cells.at(c).size(), expected);
                QCOMPARE(value.toDouble(), expected);
            } else {
                QCOMPARE(value.toString().toUtf8(), cells.at(c));
            }
        }
        QCOMPARE(r.size(), header.size() - cells.count(QByteArray()) + 2);
    }
    const QList<QByteArray> status = payloadsOf(m_subscriber->messages(), QStringLiteral("vorlant/st1/status"));
    QCOMPARE(status, (QList<QByteArray>{"online", "offline"}));
    const QJsonObject settings = QJsonDocument::fromJson(
                                     payloadsOf(m_subscriber->messages(), QStringLiteral("vorlant/st1/settings")).value(0))
                                     .object();
    QCOMPARE(settings.value(QLatin1String("primary")).toString(), QStringLiteral("C"));
}

void TestMqttPublish::lostBrokerLosesNothing_data()
{
    QTest::addColumn<bool>("killLogger");
    QTest::newRow("broker down for 5 s") << false;
    QTest::newRow("logger killed while the broker is down") << true;
}

void TestMqttPublish::lostBrokerLosesNothing()
{
    QFETCH(bool, killLogger);
    auto sim = std::make_unique<SimProcess>();
    QVERIFY(sim->start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=1k"), QStringLiteral("--numbered")}
                                   + kFastest));
    QProcess logger;
    startLogger(logger, mqttArgs() + QStringList{QStringLiteral("--output"), file("run1.csv")}
                            + (killLogger ? QStringList() : QStringList{QStringLiteral("--count"), QStringLiteral("1000")}));
    QTRY_VERIFY_WITH_TIMEOUT(seqsOf(m_subscriber->messages()).last() >= 150, 30000);
    m_broker->kill();
    QElapsedTimer down;
    down.start();
    if (killLogger) {
        // Readings pile up in the spool; then the logger goes without a word.
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += logger.readAllStandardError()).contains("lost the connection"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(down.elapsed() >= 2000, 5000);
        ::kill(pid_t(logger.processId()), SIGKILL);
        QVERIFY(logger.waitForFinished(10000));
    }
    QTRY_VERIFY_WITH_TIMEOUT(down.elapsed() >= 5000, 10000);
    const int subscriptions = m_subscriber->subscriptions();
    QVERIFY2(m_broker->restart(), m_broker->log().constData());
    QTRY_VERIFY_WITH_TIMEOUT(m_subscriber->subscriptions() > subscriptions, 20000);

    qint64 expectedLast = 1000;
    if (killLogger) {
        // A fresh meter: the killed logger never ended its link.
        sim.reset();
        QFile::remove(link());
        sim = std::make_unique<SimProcess>();
        QVERIFY(sim->start(link(), {QStringLiteral("--part"), QStringLiteral("R=1k"), QStringLiteral("--frame-gap-ms"),
                                    QStringLiteral("20")}));
        QProcess again;
        startLogger(again, mqttArgs() + QStringList{QStringLiteral("--output"), file("run2.csv"),
                                                   QStringLiteral("--count"), QStringLiteral("100")});
        QCOMPARE(finish(again), 0);
        const QByteArray err = again.readAllStandardError();
        QVERIFY2(err.contains("from an earlier run wait in the spool"), err.constData());
        // Each reading of the first run was spooled after its line was written: one may be missing.
        const qint64 firstRun = readAll(file("run1.csv")).count('\n') - 1;
        QTRY_VERIFY_WITH_TIMEOUT(seqsOf(m_subscriber->messages()).last() >= firstRun - 1 + 100, 20000);
        expectedLast = seqsOf(m_subscriber->messages()).last();
        QVERIFY(expectedLast <= firstRun + 100);
    } else {
        QCOMPARE(finish(logger), 0);
        const QByteArray err = logger.readAllStandardError();
        QVERIFY2(err.contains("lost the connection") && err.count("connected to the broker") == 2, err.constData());
    }
    QTRY_COMPARE_WITH_TIMEOUT(seqsOf(m_subscriber->messages()).last(), expectedLast, 20000);
    const Seqs seqs = seqsOf(m_subscriber->messages());
    QCOMPARE(seqs.first(), 1);
    QCOMPARE(seqs.gaps(), 0);
    qInfo("%lld readings, %d duplicates", seqs.last(), seqs.duplicates());
}

void TestMqttPublish::retainedStatus()
{
    SimProcess sim;
    QVERIFY(sim.start(link(), QStringList{QStringLiteral("--part"), QStringLiteral("R=1k"), QStringLiteral("--frame-gap-ms"),
                                          QStringLiteral("50")}));
    const QString status = QStringLiteral("vorlant/st1/status");
    for (const bool kill : {true, false}) {
        const int before = seqsOf(m_subscriber->messages()).received;
        QProcess logger;
        startLogger(logger, mqttArgs());
        QTRY_VERIFY_WITH_TIMEOUT(seqsOf(m_subscriber->messages()).received > before, 30000);
        QCOMPARE(retainedMessage(m_broker->port(), status), QByteArray("online"));
        if (kill) {
            ::kill(pid_t(logger.processId()), SIGKILL);
            QVERIFY(logger.waitForFinished(10000));
        } else {
            logger.terminate();
            QCOMPARE(finish(logger), 0);
        }
        // The last will after the kill, the program's own word after SIGTERM.
        QTRY_COMPARE_WITH_TIMEOUT(payloadsOf(m_subscriber->messages(), status).constLast(), QByteArray("offline"),
                                  20000);
        QCOMPARE(retainedMessage(m_broker->port(), status), QByteArray("offline"));
    }
}

void TestMqttPublish::spoolBoundDropsTheOldest()
{
    // Two links one after the other: not at the link's fastest, which a loaded machine may not keep up with.
    SimProcess sim;
    QVERIFY(sim.start(link(), {QStringLiteral("--part"), QStringLiteral("R=1k"), QStringLiteral("--numbered"),
                               QStringLiteral("--frame-gap-ms"), QStringLiteral("20")}));
    m_broker->kill();
    LoggerResult run = runLogger(mqttArgs() + QStringList{QStringLiteral("--spool-max"), QStringLiteral("100"),
                                                           QStringLiteral("--count"), QStringLiteral("250"),
                                                           QStringLiteral("--output"), file("down.csv")});
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY2(run.err.contains("dropped the oldest"), run.err.constData());
    QVERIFY2(run.err.contains("dropped 150 readings in all"), run.err.constData());
    QVERIFY2(run.err.contains("100 readings stay in the spool"), run.err.constData());

    const int subscriptions = m_subscriber->subscriptions();
    QVERIFY(m_broker->restart());
    QTRY_VERIFY_WITH_TIMEOUT(m_subscriber->subscriptions() > subscriptions, 20000);
    run = runLogger(mqttArgs() + QStringList{QStringLiteral("--count"), QStringLiteral("1")});
    QVERIFY2(run.status == 0, run.err.constData());
    QTRY_COMPARE_WITH_TIMEOUT(seqsOf(m_subscriber->messages()).last(), 251, 20000);
    const Seqs seqs = seqsOf(m_subscriber->messages());
    QCOMPARE(seqs.first(), 151);
    QCOMPARE(seqs.gaps(), 0);
}

void TestMqttPublish::tlsAndPasswords_data()
{
    QTest::addColumn<bool>("plainPort");      // mqtts:// to the listener without TLS
    QTest::addColumn<bool>("withCa");         // --mqtt-ca the test's CA (else the system's authorities)
    QTest::addColumn<QString>("passwordFile"); // empty: VORLANT_MQTT_PASSWORD=right
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("line");
    QTest::newRow("right password") << false << true << QStringLiteral("right") << 0 << QStringLiteral("connected to the broker");
    QTest::newRow("password from the environment") << false << true << QString() << 0
                                                   << QStringLiteral("connected to the broker");
    QTest::newRow("wrong password") << false << true << QStringLiteral("wrong") << 8
                                    << QStringLiteral("refused the credentials");
    QTest::newRow("no TLS on the port") << true << true << QStringLiteral("right") << 9
                                        << QStringLiteral("the TLS handshake failed");
    QTest::newRow("certificate of an unknown CA") << false << false << QStringLiteral("right") << 9
                                                  << QStringLiteral("certificate verify failed");
}

void TestMqttPublish::tlsAndPasswords()
{
    QFETCH(bool, plainPort);
    QFETCH(bool, withCa);
    QFETCH(QString, passwordFile);
    QFETCH(int, status);
    QFETCH(QString, line);
    const QString pki = m_pki.path() + QLatin1Char('/');
    const int plain = freePort();
    MqttBroker broker;
    QVERIFY2(broker.start(m_dir->path(),
                          QStringLiteral("allow_anonymous false\npassword_file %1passwd\nlistener %2 127.0.0.1\n").arg(pki).arg(plain),
                          QStringLiteral("cafile %1ca.pem\ncertfile %1server.pem\nkeyfile %1server.key\n").arg(pki)),
             broker.log().constData());
    SimProcess sim;
    QVERIFY(sim.start(link(), {QStringLiteral("--part"), QStringLiteral("R=1k"), QStringLiteral("--frame-gap-ms"),
                               QStringLiteral("50")}));
    QStringList args{QStringLiteral("--port"), link(), QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--mqtt"),
                     QStringLiteral("mqtts://st1@127.0.0.1:%1").arg(plainPort ? plain : broker.port()),
                     QStringLiteral("--station"), QStringLiteral("st1")};
    if (withCa)
        args << QStringLiteral("--mqtt-ca") << pki + QStringLiteral("ca.pem");
    if (!passwordFile.isEmpty())
        args << QStringLiteral("--mqtt-password-file") << pki + passwordFile;
    const LoggerResult result = ::runLogger(args, {QStringLiteral("XDG_STATE_HOME=") + file("state"),
                                                   QStringLiteral("VORLANT_MQTT_PASSWORD=right")});
    QVERIFY2(result.status == status, result.err.constData());
    QVERIFY2(result.err.contains(line.toUtf8()), result.err.constData());
    if (status != 0)
        QCOMPARE(result.err.count('\n'), 1);
}

void TestMqttPublish::setupFailuresEndTheRun_data()
{
    QTest::addColumn<bool>("stateBelowFile"); // XDG_STATE_HOME below a plain file: no spool folder
    QTest::addColumn<QStringList>("mqtt");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("spool folder cannot be made") << true << QStringList{QStringLiteral("--mqtt"), QStringLiteral("mqtt://127.0.0.1:1")}
                                                 << 6 << QStringLiteral("cannot publish: ");
    QTest::newRow("CA file missing") << false
                                     << QStringList{QStringLiteral("--mqtt"), QStringLiteral("mqtts://127.0.0.1:1"),
                                                    QStringLiteral("--mqtt-ca"), QStringLiteral("/nonexistent/ca.pem")}
                                     << 2 << QStringLiteral("/nonexistent/ca.pem");
    QTest::newRow("password file missing") << false
                                           << QStringList{QStringLiteral("--mqtt"), QStringLiteral("mqtt://u@127.0.0.1:1"),
                                                          QStringLiteral("--mqtt-password-file"), QStringLiteral("/nonexistent/pw")}
                                           << 2 << QStringLiteral("cannot read the password file");
}

void TestMqttPublish::setupFailuresEndTheRun()
{
    QFETCH(bool, stateBelowFile);
    QFETCH(QStringList, mqtt);
    QFETCH(int, status);
    QFETCH(QString, text);
    QVERIFY(writeAll(file("plain"), "x"));
    // Ended before the meter is looked for: there is no dongle at all.
    const LoggerResult result = ::runLogger(QStringList{QStringLiteral("--port"), link(), QStringLiteral("--count"),
                                                        QStringLiteral("1")} + mqtt,
                                            {QStringLiteral("XDG_STATE_HOME=") + file(stateBelowFile ? "plain" : "state")});
    QVERIFY2(result.status == status, result.err.constData());
    QVERIFY2(result.err.contains(text.toUtf8()), result.err.constData());
    QCOMPARE(result.err.count('\n'), 1);
}

QTEST_GUILESS_MAIN(TestMqttPublish)
#include "tst_mqtt_publish.moc"
