#include "pty_device.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace metersim {

namespace {

QString errnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyDevice::~PtyDevice()
{
    close();
}

bool PtyDevice::open(QString *error)
{
    close();
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errnoText("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        *error = errnoText("pseudo-terminal set-up");
        ::close(fd);
        return false;
    }
    // Line settings made through the master apply to the slave side.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B57600);
        ::cfsetospeed(&tio, B57600);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    m_master = fd;
    m_slavePath = QString::fromLocal8Bit(name);
    return true;
}

void PtyDevice::close()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_slavePath.clear();
}

DeviceLink::~DeviceLink()
{
    remove();
}

bool DeviceLink::place(const QString &target, QString *error)
{
    remove();
    if (m_path.isEmpty())
        return true;
    const QByteArray path = QFile::encodeName(m_path);
    struct stat st{};
    if (::lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(m_path);
        return false;
    }
    // Build the link beside the final name and rename it over any stale one,
    // so the path never names nothing while a client looks.
    const QByteArray temp = path + ".meter-sim-" + QByteArray::number(qint64(::getpid()));
    ::unlink(temp.constData());
    if (::symlink(QFile::encodeName(target).constData(), temp.constData()) != 0) {
        *error = errnoText("symlink");
        return false;
    }
    if (::rename(temp.constData(), path.constData()) != 0) {
        *error = errnoText("rename");
        ::unlink(temp.constData());
        return false;
    }
    m_target = target;
    return true;
}

void DeviceLink::remove()
{
    if (m_target.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(m_path);
    char buffer[4096];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer - 1);
    if (n >= 0 && QFile::decodeName(QByteArray(buffer, n)) == m_target)
        ::unlink(path.constData());
    m_target.clear();
}

} // namespace metersim
