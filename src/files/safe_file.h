#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>

namespace files {

// File access for folders that other users of the machine can write into.
// Every open refuses a symbolic link as the last path component (O_NOFOLLOW),
// never blocks on a FIFO, and then checks the object it got (fstat): only a
// regular file with one link and a plausible size is read or written. So a
// planted symlink, hard link, FIFO or device never redirects a read or write,
// and the checks hold for the very file the descriptor refers to.
class SafeFile
{
public:
    enum class Mode { Read, ReadWrite };

    struct Rules
    {
        std::int64_t maxSize = 0; // larger files are refused
        bool singleLink = true;   // refuse a file with more than one name
    };

    SafeFile() = default;
    ~SafeFile();
    SafeFile(SafeFile &&other) noexcept;
    SafeFile &operator=(SafeFile &&other) noexcept;
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    // Opens `name` relative to the folder `dirFd` (AT_FDCWD: `name` is a
    // path). On failure the result is closed and `why` says what was wrong.
    static SafeFile open(int dirFd, const QByteArray &name, Mode mode, const Rules &rules, QString *why);

    bool isOpen() const { return m_fd >= 0; }
    std::int64_t size() const { return m_size; }

    // Reads up to `into.size()` bytes at `offset`; the count read (fewer at the
    // end of the file), or -1 on an error.
    std::int64_t readAt(std::int64_t offset, std::span<std::uint8_t> into) const;
    // Writes every byte at `offset`; a gap past the end reads as zero bytes.
    bool writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes, QString *why);

private:
    explicit SafeFile(int fd, std::int64_t size)
        : m_fd(fd)
        , m_size(size)
    {
    }
    void close();

    int m_fd = -1;
    std::int64_t m_size = 0;
};

// A folder opened once, so that the files inside are reached relative to it
// and a folder swapped for a symlink afterwards changes nothing.
class SharedFolder
{
public:
    SharedFolder() = default;
    ~SharedFolder();
    SharedFolder(SharedFolder &&other) noexcept;
    SharedFolder &operator=(SharedFolder &&other) noexcept;
    SharedFolder(const SharedFolder &) = delete;
    SharedFolder &operator=(const SharedFolder &) = delete;

    // Creates the last level of `path` when it is missing, with mode 1777
    // whatever the umask, so that every user can create and write files in it
    // (and only remove their own). Failures are ignored: opening tells.
    static void create(const QString &path);
    // Opens `path` as a folder; a symlink as its last component is refused.
    static SharedFolder open(const QString &path, QString *why);

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    enum class Created { Yes, AlreadyThere, Failed };
    // Creates an empty file `name` inside, mode 0666 whatever the umask;
    // never opens or truncates one that exists (nor follows a symlink there).
    Created createFile(const QByteArray &name, QString *why) const;
    // True when something (even a dangling symlink) carries that name.
    bool contains(const QByteArray &name) const;

private:
    explicit SharedFolder(int fd)
        : m_fd(fd)
    {
    }

    int m_fd = -1;
};

} // namespace files
