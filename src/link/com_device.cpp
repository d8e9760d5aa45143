// Terminal calls through termios2 (TCGETS2/TCSETS2): it takes any speed in
// bits per second, which the classic interface cannot (14400, 56000, 128000
// and 256000 have no B-constant). <termios.h> must not be included here: its
// struct termios clashes with the kernel's.

#include "link/com_device.h"

#include "link/com_errors.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

namespace comport {

namespace {

int negErrno()
{
    return -errno;
}

// Speeds with a classic constant go through it (older drivers only know
// those); everything else is given in bits per second.
speed_t classicSpeed(int rate)
{
    static constexpr std::array<std::pair<int, speed_t>, 18> kSpeeds{{
        {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200},
        {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400},
        {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400},
        {57600, B57600}, {115200, B115200}, {230400, B230400},
    }};
    for (const auto &[bps, code] : kSpeeds) {
        if (bps == rate)
            return code;
    }
    return BOTHER;
}

tcflag_t sizeFlag(TDataBits bits)
{
    switch (bits) {
    case dbFive: return CS5;
    case dbSix: return CS6;
    case dbSeven: return CS7;
    case dbEight: break;
    }
    return CS8;
}

int setLine(int fd, int line, bool on)
{
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0)
        return 0;
    const int err = errno;
    return isNoModemLinesError(err) ? 0 : -err;
}

} // namespace

QString devicePath(const QString &port)
{
    return port.contains(QLatin1Char('/')) ? port : QStringLiteral("/dev/") + port;
}

int openDevice(const QString &path)
{
    const QByteArray native = path.toLocal8Bit();
    if (native.isEmpty())
        return -ENOENT;
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return negErrno();
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || checkTerminal(fd) != 0) {
        ::close(fd);
        return -ENOTTY;
    }
    // Best effort: a device that cannot be made exclusive is still usable.
    ioctl(fd, TIOCEXCL);
    return fd;
}

void closeDevice(int fd)
{
    if (fd < 0)
        return;
    // Exclusivity outlives this descriptor while anyone else holds the
    // terminal open; drop it so the port can be opened again.
    ioctl(fd, TIOCNXCL);
    ::close(fd);
}

int applyLineSettings(int fd, const LineSettings &s)
{
    if (s.baudRate <= 0)
        return -EINVAL;
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return negErrno();

    t.c_iflag = 0;
    if (s.flow.XonXoffOut)
        t.c_iflag |= IXON;
    if (s.flow.XonXoffIn)
        t.c_iflag |= IXOFF;
    // Parity errors: with replacement the bad byte arrives as NUL (the
    // driver's fixed replacement); without it the byte arrives as received,
    // which is what no checking gives.
    if (s.parity.Check && s.parity.Replace && s.parity.Bits != prNone)
        t.c_iflag |= INPCK;
    t.c_oflag = 0;
    t.c_lflag = 0;

    tcflag_t c = t.c_cflag & ~(CBAUD | (CBAUD << IBSHIFT) | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    c |= CREAD | CLOCAL | HUPCL | sizeFlag(s.dataBits);
    // One and a half stop bits: the UART gives 1.5 for 5-bit words with CSTOPB.
    if (s.stopBits != sbOneStopBit)
        c |= CSTOPB;
    switch (s.parity.Bits) {
    case prNone: break;
    case prOdd: c |= PARENB | PARODD; break;
    case prEven: c |= PARENB; break;
    case prMark: c |= PARENB | CMSPAR | PARODD; break;
    case prSpace: c |= PARENB | CMSPAR; break;
    }
    // The driver ties both directions to one switch.
    if (s.flow.OutCTSFlow || s.flow.ControlRTS == rtsHandshake)
        c |= CRTSCTS;
    const speed_t speed = classicSpeed(s.baudRate);
    c |= speed | (speed << IBSHIFT);
    t.c_cflag = c;
    t.c_ispeed = t.c_ospeed = static_cast<speed_t>(s.baudRate);

    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = s.flow.XonChar;
    t.c_cc[VSTOP] = s.flow.XoffChar;
    if (ioctl(fd, TCSETS2, &t) != 0)
        return negErrno();

    const bool dtr = s.flow.ControlDTR != dtrDisable;
    const bool rts = s.flow.ControlRTS != rtsDisable;
    if (const int rc = setLine(fd, TIOCM_DTR, dtr); rc != 0)
        return rc;
    return setLine(fd, TIOCM_RTS, rts);
}

int checkTerminal(int fd)
{
    struct termios2 t {};
    return ioctl(fd, TCGETS2, &t) == 0 ? 0 : negErrno();
}

int inputCount(int fd)
{
    int n = 0;
    return ioctl(fd, FIONREAD, &n) == 0 ? n : negErrno();
}

int outputCount(int fd)
{
    int n = 0;
    return ioctl(fd, TIOCOUTQ, &n) == 0 ? n : negErrno();
}

int flushQueues(int fd, bool input, bool output)
{
    // Only what is still waiting to go out counts as transmit data. A
    // pseudo-terminal reports none, and flushing its output would instead
    // throw away what the other end has received but not read yet.
    if (output) {
        const int queued = outputCount(fd);
        if (queued < 0)
            return queued;
        output = queued > 0;
    }
    if (!input && !output)
        return 0;
    const int which = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    return ioctl(fd, TCFLSH, which) == 0 ? 0 : negErrno();
}

int readModemLines(int fd, ModemLines *lines)
{
    *lines = ModemLines{};
    int bits = 0;
    if (ioctl(fd, TIOCMGET, &bits) != 0) {
        const int err = errno;
        return isNoModemLinesError(err) ? 0 : -err;
    }
    lines->cts = bits & TIOCM_CTS;
    lines->dsr = bits & TIOCM_DSR;
    lines->rlsd = bits & TIOCM_CAR;
    return 0;
}

long readSome(int fd, unsigned char *buf, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buf, size);
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return negErrno();
    }
}

long writeSome(int fd, const unsigned char *buf, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::write(fd, buf, size);
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return negErrno();
    }
}

int waitReady(int fd, bool forWrite, int timeoutMs)
{
    pollfd p{fd, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    const int rc = ::poll(&p, 1, timeoutMs);
    if (rc < 0)
        return errno == EINTR ? 0 : negErrno();
    return rc == 0 ? 0 : p.revents;
}

bool isHungUp(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return true;
    const int rc = checkTerminal(fd);
    return rc != 0 && (isDeviceGoneError(-rc) || rc == -EBADF);
}

} // namespace comport
