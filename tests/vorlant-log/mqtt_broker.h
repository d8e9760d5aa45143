#pragma once

// Debian's mosquitto broker and a subscriber beside it, for tests that
// publish to a real broker on 127.0.0.1: the broker on a free port with a
// configuration of the test's own, killed and started again on the same port.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>

class MqttBroker
{
public:
    MqttBroker() = default;
    ~MqttBroker();
    MqttBroker(const MqttBroker &) = delete;
    MqttBroker &operator=(const MqttBroker &) = delete;

    // Writes <folder>/mosquitto.conf (persistence off, `extraConfig`, then a
    // listener on a free port with `listenerConfig`) and starts the broker;
    // true once it listens.
    bool start(const QString &folder, const QString &extraConfig = QStringLiteral("allow_anonymous true\n"),
               const QString &listenerConfig = {});
    // Starts it again on the same port, with the same configuration.
    bool restart();
    // SIGKILL, and waits for its end.
    void kill();
    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QByteArray log();

private:
    QProcess m_process;
    QString m_config;
    int m_port = 0;
    QByteArray m_log;
};

// The test subscriber (tests/vorlant-log/mqtt_subscriber.py on Debian's python3 with paho).
class MqttSubscriber
{
public:
    MqttSubscriber() = default;
    ~MqttSubscriber();
    bool start(int port, const QString &topic);
    // Messages so far: {"topic", "payload", "retain"}.
    const QList<QJsonObject> &messages();
    int subscriptions();
    QByteArray errors() { return m_process.readAllStandardError(); }

private:
    void read();

    QProcess m_process;
    QList<QJsonObject> m_messages;
    int m_subscriptions = 0;
};

// The retained message of `topic` (empty when none comes within 5 s).
QByteArray retainedMessage(int port, const QString &topic);

// A port nobody listens on right now.
int freePort();
