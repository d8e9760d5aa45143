#include "link/com_event_hooks.h"

#include <sys/epoll.h>

namespace comport::hooks {

int waitForEvents(int epollFd, epoll_event *events, int maxEvents, int timeoutMs)
{
    return epoll_wait(epollFd, events, maxEvents, timeoutMs);
}

void noticePosted() {}

void wakeUpHandled() {}

} // namespace comport::hooks
