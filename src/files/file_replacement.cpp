#include "files/file_replacement.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

int openAtRetrying(int dirFd, const QByteArray &name, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::openat(dirFd, name.constData(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

QString systemMessage(int error)
{
    // What O_NOFOLLOW reports for a symlink as the last component.
    if (error == ELOOP)
        return QStringLiteral("It is a symbolic link.");
    return QString::fromLocal8Bit(std::strerror(error));
}

FileReplacement::FileReplacement(QString path)
    : FileReplacement(std::move(path), Rules{})
{
}

FileReplacement::FileReplacement(QString path, Rules rules)
    : m_path(std::move(path))
    , m_rules(rules)
{
}

FileReplacement::~FileReplacement()
{
    cancel();
    if (m_dirFd >= 0)
        ::close(m_dirFd);
}

bool FileReplacement::fail(Refusal refusal, int error)
{
    return fail(refusal, systemMessage(error));
}

bool FileReplacement::fail(Refusal refusal, const QString &why)
{
    if (!m_failed) {
        m_failed = true;
        m_refusal = refusal;
        m_error = why;
    }
    cancel();
    return false;
}

FileReplacement::Refusal checkOpenedFile(int fd, bool mustBeOwned, QString *why, struct stat *status)
{
    struct stat st{};
    FileReplacement::Refusal refusal = FileReplacement::Refusal::None;
    QString words;
    if (::fstat(fd, &st) != 0) {
        refusal = FileReplacement::Refusal::CannotOpen;
        words = systemMessage(errno);
    } else if (S_ISDIR(st.st_mode)) {
        refusal = FileReplacement::Refusal::CannotOpen;
        words = systemMessage(EISDIR);
    } else if (!S_ISREG(st.st_mode)) {
        refusal = FileReplacement::Refusal::NotRegular;
        words = QStringLiteral("It is not a regular file.");
    } else if (mustBeOwned && st.st_uid != ::geteuid()) {
        refusal = FileReplacement::Refusal::NotOwned;
        words = QStringLiteral("It belongs to another user.");
    }
    if (why)
        *why = words;
    if (status)
        *status = st;
    return refusal;
}

bool FileReplacement::checkFinal(int fd)
{
    QString why;
    struct stat st{};
    const Refusal refusal = checkOpenedFile(fd, !m_rules.followLink, &why, &st);
    if (refusal != Refusal::None)
        return fail(refusal, why);
    m_mode = st.st_mode & 07777;
    return true;
}

bool FileReplacement::open()
{
    if (m_path.isEmpty())
        return fail(Refusal::CannotOpen, ENOENT);
    QString target = m_path;
    if (m_rules.followLink && QFileInfo(m_path).isSymLink()) {
        target = QFileInfo(m_path).canonicalFilePath();
        if (target.isEmpty()) {
            // A loop or a link to nowhere: let the system say which.
            struct stat st{};
            const int error = ::stat(QFile::encodeName(m_path).constData(), &st) != 0 ? errno : ENOENT;
            return fail(Refusal::CannotOpen, error);
        }
    }
    const QFileInfo info(target);
    m_name = QFile::encodeName(info.fileName());
    do {
        m_dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (m_dirFd < 0 && errno == EINTR);
    if (m_dirFd < 0)
        return fail(Refusal::CannotOpen, errno);

    // O_NONBLOCK: a pipe in its place must not block the open; it is refused right after.
    const int finalFd = openAtRetrying(m_dirFd, m_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (finalFd < 0 && errno != ENOENT)
        return fail(Refusal::CannotOpen, errno);
    if (finalFd >= 0) {
        const bool fits = checkFinal(finalFd);
        ::close(finalFd);
        if (!fits)
            return false;
        if (m_rules.needWritable) {
            // A file we may not write is not ours to replace either.
            const int writable = openAtRetrying(m_dirFd, m_name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK);
            if (writable < 0)
                return fail(Refusal::CannotOpen, errno);
            ::close(writable);
        }
    }

    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_temporary = '.' + m_name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        // 0666 less the umask, as a plainly created file gets.
        m_fd = openAtRetrying(m_dirFd, m_temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
        if (m_fd < 0 && (errno != EEXIST || attempt == 16)) {
            m_temporary.clear();
            return fail(Refusal::WriteFailed, errno);
        }
    }
    if (m_mode && ::fchmod(m_fd, *m_mode) != 0)
        return fail(Refusal::WriteFailed, errno);
    return true;
}

bool FileReplacement::write(QByteArrayView bytes)
{
    if (m_failed)
        return false;
    if (m_fd < 0)
        return fail(Refusal::WriteFailed, EBADF);
    const char *at = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, at, std::size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail(Refusal::WriteFailed, written < 0 ? errno : EIO);
        at += written;
        left -= written;
    }
    return true;
}

bool FileReplacement::finalStillFits()
{
    struct stat st{};
    if (::fstatat(m_dirFd, m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT || fail(Refusal::CannotOpen, errno);
    if (S_ISLNK(st.st_mode))
        return fail(Refusal::CannotOpen, ELOOP);
    if (!S_ISREG(st.st_mode))
        return fail(Refusal::NotRegular, QStringLiteral("It is not a regular file."));
    if (st.st_uid != ::geteuid())
        return fail(Refusal::NotOwned, QStringLiteral("It belongs to another user."));
    return true;
}

bool FileReplacement::commit()
{
    if (m_failed)
        return false;
    if (m_fd < 0)
        return fail(Refusal::WriteFailed, EBADF);
    if (::fsync(m_fd) != 0)
        return fail(Refusal::WriteFailed, errno);
    // A write may fail only here, on some file systems.
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return fail(Refusal::WriteFailed, errno);
    if (!m_rules.followLink && !finalStillFits())
        return false;
    if (::renameat(m_dirFd, m_temporary.constData(), m_dirFd, m_name.constData()) != 0)
        return fail(Refusal::WriteFailed, errno);
    m_temporary.clear();
    // The rename itself should survive a crash too.
    ::fsync(m_dirFd);
    return true;
}

void FileReplacement::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty() && m_dirFd >= 0)
        ::unlinkat(m_dirFd, m_temporary.constData(), 0);
    m_temporary.clear();
}

} // namespace files
