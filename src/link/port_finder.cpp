#include "port_finder.h"

#include <QFile>

#include <dlfcn.h>
#include <link.h>

#include <filesystem>
#include <system_error>

namespace {

constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;

// A bare name is looked up the loader's usual way, which includes the executable's own
// folder through its run-time path. Sanitizer runtimes wrap dlopen, and the loader then
// applies the wrapper's search path instead of the executable's, so the executable's
// folder is also tried explicitly.
void* openLibrary(const QString& name)
{
    const QByteArray encoded = QFile::encodeName(name);
    if (void* handle = dlopen(encoded.constData(), kOpenFlags))
        return handle;
    if (name.contains(QLatin1Char('/')))
        return nullptr;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return nullptr;
    const std::filesystem::path beside = exe.parent_path() / encoded.toStdString();
    return dlopen(beside.c_str(), kOpenFlags);
}

// dlsym on a handle also searches the library's dependencies, and the C library exports
// an unrelated function of the same name. Accept the symbol only when it lies in the
// library that was opened.
bool definedIn(void* handle, void* symbol)
{
    link_map* library = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &library) != 0 || library == nullptr)
        return false;
    Dl_info info{};
    link_map* owner = nullptr;
    if (dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0)
        return false;
    return owner == library;
}

} // namespace

PortFinder::PortFinder(const QString& libraryName)
{
    void* handle = openLibrary(libraryName);
    if (handle == nullptr) {
        const char* reason = dlerror();
        lastLoadError = reason != nullptr ? QString::fromLocal8Bit(reason) : libraryName;
        return;
    }
    void* entry = dlsym(handle, "gets");
    if (entry == nullptr || !definedIn(handle, entry)) {
        lastLoadError = libraryName + QStringLiteral(": no entry point \"gets\"");
        dlclose(handle);
        return;
    }
    portFinderLibrary = handle;
    getsEntry = reinterpret_cast<PortQueryFunction>(entry);
}

PortFinder::~PortFinder()
{
    if (portFinderLibrary != nullptr)
        dlclose(portFinderLibrary);
}

bool PortFinder::search()
{
    if (portFinderLibrary == nullptr)
        return false;
    query.description = kDongleDescription;
    query.extra = "";
    getsEntry(&query);
    if (query.found != 1)
        return false;
    // The name lives in the library only until its next call: copy it now. A library
    // that reports success without a name has found nothing usable.
    if (query.portName == nullptr || query.portName[0] == '\0')
        return false;
    lastPortName = QFile::decodeName(query.portName);
    return true;
}
