#include "publish/reading_publisher.h"

#include <algorithm>

namespace publish {

namespace {

QString readings(std::uint64_t n)
{
    return n == 1 ? QStringLiteral("1 reading") : QStringLiteral("%1 readings").arg(n);
}

} // namespace

ReadingPublisher::ReadingPublisher(PublisherOptions options, Report report, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_report(std::move(report))
{
    m_options.session.willTopic = topic("status");
    m_options.session.willPayload = "offline";
    if (m_options.session.clientId.isEmpty())
        m_options.session.clientId = QStringLiteral("vorlant-") + m_options.station;
    m_finishTimer.setSingleShot(true);
    connect(&m_finishTimer, &QTimer::timeout, this, [this] {
        if (m_offlineId >= 0) {
            endSession();
            return;
        }
        // Out of time for the spool: the rest waits for the next run.
        m_finishTimer.start(kOfflineWaitMs);
        sendOffline();
    });
}

ReadingPublisher::~ReadingPublisher() = default;

QByteArray ReadingPublisher::topic(const char *leaf) const
{
    return (m_options.topicPrefix + QLatin1Char('/') + QLatin1String(leaf)).toUtf8();
}

bool ReadingPublisher::openSpool(QString *error)
{
    if (!m_spool.open(m_options.spoolFolder, m_options.station, m_options.spoolMax, error))
        return false;
    if (!m_spool.recoveryNote().isEmpty())
        m_report(m_spool.recoveryNote());
    if (!m_spool.pending().empty())
        m_report(QStringLiteral("%1 from an earlier run wait in the spool").arg(readings(m_spool.pending().size())));
    m_nextToSend = m_spool.nextSeq();
    return true;
}

bool ReadingPublisher::start(QString *error)
{
    m_client = std::make_unique<MqttClient>(m_options.session);
    connect(m_client.get(), &MqttClient::connected, this, &ReadingPublisher::onConnected);
    connect(m_client.get(), &MqttClient::acknowledged, this, &ReadingPublisher::onAcknowledged);
    connect(m_client.get(), &MqttClient::disconnected, this, [this](const QString &reason, int retry) {
        if (m_finishing) {
            m_session = 0;
            endSession();
            return;
        }
        const bool lost = m_session != 0;
        m_session = 0;
        m_inFlight.clear();
        // One line per change: lost, or still unreachable after the first try.
        if (lost || !m_wasDown)
            m_report(QStringLiteral("%1 to the broker %2 (%3); %4 waiting in the spool; trying again, first in %5 s, "
                                    "then less often up to every 30 s")
                         .arg(lost ? QStringLiteral("lost the connection") : QStringLiteral("no connection"),
                              m_options.session.address.text(), reason, readings(m_spool.pending().size()))
                         .arg(retry));
        m_wasDown = true;
    });
    connect(m_client.get(), &MqttClient::failed, this, [this](MqttClient::Fatal kind, const QString &reason) {
        m_session = 0;
        m_failed = true;
        emit failed(kind, reason);
    });
    return m_client->start(error);
}

void ReadingPublisher::onConnected(int session)
{
    if (m_finishing)
        return;
    m_session = session;
    m_inFlight.clear();
    m_report(QStringLiteral("connected to the broker %1 as station \"%2\"%3")
                 .arg(m_options.session.address.text(), m_options.station,
                      m_spool.pending().empty() ? QString()
                                                : QStringLiteral("; sending %1 from the spool")
                                                      .arg(readings(m_spool.pending().size()))));
    m_wasDown = false;
    m_client->publish(topic("status"), "online", true);
    if (!m_settings.isEmpty())
        m_client->publish(topic("settings"), m_settings, true);
    // Whatever the last session had not got acknowledged goes again, oldest first.
    m_nextToSend = m_spool.pending().empty() ? m_spool.nextSeq() : m_spool.pending().front().seq;
    sendMore();
}

void ReadingPublisher::publishReading(const Payload &payload)
{
    if (m_spoolBroken)
        return;
    QString error;
    if (!m_spool.append(payload(m_spool.nextSeq()), &error)) {
        spoolFailed(error);
        return;
    }
    reportDropped();
    sendMore();
}

void ReadingPublisher::publishSettings(const QByteArray &json)
{
    if (json == m_settings)
        return;
    m_settings = json;
    if (m_session != 0)
        m_client->publish(topic("settings"), m_settings, true);
}

void ReadingPublisher::sendMore()
{
    if (m_session == 0 || m_spoolBroken || m_offlineId >= 0)
        return;
    const std::deque<ReadingSpool::Entry> &pending = m_spool.pending();
    if (pending.empty())
        return;
    // Oldest first, from where the last turn stopped (seqs rise, with a gap
    // only where a damaged spool file lost readings).
    auto it = std::lower_bound(pending.begin(), pending.end(), m_nextToSend,
                               [](const ReadingSpool::Entry &e, std::uint64_t seq) { return e.seq < seq; });
    const QByteArray readingTopic = topic("reading");
    for (; it != pending.end() && m_inFlight.size() < kInFlight; ++it) {
        QString error;
        const std::optional<QByteArray> payload = m_spool.payload(*it, &error);
        if (!payload) {
            spoolFailed(error);
            return;
        }
        const std::optional<int> id = m_client->publish(readingTopic, *payload, false);
        if (!id)
            return; // the session ended; the next one starts from the spool
        m_inFlight.insert(*id, it->seq);
        m_nextToSend = it->seq + 1;
    }
}

void ReadingPublisher::onAcknowledged(int session, int messageId)
{
    if (session != m_session)
        return;
    if (m_finishing && messageId == m_offlineId) {
        endSession();
        return;
    }
    const auto it = m_inFlight.constFind(messageId);
    if (it == m_inFlight.cend())
        return;
    const std::uint64_t seq = *it;
    m_inFlight.erase(it);
    QString error;
    if (!m_spool.acknowledge(seq, &error)) {
        spoolFailed(error);
        return;
    }
    if (m_finishing && m_spool.pending().empty())
        sendOffline();
    else
        sendMore();
}

void ReadingPublisher::spoolFailed(const QString &error)
{
    // Local output goes on; only the publishing stops.
    m_spoolBroken = true;
    m_report(QStringLiteral("publishing stopped: %1").arg(error));
}

void ReadingPublisher::reportDropped()
{
    if (const std::uint64_t dropped = m_spool.takeDropped()) {
        const std::uint64_t total = m_dropped += dropped;
        // A line for the first and for every thousand more, not one per reading.
        if (total == dropped || total / 1000 != (total - dropped) / 1000)
            m_report(QStringLiteral("the spool is full (--spool-max %1): dropped the oldest; %2 dropped so far")
                         .arg(m_options.spoolMax)
                         .arg(readings(total)));
    }
}

void ReadingPublisher::finish(int waitMs)
{
    if (m_finishing)
        return;
    m_finishing = true;
    if (!m_client || m_session == 0) {
        QTimer::singleShot(0, this, &ReadingPublisher::endSession);
        return;
    }
    // What is pending goes out first while there is time; "offline" comes last.
    m_finishTimer.start(waitMs);
    if (m_spool.pending().empty() || m_spoolBroken)
        sendOffline();
    else
        sendMore();
}

void ReadingPublisher::sendOffline()
{
    if (m_offlineId >= 0)
        return;
    const std::optional<int> id = m_session != 0 ? m_client->publish(topic("status"), "offline", true) : std::nullopt;
    if (!id) {
        QTimer::singleShot(0, this, &ReadingPublisher::endSession);
        return;
    }
    m_offlineId = *id;
}

void ReadingPublisher::endSession()
{
    if (!m_client)
        return;
    m_finishTimer.stop();
    m_client->stop();
    m_client.reset();
    if (m_failed) {
        // The failure's own line says it all.
        emit finished();
        return;
    }
    if (m_dropped > 0)
        m_report(QStringLiteral("the full spool dropped %1 in all").arg(readings(m_dropped)));
    if (!m_spool.pending().empty())
        m_report(QStringLiteral("%1 stay in the spool for the next run").arg(readings(m_spool.pending().size())));
    emit finished();
}

} // namespace publish
