#include "remote/scpi_client.h"

#include "remote/scpi_server.h"

#include <QTcpSocket>

namespace remote {

ScpiClient::ScpiClient(QTcpSocket *socket, MeterAccess &meter, const ScpiIdentity &identity, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_session(meter, identity, this)
{
    m_socket->setParent(this);
    m_peer = QStringLiteral("%1:%2").arg(m_socket->peerAddress().toString()).arg(m_socket->peerPort());
    // The kernel holds no more than the server would for a client that does not read.
    m_socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, ScpiServer::kMaxPendingOutput);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_unterminated.setSingleShot(true);
    connect(&m_unterminated, &QTimer::timeout, this, &ScpiClient::onUnterminated);
    connect(m_socket, &QTcpSocket::readyRead, this, &ScpiClient::readInput);
    connect(m_socket, &QTcpSocket::disconnected, this, &ScpiClient::end);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &ScpiClient::end);
    connect(&m_session, &ScpiSession::answerReady, this, &ScpiClient::sendAnswer);
}

ScpiClient::~ScpiClient()
{
    // The socket goes with this object and may still say it disconnected.
    m_socket->disconnect(this);
}

void ScpiClient::readInput()
{
    // Whatever came, line by line; a client closed on the way reads no further.
    while (!m_ended && m_socket->bytesAvailable() > 0) {
        m_input += m_socket->read(ScpiServer::kMaxLineBytes + 1);
        qsizetype end;
        while (!m_ended && (end = m_input.indexOf('\n')) >= 0) {
            QByteArray line = m_input.left(end);
            m_input.remove(0, end + 1);
            if (m_discarding) {
                m_discarding = false; // the end of the line already reported
                continue;
            }
            takeLine(std::move(line));
        }
        if (m_input.size() > ScpiServer::kMaxLineBytes) {
            // Not kept: the rest of this line is thrown away as it comes.
            if (!m_discarding)
                m_session.report(ScpiError::TooMuchData);
            m_discarding = true;
            m_input.clear();
        }
    }
    if (m_ended)
        return;
    // A query without its line end would leave its client waiting for ever.
    if (!m_discarding && m_input.contains('?')) {
        if (!m_unterminated.isActive())
            m_unterminated.start(m_session.timeoutMs());
    } else {
        m_unterminated.stop();
    }
}

void ScpiClient::takeLine(QByteArray line)
{
    if (line.size() > ScpiServer::kMaxLineBytes) {
        m_session.report(ScpiError::TooMuchData);
        return;
    }
    if (line.endsWith('\r'))
        line.chop(1);
    m_session.execute(line);
}

void ScpiClient::sendAnswer(const QByteArray &line)
{
    if (m_ended)
        return;
    // A client that does not read its answers is not kept: it would hold memory without end.
    if (m_socket->bytesToWrite() + line.size() > ScpiServer::kMaxPendingOutput) {
        m_socket->abort();
        end();
        return;
    }
    m_socket->write(line);
}

void ScpiClient::onUnterminated()
{
    if (m_ended || !m_input.contains('?'))
        return;
    m_input.clear();
    m_session.report(ScpiError::QueryUnterminated);
}

void ScpiClient::end()
{
    if (m_ended)
        return;
    m_ended = true;
    m_unterminated.stop();
    emit left(m_peer);
    deleteLater();
}

} // namespace remote
