#pragma once

// One connected client: bytes in, lines out to its session, answers back,
// within the server's limits.

#include "remote/scpi_session.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace remote {

class ScpiClient : public QObject
{
    Q_OBJECT

public:
    // Takes the socket over.
    ScpiClient(QTcpSocket *socket, MeterAccess &meter, const ScpiIdentity &identity, QObject *parent = nullptr);
    ~ScpiClient() override;

    QString peer() const { return m_peer; }

signals:
    // The connection ended (either side); the client deletes itself later.
    void left(const QString &peer);

private:
    void readInput();
    void takeLine(QByteArray line);
    void sendAnswer(const QByteArray &line);
    void onUnterminated();
    void end();

    QTcpSocket *m_socket;
    ScpiSession m_session;
    QString m_peer;
    QByteArray m_input;
    bool m_discarding = false; // the rest of an over-long line is still coming
    bool m_ended = false;
    QTimer m_unterminated;     // a query without its line end
};

} // namespace remote
