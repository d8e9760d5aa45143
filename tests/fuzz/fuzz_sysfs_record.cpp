// The port finder's reading of a USB device's sysfs records. The input holds
// the `product`, `idVendor` and `idProduct` files and the wanted description,
// separated by 0xFF bytes (the kernel writes UTF-8, where 0xFF never occurs);
// a file not given is absent, a description not given is the dongle's. One
// ttyACM0 links to the device, as the kernel lays it out.

#include "port_search.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace {

struct FakeSysfs
{
    fs::path top;
    fs::path usb;

    FakeSysfs()
    {
        std::string name = (fs::temp_directory_path() / "fuzz_sysfs_XXXXXX").string();
        if (!::mkdtemp(name.data()))
            std::abort();
        top = name;
        usb = top / "sys" / "devices" / "pci0000:00" / "usb1" / "1-1";
        const fs::path tty = usb / "1-1:1.0" / "tty" / "ttyACM0";
        fs::create_directories(tty);
        fs::create_directories(top / "sys" / "class" / "tty");
        fs::create_directories(top / "dev");
        fs::create_directory_symlink("../../../1-1:1.0", tty / "device");
        fs::create_directory_symlink("../../devices/pci0000:00/usb1/1-1/1-1:1.0/tty/ttyACM0",
                                     top / "sys" / "class" / "tty" / "ttyACM0");
    }
    ~FakeSysfs()
    {
        std::error_code ec;
        fs::remove_all(top, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const FakeSysfs sysfs;
    static const std::array<const char *, 3> kFiles = {"product", "idVendor", "idProduct"};

    std::string_view rest(reinterpret_cast<const char *>(data), size);
    bool more = true;
    for (const char *file : kFiles) {
        if (!more) {
            fs::remove(sysfs.usb / file);
            continue;
        }
        const std::size_t cut = rest.find('\xff');
        std::ofstream(sysfs.usb / file, std::ios::binary | std::ios::trunc) << rest.substr(0, cut);
        more = cut != std::string_view::npos;
        rest = more ? rest.substr(cut + 1) : std::string_view();
    }
    const std::string_view description = more ? rest : std::string_view("TI CC2540 USB CDC");

    const portvane::SearchRoots roots{sysfs.top / "sys", sysfs.top / "dev"};
    portvane::findPort(description, roots, {});
    return 0;
}
