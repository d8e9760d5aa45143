#include "simulator.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace metersim {

namespace {

constexpr std::size_t kMaxQueued = 32;       // a client that never reads costs no memory
constexpr std::size_t kMaxQueuedFrames = 4;  // readings older than that are stale anyway
constexpr std::chrono::milliseconds kClientRecheck{25};
constexpr char kWakeStop = 'q';
constexpr char kWakePlug = 'u';

const char *modeName(int mode)
{
    switch (mode) {
    case 1: return "RLCD";
    case 2: return "RD";
    case 3: return "U";
    default: return "?";
    }
}

int msUntil(Clock::time_point now, Clock::time_point when)
{
    if (when <= now)
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - now).count();
    return int(std::min<long long>(ms, 60000));
}

} // namespace

std::chrono::microseconds readingInterval(const SimOptions &options, const MeterModel &meter)
{
    if (options.frameGap)
        return *options.frameGap;
    return meter.readingInterval(options.speed);
}

std::chrono::microseconds writeGap(const SimOptions &options)
{
    const std::chrono::microseconds usual = Simulator::kWriteGap;
    if (!options.frameGap)
        return usual;
    // Some slack below the frame gap, so a write that came a little late
    // does not delay every frame after it; never 10 ms or less.
    return std::clamp(*options.frameGap * 4 / 5, std::chrono::microseconds(Simulator::kLeastWriteGap), usual);
}

QString describeCommand(const ReceivedCommand &c)
{
    const QString hex = QString::fromLatin1(c.bytes.toHex(' ').toUpper());
    using Kind = ReceivedCommand::Kind;
    const bool binary = c.kind == Kind::Mode || c.kind == Kind::Settings;
    if (binary && c.bytes.size() != 5)
        return QStringLiteral("%1  (not a command, dropped)").arg(hex);
    switch (c.kind) {
    case Kind::At:
    case Kind::ConnectRequest:
        return QStringLiteral("%1  %2").arg(hex, QString::fromLatin1(c.bytes));
    case Kind::Garbage:
        return QStringLiteral("%1  (not a command, dropped)").arg(hex);
    case Kind::Mode: {
        const auto b0 = std::uint8_t(c.bytes.at(0));
        return QStringLiteral("%1  mode %2, brightness %3")
            .arg(hex, QLatin1String(modeName(b0 & 0x0F)), QLatin1String(b0 & 0x40 ? "off" : "on"));
    }
    case Kind::Settings:
        break;
    }
    std::array<std::uint8_t, 5> bytes{};
    std::copy_n(reinterpret_cast<const std::uint8_t *>(c.bytes.constData()), 5, bytes.begin());
    const SettingsCommand s = SettingsCommand::fromBytes(bytes);
    auto autoOr = [](int code) { return code == 0 ? QStringLiteral("auto") : QString::number(code); };
    static const char *const kCircuits[] = {"auto", "parallel", "series", "?"};
    return QStringLiteral("%1  settings: frequency %2%3, circuit %4, main %5, secondary %6, level %7%8, "
                          "interval %9, capture %10, sound %11, brightness %12")
        .arg(hex)
        .arg(s.freqCode)
        .arg(s.freqAuto ? QStringLiteral(" (auto)") : QString())
        .arg(QLatin1String(kCircuits[s.circuit & 3]))
        .arg(autoOr(s.primary), autoOr(s.secondary))
        .arg(s.levelByte & 0x07)
        .arg(s.levelByte & 0x08 ? QStringLiteral(" (auto)") : QString())
        .arg((s.levelByte >> 4) & 0x07)
        .arg(s.levelByte >> 7)
        .arg(QLatin1String(s.sound ? "on" : "off"), QLatin1String(s.brightnessOn ? "on" : "off"));
}

Simulator::Simulator(SimOptions options, SimStreams streams)
    : m_options(std::move(options)),
      m_streams(streams),
      m_link(m_options.linkPath),
      m_dongle(m_options.dongle),
      m_meter(MeterModel::Config{m_options.parts, m_options.readingsPerPart, m_options.noisePercent,
                                 m_options.seed, m_options.numbered})
{
    // Made here so that a signal arriving before start() is not lost.
    if (::pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0)
        m_wake[0] = m_wake[1] = -1;
}

