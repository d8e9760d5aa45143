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
    while (!stop.load()) {
        epoll_event events[2];
        const int n = epoll_wait(epollFd, events, 2, -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        bool gone = false;
        for (int i = 0; i < n; ++i) {
            if (events[i].data.u32 == kWakeTag) {
                std::uint64_t counter = 0;
                [[maybe_unused]] const ssize_t r = ::read(wakeFd, &counter, sizeof counter);
            } else {
                if (events[i].events & (EPOLLHUP | EPOLLERR))
                    gone = true;
                if (events[i].events & EPOLLIN)
                    arrived = true;
            }
        }
        if (stop.load() || gone)
            break;
        // Whether the bytes are still there is for the receiver to find out
        // when it handles the notice; a direct read may take them first.
        if (arrived && !inFlight.load()) {
            arrived = false;
            inFlight.store(true);
            announce();
        }
    }
}

TComThread::TComThread(int fd, QThread::Priority priority, Announce announce)
    : state_(std::make_shared<State>())
{
    state_->fd = fd;
    state_->announce = std::move(announce);
    startError_ = state_->setUp();
    if (startError_ != 0)
        return;
    // The thread keeps its own reference: after a Stop() from inside a
    // handler it may outlive this object.
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
    if (QThread::currentThread() == thread_) {
        QObject::connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
        thread_ = nullptr;
        return;
    }
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
}
