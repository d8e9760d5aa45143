#include "pty_client.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGapMs = 10;

int msLeft(Clock::time_point end)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

} // namespace

PtyClient::~PtyClient()
{
    close();
}

bool PtyClient::open(const QString &path)
{
    close();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    termios tio{};
    if (::tcgetattr(m_fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    return true;
}

void PtyClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyClient::write(const QByteArray &bytes)
{
    return m_fd >= 0 && ::write(m_fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
}

QByteArray PtyClient::readBlock(std::chrono::milliseconds wait)
{
    QByteArray block;
    if (m_fd < 0)
        return block;
    const auto end = Clock::now() + wait;
    for (;;) {
        pollfd p{m_fd, POLLIN, 0};
        const int timeout = block.isEmpty() ? msLeft(end) : kGapMs;
        const int r = ::poll(&p, 1, timeout);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0 || !(p.revents & POLLIN))
            return block;
        char buffer[1024];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            return block;
        block.append(buffer, n);
        if (block.size() > 1000)
            return block;
    }
}

bool PtyClient::awaitReply(const QByteArray &reply, std::chrono::milliseconds wait)
{
    const auto end = Clock::now() + wait;
    while (Clock::now() < end) {
        const QByteArray block = readBlock(std::chrono::milliseconds(msLeft(end)));
        if (block == reply)
            return true;
    }
    return false;
}

void PtyClient::drain(std::chrono::milliseconds quiet)
{
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end && !readBlock(quiet).isEmpty()) {
    }
}

bool PtyClient::waitHangup(std::chrono::milliseconds wait)
{
    const auto end = Clock::now() + wait;
    while (m_fd >= 0) {
        pollfd p{m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, msLeft(end));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        if (p.revents & (POLLHUP | POLLERR))
            return true;
        char buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno == EIO))
            return true;
    }
    return false;
}

bool pathExists(const QString &path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString linkTarget(const QString &path)
{
    return QFile::symLinkTarget(path);
}
