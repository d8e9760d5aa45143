#include "link/com_thread.h"

#include "link/com_event_hooks.h"
#include "link/com_receive_queue.h"

#include <QDateTime>

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;
using comport::hooks::kDeviceTag;
using comport::hooks::kWakeTag;

// What one drain of the device found.
struct Drained {
    bool finished = false; // a block was finished
    bool gone = false;     // end of file or EIO/ENXIO: the device has gone
    int failure = 0;       // any other read error
};

} // namespace

struct TComThread::State {
    int fd = -1;
    int wakeFd = -1;
    int epollFd = -1;
    std::atomic<bool> stop{false};
    std::atomic<bool> inFlight{false};
    std::atomic<int> blockGapMs{0};
    Announce announce;
    Failed failed;
    std::shared_ptr<ComReceiveQueue> queue;
    // Arrival of the last byte of the block being received (thread only).
    std::optional<Clock::time_point> lastByte;

    ~State()
    {
        if (epollFd >= 0)
            ::close(epollFd);
        if (wakeFd >= 0)
            ::close(wakeFd);
    }

    // 0 or errno.
    int setUp();

    void wake() const
    {
        const std::uint64_t one = 1;
        // A full counter still leaves the eventfd readable: nothing lost.
        [[maybe_unused]] const ssize_t n = ::write(wakeFd, &one, sizeof one);
    }

    void run();
    int waitTimeoutMs() const;
    bool gapPassed(Clock::time_point now) const;
    bool finishBlock();
    Drained drain();
};

// Done before the thread starts, so that every arrival after Open returns
// is seen, even one that a direct read takes at once.
int TComThread::State::setUp()
{
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0)
        return errno;
    epollFd = epoll_create1(EPOLL_CLOEXEC);
    if (epollFd < 0)
        return errno;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u32 = kWakeTag;
    if (epoll_ctl(epollFd, EPOLL_CTL_ADD, wakeFd, &ev) != 0)
        return errno;
    ev.events = EPOLLIN | EPOLLET;
    ev.data.u32 = kDeviceTag;
    if (epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev) != 0)
        return errno;
    return 0;
}

// Until the open block's gap has passed; for ever while no block is open.
int TComThread::State::waitTimeoutMs() const
{
    if (!lastByte)
        return -1;
    const auto end = *lastByte + std::chrono::milliseconds(blockGapMs.load(std::memory_order_relaxed));
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
    // At least 1: the block ends only once more than the gap has passed.
    return int(std::clamp<long long>(left, 1, 1 << 30));
}

bool TComThread::State::gapPassed(Clock::time_point now) const
{
    return lastByte && now - *lastByte > std::chrono::milliseconds(blockGapMs.load(std::memory_order_relaxed));
}

bool TComThread::State::finishBlock()
{
    lastByte.reset();
    return queue->finishBlock();
}

// Edge-triggered: everything waiting is read, or no new readiness comes.
Drained TComThread::State::drain()
{
    Drained result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            const auto now = Clock::now();
            // Bytes after a pause belong to a new block, even when this
            // thread sees the pause only now.
            if (gapPassed(now))
                result.finished |= finishBlock();
            result.finished |= queue->append(buffer, n, now, QDateTime::currentMSecsSinceEpoch());
            lastByte = now;
            continue;
        }
        if (n == 0 || errno == EIO || errno == ENXIO) {
            result.gone = true;
            return result;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            result.failure = errno;
        return result;
    }
}

void TComThread::State::run()
{
    bool arrived = false;
    int failure = 0;
    bool gone = false;
    while (!stop.load()) {
        epoll_event events[2];
        const int n = comport::hooks::waitForEvents(epollFd, events, 2, queue ? waitTimeoutMs() : -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failure = errno;
            break;
        }
        bool readable = false;
        bool deviceError = false;
        for (int i = 0; i < n; ++i) {
            if (events[i].data.u32 == kWakeTag) {
                std::uint64_t counter = 0;
                [[maybe_unused]] const ssize_t r = ::read(wakeFd, &counter, sizeof counter);
            } else {
                if (events[i].events & EPOLLHUP)
                    gone = true;
                else if (events[i].events & EPOLLERR)
                    deviceError = true;
                if (events[i].events & EPOLLIN)
                    readable = true;
            }
        }
        if (stop.load() || (gone && !queue))
            break;
        if (queue) {
            // What came before a hang-up is still handed over.
            if (readable || gone) {
                const Drained drained = drain();
                arrived |= drained.finished;
                gone |= drained.gone;
                if (drained.failure != 0 && !gone) {
                    failure = drained.failure;
                    break;
                }
            }
            if (gone || blockGapMs.load(std::memory_order_relaxed) <= 0 || gapPassed(Clock::now()))
                arrived |= finishBlock();
        } else if (readable) {
            arrived = true;
        }
        if (deviceError && !gone) {
            // The driver says the line is in trouble but the device is
            // still there: reading it tells no more than an I/O error.
            failure = EIO;
            break;
        }
        // Whether the bytes are still there is for the receiver to find out
        // when it handles the notice; a direct read may take them first.
        if (arrived && !inFlight.load()) {
            arrived = false;
            inFlight.store(true);
            announce();
            comport::hooks::noticePosted();
        }
        comport::hooks::wakeUpHandled();
        if (gone)
            break;
    }
    if (queue)
        queue->setEnded(failure != 0 ? failure : EIO);
    // Ending on a stop or a hang-up is expected; anything else leaves the
    // port deaf, and its owner must hear of it.
    if (failure != 0 && !stop.load())
        failed(failure);
}

TComThread::TComThread(int fd, QThread::Priority priority, Announce announce, Failed failed,
                       std::shared_ptr<ComReceiveQueue> queue, int blockGapMs)
    : state_(std::make_shared<State>())
{
    state_->fd = fd;
    state_->announce = std::move(announce);
    state_->failed = std::move(failed);
    state_->queue = std::move(queue);
    state_->blockGapMs = blockGapMs;
    startError_ = state_->setUp();
    if (startError_ != 0)
        return;
    thread_ = QThread::create([state = state_] { state->run(); });
    thread_->start(priority);
}

TComThread::~TComThread()
{
    Stop();
}

void TComThread::NoticeHandled()
{
    state_->inFlight.store(false);
    if (state_->wakeFd >= 0)
        state_->wake();
}

void TComThread::SetBlockGap(int ms)
{
    state_->blockGapMs.store(ms);
    if (state_->wakeFd >= 0)
        state_->wake();
}

void TComThread::Stop()
{
    if (!thread_)
        return;
    state_->stop.store(true);
    state_->wake();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
}
