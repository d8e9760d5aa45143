#include "event_faults.h"

#include "link/com_event_hooks.h"

#include <sys/epoll.h>

#include <atomic>
#include <cerrno>

namespace {

using comport::testing::EventFault;

std::atomic<quint64> g_wakeUps{0};
std::atomic<quint64> g_notices{0};

// An injected fault, taken by the first thread that wakes: the kind in the
// high bits (1 + EventFault), the errno in the low 16; 0 for none.
std::atomic<int> g_fault{0};

} // namespace

namespace comport::hooks {

int waitForEvents(int epollFd, epoll_event *events, int maxEvents, int timeoutMs)
{
    int n = epoll_wait(epollFd, events, maxEvents, timeoutMs);
    const int packed = g_fault.exchange(0);
    if (packed == 0)
        return n;
    const auto kind = static_cast<EventFault>((packed >> 16) - 1);
    if (kind == EventFault::WaitFails) {
        errno = packed & 0xFFFF;
        return -1;
    }
    // The device flags an error, whatever else woke the thread.
    if (n < 0)
        n = 0;
    if (n >= maxEvents)
        n = maxEvents - 1;
    events[n] = epoll_event{};
    events[n].events = EPOLLERR;
    events[n].data.u32 = kDeviceTag;
    return n + 1;
}

void noticePosted()
{
    ++g_notices;
}

void wakeUpHandled()
{
    ++g_wakeUps;
}

} // namespace comport::hooks

namespace comport::testing {

EventThreadCounts eventThreadCounts()
{
    return {g_wakeUps.load(), g_notices.load()};
}

void injectEventFault(EventFault fault, int err)
{
    g_fault.store(((static_cast<int>(fault) + 1) << 16) | (err & 0xFFFF));
}

} // namespace comport::testing
