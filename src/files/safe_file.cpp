#include "files/safe_file.h"

#include "files/file_replacement.h"

#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace files {

namespace {

QString errnoText(int error)
{
    return files::systemMessage(error);
}

// A refusal reason for what fstat saw, or empty when the file may be used.
QString refusal(const struct stat &st, const SafeFile::Rules &rules)
{
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("It is not a regular file.");
    if (rules.singleLink && st.st_nlink != 1)
        return QStringLiteral("It has more than one name (a hard link).");
    if (st.st_size < 0 || st.st_size > rules.maxSize)
        return QStringLiteral("It is larger than a file of this kind can be.");
    return {};
}

} // namespace

SafeFile::~SafeFile()
{
    close();
}

SafeFile::SafeFile(SafeFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_size(other.m_size)
{
}

SafeFile &SafeFile::operator=(SafeFile &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

void SafeFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

SafeFile SafeFile::open(int dirFd, const QByteArray &name, Mode mode, const Rules &rules, QString *why)
{
    const int access = mode == Mode::Read ? O_RDONLY : O_RDWR;
    int fd;
    do {
        fd = ::openat(dirFd, name.constData(), access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (why)
            *why = errnoText(errno);
        return {};
    }
    struct stat st{};
    QString refused = ::fstat(fd, &st) == 0 ? refusal(st, rules) : errnoText(errno);
    if (!refused.isEmpty()) {
        ::close(fd);
        if (why)
            *why = refused;
        return {};
    }
    return SafeFile(fd, std::int64_t(st.st_size));
}

std::int64_t SafeFile::readAt(std::int64_t offset, std::span<std::uint8_t> into) const
{
    if (m_fd < 0 || offset < 0)
        return -1;
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t n = ::pread(m_fd, into.data() + done, into.size() - done, off_t(offset + std::int64_t(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return std::int64_t(done);
}

bool SafeFile::writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes, QString *why)
{
    if (m_fd < 0 || offset < 0) {
        if (why)
            *why = QStringLiteral("The file is not open.");
        return false;
    }
    // Room first for what grows the file, so a full disk refuses the write as
    // a whole instead of leaving part of a field (where the file system can
    // tell in advance).
    const std::int64_t end = offset + std::int64_t(bytes.size());
    if (end > m_size) {
        int allocated;
        do {
            allocated = ::fallocate(m_fd, 0, off_t(offset), off_t(bytes.size()));
        } while (allocated != 0 && errno == EINTR);
        if (allocated != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
            if (why)
                *why = errnoText(errno);
            return false;
        }
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, off_t(offset + std::int64_t(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (why)
                *why = errnoText(n < 0 ? errno : EIO);
            return false;
        }
        done += std::size_t(n);
    }
    m_size = std::max(m_size, offset + std::int64_t(done));
    return true;
}

SharedFolder::~SharedFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

SharedFolder::SharedFolder(SharedFolder &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

SharedFolder &SharedFolder::operator=(SharedFolder &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void SharedFolder::create(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 01777) != 0)
        return;
    // The umask took bits away; put them back on the folder just made,
    // reached without following a symlink someone might have put there since.
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    [[maybe_unused]] const int changed = ::fchmod(fd, 01777);
    ::close(fd);
}

SharedFolder SharedFolder::open(const QString &path, QString *why)
{
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (why)
            *why = errnoText(errno);
        return {};
    }
    return SharedFolder(fd);
}

SharedFolder::Created SharedFolder::createFile(const QByteArray &name, QString *why) const
{
    if (m_fd < 0) {
        if (why)
            *why = QStringLiteral("The folder is not open.");
        return Created::Failed;
    }
    const int fd = ::openat(m_fd, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                            0666);
    if (fd < 0) {
        if (errno == EEXIST)
            return Created::AlreadyThere;
        if (why)
            *why = errnoText(errno);
        return Created::Failed;
    }
    // Every user of the machine writes this file, whatever our umask says.
    [[maybe_unused]] const int changed = ::fchmod(fd, 0666);
    ::close(fd);
    return Created::Yes;
}

bool SharedFolder::contains(const QByteArray &name) const
{
    struct stat st{};
    return m_fd >= 0 && ::fstatat(m_fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace files
