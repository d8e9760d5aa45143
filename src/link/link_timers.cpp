#include "link/link_timers.h"

#include "link/dongle_link.h"

namespace {

void prepare(QTimer *timer, int intervalMs, bool singleShot)
{
    if (!timer)
        return;
    timer->setInterval(intervalMs);
    timer->setSingleShot(singleShot);
}

bool allowed(const std::function<bool()> &mayStart)
{
    return !mayStart || mayStart();
}

} // namespace

void enableTimer(QTimer &timer)
{
    if (!timer.isActive())
        timer.start();
}

void bindLinkTimers(DongleLink &link, const LinkTimers &timers, const LinkTimerConditions &conditions)
{
    prepare(timers.buttonPause, DongleLink::kButtonPauseMs, true);
    prepare(timers.supervision, DongleLink::kSupervisionMs, false);
    prepare(timers.settingsDelay, DongleLink::kSettingsDelayMs, true);
    prepare(timers.portWatch, DongleLink::kPortWatchMs, false);

    // A one-shot timer: the link only ever asks for it to start.
    const auto bindStart = [&link](auto wanted, QTimer *timer, std::function<bool()> mayStart) {
        if (!timer)
            return;
        QObject::connect(&link, wanted, timer, [timer, mayStart = std::move(mayStart)] {
            if (allowed(mayStart))
                enableTimer(*timer);
        });
    };
    // A periodic timer: run or stopped.
    const auto bindRunning = [&link](auto wanted, QTimer *timer, std::function<bool()> mayStart) {
        if (!timer)
            return;
        QObject::connect(&link, wanted, timer, [timer, mayStart = std::move(mayStart)](bool running) {
            if (!running)
                timer->stop();
            else if (allowed(mayStart))
                enableTimer(*timer);
        });
    };
    bindStart(&DongleLink::buttonPauseWanted, timers.buttonPause, conditions.buttonPause);
    bindRunning(&DongleLink::supervisionWanted, timers.supervision, conditions.supervision);
    bindStart(&DongleLink::settingsDelayWanted, timers.settingsDelay, conditions.settingsDelay);
    bindRunning(&DongleLink::portWatchWanted, timers.portWatch, conditions.portWatch);
}
