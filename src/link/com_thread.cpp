#include "link/com_thread.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

struct TComThread::State {
    int fd = -1;
    int wakeFd = -1;
    int epollFd = -1;
    std::atomic<bool> stop{false};
    std::atomic<bool> inFlight{false};
    Announce announce;
    Failed failed;

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
};

namespace {

constexpr std::uint32_t kWakeTag = 0;
constexpr std::uint32_t kDeviceTag = 1;

using comport::testing::EventFault;

std::atomic<quint64> g_wakeUps{0};
std::atomic<quint64> g_notices{0};

// An injected fault, taken by the first thread that wakes: the kind in the
// high bits (1 + EventFault), the errno in the low 16; 0 for none.
std::atomic<int> g_fault{0};

struct Fault {
    bool waitFails = false;
    bool deviceError = false;
    int err = 0;
};

Fault takeFault()
{
    const int packed = g_fault.exchange(0);
    Fault fault;
    if (packed == 0)
        return fault;
    const auto kind = static_cast<EventFault>((packed >> 16) - 1);
    fault.waitFails = kind == EventFault::WaitFails;
    fault.deviceError = kind == EventFault::DeviceError;
    fault.err = packed & 0xFFFF;
    return fault;
}

} // namespace

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

void TComThread::State::run()
{
    bool arrived = false;
    int failure = 0;
    while (!stop.load()) {
        epoll_event events[2];
        int n = epoll_wait(epollFd, events, 2, -1);
        int waitError = n < 0 ? errno : 0;
        const Fault fault = takeFault();
        if (fault.waitFails) {
            n = -1;
            waitError = fault.err;
        }
        if (n < 0) {
            if (waitError == EINTR)
                continue;
            failure = waitError;
            break;
        }
        bool gone = false;
        bool deviceError = fault.deviceError;
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
                    arrived = true;
            }
        }
        if (stop.load() || gone)
            break;
        if (deviceError) {
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
            ++g_notices;
        }
        ++g_wakeUps;
    }
    // Ending on a stop or a hang-up is expected; anything else leaves the
    // port deaf, and its owner must hear of it.
    if (failure != 0 && !stop.load())
        failed(failure);
}

TComThread::TComThread(int fd, QThread::Priority priority, Announce announce, Failed failed)
    : state_(std::make_shared<State>())
{
    state_->fd = fd;
    state_->announce = std::move(announce);
    state_->failed = std::move(failed);
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
