#pragma once

// The port's event thread as tests see it: what it has done so far, and a
// fault for its next wake-up. Linked into a test program as an object, this
// replaces the program's own comport::hooks (link/com_event_hooks.h), so the
// shipped link library carries none of it.

#include <QtGlobal>

namespace comport::testing {

// What the event threads of this process have done so far, for tests that
// must know the thread has acted before they look. A wake-up is counted once
// the thread has dealt with it, so a notice it gave rise to is already posted.
struct EventThreadCounts {
    quint64 wakeUps = 0;
    quint64 notices = 0;
};
EventThreadCounts eventThreadCounts();

// A fault for the next wake-up of an event thread: its wait fails with
// `err`, or the device it watches flags an error without hanging up.
enum class EventFault { WaitFails, DeviceError };
void injectEventFault(EventFault fault, int err = 0);

} // namespace comport::testing
