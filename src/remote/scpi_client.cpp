#include "remote/scpi_client.h"

#include "remote/scpi_server.h"

#include <QHostAddress>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace remote {

namespace {

// Bytes taken from one client per turn of the event loop, so that one
// client sending without pause cannot keep the others waiting.
constexpr qsizetype kReadPerTurn = 64 * 1024;

} // namespace

ScpiClient::ScpiClient(int fd, MeterAccess &meter, const ScpiIdentity &identity, QObject *parent)
    : QObject(parent)
    , m_fd(fd)
    , m_session(meter, identity, this)
    , m_peer(peerOf(fd))
    , m_readable(fd, QSocketNotifier::Read)
    , m_writable(fd, QSocketNotifier::Write)
{
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    // The kernel holds no more than the server would for a client that does not read.
    const int sendBuffer = ScpiServer::kMaxPendingOutput;
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    const int noDelay = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);

    m_writable.setEnabled(false);
    m_unterminated.setSingleShot(true);
    connect(&m_readable, &QSocketNotifier::activated, this, &ScpiClient::readInput);
    connect(&m_writable, &QSocketNotifier::activated, this, &ScpiClient::flushOutput);
    connect(&m_unterminated, &QTimer::timeout, this, &ScpiClient::onUnterminated);
    connect(&m_session, &ScpiSession::answerReady, this, &ScpiClient::sendAnswer);
    connect(&m_session, &ScpiSession::messageDone, this, &ScpiClient::runQueued);
}

ScpiClient::~ScpiClient()
{
    if (m_fd < 0)
        return;
    m_readable.setEnabled(false);
    m_writable.setEnabled(false);
    ::close(m_fd);
}

QString ScpiClient::peerOf(int fd)
{
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return QStringLiteral("?");
    const QHostAddress host(reinterpret_cast<const sockaddr *>(&address));
    const quint16 port = address.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6 &>(address).sin6_port)
                                                       : ntohs(reinterpret_cast<sockaddr_in &>(address).sin_port);
    return QStringLiteral("%1:%2").arg(host.toString()).arg(port);
}

void ScpiClient::readInput()
{
    char buffer[8192];
    qsizetype taken = 0;
    while (!m_ended && !m_inputEnded && taken < kReadPerTurn) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            taken += n;
            takeBytes(buffer, n);
        } else if (n == 0) {
            // The client sent all it will; its answers still go out.
            m_inputEnded = true;
            m_readable.setEnabled(false);
            m_unterminated.stop();
            closeWhenDone();
        } else if (errno == EINTR) {
            continue;
        } else {
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                end();
            break;
        }
    }
    if (m_ended || m_inputEnded)
        return;
    // A query without its line end would leave its client waiting for ever.
    if (!m_discarding && m_input.contains('?')) {
        if (!m_unterminated.isActive())
            m_unterminated.start(m_session.timeoutMs());
    } else {
        m_unterminated.stop();
    }
}

void ScpiClient::takeBytes(const char *data, qsizetype size)
{
    m_input.append(data, size);
    qsizetype end;
    while (!m_ended && (end = m_input.indexOf('\n')) >= 0) {
        QByteArray line = m_input.left(end);
        m_input.remove(0, end + 1);
        if (m_discarding) {
            m_discarding = false; // the end of a line already reported
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

void ScpiClient::takeLine(QByteArray line)
{
    if (line.size() > ScpiServer::kMaxLineBytes) {
        m_session.report(ScpiError::TooMuchData);
        return;
    }
    if (line.endsWith('\r'))
        line.chop(1);
    m_queuedBytes += line.size();
    m_queued.push_back(std::move(line));
    if (m_session.waiting() && m_queuedBytes > ScpiServer::kMaxQueuedInput) {
        // The client will not wait: the query gives way to what it sent since.
        const QByteArray first = std::move(m_queued.front());
        m_queued.pop_front();
        m_queuedBytes -= first.size();
        m_session.execute(first);
    }
    runQueued();
}

void ScpiClient::runQueued()
{
    // Also called at the end of each message, from inside the loop below.
    if (m_running)
        return;
    m_running = true;
    while (!m_ended && !m_session.waiting() && !m_queued.empty()) {
        const QByteArray line = std::move(m_queued.front());
        m_queued.pop_front();
        m_queuedBytes -= line.size();
        m_session.execute(line);
    }
    m_running = false;
    closeWhenDone();
}

void ScpiClient::sendAnswer(const QByteArray &line)
{
    if (m_ended)
        return;
    // A client that does not read its answers is not kept: it would hold memory without end.
    if (m_output.size() + line.size() > ScpiServer::kMaxPendingOutput) {
        end();
        return;
    }
    m_output += line;
    flushOutput();
}

void ScpiClient::flushOutput()
{
    while (!m_ended && !m_output.isEmpty()) {
        const ssize_t n = ::send(m_fd, m_output.constData(), size_t(m_output.size()), MSG_NOSIGNAL);
        if (n > 0) {
            m_output.remove(0, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writable.setEnabled(true);
            return;
        } else {
            end();
            return;
        }
    }
    m_writable.setEnabled(false);
    closeWhenDone();
}

void ScpiClient::closeWhenDone()
{
    if (m_inputEnded && !m_session.waiting() && m_queued.empty() && m_output.isEmpty() && !m_running)
        end();
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
    m_readable.setEnabled(false);
    m_writable.setEnabled(false);
    m_unterminated.stop();
    ::close(m_fd);
    m_fd = -1;
    emit left(m_peer);
    deleteLater();
}

} // namespace remote
