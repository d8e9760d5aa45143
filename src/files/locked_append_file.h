#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// Append-only files private to the user (folder 0700, file 0600), never
// reached through a symlink, and held with an exclusive flock for as long as
// a program writes them, so a second program can tell a live file from one
// left behind: the log's journals and the publisher's spool.
namespace files {

// $XDG_STATE_HOME/vorlant (an unset or relative XDG_STATE_HOME counts as
// ~/.local/state).
QString stateFolder();

// Makes `folder` and its missing parents; the folder itself must then be a
// real directory of this user, and gets mode 0700. False with `error` set.
bool ensurePrivateFolder(const QString &folder, QString *error);

// The journal files of a folder, the newest first.
QStringList journalPaths(const QString &folder);

class LockedAppendFile
{
public:
    enum class Claim { Taken, Busy, Failed };

    LockedAppendFile() = default;
    ~LockedAppendFile();
    LockedAppendFile(LockedAppendFile &&other) noexcept;
    LockedAppendFile &operator=(LockedAppendFile &&other) noexcept;
    LockedAppendFile(const LockedAppendFile &) = delete;
    LockedAppendFile &operator=(const LockedAppendFile &) = delete;

    // A new journal in `folder` (made private first) starting with `start`:
    // written under a hidden name, locked, then given its name, so no other
    // program ever sees it without its header or its lock.
    static LockedAppendFile create(const QString &folder, QByteArrayView start, QString *error);
    // Takes an existing journal: Busy when a live program holds it. With
    // `createMissing`, a missing file is made (0600) and taken.
    static Claim claim(const QString &path, LockedAppendFile *file, QString *error, bool createMissing = false);

    bool isOpen() const { return m_fd >= 0; }
    const QString &path() const { return m_path; }
    qint64 size() const { return m_size; }

    // Appends with one write. On failure the file is cut back to its former
    // length, so a half record never stays behind a sound one.
    bool append(QByteArrayView bytes, QString *error);
    bool sync(QString *error);
    bool truncate(qint64 size, QString *error);
    std::optional<QByteArray> readAll(QString *error);
    // `size` bytes from `offset`; nullopt when they cannot all be read.
    std::optional<QByteArray> readAt(qint64 offset, qint64 size, QString *error) const;
    // Removes the file and lets it go.
    bool remove(QString *error);
    // Lets the file go (its lock with it); the file stays.
    void close();

private:
    int m_fd = -1;
    QString m_path;
    qint64 m_size = 0;
};

} // namespace files
