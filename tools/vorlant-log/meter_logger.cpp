#include "meter_logger.h"

#include "meter_setup.h"
#include "reading_output.h"

#include "app/com_port_design.h"
#include "link/link_timers.h"
#include "link/port_finder.h"

#include <algorithm>

namespace vorlantlog {

namespace {

constexpr qint64 kLongestTimerMs = 3600 * 1000; // a duration is waited for an hour at a time

QString hex(const protocol::MeterCommand &command)
{
    return QString::fromLatin1(command.toByteArray().toHex(' ').toUpper());
}

QString readings(std::int64_t n)
{
    return n == 1 ? QStringLiteral("1 reading") : QStringLiteral("%1 readings").arg(n);
}

} // namespace

MeterLogger::MeterLogger(const LoggerOptions &options, ReadingOutput &output, Report report, Timing timing,
                         QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_timing(timing)
    , m_output(output)
    , m_report(std::move(report))
    , m_pipeline(options.reference, options.primaryKindFromReading)
    , m_link(m_port)
{
    // The port as the window opens it: read interval 10 ms, so one read holds one reply or one frame.
    LoadComPortDesign(m_port);
    if (options.binPlan)
        m_pipeline.setBinPlan(*options.binPlan);

    // The link's timers. Supervision runs only while waiting for the dongle,
    // which enterWaiting starts; the set-up delay only when there is a set-up
    // to send; nothing starts once the run is done.
    LinkTimerConditions when;
    when.supervision = [] { return false; };
    when.settingsDelay = [this] { return m_phase == Phase::AwaitingSetup; };
    when.portWatch = [this] { return m_phase != Phase::Done; };
    bindLinkTimers(m_link, {nullptr, &m_supervision, &m_setupDelay, &m_portWatch}, when);
    m_supervision.setInterval(m_timing.supervisionMs);
    m_portWatch.setInterval(m_timing.portWatchMs);
    m_setupDelay.setInterval(m_timing.settingsDelayMs);
    m_commandGap.setSingleShot(true);
    m_commandGap.setInterval(m_timing.commandGapMs);
    m_hold.setSingleShot(true);
    m_linkTimeout.setSingleShot(true);
    m_linkTimeout.setInterval(m_timing.linkTimeoutMs);
    m_duration.setSingleShot(true);

    connect(&m_supervision, &QTimer::timeout, this, &MeterLogger::superviseTick);
    connect(&m_portWatch, &QTimer::timeout, &m_link, &DongleLink::watchPort);
    connect(&m_setupDelay, &QTimer::timeout, this, [this] {
        if (m_phase != Phase::AwaitingSetup)
            return;
        const std::vector<protocol::MeterCommand> commands = setupCommands(
            m_options, m_pipeline.reportedSettings(), m_pipeline.brightnessOn(),
                                                                     protocol::UnitTexts::design());
        m_pendingCommands.assign(commands.begin(), commands.end());
        // Frames that still carry the old settings are not logged.
        m_link.frameHold().hold(FrameHold::Reason::SetupCommands);
        m_phase = Phase::Holding;
        sendNextCommand();
    });
    connect(&m_commandGap, &QTimer::timeout, this, &MeterLogger::sendNextCommand);
    // The hold-off's release timer; it is asked for after the last set-up command.
    connect(&m_link.frameHold(), &FrameHold::releaseTimerWanted, this, [this](int ms) {
        if (!m_hold.isActive())
            m_hold.start(std::min(ms, m_timing.holdReleaseMs));
    });
    connect(&m_hold, &QTimer::timeout, this, [this] {
        m_link.frameHold().releaseDue();
        if (m_phase == Phase::Holding)
            beginLogging();
    });
    connect(&m_linkTimeout, &QTimer::timeout, this, &MeterLogger::onLinkTimeout);
    connect(&m_duration, &QTimer::timeout, this, &MeterLogger::onDurationTick);
    bindLink();
}

MeterLogger::~MeterLogger()
{
    // The link goes first; a port closed after it must not call into it.
    m_port.OnAfterOpen = nullptr;
    m_port.OnBeforeClose = nullptr;
    m_port.OnRxChar = nullptr;
    m_port.OnException = nullptr;
}

void MeterLogger::bindLink()
{
    m_link.bindPortEvents();
    m_port.OnException = [this](TCustomComPort *, TComExceptions kind, const QString &message, qint64 systemError,
                                const QString &systemMessage) {
        m_lastPortError = systemMessage.isEmpty() ? message : systemMessage;
        m_link.portFailed(kind, systemError);
        // After the link has given up a vanished port (its own zero-time step).
        QTimer::singleShot(0, this, &MeterLogger::onPortFailure);
    };

    connect(&m_link, &DongleLink::connecting, this, [this] { verbose(QStringLiteral("the dongle is linking")); });
    connect(&m_link, &DongleLink::linkUp, this, &MeterLogger::onLinkUp);
    connect(&m_link, &DongleLink::linkDown, this, [this] { onLinkLost({}); });
    connect(&m_link, &DongleLink::portClosed, this, [this] { onLinkLost(QStringLiteral("the dongle's port closed")); });
    // Queued: the status line of the same reply comes right after the signal.
    connect(&m_link, &DongleLink::attemptEnded, this, &MeterLogger::onAttemptEnded, Qt::QueuedConnection);
    connect(&m_link, &DongleLink::statusMessage, this, [this](DongleLink::Status status) {
        if (status == DongleLink::Status::NoConnection)
            m_noMeter = true;
    });
    connect(&m_link, &DongleLink::frameReceived, this, &MeterLogger::onFrame);
}

void MeterLogger::start()
{
    if (m_options.port.isEmpty()) {
        m_finder = std::make_unique<PortFinder>();
        m_link.setPortFinder(m_finder.get());
    } else {
        m_link.setFixedPort(m_options.port);
    }

    verbose(QStringLiteral("looking for the dongle"));
    switch (m_link.probe()) {
    case DongleLink::ProbeResult::NoDongle:
        if (!m_options.reconnect) {
            finish(ExitStatus::NoDongle, noDongleText());
            return;
        }
        m_report(noDongleText() + QStringLiteral("; waiting for it"));
        enterWaiting();
        return;
    case DongleLink::ProbeResult::Silent: {
        QString text = QStringLiteral("no answer from the dongle on %1").arg(m_port.Port());
        if (!m_lastPortError.isEmpty())
            text += QStringLiteral(" (%1)").arg(m_lastPortError);
        finish(ExitStatus::NoAnswer, text);
        return;
    }
    case DongleLink::ProbeResult::Answered:
        verbose(QStringLiteral("the dongle answers on %1").arg(m_port.Port()));
        requestLink();
        return;
    }
}

void MeterLogger::stop()
{
    verbose(QStringLiteral("stopping after %1").arg(readings(m_lines)));
    finish(runStatus());
}

void MeterLogger::fail(ExitStatus status, const QString &message)
{
    finish(status, message);
}

bool MeterLogger::acceptsSettings() const
{
    return m_phase == Phase::Logging && m_link.meterConnected();
}

protocol::MeterSettings MeterLogger::settingsRecord() const
{
    return m_chosen.value_or(m_pipeline.reportedSettings());
}

bool MeterLogger::sendSettings(const protocol::MeterSettings &settings)
{
    if (!acceptsSettings())
        return false;
    protocol::MeterSettings record = settings;
    record.pinAutoFrequency();
    // Frames that still carry the old settings must not be taken for the new ones.
    m_link.frameHold().hold(FrameHold::Reason::SettingChange);
    const protocol::MeterCommand command = protocol::MeterCommand::settings(record, m_pipeline.brightnessOn());
    m_port.Write(command.bytes().data(), int(command.bytes().size()));
    m_link.frameHold().commandSent();
    m_chosen = record;
    verbose(QStringLiteral("sent %1").arg(hex(command)));
    return true;
}

void MeterLogger::requestLink()
{
    m_noMeter = false;
    if (!m_link.requestLink()) {
        if (m_options.reconnect)
            enterWaiting();
        else
            finish(ExitStatus::NoDongle, noDongleText());
        return;
    }
    m_phase = Phase::Linking;
    m_linkTimeout.start();
}

void MeterLogger::enterWaiting()
{
    m_phase = Phase::Waiting;
    m_pipeline.setLogging(false);
    m_link.frameHold().release();
    m_setupDelay.stop();
    m_commandGap.stop();
    m_hold.stop();
    m_linkTimeout.stop();
    m_pendingCommands.clear();
    m_chosen.reset();
    if (!m_supervision.isActive())
        m_supervision.start();
    emit linkLost();
}

void MeterLogger::superviseTick()
{
    if (m_phase != Phase::Waiting && m_phase != Phase::Linking)
        return;
    // With auto-connect the link asks for the link itself while it offers to connect.
    const bool asks = m_link.offer() == DongleLink::Offer::Connect;
    const bool found = m_link.supervise(true);
    if (m_phase == Phase::Waiting && found && asks && m_port.Connected()) {
        verbose(QStringLiteral("found the dongle on %1; asking for the link").arg(m_port.Port()));
        m_noMeter = false;
        m_phase = Phase::Linking;
        m_linkTimeout.start();
    }
}

void MeterLogger::onLinkUp()
{
    if (m_phase == Phase::Done)
        return;
    m_linkTimeout.stop();
    m_supervision.stop();
    if (m_everLinked)
        m_report(QStringLiteral("linked to the meter again after %1").arg(readings(m_lines)));
    else
        verbose(QStringLiteral("linked to the meter"));
    m_everLinked = true;
    m_retryReported = false;
    if (m_options.mode || m_options.sendsSettings())
        m_phase = Phase::AwaitingSetup; // the link asks for the delay right after this signal
    else
        beginLogging();
}

void MeterLogger::onAttemptEnded()
{
    if (m_phase != Phase::Linking)
        return;
    m_linkTimeout.stop();
    const QString why = m_noMeter ? QStringLiteral("the dongle found no meter to link with")
                                  : QStringLiteral("the dongle could not link to the meter");
    if (!m_options.reconnect) {
        finish(ExitStatus::LinkFailed, why + QStringLiteral(" (link refused)"));
        return;
    }
    reportRetry(why + QStringLiteral("; trying again"));
    // "AT" ends the attempt; the dongle's "OK" lets the link be asked for again.
    m_link.releaseLink();
    enterWaiting();
}

void MeterLogger::onLinkLost(const QString &detail)
{
    if (m_phase == Phase::Idle || m_phase == Phase::Waiting || m_phase == Phase::Done)
        return;
    QString text = m_phase == Phase::Linking
                       ? QStringLiteral("the link to the meter was lost before it came up")
                       : QStringLiteral("the link to the meter was lost after %1").arg(readings(m_lines));
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    if (!m_options.reconnect) {
        finish(ExitStatus::LinkFailed, text);
        return;
    }
    m_report(text + QStringLiteral("; waiting to link again"));
    enterWaiting();
}

void MeterLogger::onPortFailure()
{
    // A port lost while the link is asked for ends the attempt; a lost live
    // link comes as linkDown from the link itself.
    if (m_phase == Phase::Linking && !m_port.Connected())
        onLinkLost(m_lastPortError.isEmpty() ? QStringLiteral("the dongle's port failed")
                                             : QStringLiteral("the dongle's port failed: %1").arg(m_lastPortError));
}

void MeterLogger::onLinkTimeout()
{
    if (m_phase != Phase::Linking)
        return;
    const QString text = QStringLiteral("no link to the meter within %1 s").arg(m_timing.linkTimeoutMs / 1000);
    if (!m_options.reconnect) {
        finish(ExitStatus::LinkFailed, text);
        return;
    }
    reportRetry(text + QStringLiteral("; trying again"));
    m_link.releaseLink();
    enterWaiting();
}

void MeterLogger::sendNextCommand()
{
    if (m_phase != Phase::Holding)
        return;
    if (m_pendingCommands.empty()) {
        m_link.frameHold().scheduleRelease();
        return;
    }
    const protocol::MeterCommand command = m_pendingCommands.front();
    m_pendingCommands.pop_front();
    // One write of five bytes, as every command goes out.
    m_port.Write(command.bytes().data(), int(command.bytes().size()));
    verbose(QStringLiteral("sent %1").arg(hex(command)));
    // The hold ends one interval after the last set-up command.
    if (m_pendingCommands.empty())
        m_link.frameHold().scheduleRelease();
    else
        m_commandGap.start();
}

void MeterLogger::beginLogging()
{
    m_link.frameHold().release();
    m_phase = Phase::Logging;
    m_pipeline.setLogging(true);
    if (m_loggingBegan)
        return;
    m_loggingBegan = true;
    verbose(QStringLiteral("logging"));
}

void MeterLogger::onFrame(const protocol::MeterFrame &frame)
{
    if (m_phase == Phase::Done)
        return;
    // The time it reached the port, however long it waited for this thread.
    const QDateTime now = m_clock.at(m_link.frameArrivalMs());
    // Every frame is read: the settings it reports are what a set-up command builds on.
    const std::optional<reading::Reading> reading = m_pipeline.read(frame, now);
    if (!m_pipeline.failure().isEmpty()) {
        finish(ExitStatus::BadArguments, m_pipeline.failure());
        return;
    }
    if (!reading || m_phase != Phase::Logging)
        return;
    const bool rlcd = reading->mode == protocol::MeterMode::Rlcd;
    if (rlcd) {
        // The meter reports its settings again: a choice sent has been taken or refused.
        m_chosen.reset();
        emit rlcReading(*reading);
    }
    if (!m_output.write(*reading, m_lines + 1)) {
        finish(ExitStatus::OutputNotWritable,
               QStringLiteral("cannot write %1: %2").arg(m_output.name(), m_output.errorString()));
        return;
    }
    ++m_lines;
    if (m_taps.settings && rlcd && m_tappedSettings != m_pipeline.reportedSettings()) {
        m_tappedSettings = m_pipeline.reportedSettings();
        m_taps.settings(*m_tappedSettings);
    }
    if (m_taps.reading)
        m_taps.reading(*reading, m_lines);
    if (reading->rejected())
        ++m_rejected;
    if (reading->bin)
        m_tally.add({*reading->bin, profiles::OutReason::None});
    // The duration counts from the first reading logged.
    if (m_lines == 1 && m_options.durationSeconds) {
        m_deadline = QDeadlineTimer(qint64(*m_options.durationSeconds * 1000.0));
        onDurationTick();
    }
    if (m_options.count && m_lines >= *m_options.count)
        finish(runStatus());
}

void MeterLogger::onDurationTick()
{
    if (m_phase == Phase::Done)
        return;
    if (m_deadline.hasExpired()) {
        finish(runStatus());
        return;
    }
    m_duration.start(int(std::clamp<qint64>(m_deadline.remainingTime(), 1, kLongestTimerMs)));
}

ExitStatus MeterLogger::runStatus() const
{
    if (m_options.failOnReject && m_rejected > 0)
        return ExitStatus::Rejected;
    if (m_options.failOnOut && m_tally.count(profiles::BinResult::kOut) > 0)
        return ExitStatus::SortedOut;
    return ExitStatus::Ok;
}

void MeterLogger::finish(ExitStatus status, const QString &message)
{
    if (m_phase == Phase::Done)
        return;
    m_phase = Phase::Done;
    if (!message.isEmpty())
        m_report(message);
    else if (status == ExitStatus::Rejected)
        m_report(QStringLiteral("%1 of %2 rejected").arg(m_rejected).arg(readings(m_lines)));
    // The tally ends every sorted run, however it ended: the lines written were sorted.
    if (m_options.binPlan)
        m_report(QStringLiteral("bins of %1: %2").arg(readings(m_tally.total()),
                                                       m_tally.summary(int(m_options.binPlan->bins.size()))));
    // Nothing thrown away goes unsaid: each dropped block may have held readings.
    if (const quint64 dropped = m_link.droppedBlocks(); dropped > 0 || m_options.verbose)
        m_report(DongleLink::droppedBlocksText(dropped));
    for (QTimer *timer : {&m_supervision, &m_portWatch, &m_setupDelay, &m_commandGap, &m_hold, &m_linkTimeout,
                          &m_duration})
        timer->stop();
    m_link.frameHold().release();
    // "AT" to a dongle that is still there: it drops the link.
    m_link.shutDown();
    emit linkLost();
    emit finished(code(status));
}

QString MeterLogger::noDongleText() const
{
    if (!m_options.port.isEmpty())
        return QStringLiteral("no dongle found: %1 does not exist").arg(m_options.port);
    if (m_finder && !m_finder->isLoaded())
        return QStringLiteral("no dongle found: the port finder cannot be loaded (%1)").arg(m_finder->loadError());
    const QByteArray named = qgetenv("PORTVANE_PORT");
    if (!named.isEmpty())
        return QStringLiteral("no dongle found: PORTVANE_PORT names %1, which does not exist")
            .arg(QString::fromLocal8Bit(named));
    return QStringLiteral("no dongle found (no serial device of the description \"%1\")")
        .arg(QLatin1String(PortFinder::kDongleDescription));
}

void MeterLogger::reportRetry(const QString &line)
{
    // A meter that stays off would fill the log with the same line every few seconds.
    if (m_retryReported) {
        verbose(line);
        return;
    }
    m_retryReported = true;
    m_report(line);
}

void MeterLogger::verbose(const QString &line) const
{
    if (m_options.verbose)
        m_report(line);
}

} // namespace vorlantlog
