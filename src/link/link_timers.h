#pragma once

// The front end's timers, run as DongleLink asks. The front end owns the
// timers and their timeout handlers; this puts the link's intervals on them
// and starts and stops them on the link's requests, the same way for every
// front end.
//
// A timer the link asks to start while it runs keeps running: a second
// request does not push its deadline back. A stop always goes through.

#include <QTimer>

#include <functional>

class DongleLink;

struct LinkTimers
{
    // Null where the front end has no use for one: its requests are ignored.
    QTimer *buttonPause = nullptr;   // one-shot, DongleLink::kButtonPauseMs
    QTimer *supervision = nullptr;   // periodic, DongleLink::kSupervisionMs
    QTimer *settingsDelay = nullptr; // one-shot, DongleLink::kSettingsDelayMs
    QTimer *portWatch = nullptr;     // periodic, DongleLink::kPortWatchMs
};

// The front end's own conditions on a start the link asks for (its phase,
// say), one per timer: a start refused leaves the timer as it is. Unset:
// always.
struct LinkTimerConditions
{
    std::function<bool()> buttonPause;
    std::function<bool()> supervision;
    std::function<bool()> settingsDelay;
    std::function<bool()> portWatch;
};

// Sets each timer's interval and single-shot flag and connects the link's
// requests to it, for as long as `link` lives. A front end that runs shorter
// intervals (a test rig) sets them afterwards.
void bindLinkTimers(DongleLink &link, const LinkTimers &timers, const LinkTimerConditions &conditions = {});

// Starts `timer` unless it runs already.
void enableTimer(QTimer &timer);
