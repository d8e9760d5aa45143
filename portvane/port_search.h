// The search behind `gets`, with the file-system roots and the environment passed in,
// so that it can run against a fake sysfs tree.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace portvane {

// Variable naming a device to report instead of searching (simulators, test rigs).
inline constexpr const char* kPortOverrideVariable = "PORTVANE_PORT";

struct SearchRoots {
    std::filesystem::path sys = "/sys";
    std::filesystem::path dev = "/dev";
};

// Returns the value of an environment variable, or nothing when it is unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The process environment.
std::optional<std::string> processEnvironment(const char* name);

// Trimmed, blank runs collapsed to one space, "_" read as a blank, ASCII letters lower-cased.
std::string normalizeDescription(std::string_view text);

// True when the USB product string is the wanted description, possibly followed by
// more words ("... Serial Port"). An empty description matches nothing.
bool productMatches(std::string_view product, std::string_view wanted);

// The device path of the first ttyACM/ttyUSB port whose USB device matches `description`,
// or, while the override variable is set, the character device it names and nothing else.
std::optional<std::string> findPort(std::string_view description, const SearchRoots& roots,
                                    const EnvironmentLookup& environment);

} // namespace portvane
