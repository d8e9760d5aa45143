#include "link/frame_hold.h"

#include <QDeadlineTimer>

FrameHold::FrameHold(QObject *parent)
    : QObject(parent)
{
}

std::int64_t FrameHold::now() const
{
    if (m_clock)
        return m_clock();
    return QDeadlineTimer::current().deadline();
}

std::optional<std::int64_t> FrameHold::msUntilRelease() const
{
    if (!m_releaseAt)
        return std::nullopt;
    return std::max<std::int64_t>(0, *m_releaseAt - now());
}

void FrameHold::hold(Reason reason)
{
    // An open menu keeps its hold until the menus close or the timer ends it.
    if (reason == Reason::None || m_reason == Reason::MenuOpen)
        return;
    m_reason = reason;
}

void FrameHold::commandSent()
{
    scheduleRelease();
}

void FrameHold::scheduleRelease()
{
    // A due release is not moved: it stays one interval after the first.
    if (m_releaseAt)
        return;
    m_releaseAt = now() + kReleaseMs;
    emit releaseTimerWanted(kReleaseMs);
}

void FrameHold::releaseDue()
{
    m_releaseAt.reset();
    m_reason = Reason::None;
}

void FrameHold::expire()
{
    if (m_releaseAt && now() >= *m_releaseAt)
        releaseDue();
}

void FrameHold::menusClosed()
{
    m_reason = Reason::None;
}

void FrameHold::abandon(Reason reason)
{
    // A due release ends the hold anyway; a hold taken over by another path is theirs.
    if (m_reason == reason && !m_releaseAt)
        m_reason = Reason::None;
}

void FrameHold::linkUp()
{
    if (m_reason != Reason::MenuOpen && !m_releaseAt)
        m_reason = Reason::None;
}

void FrameHold::release()
{
    m_releaseAt.reset();
    m_reason = Reason::None;
}
