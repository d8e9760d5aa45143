#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace app {

// The last profile named by the settings file, reopened at start.

// Every user of the machine can write the settings file, so its path is
// reopened only when it is absolute and names a regular file (not a symlink,
// FIFO or device) whose name ends in ".hex1". Otherwise another user could
// aim this user's next profile write at any file this user may write.
bool mayReopenProfile(const QString &path);

// The name the window shows for a profile: a blank and the file name without
// its extension (" resistors" for ".../resistors.hex1").
QString profileDisplayName(const QString &path);

// The profile's line count, the signed 32-bit value at offset 0, from the
// file opened for reading and writing as the profile operations will need
// it; nullopt when it cannot be opened so or is too short, or the count is
// negative or more lines than the log can show.
std::optional<std::int32_t> readProfileLineCount(const QString &path);

inline constexpr std::int32_t kMaxProfileLines = 99999;

} // namespace app
