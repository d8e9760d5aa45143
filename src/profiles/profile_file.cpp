// Reading and changing profile files (layout: profile_line.cpp).
//
// A profile may be anything by the time it is opened: a directory, a pipe, a
// symlink loop, a file cut short or random bytes. Reading checks what the
// system hands over (a regular file of a sane size) and trusts the header's
// count only as far as whole lines are present. Changes never write into the
// file itself: the new contents go to a temporary file in the same folder
// that is then renamed over the old one, so a full disk or a crash leaves the
// old profile whole. A symlink in the profile's place is never followed, and
// only this user's own files are opened for writing: the remembered path
// lies in a settings file that every user can write.

#include "profiles/profile_file.h"

#include "files/file_replacement.h"
#include "i18n/designed_lexicon.h"
#include "protocol/le_bytes.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace profiles {

namespace {

ProfileProblem makeProblem(ProfileProblem::Kind kind, const QString &path, int error = 0)
{
    ProfileProblem problem;
    problem.kind = kind;
    problem.path = path;
    if (error != 0)
        problem.systemMessage = files::systemMessage(error);
    return problem;
}

ProfileProblem refusedFile(const QString &path, const QString &why)
{
    ProfileProblem problem = makeProblem(ProfileProblem::CannotOpen, path);
    problem.systemMessage = why;
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

private:
    int m_fd;
};

int openRetrying(const QByteArray &path, int flags)
{
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

struct FileBytes
{
    QByteArray bytes;
    ProfileProblem problem;
};

// The whole of a regular file. A symlink as the last component is refused
// (O_NOFOLLOW), and a file the window uses must be this user's own: the path
// may come from the settings file, which every user can write. O_NONBLOCK
// keeps a pipe in its place from blocking the open; it is refused right after.
FileBytes readWholeFile(const QString &path, int accessFlags, bool mustBeOwned)
{
    if (path.isEmpty())
        return {{}, makeProblem(ProfileProblem::CannotOpen, path, ENOENT)};
    const int fd = openRetrying(QFile::encodeName(path), accessFlags | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0)
        return {{}, makeProblem(ProfileProblem::CannotOpen, path, errno)};
    Descriptor file(fd);
    QString why;
    struct stat st{};
    switch (files::checkOpenedFile(fd, mustBeOwned, &why, &st)) {
    case files::FileReplacement::Refusal::None:
        break;
    case files::FileReplacement::Refusal::NotRegular:
        return {{}, makeProblem(ProfileProblem::NotRegularFile, path)};
    default:
        return {{}, refusedFile(path, why)};
    }
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

// Puts `bytes` at `path` whole or not at all. A symlink there is refused,
// not followed, and so is a file of another user, also when it is swapped in
// while the new contents are written.
ProfileProblem replaceFile(const QString &path, const QByteArray &bytes)
{
    files::FileReplacement file(path, {/*followLink=*/false, /*needWritable=*/true});
    if (file.open())
        file.write(bytes);
    if (file.commit())
        return {};
    switch (file.refusal()) {
    case files::FileReplacement::Refusal::NotRegular:
        return makeProblem(ProfileProblem::NotRegularFile, path);
    case files::FileReplacement::Refusal::WriteFailed: {
        ProfileProblem problem = makeProblem(ProfileProblem::WriteFailed, path);
        problem.systemMessage = file.errorString();
        return problem;
    }
    default:
        return refusedFile(path, file.errorString());
    }
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
    FileBytes file = readWholeFile(path, access == ProfileAccess::ReadOnly ? O_RDONLY : O_RDWR,
                                   access == ProfileAccess::ReadWrite);
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
    FileBytes file = readWholeFile(from, O_RDONLY, /*mustBeOwned=*/true);
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
