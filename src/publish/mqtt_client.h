#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

struct mosquitto;

namespace publish {

// mqtt://[user@]host[:port] (1883) or mqtts://[user@]host[:port] (8883).
struct MqttAddress
{
    bool tls = false;
    QString user;
    QString host;
    int port = 1883;

    QString text() const;
};
std::optional<MqttAddress> parseMqttAddress(const QString &text, QString *error);

struct MqttSession
{
    MqttAddress address;
    std::optional<QByteArray> password;
    QString caFile;   // mqtts: the authority the broker's certificate must come from; empty: the system's
    QString clientId; // unique per station, so a second session replaces a stale one
    QByteArray willTopic;
    QByteArray willPayload;
    int keepAliveSeconds = 20;
};

// One MQTT client on libmosquitto, its network work on a thread of its own:
// connecting (DNS, TCP, TLS), reading and writing, and coming back after a
// loss with a back-off of 1, 2, 4 ... 30 s. Every session starts with a fresh
// client and clean state, so nothing libmosquitto held of the last session is
// sent again behind the caller's back: after connected(), the caller sends
// what the broker has not acknowledged. publish() never waits for the
// network. Signals arrive in the thread that made the object.
class MqttClient : public QObject
{
    Q_OBJECT

public:
    enum class Fatal { Refused, Tls };

    explicit MqttClient(MqttSession session, QObject *parent = nullptr);
    ~MqttClient() override;

    // Starts the thread. False when libmosquitto cannot be set up.
    bool start(QString *error);
    // QoS 1; the message id, or nullopt when there is no session now.
    std::optional<int> publish(const QByteArray &topic, const QByteArray &payload, bool retain);
    bool isConnected() const { return m_connected; }
    // Ends the session with a DISCONNECT (no last will) and the thread.
    void stop();

signals:
    // A new session is up; its acknowledgements carry `session`.
    void connected(int session);
    // Tried or lost; the next try in `retrySeconds`.
    void disconnected(const QString &reason, int retrySeconds);
    void acknowledged(int session, int messageId);
    // The broker refused the credentials, or TLS failed before any session: no retry.
    void failed(publish::MqttClient::Fatal kind, const QString &reason);

private:
    void run();
    mosquitto *makeClient(QString *error);
    // One session: connect, then read and write until it ends; its end's reason.
    QString session(mosquitto *client, bool *fatal);
    void waitBeforeRetry(int seconds);

    static void onConnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onLog(mosquitto *, void *self, int level, const char *text);

    MqttSession m_session;
    std::thread m_thread;
    std::mutex m_mutex; // guards m_client against the thread's replacing it
    std::condition_variable m_wake;
    mosquitto *m_client = nullptr;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_connected{false};
    // Set by the callbacks, read by the thread.
    int m_connack = -1;
    int m_sessionNumber = 0;
    QString m_lastLogError;
    bool m_everConnected = false;
};

} // namespace publish
