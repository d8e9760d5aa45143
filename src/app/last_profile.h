#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace app {

// The last profile named by the settings file, reopened at start.

// Every user of the machine can write the settings file, so its path is
// reopened only when it is absolute, ends in ".hex1" and the profile reader
// accepts it for the window: a regular file of this user, not a symlink,
// FIFO or device. The reader checks the very file it opened and every later
// read and write of the profile checks again, so another user cannot aim
// this user's next profile write at a file of this user's.
//
// The profile's line count (header and reader's rules in profile_file.h),
// read once; nullopt when the path may not be reopened, the profile cannot
// be read, or its header promises more lines than the log can show.
std::optional<std::int32_t> reopenableLineCount(const QString &path);

// The name the window shows for a profile: a blank and the file name without
// its extension (" resistors" for ".../resistors.hex1").
QString profileDisplayName(const QString &path);

inline constexpr std::int32_t kMaxProfileLines = 99999;

} // namespace app
