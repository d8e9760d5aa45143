#pragma once

// One connected client: bytes in, lines out to its session, answers back,
// within the server's limits. It works on the plain socket so that a client
// that ends its input after the last line (`echo 'READ?' | socat - TCP:...`)
// still gets every answer before the connection closes.

#include "remote/scpi_session.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <deque>

namespace remote {

class ScpiClient : public QObject
{
    Q_OBJECT

public:
    // Takes the connected socket `fd` over.
    ScpiClient(int fd, MeterAccess &meter, const ScpiIdentity &identity, QObject *parent = nullptr);
    ~ScpiClient() override;

    QString peer() const { return m_peer; }
    // "127.0.0.1:40000" of a connected socket.
    static QString peerOf(int fd);

signals:
    // The connection ended (either side); the client deletes itself later.
    void left(const QString &peer);

private:
    void readInput();
    void takeBytes(const char *data, qsizetype size);
    void takeLine(QByteArray line);
    void runQueued();
    void sendAnswer(const QByteArray &line);
    void flushOutput();
    void closeWhenDone();
    void onUnterminated();
    void end();

    int m_fd;
    ScpiSession m_session;
    QString m_peer;
    QSocketNotifier m_readable;
    QSocketNotifier m_writable;
    QByteArray m_input;
    QByteArray m_output;
    // Lines that came while a query waits for its reading, run after it in order.
    std::deque<QByteArray> m_queued;
    qsizetype m_queuedBytes = 0;
    bool m_running = false;
    bool m_discarding = false; // the rest of an over-long line is still coming
    bool m_inputEnded = false; // the client shut its side down
    bool m_ended = false;
    QTimer m_unterminated;     // a query without its line end
};

} // namespace remote
