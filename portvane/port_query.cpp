// The library's one entry point. It must never let an exception cross the C boundary.

#include "portvane/port_query.h"

#include "port_search.h"

#include <cstddef>
#include <mutex>
#include <string>

static_assert(offsetof(PortQuery, description) == 0);
static_assert(offsetof(PortQuery, extra) == sizeof(const char*));
static_assert(offsetof(PortQuery, found) == 2 * sizeof(const char*));
static_assert(offsetof(PortQuery, portName) == 3 * sizeof(const char*));

namespace {

std::mutex callMutex;
// Holds the name handed out by the last call.
std::string lastPortName;

} // namespace

extern "C" PORTVANE_EXPORT void gets(PortQuery* query)
{
    if (query == nullptr)
        return;
    try {
        const std::lock_guard lock(callMutex);
        const char* description = query->description != nullptr ? query->description : "";
        auto port = portvane::findPort(description, portvane::SearchRoots{}, portvane::processEnvironment);
        if (port) {
            lastPortName = std::move(*port);
            query->portName = lastPortName.c_str();
            query->found = 1;
        } else {
            query->portName = "";
            query->found = 0;
        }
    } catch (...) {
        query->portName = "";
        query->found = 0;
    }
}
