// termios2 for the speed readback; <termios.h> must stay out of this file.
#include "pty_pair.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFile>

#include <cerrno>
#include <chrono>

PtyPair::PtyPair()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        return;
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        ::close(master_);
        master_ = -1;
        return;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    // Held open so the terminal exists the whole test, like a plugged device;
    // raw at once so nothing sent before the port opens is echoed back.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    struct termios2 t {};
    if (slave_ >= 0 && ioctl(slave_, TCGETS2, &t) == 0) {
        t.c_iflag = 0;
        t.c_oflag = 0;
        t.c_lflag = 0;
        ioctl(slave_, TCSETS2, &t);
    }
}

PtyPair::~PtyPair()
{
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

QString PtyPair::linkPath()
{
    if (link_.isEmpty() && dir_.isValid()) {
        const QString link = dir_.filePath(QStringLiteral("dongle"));
        if (QFile::link(slavePath_, link))
            link_ = link;
    }
    return link_;
}

bool PtyPair::send(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd p{master_, POLLOUT, 0};
            if (::poll(&p, 1, 2000) <= 0)
                return false;
        }
    }
    return master_ >= 0;
}

QByteArray PtyPair::receive(int count, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    QByteArray out;
    while (master_ >= 0 && out.size() < count) {
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, n);
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{master_, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
    return out;
}

QByteArray PtyPair::receiveWaiting()
{
    return receive(1 << 20, 0);
}

void PtyPair::unplug()
{
    closeMaster();
    removeLink();
}

void PtyPair::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PtyPair::removeLink()
{
    if (!link_.isEmpty())
        QFile::remove(link_);
}

PtyPair::Line PtyPair::line() const
{
    Line l;
    struct termios2 t {};
    // The master reads the slave's settings.
    if (master_ < 0 || ioctl(master_, TCGETS2, &t) != 0)
        return l;
    l.baud = t.c_ospeed;
    l.crtscts = t.c_cflag & CRTSCTS;
    l.twoStopBits = t.c_cflag & CSTOPB;
    l.xonXoff = (t.c_iflag & IXON) && (t.c_iflag & IXOFF);
    return l;
}
