#include "link/com_thread.h"

#include "link/com_device.h"
#include "link/com_errors.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

struct TComThread::State {
    int fd = -1;
    int wakeFd = -1;
    std::atomic<bool> stop{false};
    std::atomic<bool> inFlight{false};
    Announce announce;

    ~State()
    {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }

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

void TComThread::State::run()
{
    const int ep = epoll_create1(EPOLL_CLOEXEC);
    if (ep < 0)
        return;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u32 = kWakeTag;
    bool ok = epoll_ctl(ep, EPOLL_CTL_ADD, wakeFd, &ev) == 0;
    ev.events = EPOLLIN | EPOLLET;
    ev.data.u32 = kDeviceTag;
    ok = ok && epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev) == 0;

    bool arrived = false;
    while (ok && !stop.load()) {
        epoll_event events[2];
        const int n = epoll_wait(ep, events, 2, -1);
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
        if (!arrived || inFlight.load())
            continue;
        arrived = false;
        const int waiting = comport::inputCount(fd);
        if (waiting < 0 && comport::isDeviceGoneError(-waiting))
            break;
        if (waiting > 0) {
            inFlight.store(true);
            announce();
        }
    }
    ::close(ep);
}

TComThread::TComThread(int fd, QThread::Priority priority, Announce announce)
    : state_(std::make_shared<State>())
{
    state_->fd = fd;
    state_->announce = std::move(announce);
    state_->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state_->wakeFd < 0) {
        startError_ = errno;
        return;
    }
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
