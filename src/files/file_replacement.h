#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/stat.h>
#include <sys/types.h>

namespace files {

// A new version of a file, written into a temporary file beside it and put in
// place by one rename once every byte reached the disk. Until commit()
// succeeds, and after any failure, the file at the path is byte for byte what
// it was; the temporary file is removed on every failure and when the object
// goes without a commit.
//
// The first failure is kept: later writes do nothing and commit() reports it.
// So a caller may write everything and look once, at the commit.
class FileReplacement
{
public:
    struct Rules
    {
        // Replace the target of a symlink at the path (the link stays). When
        // false, a symlink as the last component is refused, and the final file
        // must be a regular file owned by this user when it is opened and
        // again just before the rename.
        bool followLink = true;
        // Refuse to replace a file this user may not write.
        bool needWritable = false;
    };

    // What failed; errorString() has the words.
    enum class Refusal {
        None,
        CannotOpen,  // the system refused the final file (a directory, a symlink, no access)
        NotRegular,  // the final file is a device, pipe or socket
        NotOwned,    // the final file belongs to another user
        WriteFailed, // the new version could not be written or put in place
    };

    explicit FileReplacement(QString path);
    FileReplacement(QString path, Rules rules);
    ~FileReplacement();
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Checks the final file (when there is one) and creates the temporary
    // file, with the final file's permissions. False when either fails.
    bool open();
    // Appends bytes; false once anything failed.
    bool write(QByteArrayView bytes);
    // Flushes to disk and renames over the final file. False, with the
    // temporary file gone and the final file untouched, when anything failed.
    bool commit();
    // Drops what was written.
    void cancel();

    Refusal refusal() const { return m_refusal; }
    // The system's words for the first failure (or why the file was refused).
    QString errorString() const { return m_error; }
    // The path given.
    QString fileName() const { return m_path; }

private:
    bool fail(Refusal refusal, int error);
    bool fail(Refusal refusal, const QString &why);
    bool checkFinal(int fd);
    bool finalStillFits();

    QString m_path;
    Rules m_rules;
    int m_dirFd = -1;
    int m_fd = -1;
    QByteArray m_name;      // the final file's name inside its folder
    QByteArray m_temporary; // the temporary file's name there
    std::optional<mode_t> m_mode;
    Refusal m_refusal = Refusal::None;
    QString m_error;
    bool m_failed = false;
};

// What an opened file is, checked on the descriptor itself (so a file
// swapped after the open changes nothing): Refusal::None for a regular file
// (owned by this user when `mustBeOwned`), else the refusal and `why`. `st`
// receives the file's status when given.
FileReplacement::Refusal checkOpenedFile(int fd, bool mustBeOwned, QString *why, struct stat *st = nullptr);

// The system's words for an errno value; a symlink refused by O_NOFOLLOW is
// named as such.
QString systemMessage(int error);

} // namespace files
