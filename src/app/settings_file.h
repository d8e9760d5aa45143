#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>

namespace app {

// What the settings file holds; a field the file does not reach has its default.
struct SettingsValues
{
    QString profilePath;                      // the last profile; empty: none
    std::optional<std::int32_t> languageIndex; // the language selector's index at the last change
    std::uint8_t autoConnect = 0;             // non-zero: the auto-connect box was checked

    bool operator==(const SettingsValues &) const = default;
};

// A writer could not open or write the settings file. The text is the one the
// error box shows: Cannot open file "<path>". <reason>
class SettingsFileError : public std::runtime_error
{
public:
    SettingsFileError(const QString &path, const QString &why);
};

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
    // creates the file or shortens it. Each throws SettingsFileError when the
    // file cannot be opened or written.

    // Stores the path's length in characters and its bytes. Returns false, and
    // writes nothing, when the path needs more than kProfilePathCapacity bytes:
    // it would run into the language index.
    bool storeProfilePath(const QString &path) const;
    void storeLanguageIndex(std::int32_t index) const;
    void storeAutoConnect(bool checked) const;

    // The codec. `fileStart` is the file's first bytes (all of them when it is
    // shorter than kFullSize; bytes past kFullSize are never looked at).
    static SettingsValues decode(std::span<const std::uint8_t> fileStart);
    // The length field and path bytes as stored at offset 0; nullopt when the
    // path does not fit.
    static std::optional<QByteArray> encodeProfilePath(const QString &path);

private:
    void write(std::int64_t offset, std::span<const std::uint8_t> bytes) const;

    QString m_folder;
};

} // namespace app
