#pragma once

// The serial port's event thread. It sleeps in epoll on the device and on
// an eventfd, and when bytes arrive it calls `announce` on itself, at most
// one notice in flight: the next one waits until the owner calls
// NoticeHandled(). Arrivals meanwhile are remembered and give exactly one
// follow-up notice, so bytes left unread never flood the receiver. The
// device is watched edge-triggered: a notice needs a new arrival, not just
// bytes sitting in the queue.
//
// Given a receive queue, the thread also reads: it takes the bytes off the
// device as they arrive and ends a block once more than the block gap (the
// read interval) has passed after its last byte; a gap of 0 makes each
// burst read its own block. Then a notice means "a block has finished", and
// the owner never waits inside a read for the gap to pass.
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

class ComReceiveQueue;

class TComThread
{
public:
    using Announce = std::function<void()>;
    using Failed = std::function<void(int err)>;

    // Starts watching fd, which must stay open until Stop() returns. With a
    // queue the thread reads the device into it.
    TComThread(int fd, QThread::Priority priority, Announce announce, Failed failed,
               std::shared_ptr<ComReceiveQueue> queue = nullptr, int blockGapMs = 0);
    ~TComThread();
    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    // False when the thread could not be set up; StartError() tells why.
    bool Started() const { return thread_ != nullptr; }
    int StartError() const { return startError_; }

    // The announced notice has been handled: the next one may go out.
    void NoticeHandled();
    // The read interval changed while open; blocks in progress end by the new one.
    void SetBlockGap(int ms);
    // Ends the thread (if it has not ended by itself) and waits for it.
    void Stop();

private:
    struct State;
    std::shared_ptr<State> state_;
    QThread *thread_ = nullptr;
    int startError_ = 0;
};
