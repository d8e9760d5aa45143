#include "stop_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vorlantlog {

namespace {

// One pipe for the process: signal handlers are process-wide.
int g_pipe[2] = {-1, -1};

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onStopSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a stop request; nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
}

StopSignals::~StopSignals()
{
    struct sigaction action{};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : kStopSignals)
        ::sigaction(number, &action, nullptr);
    if (g_pipe[0] >= 0) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
}

bool StopSignals::install(QString *error)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);

    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kStopSignals) {
        if (::sigaction(number, &action, nullptr) != 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

void StopSignals::readPipe()
{
    unsigned char byte = 0;
    int last = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        last = byte;
    if (last != 0)
        emit stopRequested(last);
}

} // namespace vorlantlog
