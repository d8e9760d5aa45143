#pragma once

#include "profiles/profile_line.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace i18n {
class TDesignedLexicon;
}

namespace profiles {

// What went wrong with a profile file. Problems are values: nothing here
// throws, and a file that cannot be trusted never yields lines.
struct ProfileProblem
{
    enum Kind {
        None,
        CannotOpen,     // refused: no such file, no access, a symlink, a directory, another user's file
        NotRegularFile, // a device, a pipe or a socket
        TooLarge,       // larger than any profile this program would make
        TooShort,       // shorter than the line count
        NegativeCount,  // a line count below zero
        CountBeyondEnd, // the count promises more lines than the file holds (a warning: the
                        // whole lines that are there are offered)
        NoSuchLine,     // a line number outside the profile
        WriteFailed,    // a change could not be written; the file on disk is as it was
    };

    Kind kind = None;
    QString path;
    QString systemMessage;          // the system's words, for CannotOpen and WriteFailed
    std::int32_t storedCount = 0;   // NegativeCount, CountBeyondEnd
    std::int32_t wholeLines = 0;    // CountBeyondEnd
    int line = 0;                   // NoSuchLine

    explicit operator bool() const { return kind != None; }
};

// A clear sentence for the user from `messages` (profileMessages()), with the
// system's own words where it gave them. Empty for None.
QString describeProblem(const ProfileProblem &problem, const i18n::TDesignedLexicon &messages);

// A profile file as read from disk.
struct ProfileContents
{
    QByteArray bytes;              // the whole file
    std::int32_t storedCount = 0;  // the header's count as written
    std::int32_t lineCount = 0;    // lines offered: the count, cut to the whole lines present

    // Line k, 1 <= k <= lineCount.
    ProfileLine line(int k) const;
};

struct ProfileRead
{
    std::optional<ProfileContents> contents; // absent when the file cannot be used
    ProfileProblem problem;                  // may be a warning (CountBeyondEnd) beside contents
};

struct ProfileChange
{
    ProfileProblem problem;      // None when the change is on disk
    std::int32_t lineCount = 0;  // the profile's count afterwards (as before on failure)
};

// Header size, line size and the largest file accepted.
inline constexpr int kProfileHeaderSize = 100;
inline constexpr qint64 kMaxProfileFileSize = 16 * 1024 * 1024;

// Offset of line k (1-based).
constexpr qint64 profileLineOffset(int k)
{
    return kProfileHeaderSize + qint64(ProfileLine::kSize) * (k - 1);
}

// How a profile is opened. The window opens for writing too, as every use of
// a profile there may write it, so a profile it cannot write is refused at
// once; a reader that never writes (a logger) may open a read-only one.
enum class ProfileAccess { ReadWrite, ReadOnly };

// Reads a profile. Only regular files are read; a symlink in the profile's
// place is refused, and so is another user's file unless ReadOnly.
ProfileRead readProfile(const QString &path, ProfileAccess access = ProfileAccess::ReadWrite);

// Every change below replaces the file as a whole: the new contents go to a
// temporary file beside the real one and are renamed over it, so a failure
// leaves the old file complete. The file's permissions are kept. A symlink or
// another user's file at the path is refused, also when it appears there
// while the change is written. A change re-reads the file first and works from the
// count it finds there.

// A new profile of one line (any file at `path` is replaced): count 1, a zero
// reserved area and the line, 172 bytes.
ProfileProblem createProfileFile(const QString &path, const ProfileLine &line);

// Writes line k: in place for 1 <= k <= count, appended (count + 1) for
// k = count + 1.
ProfileChange recordProfileLine(const QString &path, int k, const ProfileLine &line);

// Inserts `line` as line k (1 <= k <= count + 1); lines k .. count move one
// place towards the end.
ProfileChange insertProfileLine(const QString &path, int k, const ProfileLine &line);

// Deletes line k (1 <= k <= count + 1; count + 1 removes the last line):
// later lines move one place towards the start and the count drops by one.
// The file keeps its length; the former last line stays after the counted
// ones. A profile of 0 lines is left as it is.
ProfileChange deleteProfileLine(const QString &path, int k);

// A byte-for-byte copy of `from` (a regular file of this user) at `to`.
ProfileProblem copyProfileFile(const QString &from, const QString &to);

} // namespace profiles
