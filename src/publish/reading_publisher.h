#pragma once

#include "publish/mqtt_client.h"
#include "publish/reading_spool.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

namespace publish {

struct PublisherOptions
{
    MqttSession session;      // will topic and payload, client id are filled in by the publisher
    QString station;
    QString topicPrefix;      // <prefix>/reading, /status, /settings
    QString spoolFolder;      // $XDG_STATE_HOME/vorlant/spool
    std::uint64_t spoolMax = ReadingSpool::kDefaultMaxPending;
};

// A station's readings to the broker, none lost: each is spooled with its
// sequence number, handed to the client while a session is up, and leaves the
// spool on the broker's acknowledgement. Every new session begins with
// status "online" (retained; the last will says "offline"), the settings
// (retained), then the spool from its oldest reading on. A spool that cannot
// be written stops the publishing, never the caller.
class ReadingPublisher : public QObject
{
    Q_OBJECT

public:
    using Report = std::function<void(const QString &line)>;
    // The payload of the reading numbered `seq`.
    using Payload = std::function<QByteArray(std::uint64_t seq)>;

    static constexpr int kInFlight = 200; // handed to the client, not yet acknowledged
    static constexpr int kOfflineWaitMs = 1000;

    ReadingPublisher(PublisherOptions options, Report report, QObject *parent = nullptr);
    ~ReadingPublisher() override;

    // Opens the spool (false: it cannot be kept), then starts the client
    // (false: it cannot be set up, such as an unreadable CA file).
    bool openSpool(QString *error);
    bool start(QString *error);
    void publishReading(const Payload &payload);
    // The meter's settings as a JSON object; sent (retained) when they differ from the last.
    void publishSettings(const QByteArray &json);
    // The pending readings while the broker takes them within `waitMs`,
    // then status "offline" and the session's end; finished() follows.
    void finish(int waitMs);

    QByteArray topic(const char *leaf) const;
    std::uint64_t pendingCount() const { return m_spool.pending().size(); }

signals:
    void finished();
    // The broker refused the credentials, or TLS could not be set up; no retry.
    void failed(publish::MqttClient::Fatal kind, const QString &reason);

private:
    void onConnected(int session);
    void onAcknowledged(int session, int messageId);
    void sendMore();
    void spoolFailed(const QString &error);
    void reportDropped();
    void sendOffline();
    void endSession();

    PublisherOptions m_options;
    Report m_report;
    ReadingSpool m_spool;
    std::unique_ptr<MqttClient> m_client;
    QTimer m_finishTimer;

    int m_session = 0;      // 0: no session up
    std::uint64_t m_nextToSend = 0;
    QHash<int, std::uint64_t> m_inFlight; // message id -> seq
    QByteArray m_settings;
    bool m_spoolBroken = false;
    bool m_finishing = false;
    int m_offlineId = -1;
    bool m_wasDown = false;
    std::uint64_t m_dropped = 0;
    bool m_failed = false;
};

} // namespace publish
