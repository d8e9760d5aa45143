#include "publish/mqtt_client.h"

#include <QFile>
#include <QUrl>

#include <mosquitto.h>

#include <chrono>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>

namespace publish {

namespace {

constexpr int kFirstRetrySeconds = 1;
constexpr int kLastRetrySeconds = 30;
constexpr int kConnackSeconds = 15; // a connection that gets no answer counts as failed
constexpr int kLoopMs = 100;

// libmosquitto is set up once per process, before the first client.
void initLibrary()
{
    static const int once = [] { return mosquitto_lib_init(); }();
    (void)once;
}

QString reasonOf(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

// A connection attempt the peer refused. libmosquitto does not always say
// so itself (with TLS it goes on waiting on the dead socket).
std::optional<int> refusedConnection(mosquitto *client)
{
    const int fd = mosquitto_socket(client);
    if (fd < 0)
        return std::nullopt;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 0) <= 0)
        return std::nullopt;
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &size) == 0 || errno != ENOTCONN)
        return std::nullopt;
    int error = 0;
    size = sizeof error;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    return error ? error : ECONNREFUSED;
}

} // namespace

QString MqttAddress::text() const
{
    return QStringLiteral("%1://%2%3:%4")
        .arg(tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"), user.isEmpty() ? QString() : user + QLatin1Char('@'),
             host)
        .arg(port);
}

std::optional<MqttAddress> parseMqttAddress(const QString &text, QString *error)
{
    const QUrl url(text, QUrl::StrictMode);
    MqttAddress address;
    const QString scheme = url.scheme().toLower();
    address.tls = scheme == QLatin1String("mqtts");
    const auto refuse = [&](const QString &why) {
        *error = QStringLiteral("--mqtt %1: %2").arg(text, why);
        return std::nullopt;
    };
    if (!url.isValid() || (scheme != QLatin1String("mqtt") && !address.tls))
        return refuse(QStringLiteral("give mqtt://[user@]host[:port] or mqtts://..."));
    if (url.host().isEmpty())
        return refuse(QStringLiteral("no host"));
    if (!url.password().isEmpty())
        return refuse(QStringLiteral("a password is never taken from the command line; use --mqtt-password-file "
                                     "or VORLANT_MQTT_PASSWORD"));
    if ((!url.path().isEmpty() && url.path() != QLatin1String("/")) || url.hasQuery() || url.hasFragment())
        return refuse(QStringLiteral("nothing may follow the port"));
    address.user = url.userName();
    address.host = url.host();
    address.port = url.port(address.tls ? 8883 : 1883);
    if (address.port <= 0)
        return refuse(QStringLiteral("no port"));
    return address;
}

MqttClient::MqttClient(MqttSession session, QObject *parent)
    : QObject(parent)
    , m_session(std::move(session))
{
    qRegisterMetaType<publish::MqttClient::Fatal>();
}

MqttClient::~MqttClient()
{
    stop();
}

bool MqttClient::start(QString *error)
{
    initLibrary();
    // A client made here shows set-up faults (an unreadable CA file) at once.
    mosquitto *probe = makeClient(error);
    if (!probe)
        return false;
    mosquitto_destroy(probe);
    m_thread = std::thread(&MqttClient::run, this);
    return true;
}

mosquitto *MqttClient::makeClient(QString *error)
{
    mosquitto *client = mosquitto_new(m_session.clientId.toUtf8().constData(), true, this);
    if (!client) {
        *error = QStringLiteral("cannot make an MQTT client: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    int rc = mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // publish() comes from another thread: the loop is woken for it instead of being written past.
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_threaded_set(client, true);
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_will_set(client, m_session.willTopic.constData(), int(m_session.willPayload.size()),
                                m_session.willPayload.constData(), 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_session.address.user.isEmpty())
        rc = mosquitto_username_pw_set(client, m_session.address.user.toUtf8().constData(),
                                       m_session.password ? m_session.password->constData() : nullptr);
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_max_inflight_messages_set(client, 0); // the caller bounds what is in flight
    if (rc == MOSQ_ERR_SUCCESS && m_session.address.tls) {
        const QByteArray ca = QFile::encodeName(m_session.caFile);
        rc = mosquitto_tls_set(client, ca.isEmpty() ? nullptr : ca.constData(),
                               ca.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = m_session.caFile.isEmpty() ? QStringLiteral("cannot set up TLS: %1").arg(reasonOf(rc))
                                                : QStringLiteral("cannot use the CA file %1: %2")
                                                      .arg(m_session.caFile, reasonOf(rc));
            mosquitto_destroy(client);
            return nullptr;
        }
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QStringLiteral("cannot set up the MQTT client: %1").arg(reasonOf(rc));
        mosquitto_destroy(client);
        return nullptr;
    }
    mosquitto_connect_callback_set(client, &MqttClient::onConnect);
    mosquitto_publish_callback_set(client, &MqttClient::onPublish);
    mosquitto_log_callback_set(client, &MqttClient::onLog);
    return client;
}

std::optional<int> MqttClient::publish(const QByteArray &topic, const QByteArray &payload, bool retain)
{
    std::lock_guard lock(m_mutex);
    if (!m_client || !m_connected)
        return std::nullopt;
    int mid = 0;
    const int rc = mosquitto_publish(m_client, &mid, topic.constData(), int(payload.size()), payload.constData(), 1,
                                     retain);
    // Without a connection libmosquitto keeps the message for this session's
    // end, which drops it; the caller sends it again in the next.
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN)
        return std::nullopt;
    return mid;
}

void MqttClient::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_client)
            mosquitto_disconnect(m_client);
    }
    m_wake.notify_all();
    m_thread.join();
    m_connected = false;
}

