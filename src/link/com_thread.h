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
// device has gone and there is nothing left to watch.

#include <QThread>

#include <functional>
#include <memory>

class TComThread
{
public:
    using Announce = std::function<void()>;

    // Starts watching fd, which must stay open until Stop() returns.
    TComThread(int fd, QThread::Priority priority, Announce announce);
    ~TComThread();
    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    // False when the thread could not be set up; StartError() tells why.
    bool Started() const { return thread_ != nullptr; }
    int StartError() const { return startError_; }

    // The announced notice has been handled: the next one may go out.
    void NoticeHandled();
    // Ends the thread and waits for it. Called from a handler running on the
    // thread itself, it only asks: the thread ends when the handler returns.
    void Stop();

private:
    struct State;
    std::shared_ptr<State> state_;
    QThread *thread_ = nullptr;
    int startError_ = 0;
};
