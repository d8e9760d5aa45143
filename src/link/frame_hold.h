#pragma once

// The settings hold-off: while a setting is being changed, frames that still
// carry the old setting must not overwrite the choice, so reads drop them.
//
// `holdFrames` is 1 while frames are dropped. Who set it is kept as the
// reason, so that a path that set the hold and then failed ends its own hold
// and no other. The rules, for every front end:
// - hold(reason) sets it: a settings choice, an open selection menu, a
//   profile line being applied, the settings sent after the link came up,
//   a headless logger's set-up commands;
// - a command sent (commandSent) makes the release due one interval
//   (kReleaseMs) after it, unless a release is already due: after several
//   quick commands the hold ends one interval after the first of them;
// - the selection menus closing (menusClosed) release it at once;
// - a path that set the hold and sent nothing (abandon) releases it, unless a
//   command's release is already due or another path took the hold over;
// - a hold left by a command that could not go out (no link) ends when the
//   link comes up (linkUp), so that the meter's own frames are read again;
//   an open menu keeps its hold.
//
// The front end runs a one-shot timer of kReleaseMs on releaseTimerWanted()
// (a running timer is not restarted) and calls releaseDue() when it fires.
// The clock is injected; expire() releases by the clock alone, for a front
// end that polls and for tests.

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>

class FrameHold : public QObject
{
    Q_OBJECT

public:
    enum class Reason {
        None,
        SettingChange, // a choice on the panel, sent as a settings command
        MenuOpen,      // a selection menu or the interval box is open
        ProfileLine,   // a profile line is being applied
        LinkSettings,  // the settings go to the meter after the link came up
        SetupCommands, // a headless logger's set-up commands
    };
    Q_ENUM(Reason)

    // Monotonic milliseconds.
    using Clock = std::function<std::int64_t()>;

    static constexpr int kReleaseMs = 1000;

    explicit FrameHold(QObject *parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }

    // 1 while received frames are dropped.
    int holdFrames() const { return m_reason == Reason::None ? 0 : 1; }
    Reason reason() const { return m_reason; }
    // A release is due (the front end's timer runs).
    bool releasePending() const { return m_releaseAt.has_value(); }
    // Milliseconds until the due release by the clock; empty when none is due.
    std::optional<std::int64_t> msUntilRelease() const;

    void hold(Reason reason);
    // A command went out: the release is due one interval after the first of
    // several quick commands. Also when nothing was held: the timer runs anyway.
    void commandSent();
    // The release is due one interval from now (unless it already is),
    // without a command: a drop-down that closed without a choice.
    void scheduleRelease();
    // The front end's one-shot timer fired.
    void releaseDue();
    // Releases when the clock says the due release has come.
    void expire();
    // The selection menus were closed.
    void menusClosed();
    // The path that held for `reason` ends without sending anything.
    void abandon(Reason reason);
    // The link came up: a hold whose command could not go out ends.
    void linkUp();
    // Ends the hold at once, whatever its reason (a run ends, the link is gone).
    void release();

signals:
    // Start the one-shot timer of `ms` unless it is running.
    void releaseTimerWanted(int ms);

private:
    std::int64_t now() const;

    Clock m_clock;
    Reason m_reason = Reason::None;
    std::optional<std::int64_t> m_releaseAt;
};
