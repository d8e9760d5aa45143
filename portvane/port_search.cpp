// Finding the dongle's serial port from sysfs.
//
// The udev database is not used: it is empty wherever no udevd runs (containers, minimal
// systems), while sysfs always describes the hardware. The layout walked here:
//
//   /sys/class/tty/ttyACM0 -> ../../devices/pci0000:00/.../usb1/1-1/1-1:1.0/tty/ttyACM0
//   .../ttyACM0/device     -> ../../../1-1:1.0                  (the USB interface)
//   .../1-1/idVendor, idProduct, product                       (the USB device, its parent)
//
// A usb-serial port (ttyUSB0) has its `device` one level deeper (.../1-1:1.0/ttyUSB0), so
// the USB device is found by walking up from the resolved `device` until a directory holds
// `idVendor`, a few levels at most and never out of the sysfs root.
//
// Attributes end with a line feed; `product` may be missing altogether.

#include "port_search.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace portvane {
namespace {

namespace fs = std::filesystem;

// The real dongle; it is also accepted by its ids when its product string differs.
constexpr std::string_view kDongleDescription = "TI CC2540 USB CDC";
constexpr std::string_view kDongleVendor = "0451";
constexpr std::string_view kDongleProduct = "16aa";

// Interface -> device is one level, usb-serial port -> interface -> device two.
constexpr int kMaxLevelsUp = 4;
// sysfs attributes are at most one page.
constexpr size_t kMaxAttributeBytes = 4096;

constexpr std::array<std::string_view, 2> kTtyPrefixes = {"ttyACM", "ttyUSB"};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '_';
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool matchesNormalized(const std::string& product, const std::string& wanted)
{
    if (wanted.empty() || product.size() < wanted.size())
        return false;
    if (product.compare(0, wanted.size(), wanted) != 0)
        return false;
    // Equal, or followed by more words: "tiX" must not pass for "ti".
    return product.size() == wanted.size() || product[wanted.size()] == ' ';
}

// Reads a small regular file; never blocks on a FIFO or a device planted in the tree.
std::optional<std::string> readAttribute(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<std::string> result;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::string text(kMaxAttributeBytes, '\0');
        size_t used = 0;
        while (used < text.size()) {
            const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            used += static_cast<size_t>(n);
        }
        text.resize(used);
        text.resize(std::min(text.size(), text.find('\0')));
        result = std::move(text);
    }
    ::close(fd);
    return result;
}

std::string trimmedLower(const std::optional<std::string>& text)
{
    return text ? normalizeDescription(*text) : std::string();
}

bool isWithin(const fs::path& path, const fs::path& root)
{
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (p == path.end() || *p != *r)
            return false;
    }
    return true;
}

struct TtyName {
    size_t kind;        // index into kTtyPrefixes: ACM ports before usb-serial ones
    std::string number; // digits, compared by length first for natural order
    std::string name;

    bool operator<(const TtyName& other) const
    {
        if (kind != other.kind)
            return kind < other.kind;
        if (number.size() != other.number.size())
            return number.size() < other.number.size();
        return number < other.number;
    }
};

std::optional<TtyName> parseTtyName(const std::string& name)
{
    for (size_t kind = 0; kind < kTtyPrefixes.size(); ++kind) {
        const std::string_view prefix = kTtyPrefixes[kind];
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string digits = name.substr(prefix.size());
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        return TtyName{kind, digits, name};
    }
    return std::nullopt;
}

std::vector<TtyName> serialTtys(const fs::path& classDir)
{
    std::vector<TtyName> ttys;
    std::error_code ec;
    for (fs::directory_iterator it(classDir, ec), end; !ec && it != end; it.increment(ec)) {
        if (auto tty = parseTtyName(it->path().filename().string()))
            ttys.push_back(std::move(*tty));
    }
    std::sort(ttys.begin(), ttys.end());
    return ttys;
}

std::optional<fs::path> usbDeviceDir(const fs::path& ttyEntry, const fs::path& sysRoot)
{
    std::error_code ec;
    fs::path dir = fs::canonical(ttyEntry / "device", ec);
    if (ec)
        return std::nullopt;
    for (int level = 0; level < kMaxLevelsUp; ++level) {
        if (dir == sysRoot || !isWithin(dir, sysRoot))
            return std::nullopt;
        if (fs::is_regular_file(dir / "idVendor", ec))
            return dir;
        dir = dir.parent_path();
    }
    return std::nullopt;
}

bool deviceMatches(const fs::path& usbDir, const std::string& wanted, bool wantedIsDongle)
{
    if (const auto product = readAttribute(usbDir / "product");
        product && matchesNormalized(normalizeDescription(*product), wanted))
        return true;
    return wantedIsDongle && trimmedLower(readAttribute(usbDir / "idVendor")) == kDongleVendor
           && trimmedLower(readAttribute(usbDir / "idProduct")) == kDongleProduct;
}

// The device the variable names, when it is set: that device or nothing. A rig that
// unplugs its simulated dongle must never find a real one instead.
std::optional<std::optional<std::string>> overridePort(const SearchRoots& roots,
                                                       const EnvironmentLookup& environment)
{
    if (!environment)
        return std::nullopt;
    const std::optional<std::string> value = environment(kPortOverrideVariable);
    if (!value || value->empty())
        return std::nullopt;
    const std::string path =
        value->find('/') == std::string::npos ? (roots.dev / *value).string() : *value;
    // stat follows a simulator's symlink to its pty; only a character device counts.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::optional<std::string>{};
    return std::optional<std::string>{path};
}

} // namespace

std::optional<std::string> processEnvironment(const char* name)
{
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

std::string normalizeDescription(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (const char c : text) {
        if (isBlank(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank)
            out.push_back(' ');
        pendingBlank = false;
        out.push_back(lowerAscii(c));
    }
    return out;
}

bool productMatches(std::string_view product, std::string_view wanted)
{
    return matchesNormalized(normalizeDescription(product), normalizeDescription(wanted));
}

std::optional<std::string> findPort(std::string_view description, const SearchRoots& roots,
                                    const EnvironmentLookup& environment)
{
    if (auto port = overridePort(roots, environment))
        return *port;

    const std::string wanted = normalizeDescription(description);
    if (wanted.empty())
        return std::nullopt;
    const bool wantedIsDongle = wanted == normalizeDescription(kDongleDescription);

    std::error_code ec;
    const fs::path sysRoot = fs::canonical(roots.sys, ec);
    if (ec)
        return std::nullopt;
    const fs::path classDir = roots.sys / "class" / "tty";
    for (const TtyName& tty : serialTtys(classDir)) {
        const auto usbDir = usbDeviceDir(classDir / tty.name, sysRoot);
        if (usbDir && deviceMatches(*usbDir, wanted, wantedIsDongle))
            return (roots.dev / tty.name).string();
    }
    return std::nullopt;
}

} // namespace portvane
