#pragma once

// The serial port's event thread. It sleeps in epoll on the device and on
// an eventfd, and when bytes arrive it calls `announce` on itself, at most
// one notice in flight: the next one waits until the owner calls
// NoticeHandled(). Arrivals meanwhile are remembered and give exactly one
// follow-up notice, so bytes left unread never flood the receiver. The
// device is watched edge-triggered: a notice needs a new arrival, not just
// bytes sitting in the queue.
//
// The thread never blocks on its owner, so Stop() (flag + eventfd + join)
// cannot dead-lock. A hang-up of the device ends the thread quietly: the
// device has gone and there is nothing left to watch. Any other end that
// nobody asked for (the wait failing, the device flagging an error) calls
// `failed` once with an errno value, so the owner learns that no notice
// will come any more instead of waiting for one for ever.

#include <QThread>

#include <functional>
#include <memory>

class TComThread
{
public:
    using Announce = std::function<void()>;
    using Failed = std::function<void(int err)>;

    // Starts watching fd, which must stay open until Stop() returns.
    TComThread(int fd, QThread::Priority priority, Announce announce, Failed failed);
    ~TComThread();
    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    // False when the thread could not be set up; StartError() tells why.
    bool Started() const { return thread_ != nullptr; }
    int StartError() const { return startError_; }

    // The announced notice has been handled: the next one may go out.
    void NoticeHandled();
    // Ends the thread (if it has not ended by itself) and waits for it.
    void Stop();

private:
    struct State;
    std::shared_ptr<State> state_;
    QThread *thread_ = nullptr;
    int startError_ = 0;
};

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
