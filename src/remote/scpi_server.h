#pragma once

// The SCPI socket: lab scripts (PyVISA's TCPIP::host::port::SOCKET, a shell's
// socat) drive the meter through it while this program keeps the dongle.
//
// Limits, so that no client can harm the meter, the program or the others:
// it listens on 127.0.0.1 unless given a host; at most kMaxClients clients
// (a further one gets one error line and is closed); a line longer than
// kMaxLineBytes is dropped with -223; a client whose unread answers pass
// kMaxPendingOutput is closed. Every client is served on this thread, one
// line at a time, so commands take effect in the order they arrived.

#include "remote/scpi_commands.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

class QTcpServer;

namespace remote {

class ScpiClient;

class ScpiServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxClients = 4;
    static constexpr int kMaxLineBytes = 4096;
    static constexpr int kMaxPendingOutput = 64 * 1024;
    // Lines held while a query waits for its reading; past this the query
    // is given up (-410) and the held lines run.
    static constexpr int kMaxQueuedInput = 16 * 1024;
    static constexpr quint16 kDefaultPort = 5025;

    ScpiServer(MeterAccess &meter, const ScpiIdentity &identity, QObject *parent = nullptr);
    ~ScpiServer() override;

    // "[HOST:]PORT" ("5025", "0.0.0.0:5025", "[::1]:5025"; port 0 picks a
    // free one). False with the reason (the system's words) in `error`.
    bool listen(const QString &hostPort, QString *error);
    // "127.0.0.1:5025" once listening.
    QString address() const;
    bool listening() const;
    int clientCount() const { return m_clients; }

    // The host and port of "[HOST:]PORT"; false with the reason otherwise.
    static bool parseAddress(const QString &text, QHostAddress *host, quint16 *port, QString *error);

signals:
    void clientArrived(const QString &peer);
    void clientLeft(const QString &peer);
    void clientRefused(const QString &peer);

private:
    void accept(int fd);

    MeterAccess &m_meter;
    ScpiIdentity m_identity;
    QTcpServer *m_server = nullptr;
    int m_clients = 0;
};

} // namespace remote
