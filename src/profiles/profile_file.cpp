// Reading and changing profile files (layout: profile_line.cpp).
//
// A profile may be anything by the time it is opened: a directory, a pipe, a
// symlink loop, a file cut short or random bytes. Reading checks what the
// system hands over (a regular file of a sane size) and trusts the header's
// count only as far as whole lines are present. Changes never write into the
// file itself: the new contents go to a temporary file in the same folder
// that is then renamed over the old one, so a full disk or a crash leaves the
// old profile whole.

#include "profiles/profile_file.h"

#include "i18n/designed_lexicon.h"
#include "protocol/le_bytes.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace profiles {

namespace {

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

ProfileProblem makeProblem(ProfileProblem::Kind kind, const QString &path, int error = 0)
{
    ProfileProblem problem;
    problem.kind = kind;
    problem.path = path;
    if (error != 0)
        problem.systemMessage = systemMessage(error);
    return problem;
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    // Closes now and reports the system's verdict (a write may fail only here).
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

int openRetrying(const QByteArray &path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

struct FileBytes
{
    QByteArray bytes;
    ProfileProblem problem;
};

// The whole of a regular file. O_NONBLOCK keeps a pipe in its place from
// blocking the open; it is refused right after.
FileBytes readWholeFile(const QString &path, int accessFlags)
{
    if (path.isEmpty())
        return {{}, makeProblem(ProfileProblem::CannotOpen, path, ENOENT)};
    const int fd = openRetrying(QFile::encodeName(path), accessFlags | O_NONBLOCK);
    if (fd < 0)
        return {{}, makeProblem(ProfileProblem::CannotOpen, path, errno)};
    Descriptor file(fd);
    struct stat st{};
    if (::fstat(fd, &st) != 0)
        return {{}, makeProblem(ProfileProblem::CannotOpen, path, errno)};
    if (!S_ISREG(st.st_mode))
        return {{}, makeProblem(ProfileProblem::NotRegularFile, path)};
    if (st.st_size > kMaxProfileFileSize)
        return {{}, makeProblem(ProfileProblem::TooLarge, path)};

    QByteArray bytes;
    char chunk[8192];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {{}, makeProblem(ProfileProblem::CannotOpen, path, errno)};
        if (got == 0)
            break;
        // It may be growing while we read.
        if (bytes.size() + got > kMaxProfileFileSize)
            return {{}, makeProblem(ProfileProblem::TooLarge, path)};
        bytes.append(chunk, got);
    }
    return {bytes, {}};
}

std::span<const std::uint8_t> asBytes(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}

std::span<std::uint8_t> asBytes(QByteArray &bytes)
{
    return {reinterpret_cast<std::uint8_t *>(bytes.data()), std::size_t(bytes.size())};
}

ProfileRead parseProfile(const QString &path, QByteArray bytes)
{
    if (bytes.size() < 4)
        return {std::nullopt, makeProblem(ProfileProblem::TooShort, path)};
    const std::int32_t count = protocol::le::readI32(asBytes(bytes), 0);
    if (count < 0) {
        ProfileProblem problem = makeProblem(ProfileProblem::NegativeCount, path);
        problem.storedCount = count;
        return {std::nullopt, problem};
    }
    const qint64 whole =
        bytes.size() < kProfileHeaderSize ? 0 : (bytes.size() - kProfileHeaderSize) / ProfileLine::kSize;

    ProfileRead read;
    ProfileContents &contents = read.contents.emplace();
    contents.storedCount = count;
    contents.lineCount = std::int32_t(std::min<qint64>(count, whole));
    contents.bytes = std::move(bytes);
    if (count > whole) {
        read.problem = makeProblem(ProfileProblem::CountBeyondEnd, path);
        read.problem.storedCount = count;
        read.problem.wholeLines = contents.lineCount;
    }
    return read;
}

// The file a change replaces: a symlink's final target, so the link stays.
struct Target
{
    QString path;
    std::optional<mode_t> mode; // the permissions of the file being replaced
    ProfileProblem problem;
};

Target replacementTarget(const QString &path)
{
    Target target{path, std::nullopt, {}};
    if (path.isEmpty()) {
        target.problem = makeProblem(ProfileProblem::CannotOpen, path, ENOENT);
        return target;
    }
    const QFileInfo info(path);
    if (info.isSymLink()) {
        target.path = info.canonicalFilePath();
        if (target.path.isEmpty()) {
            // A loop or a link to nowhere: let the system say which.
            struct stat st{};
            const int error = ::stat(QFile::encodeName(path).constData(), &st) != 0 ? errno : ENOENT;
            target.problem = makeProblem(ProfileProblem::CannotOpen, path, error);
            return target;
        }
    }
    const QByteArray native = QFile::encodeName(target.path);
    struct stat st{};
    if (::stat(native.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            target.problem = makeProblem(ProfileProblem::CannotOpen, path, EISDIR);
            return target;
        }
        if (!S_ISREG(st.st_mode)) {
            target.problem = makeProblem(ProfileProblem::NotRegularFile, path);
            return target;
        }
        // A file we may not write is not ours to replace either.
        const int fd = openRetrying(native, O_WRONLY | O_NONBLOCK);
        if (fd < 0) {
            target.problem = makeProblem(ProfileProblem::CannotOpen, path, errno);
            return target;
        }
        ::close(fd);
        target.mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        target.problem = makeProblem(ProfileProblem::CannotOpen, path, errno);
    }
    return target;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, std::size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        at += written;
        left -= written;
    }
    return true;
}

// Puts `bytes` at `path` whole or not at all.
ProfileProblem replaceFile(const QString &path, const QByteArray &bytes)
{
    const Target target = replacementTarget(path);
    if (target.problem)
        return target.problem;
    const QFileInfo info(target.path);
    const QString folder = info.absolutePath();
    const QString name = info.fileName();

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = QFile::encodeName(folder + QStringLiteral("/.") + name + QLatin1Char('.')
                                      + QString::number(QRandomGenerator::global()->generate(), 36)
                                      + QStringLiteral(".tmp"));
        // 0666 less the umask, as a plainly created file gets.
        fd = openRetrying(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 16))
            return makeProblem(ProfileProblem::WriteFailed, path, errno);
    }
    Descriptor file(fd);
    auto fail = [&](int error) {
        if (file.get() >= 0)
            file.close();
        ::unlink(temporary.constData());
        return makeProblem(ProfileProblem::WriteFailed, path, error);
    };
    if (target.mode && ::fchmod(fd, *target.mode) != 0)
        return fail(errno);
    if (!writeAll(fd, bytes))
        return fail(errno);
    if (::fsync(fd) != 0)
        return fail(errno);
    if (file.close() != 0)
        return fail(errno);
    if (::rename(temporary.constData(), QFile::encodeName(target.path).constData()) != 0)
        return fail(errno);
    // The rename itself should survive a crash too.
    const int dir = openRetrying(QFile::encodeName(folder), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

void ensureSize(QByteArray &bytes, qint64 size)
{
    if (bytes.size() < size)
        bytes.append(QByteArray(size - bytes.size(), '\0'));
}

void putLine(QByteArray &bytes, int k, const ProfileLine &line)
{
    const ProfileLineBytes encoded = writeProfileLine(line);
    ensureSize(bytes, profileLineOffset(k) + ProfileLine::kSize);
    std::copy(encoded.cbegin(), encoded.cend(), bytes.begin() + profileLineOffset(k));
}

void putCount(QByteArray &bytes, std::int32_t count)
{
    ensureSize(bytes, kProfileHeaderSize);
    protocol::le::writeI32(asBytes(bytes), 0, count);
}

ProfileProblem noSuchLine(const QString &path, int k)
{
    ProfileProblem problem = makeProblem(ProfileProblem::NoSuchLine, path);
    problem.line = k;
    return problem;
}

// Reads the profile, lets `edit` change the bytes and the count, and writes
// the result back whole.
template <class Edit>
ProfileChange changeProfile(const QString &path, Edit edit)
{
    ProfileRead read = readProfile(path);
    if (!read.contents)
        return {read.problem, 0};
    ProfileContents &contents = *read.contents;
    ProfileChange change{{}, contents.lineCount};
    std::int32_t count = contents.lineCount;
    if (ProfileProblem problem = edit(contents.bytes, count)) {
        change.problem = problem;
        return change;
    }
    // The header follows the lines we trust, which also mends a count that
    // promised lines the file lacked.
    putCount(contents.bytes, count);
    if (ProfileProblem problem = replaceFile(path, contents.bytes)) {
        change.problem = problem;
        return change;
    }
    change.lineCount = count;
    return change;
}

} // namespace

