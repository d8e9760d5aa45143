#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

namespace app {

// What the settings file holds; a field the file does not reach has its default.
struct SettingsValues
{
    QString profilePath;                      // the last profile; empty: none
    std::optional<std::int32_t> languageIndex; // the language selector's index at the last change
    std::uint8_t autoConnect = 0;             // non-zero: the auto-connect box was checked

    bool operator==(const SettingsValues &) const = default;
};

// What went wrong with a write to the settings file; None when it went through.
struct SettingsWriteProblem
{
    enum Kind {
        None,
        PathTooLong, // the profile path needs more than kProfilePathCapacity bytes; nothing was written
        CannotWrite, // the file could not be opened or written
    };

    Kind kind = None;
    QString path; // the settings file, for CannotWrite
    QString why;  // the system's words, for CannotWrite

    explicit operator bool() const { return kind != None; }
    // For CannotWrite, the error box's text (cannotOpenText); empty otherwise.
    QString text() const;
};

// A settings file that cannot be opened, read or written, in the user's words:
// Cannot open file "<path>". <why>
QString cannotOpenText(const QString &path, const QString &why);

// The settings file "1.dat" in the folder shared by every user of the machine
// (layout in settings_file.cpp). Nothing holds it open: each operation opens,
// reads or writes its field and closes.
class SettingsFile
{
public:
    static constexpr std::int64_t kProfilePathLengthOffset = 0;
    static constexpr std::int64_t kProfilePathOffset = 4;
    static constexpr std::int32_t kProfilePathCapacity = 196;
    static constexpr std::int64_t kLanguageIndexOffset = 200;
    static constexpr std::int64_t kAutoConnectOffset = 204;
    static constexpr std::int64_t kFullSize = 205;
    // A settings file is 205 bytes at most when we write it; anything far
    // larger is not one.
    static constexpr std::int64_t kMaxSize = 4096;
    static constexpr const char *kFileName = "1.dat";

    explicit SettingsFile(QString folder);

    QString folder() const { return m_folder; }
    QString filePath() const;

    enum class LoadStatus {
        Created, // there was no file: an empty one was made, nothing was read
        Read,    // the file was read; `values` holds what it says
        Failed,  // no file could be made or read (`why` says why); `values` are the defaults
    };
    struct Load
    {
        LoadStatus status = LoadStatus::Failed;
        SettingsValues values;
        QString why;
    };

    // Creates the folder (mode 1777) when missing, creates an empty file
    // (mode 0666) when there is none, otherwise reads it. A planted symlink,
    // hard link or other non-file is never read.
    Load load() const;

    // The writers open the existing file, write their field and close it; none
    // creates the file or shortens it. Each says CannotWrite when the file
    // cannot be opened or written.

    // Stores the path's length in characters and its bytes. PathTooLong, and
    // nothing written, when the path needs more than kProfilePathCapacity
    // bytes: it would run into the language index.
    [[nodiscard]] SettingsWriteProblem storeProfilePath(const QString &path) const;
    [[nodiscard]] SettingsWriteProblem storeLanguageIndex(std::int32_t index) const;
    [[nodiscard]] SettingsWriteProblem storeAutoConnect(bool checked) const;

    // The codec. `fileStart` is the file's first bytes (all of them when it is
    // shorter than kFullSize; bytes past kFullSize are never looked at).
    static SettingsValues decode(std::span<const std::uint8_t> fileStart);
    // The length field and path bytes as stored at offset 0; nullopt when the
    // path does not fit.
    static std::optional<QByteArray> encodeProfilePath(const QString &path);

private:
    SettingsWriteProblem write(std::int64_t offset, std::span<const std::uint8_t> bytes) const;

    QString m_folder;
};

} // namespace app