Simulator::~Simulator()
{
    m_link.remove();
    m_pty.close();
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

bool Simulator::start(QString *error)
{
    if (m_wake[0] < 0) {
        *error = QStringLiteral("cannot create the wake-up pipe");
        return false;
    }
    return plugIn(error);
}

void Simulator::requestStop()
{
    if (m_wake[1] >= 0)
        [[maybe_unused]] const auto n = ::write(m_wake[1], &kWakeStop, 1);
}

void Simulator::requestPlugToggle()
{
    if (m_wake[1] >= 0)
        [[maybe_unused]] const auto n = ::write(m_wake[1], &kWakePlug, 1);
}

void Simulator::log(const QString &line) const
{
    if (m_streams.log)
        std::fprintf(m_streams.log, "meter-sim: %s\n", line.toLocal8Bit().constData());
}

bool Simulator::plugIn(QString *error)
{
    if (!m_pty.open(error))
        return false;
    if (!m_link.place(m_pty.slavePath(), error)) {
        m_pty.close();
        return false;
    }
    ++m_plugs;
    m_clientPresent = true;
    m_writeBlocked = false;
    m_replugAt.reset();
    if (m_options.unplugAfter)
        m_unplugAt = Clock::now() + *m_options.unplugAfter;
    if (m_streams.paths) {
        std::fprintf(m_streams.paths, "%s\n", m_pty.slavePath().toLocal8Bit().constData());
        std::fflush(m_streams.paths);
    }
    log(QStringLiteral("dongle plugged in at %1%2")
            .arg(m_pty.slavePath(),
                 m_link.path().isEmpty() ? QString() : QStringLiteral(" (link %1)").arg(m_link.path())));
    return true;
}

void Simulator::unplug()
{
    // The dongle loses power: the link is gone, half-read commands and unsent
    // replies with it. The meter keeps its settings.
    ++m_plugs;
    m_link.remove();
    m_pty.close();
    m_dongle.unplug();
    m_splitter.clear();
    m_queue.clear();
    m_written = 0;
    m_nextReading.reset();
    m_unplugAt.reset();
    if (m_options.replugAfter.count() > 0)
        m_replugAt = Clock::now() + m_options.replugAfter;
    log(QStringLiteral("dongle pulled out"));
}

void Simulator::linkDropped()
{
    m_nextReading.reset();
    // Readings not yet sent belong to the link that is gone.
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        const bool started = it == m_queue.begin() && m_written > 0;
        if (!started && it->size() == qsizetype(protocol::MeterFrame::kSize))
            it = m_queue.erase(it);
        else
            ++it;
    }
}

bool Simulator::frameRoom() const
{
    const auto frames = std::count_if(m_queue.begin(), m_queue.end(), [](const QByteArray &b) {
        return b.size() == qsizetype(protocol::MeterFrame::kSize);
    });
    return std::size_t(frames) < kMaxQueuedFrames && m_queue.size() < kMaxQueued;
}

void Simulator::enqueue(const QByteArray &bytes, bool frame)
{
    if (bytes.isEmpty())
        return;
    if (!frame && m_options.verbose)
        log(QStringLiteral("tx %1").arg(QString::fromLatin1(bytes).replace(QLatin1String("\r\n"), QLatin1String("\\r\\n"))));
    if (frame && !frameRoom())
        return;
    if (m_queue.size() >= kMaxQueued)
        return;
    m_queue.push_back(bytes);
}

void Simulator::handleCommands(const std::vector<ReceivedCommand> &commands, Clock::time_point now)
{
    using Kind = ReceivedCommand::Kind;
    for (const ReceivedCommand &c : commands) {
        if (m_options.verbose)
            log(QStringLiteral("rx %1").arg(describeCommand(c)));
        switch (c.kind) {
        case Kind::At: {
            const bool wasLinked = m_dongle.linked();
            enqueue(m_dongle.onAt(), false);
            if (wasLinked) {
                linkDropped();
                log(QStringLiteral("link dropped"));
            }
            break;
        }
        case Kind::ConnectRequest:
            enqueue(m_dongle.onConnectRequest(now), false);
            break;
        case Kind::Settings:
        case Kind::Mode: {
            if (!m_dongle.linked()) {
                if (m_options.verbose)
                    log(QStringLiteral("   (no link to the meter: not delivered)"));
                break;
            }
            std::array<std::uint8_t, 5> bytes{};
            std::copy_n(reinterpret_cast<const std::uint8_t *>(c.bytes.constData()), 5, bytes.begin());
            m_meter.applyCommand(bytes);
            const auto interval = readingInterval(m_options, m_meter);
            if (interval != m_interval) {
                m_interval = interval;
                m_nextReading = now + interval;
            }
            break;
        }
        case Kind::Garbage:
            break;
        }
    }
}

