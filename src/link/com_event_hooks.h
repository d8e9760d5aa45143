#pragma once

// The points where the port's event thread meets the system, kept in a file
// of their own so that a test program can link its own versions in place of
// these (a fault in the wait, counts of what the thread did). The program
// itself gets plain epoll_wait and two empty calls.

struct epoll_event;

namespace comport::hooks {

// epoll_wait; -1 with errno set on failure.
int waitForEvents(int epollFd, epoll_event *events, int maxEvents, int timeoutMs);
// Tags the event thread gives its two watched handles in epoll_event::data.u32.
inline constexpr unsigned kWakeTag = 0;
inline constexpr unsigned kDeviceTag = 1;
// A receive notice has just been posted to the owner.
void noticePosted();
// One wake-up has been dealt with (a notice it gave rise to is already posted).
void wakeUpHandled();

} // namespace comport::hooks
