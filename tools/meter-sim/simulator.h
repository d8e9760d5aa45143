#pragma once

#include "command_splitter.h"
#include "dongle.h"
#include "meter_model.h"
#include "pty_device.h"
#include "sim_options.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <deque>
#include <optional>

namespace metersim {

// Where the simulator reports; either may be null to keep quiet.
struct SimStreams
{
    std::FILE *paths = stdout; // the slave path, one line per plug-in
    std::FILE *log = stderr;   // events, and received commands with --verbose
};

// The dongle and the meter behind one pseudo-terminal, run by a single-threaded
// poll loop whose timers are deadlines on the monotonic clock. Every write to
// the pty is one reply or one frame, and writes are kept at least writeGap()
// apart, so a reader that splits its input at pauses of 10 ms sees each as one
// block.
class Simulator
{
public:
    static constexpr std::chrono::milliseconds kWriteGap{30};
    // With a frame gap: still more than the reader's 10 ms split.
    static constexpr std::chrono::milliseconds kLeastWriteGap{11};

    explicit Simulator(SimOptions options, SimStreams streams = {});
    ~Simulator();
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Plugs the dongle in (creates the pty and the link).
    bool start(QString *error);
    // Runs until requestStop(); the link is removed and the pty closed on return.
    void run();

    // Both are async-signal-safe and may be called from any thread, also
    // before start(); run() acts on them.
    void requestStop();
    void requestPlugToggle();

    // The current slave device; call before run() or after it returned.
    QString slavePath() const { return m_pty.slavePath(); }

private:
    bool plugIn(QString *error);
    void unplug();
    void runDue(Clock::time_point now);
    void handleCommands(const std::vector<ReceivedCommand> &commands, Clock::time_point now);
    void readMaster(Clock::time_point now);
    void checkClient();
    void enqueue(const QByteArray &bytes, bool frame);
    // A frame would be queued now.
    bool frameRoom() const;
    void flushOutput(Clock::time_point now);
    void linkDropped();
    void log(const QString &line) const;

    SimOptions m_options;
    SimStreams m_streams;
    PtyDevice m_pty;
    DeviceLink m_link;
    CommandSplitter m_splitter;
    Dongle m_dongle;
    MeterModel m_meter;
    int m_wake[2] = {-1, -1};
    bool m_stop = false;
    int m_plugs = 0; // changes with every plug-in and unplug
    bool m_clientPresent = true;
    bool m_writeBlocked = false;
    std::deque<QByteArray> m_queue;
    qsizetype m_written = 0; // bytes of m_queue.front() already written
    Clock::time_point m_nextWrite{};
    std::optional<Clock::time_point> m_nextReading;
    std::chrono::microseconds m_interval{};
    std::optional<Clock::time_point> m_unplugAt;
    std::optional<Clock::time_point> m_replugAt;
};

// Time from one reading to the next: the frame gap when one is given, else
// the meter's recording interval divided by the speed.
std::chrono::microseconds readingInterval(const SimOptions &options, const MeterModel &meter);

// Least time between two writes: Simulator::kWriteGap, or with a frame gap
// somewhat less than that gap, but never less than kLeastWriteGap.
std::chrono::microseconds writeGap(const SimOptions &options);

// One received command as the verbose log shows it: hex, then what it means.
QString describeCommand(const ReceivedCommand &command);

} // namespace metersim