void Simulator::runDue(Clock::time_point now)
{
    handleCommands(m_splitter.expire(now), now);

    if (const auto d = m_dongle.deadline(); d && *d <= now) {
        const QByteArray reply = m_dongle.onDeadline();
        enqueue(reply, false);
        if (m_dongle.linked()) {
            m_interval = readingInterval(m_options, m_meter);
            m_nextReading = now + m_interval;
            log(QStringLiteral("link up"));
        }
    }

    if (m_nextReading && *m_nextReading <= now && m_dongle.linked()) {
        // A reading that finds no room is never taken, so that numbered
        // readings count only what goes out on the line.
        if (frameRoom())
            enqueue(m_meter.nextReading().toByteArray(), true);
        *m_nextReading += m_interval;
        if (*m_nextReading <= now)
            m_nextReading = now + m_interval;
    }

    if (m_unplugAt && *m_unplugAt <= now && m_pty.isOpen())
        unplug();
    if (m_replugAt && *m_replugAt <= now && !m_pty.isOpen()) {
        QString error;
        if (!plugIn(&error)) {
            log(QStringLiteral("cannot plug back in: %1").arg(error));
            m_replugAt = now + m_options.replugAfter;
        }
    }
}

void Simulator::flushOutput(Clock::time_point now)
{
    if (!m_pty.isOpen() || m_writeBlocked)
        return;
    if (!m_clientPresent) {
        // Nobody holds the port open: what the dongle sends is lost, as it is
        // on a closed serial device.
        m_queue.clear();
        m_written = 0;
        return;
    }
    if (m_queue.empty() || now < m_nextWrite)
        return;
    const QByteArray &front = m_queue.front();
    const ssize_t n = ::write(m_pty.masterFd(), front.constData() + m_written, std::size_t(front.size() - m_written));
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            m_writeBlocked = true;
        else if (errno == EIO)
            m_clientPresent = false;
        return;
    }
    m_written += n;
    if (m_written < front.size()) {
        m_writeBlocked = true;
        return;
    }
    m_queue.pop_front();
    m_written = 0;
    m_nextWrite = Clock::now() + writeGap(m_options);
}

void Simulator::readMaster(Clock::time_point now)
{
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_pty.masterFd(), buffer, sizeof buffer);
        if (n > 0) {
            handleCommands(m_splitter.feed(std::span<const std::uint8_t>(buffer, std::size_t(n)), now), now);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO)
            m_clientPresent = false;
        return;
    }
}

void Simulator::checkClient()
{
    // A pty master reports POLLHUP while no one has the slave open; only a
    // fresh look tells when a client has come (back).
    pollfd p{m_pty.masterFd(), POLLIN, 0};
    if (::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP))
        m_clientPresent = true;
}

void Simulator::run()
{
    while (!m_stop) {
        Clock::time_point now = Clock::now();
        if (m_pty.isOpen() && !m_clientPresent)
            checkClient();
        runDue(now);
        flushOutput(now);

        now = Clock::now();
        std::optional<Clock::time_point> next;
        auto consider = [&next](std::optional<Clock::time_point> t) {
            if (t && (!next || *t < *next))
                next = t;
        };
        consider(m_splitter.deadline());
        consider(m_dongle.deadline());
        if (m_dongle.linked())
            consider(m_nextReading);
        consider(m_unplugAt);
        consider(m_replugAt);
        if (!m_queue.empty() && !m_writeBlocked && m_clientPresent)
            consider(m_nextWrite);
        if (m_pty.isOpen() && !m_clientPresent)
            consider(now + kClientRecheck);
        const int timeout = next ? msUntil(now, *next) : -1;

        const int plugsBefore = m_plugs;
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {-1, 0, 0}};
        nfds_t count = 1;
        if (m_pty.isOpen() && m_clientPresent) {
            fds[1] = {m_pty.masterFd(), short(POLLIN | (m_writeBlocked ? POLLOUT : 0)), 0};
            count = 2;
        }
        if (::poll(fds, count, timeout) < 0)
            continue; // EINTR: a signal; its byte is in the wake pipe

        if (fds[0].revents & POLLIN) {
            char codes[64];
            ssize_t n;
            while ((n = ::read(m_wake[0], codes, sizeof codes)) > 0) {
                for (ssize_t i = 0; i < n; ++i) {
                    if (codes[i] == kWakeStop) {
                        m_stop = true;
                    } else if (codes[i] == kWakePlug) {
                        if (m_pty.isOpen()) {
                            unplug();
                        } else {
                            QString error;
                            if (!plugIn(&error))
                                log(QStringLiteral("cannot plug back in: %1").arg(error));
                        }
                    }
                }
            }
        }
        // After an unplug (or a replug) in this round the answer is about a
        // device that is gone.
        if (count == 2 && m_pty.isOpen() && m_plugs == plugsBefore) {
            now = Clock::now();
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR))
                readMaster(now);
            if (fds[1].revents & POLLHUP) {
                m_clientPresent = false;
                m_writeBlocked = false;
            }
            if (fds[1].revents & POLLOUT)
                m_writeBlocked = false;
        }
    }
    m_link.remove();
    m_pty.close();
    log(QStringLiteral("stopped"));
}

} // namespace metersim
