#include "remote/scpi_server.h"

#include "remote/scpi_client.h"

#include <QTcpServer>

#include <sys/socket.h>
#include <unistd.h>

#include <functional>

namespace remote {

namespace {

// Hands each accepted socket over as it is, before any socket object reads it.
class Listener : public QTcpServer
{
public:
    std::function<void(int)> accepted;

protected:
    void incomingConnection(qintptr fd) override { accepted(int(fd)); }
};

} // namespace

ScpiServer::ScpiServer(MeterAccess &meter, const ScpiIdentity &identity, QObject *parent)
    : QObject(parent)
    , m_meter(meter)
    , m_identity(identity)
{
    auto *listener = new Listener;
    listener->setParent(this);
    listener->accepted = [this](int fd) { accept(fd); };
    m_server = listener;
}

ScpiServer::~ScpiServer()
{
    // Clients are children; they must not report leaving to a server half gone.
    for (ScpiClient *client : findChildren<ScpiClient *>(Qt::FindDirectChildrenOnly))
        client->disconnect(this);
}

bool ScpiServer::parseAddress(const QString &text, QHostAddress *host, quint16 *port, QString *error)
{
    QString hostText = QStringLiteral("127.0.0.1");
    QString portText = text.trimmed();
    const qsizetype colon = portText.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        hostText = portText.left(colon);
        portText = portText.mid(colon + 1);
        if (hostText.startsWith(QLatin1Char('[')) && hostText.endsWith(QLatin1Char(']')))
            hostText = hostText.mid(1, hostText.size() - 2);
    }
    bool ok = false;
    const uint number = portText.toUInt(&ok);
    if (!ok || number > 65535) {
        *error = QStringLiteral("\"%1\" is no port number (0 to 65535)").arg(portText);
        return false;
    }
    QHostAddress address;
    if (hostText.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(hostText)) {
        *error = QStringLiteral("\"%1\" is no IP address").arg(hostText);
        return false;
    }
    *host = address;
    *port = quint16(number);
    return true;
}

bool ScpiServer::listen(const QString &hostPort, QString *error)
{
    QHostAddress host;
    quint16 port = 0;
    if (!parseAddress(hostPort, &host, &port, error))
        return false;
    if (!m_server->listen(host, port)) {
        *error = m_server->errorString();
        return false;
    }
    return true;
}

bool ScpiServer::listening() const
{
    return m_server->isListening();
}

QString ScpiServer::address() const
{
    const QHostAddress host = m_server->serverAddress();
    const QString text = host.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(host.toString())
                             : host.toString();
    return QStringLiteral("%1:%2").arg(text).arg(m_server->serverPort());
}

void ScpiServer::accept(int fd)
{
    if (m_clients >= kMaxClients) {
        const QString peer = ScpiClient::peerOf(fd);
        const QByteArray refusal =
            ScpiErrorEntry{ScpiError::Execution, QStringLiteral("Too many clients (at most %1)").arg(kMaxClients)}
                .toAnswer()
            + '\n';
        // A fresh socket's buffer takes the one line at once.
        ::send(fd, refusal.constData(), size_t(refusal.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        emit clientRefused(peer);
        return;
    }
    ++m_clients;
    auto *client = new ScpiClient(fd, m_meter, m_identity, this);
    connect(client, &ScpiClient::left, this, [this](const QString &peer) {
        --m_clients;
        emit clientLeft(peer);
    });
    emit clientArrived(client->peer());
}

} // namespace remote
