#include "files/locked_append_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

constexpr char kSuffix[] = ".vlj";

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void setError(QString *error, const QString &what, const QString &path, int code)
{
    if (error)
        *error = QStringLiteral("%1 \"%2\": %3").arg(what, path, systemError(code));
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

bool lockExclusive(int fd)
{
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

// The new name reaches the disk too, or a power cut could lose the whole file.
void syncFolder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString stateFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/vorlant");
}

bool ensurePrivateFolder(const QString &folder, QString *error)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    // Parents that are missing are made private too; existing ones stay as they are.
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path;
    for (const QString &part : parts) {
        path += QLatin1Char('/') + part;
        if (::mkdir(encoded(path).constData(), 0700) != 0 && errno != EEXIST) {
            setError(error, QStringLiteral("Cannot make the folder"), path, errno);
            return false;
        }
    }
    struct stat st{};
    if (::lstat(encoded(clean).constData(), &st) != 0) {
        setError(error, QStringLiteral("Cannot reach the folder"), clean, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        setError(error, QStringLiteral("Not a folder of this user"), clean, ENOTDIR);
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(encoded(clean).constData(), 0700) != 0) {
        setError(error, QStringLiteral("Cannot make the folder private"), clean, errno);
        return false;
    }
    return true;
}

QStringList journalPaths(const QString &folder)
{
    QDir dir(folder);
    // Names begin with the time the journal began, so the name order is the age order.
    const QStringList names = dir.entryList({QStringLiteral("*") + QLatin1String(kSuffix)},
                                            QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::Reversed);
    QStringList paths;
    for (const QString &name : names) {
        if (!name.startsWith(QLatin1Char('.')))
            paths << dir.filePath(name);
    }
    return paths;
}

LockedAppendFile::~LockedAppendFile()
{
    close();
}

LockedAppendFile::LockedAppendFile(LockedAppendFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_path(std::move(other.m_path))
    , m_size(std::exchange(other.m_size, 0))
{
}

LockedAppendFile &LockedAppendFile::operator=(LockedAppendFile &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

LockedAppendFile LockedAppendFile::create(const QString &folder, QByteArrayView start, QString *error)
{
    LockedAppendFile file;
    if (!ensurePrivateFolder(folder, error))
        return file;
    const QString stem = QDir(folder).filePath(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))
                                               + QStringLiteral("-%1").arg(::getpid()));
    const QString hidden = QDir(folder).filePath(QStringLiteral(".") + QFileInfo(stem).fileName() + QStringLiteral(".new"));
    const int fd = ::open(encoded(hidden).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_APPEND,
                          0600);
    if (fd < 0) {
        setError(error, QStringLiteral("Cannot create the journal"), hidden, errno);
        return file;
    }
    file.m_fd = fd;
    file.m_path = hidden;
    QString failure;
    if (::fchmod(fd, 0600) != 0 || !lockExclusive(fd)) {
        setError(&failure, QStringLiteral("Cannot lock the journal"), hidden, errno);
    } else if (file.append(start, &failure)) {
        // A name taken already (two programs in the same millisecond) gets a number.
        for (int n = 0; n < 100; ++n) {
            const QString name = stem + (n ? QStringLiteral("-%1").arg(n) : QString()) + QLatin1String(kSuffix);
            if (::link(encoded(hidden).constData(), encoded(name).constData()) == 0) {
                ::unlink(encoded(hidden).constData());
                file.m_path = name;
                syncFolder(folder);
                return file;
            }
            if (errno != EEXIST) {
                setError(&failure, QStringLiteral("Cannot name the journal"), name, errno);
                break;
            }
        }
        if (failure.isEmpty())
            setError(&failure, QStringLiteral("Cannot name the journal"), stem, EEXIST);
    }
    QString ignored;
    file.remove(&ignored);
    if (error)
        *error = failure;
    return file;
}

LockedAppendFile::Claim LockedAppendFile::claim(const QString &path, LockedAppendFile *file, QString *error, bool createMissing)
{
    const int fd = ::open(encoded(path).constData(),
                          O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_APPEND | (createMissing ? O_CREAT : 0), 0600);
    if (fd < 0) {
        setError(error, QStringLiteral("Cannot open the journal"), path, errno);
        return Claim::Failed;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 || st.st_uid != ::geteuid()) {
        setError(error, QStringLiteral("Not a journal file of this user"), path, EINVAL);
        ::close(fd);
        return Claim::Failed;
    }
    if (!lockExclusive(fd)) {
        const int code = errno;
        ::close(fd);
        if (code == EWOULDBLOCK)
            return Claim::Busy;
        setError(error, QStringLiteral("Cannot lock the journal"), path, code);
        return Claim::Failed;
    }
    *file = LockedAppendFile();
    file->m_fd = fd;
    file->m_path = path;
    file->m_size = st.st_size;
    return Claim::Taken;
}

bool LockedAppendFile::append(QByteArrayView bytes, QString *error)
{
    if (m_fd < 0) {
        setError(error, QStringLiteral("Journal not open"), m_path, EBADF);
        return false;
    }
    qsizetype done = 0;
    // One write; only an interrupted or short one is continued.
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            setError(error, QStringLiteral("Cannot write the journal"), m_path, code);
            if (done > 0) {
                int rc;
                do
                    rc = ::ftruncate(m_fd, m_size);
                while (rc != 0 && errno == EINTR);
            }
            return false;
        }
        done += n;
    }
    m_size += bytes.size();
    return true;
}

bool LockedAppendFile::sync(QString *error)
{
    if (m_fd >= 0 && ::fdatasync(m_fd) != 0) {
        setError(error, QStringLiteral("Cannot write the journal to disk"), m_path, errno);
        return false;
    }
    return m_fd >= 0;
}

bool LockedAppendFile::truncate(qint64 size, QString *error)
{
    if (m_fd < 0 || ::ftruncate(m_fd, size) != 0) {
        setError(error, QStringLiteral("Cannot shorten the journal"), m_path, m_fd < 0 ? EBADF : errno);
        return false;
    }
    m_size = size;
    return true;
}

std::optional<QByteArray> LockedAppendFile::readAll(QString *error)
{
    QByteArray bytes;
    if (m_fd < 0) {
        setError(error, QStringLiteral("Journal not open"), m_path, EBADF);
        return std::nullopt;
    }
    bytes.resize(m_size);
    qint64 done = 0;
    while (done < m_size) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done, std::size_t(m_size - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            setError(error, QStringLiteral("Cannot read the journal"), m_path, errno);
            return std::nullopt;
        }
        if (n == 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

std::optional<QByteArray> LockedAppendFile::readAt(qint64 offset, qint64 size, QString *error) const
{
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 done = 0;
    while (m_fd >= 0 && done < size) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done, std::size_t(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            setError(error, QStringLiteral("Cannot read the journal"), m_path, n < 0 ? errno : EIO);
            return std::nullopt;
        }
        done += n;
    }
    if (m_fd < 0) {
        setError(error, QStringLiteral("Journal not open"), m_path, EBADF);
        return std::nullopt;
    }
    return bytes;
}

bool LockedAppendFile::remove(QString *error)
{
    bool ok = true;
    if (!m_path.isEmpty() && ::unlink(encoded(m_path).constData()) != 0 && errno != ENOENT) {
        setError(error, QStringLiteral("Cannot remove the journal"), m_path, errno);
        ok = false;
    }
    close();
    return ok;
}

void LockedAppendFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
    m_size = 0;
}

} // namespace files