ProfileLine ProfileContents::line(int k) const
{
    if (k < 1 || k > lineCount)
        return {};
    const auto bytesOfLine = asBytes(bytes).subspan(std::size_t(profileLineOffset(k)));
    return readProfileLine(bytesOfLine.first<ProfileLine::kSize>());
}

ProfileRead readProfile(const QString &path, ProfileAccess access)
{
    FileBytes file = readWholeFile(path, access == ProfileAccess::ReadOnly ? O_RDONLY : O_RDWR);
    if (file.problem)
        return {std::nullopt, file.problem};
    return parseProfile(path, std::move(file.bytes));
}

ProfileProblem createProfileFile(const QString &path, const ProfileLine &line)
{
    QByteArray bytes;
    putCount(bytes, 1);
    putLine(bytes, 1, line);
    return replaceFile(path, bytes);
}

ProfileChange recordProfileLine(const QString &path, int k, const ProfileLine &line)
{
    return changeProfile(path, [&](QByteArray &bytes, std::int32_t &count) -> ProfileProblem {
        if (k < 1 || k > count + 1)
            return noSuchLine(path, k);
        if (k > count)
            ++count;
        putLine(bytes, k, line);
        return {};
    });
}

ProfileChange insertProfileLine(const QString &path, int k, const ProfileLine &line)
{
    return changeProfile(path, [&](QByteArray &bytes, std::int32_t &count) -> ProfileProblem {
        if (k < 1 || k > count + 1)
            return noSuchLine(path, k);
        ensureSize(bytes, profileLineOffset(count + 2));
        // Lines k .. count one place towards the end, the last one first.
        const auto begin = bytes.begin() + profileLineOffset(k);
        const auto end = bytes.begin() + profileLineOffset(count + 1);
        std::copy_backward(begin, end, end + ProfileLine::kSize);
        ++count;
        putLine(bytes, k, line);
        return {};
    });
}

