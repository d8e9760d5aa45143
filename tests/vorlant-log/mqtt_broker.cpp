#include "mqtt_broker.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool listens(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

MqttBroker::~MqttBroker()
{
    kill();
}

bool MqttBroker::start(const QString &folder, const QString &extraConfig, const QString &listenerConfig)
{
    m_port = freePort();
    m_config = folder + QStringLiteral("/mosquitto.conf");
    QFile conf(m_config);
    if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // Started by root, the broker would become user "mosquitto", who cannot read the test's files.
    const passwd *user = ::getpwuid(::getuid());
    conf.write(QStringLiteral("user %1\nper_listener_settings false\npersistence false\nlog_dest stderr\n%2"
                              "listener %3 127.0.0.1\n%4")
                   .arg(QString::fromLocal8Bit(user ? user->pw_name : "root"), extraConfig)
                   .arg(m_port)
                   .arg(listenerConfig)
                   .toUtf8());
    conf.close();
    return restart();
}

bool MqttBroker::restart()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("/usr/sbin/mosquitto"), {QStringLiteral("-c"), m_config});
    if (!m_process.waitForStarted(10000))
        return false;
    QDeadlineTimer deadline(10000);
    while (!listens(m_port)) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(50);
    }
    return true;
}

void MqttBroker::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(10000);
    log();
}

QByteArray MqttBroker::log()
{
    m_log += m_process.readAll();
    return m_log;
}

MqttSubscriber::~MqttSubscriber()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool MqttSubscriber::start(int port, const QString &topic)
{
    const QString script = qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/tests/vorlant-log/mqtt_subscriber.py");
    m_process.start(QStringLiteral("/usr/bin/python3"), {script, QStringLiteral("127.0.0.1"), QString::number(port), topic});
    if (!m_process.waitForStarted(10000))
        return false;
    QDeadlineTimer deadline(20000);
    while (subscriptions() == 0) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(100);
    }
    return true;
}

void MqttSubscriber::read()
{
    while (m_process.canReadLine()) {
        const QJsonObject o = QJsonDocument::fromJson(m_process.readLine()).object();
        if (o.contains(QLatin1String("subscribed")))
            ++m_subscriptions;
        else if (!o.isEmpty())
            m_messages.append(o);
    }
}

const QList<QJsonObject> &MqttSubscriber::messages()
{
    read();
    return m_messages;
}

int MqttSubscriber::subscriptions()
{
    read();
    return m_subscriptions;
}

QByteArray retainedMessage(int port, const QString &topic)
{
    QProcess sub;
    sub.start(QStringLiteral("/usr/bin/mosquitto_sub"),
              {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port),
               QStringLiteral("-t"), topic, QStringLiteral("-C"), QStringLiteral("1"), QStringLiteral("-W"),
               QStringLiteral("5")});
    sub.waitForFinished(15000);
    return sub.readAllStandardOutput().trimmed();
}