void MqttClient::run()
{
    int retry = kFirstRetrySeconds;
    while (!m_stopping) {
        QString error;
        mosquitto *client = makeClient(&error);
        if (!client) {
            QMetaObject::invokeMethod(this, [this, error] { emit failed(Fatal::Tls, error); }, Qt::QueuedConnection);
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_client = client;
        }
        bool fatal = false;
        const QString reason = session(client, &fatal);
        const bool wasUp = m_connected.exchange(false);
        {
            std::lock_guard lock(m_mutex);
            m_client = nullptr;
        }
        mosquitto_destroy(client);
        if (m_stopping)
            return;
        if (fatal) {
            const Fatal kind = m_connack > 0 ? Fatal::Refused : Fatal::Tls;
            QMetaObject::invokeMethod(this, [this, kind, reason] { emit failed(kind, reason); }, Qt::QueuedConnection);
            return;
        }
        if (wasUp)
            retry = kFirstRetrySeconds;
        QMetaObject::invokeMethod(this, [this, reason, retry] { emit disconnected(reason, retry); },
                                  Qt::QueuedConnection);
        waitBeforeRetry(retry);
        retry = std::min(retry * 2, kLastRetrySeconds);
    }
}

QString MqttClient::session(mosquitto *client, bool *fatal)
{
    m_connack = -1;
    m_lastLogError.clear();
    const QByteArray host = m_session.address.host.toUtf8();
    int rc = mosquitto_connect_async(client, host.constData(), m_session.address.port, m_session.keepAliveSeconds);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(kConnackSeconds);
    int deadSocket = 0; // turns in a row with a socket that never connected
    while (rc == MOSQ_ERR_SUCCESS) {
        rc = mosquitto_loop(client, kLoopMs, 1);
        if (m_connack > 0) {
            // 4: bad user name or password, 5: not authorised. Other refusals may pass.
            *fatal = m_connack == 4 || m_connack == 5;
            return QString::fromUtf8(mosquitto_connack_string(m_connack));
        }
        if (m_stopping) {
            // DISCONNECT is queued by stop(); give it a moment to leave, so the will stays unsent.
            for (int i = 0; i < 10 && rc == MOSQ_ERR_SUCCESS; ++i)
                rc = mosquitto_loop(client, kLoopMs, 1);
            return {};
        }
        if (m_connack < 0) {
            // A few turns first: a handshake the peer broke off is reported by the loop itself.
            const std::optional<int> refused = refusedConnection(client);
            deadSocket = refused ? deadSocket + 1 : 0;
            if (deadSocket >= 3)
                return QString::fromLocal8Bit(std::strerror(*refused));
            if (std::chrono::steady_clock::now() > giveUp)
                return QStringLiteral("no answer from the broker within %1 s").arg(kConnackSeconds);
        }
    }
    const int savedErrno = errno;
    QString reason = rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(savedErrno)) : reasonOf(rc);
    // TLS that fails before any session is a setting to mend, not a network to wait for.
    if (m_session.address.tls && !m_everConnected && (rc == MOSQ_ERR_TLS || (m_connack < 0 && !m_lastLogError.isEmpty()))) {
        *fatal = true;
        reason = QStringLiteral("the TLS handshake failed (%1); is it a TLS port, and is the CA right?")
                     .arg(m_lastLogError.isEmpty() ? reason : m_lastLogError);
    }
    return reason;
}

void MqttClient::waitBeforeRetry(int seconds)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_stopping.load(); });
}

void MqttClient::onConnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MqttClient *>(self);
    client->m_connack = rc;
    if (rc != 0)
        return;
    client->m_everConnected = true;
    client->m_connected = true;
    const int session = ++client->m_sessionNumber;
    QMetaObject::invokeMethod(client, [client, session] { emit client->connected(session); }, Qt::QueuedConnection);
}

void MqttClient::onPublish(mosquitto *, void *self, int mid)
{
    auto *client = static_cast<MqttClient *>(self);
    const int session = client->m_sessionNumber;
    QMetaObject::invokeMethod(client, [client, session, mid] { emit client->acknowledged(session, mid); },
                              Qt::QueuedConnection);
}

void MqttClient::onLog(mosquitto *, void *self, int level, const char *text)
{
    if (level == MOSQ_LOG_ERR && text)
        static_cast<MqttClient *>(self)->m_lastLogError = QString::fromUtf8(text);
}

} // namespace publish
