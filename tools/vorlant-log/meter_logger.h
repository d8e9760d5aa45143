#pragma once

#include "exit_status.h"
#include "logger_options.h"

#include "link/com_port.h"
#include "link/dongle_link.h"
#include "reading/local_clock.h"
#include "protocol/meter_command.h"
#include "reading/reading_pipeline.h"
#include "sorting/bin_rule.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class PortFinder;

namespace vorlantlog {

class ReadingOutput;

// The pauses of a run. The defaults are the window's; tests shorten them.
struct LoggerTiming
{
    int linkTimeoutMs = 15000;                          // from the request to the link
    int commandGapMs = 200;                             // between two set-up commands
    int settingsDelayMs = DongleLink::kSettingsDelayMs; // from the link to the set-up commands
    int holdReleaseMs = FrameHold::kReleaseMs;          // longest hold after the set-up commands
    int supervisionMs = DongleLink::kSupervisionMs;
    int portWatchMs = DongleLink::kPortWatchMs;
};

// One run of the logger: the dongle found and probed, the link asked for,
// the meter set up, every reading written, and the link ended. The link's
// rules are DongleLink's, the readings' those of the window's decoders and
// judgement; this class owns the port, the finder and the timers, and turns
// what happens into lines of output, messages and an exit status.
//
//   start -> probe -> "AT+CONNL" -> link up -> (1 s, then the set-up commands
//   and 1 s of held frames) -> logging -> count, duration or a stop request
//   -> "AT" -> finished(status)
//
// A link refused or lost ends the run, or with --reconnect is reported and
// asked for again while the output goes on where it was.
class MeterLogger : public QObject
{
    Q_OBJECT

public:
    // One message line, without the program's name.
    using Report = std::function<void(const QString &line)>;

    using Timing = LoggerTiming;

    MeterLogger(const LoggerOptions &options, ReadingOutput &output, Report report, Timing timing = {},
                QObject *parent = nullptr);
    ~MeterLogger() override;

    // Finds and probes the dongle and asks for the link; call from the event loop.
    void start();
    // Ends the run as a finished one (SIGINT, SIGTERM).
    void stop();
    // Ends the run with `status` and one line saying why.
    void fail(ExitStatus status, const QString &message);

    // Called with each reading once it is in the output, and with the
    // meter's RLCD settings whenever a reading shows them changed.
    struct Taps
    {
        // with its number in the run
        std::function<void(const reading::Reading &reading, std::int64_t position)> reading;
        std::function<void(const protocol::MeterSettings &settings)> settings;
    };
    void setTaps(Taps taps) { m_taps = std::move(taps); }

    // For a remote front (the SCPI server): whether a settings command can
    // go out now (linked, set up, logging), the settings record a choice
    // builds on, and sending one as the window does: frames held off, the
    // command written, the hold ended a second later. False when nothing went out.
    bool acceptsSettings() const;
    protocol::MeterSettings settingsRecord() const;
    bool sendSettings(const protocol::MeterSettings &settings);

signals:
    void finished(int exitStatus);
    // An RLCD reading while logging, whether or not it is written.
    void rlcReading(const reading::Reading &reading);
    // The link went down, or the run ended.
    void linkLost();

private:
    enum class Phase {
        Idle,          // before start()
        Linking,       // "AT+CONNL" written, the answer awaited
        AwaitingSetup, // linked; the set-up commands go out a second later
        Holding,       // set-up commands sent; frames dropped for a while
        Logging,
        Waiting,       // --reconnect: for the dongle and a new link
        Done,
    };

    void bindLink();
    void requestLink();
    void enterWaiting();
    void superviseTick();
    void onLinkUp();
    void onAttemptEnded();
    void onLinkLost(const QString &detail);
    void onPortFailure();
    void onLinkTimeout();
    void sendNextCommand();
    void beginLogging();
    void onFrame(const protocol::MeterFrame &frame);
    void onDurationTick();
    void finish(ExitStatus status, const QString &message = {});
    ExitStatus runStatus() const;
    QString noDongleText() const;
    // A failed attempt with --reconnect: said once until a link comes up, then only with --verbose.
    void reportRetry(const QString &line);
    void verbose(const QString &line) const;

    LoggerOptions m_options;
    Timing m_timing;
    ReadingOutput &m_output;
    Report m_report;
    reading::ReadingPipeline m_pipeline;

    // The port outlives the link that drives it.
    TComPort m_port;
    std::unique_ptr<PortFinder> m_finder;
    DongleLink m_link;

    QTimer m_supervision;
    QTimer m_portWatch;
    QTimer m_setupDelay;
    QTimer m_commandGap;
    QTimer m_hold;
    QTimer m_linkTimeout;
    QTimer m_duration;
    QDeadlineTimer m_deadline;
    logbook::LocalClock m_clock;

    Phase m_phase = Phase::Idle;
    std::deque<protocol::MeterCommand> m_pendingCommands;
    // Sent by sendSettings and not yet reported back by the meter.
    std::optional<protocol::MeterSettings> m_chosen;
    std::int64_t m_lines = 0;
    std::int64_t m_rejected = 0;
    profiles::BinTally m_tally;
    bool m_everLinked = false;
    bool m_loggingBegan = false;
    bool m_noMeter = false; // the last attempt ended with "no meter to link with"
    bool m_retryReported = false;
    QString m_lastPortError;
    Taps m_taps;
    std::optional<protocol::MeterSettings> m_tappedSettings;
};

} // namespace vorlantlog