ProfileChange deleteProfileLine(const QString &path, int k)
{
    ProfileRead read = readProfile(path);
    if (read.contents && read.contents->lineCount == 0)
        return {{}, 0}; // nothing to delete, nothing written
    return changeProfile(path, [&](QByteArray &bytes, std::int32_t &count) -> ProfileProblem {
        if (k < 1 || k > count + 1)
            return noSuchLine(path, k);
        if (k <= count) {
            // Lines k + 1 .. count one place towards the start; the file keeps its length.
            const auto begin = bytes.begin() + profileLineOffset(k + 1);
            const auto end = bytes.begin() + profileLineOffset(count + 1);
            std::copy(begin, end, bytes.begin() + profileLineOffset(k));
        }
        --count;
        return {};
    });
}

ProfileProblem copyProfileFile(const QString &from, const QString &to)
{
    FileBytes file = readWholeFile(from, O_RDONLY);
    if (file.problem)
        return file.problem;
    return replaceFile(to, file.bytes);
}

QString describeProblem(const ProfileProblem &problem, const i18n::TDesignedLexicon &messages)
{
    const auto item = [&](int index) { return messages.GetItem(index); };
    switch (problem.kind) {
    case ProfileProblem::None:
        return {};
    case ProfileProblem::CannotOpen:
        // The file layer's own words.
        return QStringLiteral("Cannot open file \"%1\". %2").arg(problem.path, problem.systemMessage);
    case ProfileProblem::NotRegularFile:
        return item(0).arg(problem.path);
    case ProfileProblem::TooLarge:
        return item(1).arg(problem.path);
    case ProfileProblem::TooShort:
        return item(2).arg(problem.path);
    case ProfileProblem::NegativeCount:
        return item(3).arg(problem.path, QString::number(problem.storedCount));
    case ProfileProblem::CountBeyondEnd:
        return item(4).arg(problem.path, QString::number(problem.storedCount), QString::number(problem.wholeLines));
    case ProfileProblem::NoSuchLine:
        return item(5).arg(problem.path, QString::number(problem.line));
    case ProfileProblem::WriteFailed:
        return item(6).arg(problem.path, problem.systemMessage);
    }
    return {};
}

} // namespace profiles
