#include "dongle.h"

namespace metersim {

QByteArray Dongle::onAt()
{
    const bool wasLinked = m_state == State::Linked;
    m_state = State::Idle;
    m_attemptEnds.reset();
    return wasLinked ? QByteArrayLiteral("OK+LOST") : QByteArrayLiteral("OK");
}

bool Dongle::attemptFails()
{
    if (m_config.failure == ConnectFailure::None)
        return false;
    if (m_config.failCount > 0 && m_failed >= m_config.failCount)
        return false;
    ++m_failed;
    return true;
}

QByteArray Dongle::onConnectRequest(Clock::time_point now)
{
    if (m_state != State::Idle)
        return {};
    const bool fails = attemptFails();
    if (fails && m_config.failure == ConnectFailure::Error)
        return QByteArrayLiteral("OK+CONNE");
    if (fails && m_config.failure == ConnectFailure::NoAddress)
        return QByteArrayLiteral("OK+CONNN");
    m_state = State::Connecting;
    m_attemptFails = fails;
    m_attemptEnds = now + m_config.connectDelay;
    return QByteArrayLiteral("OK+CONNL");
}

std::optional<Clock::time_point> Dongle::deadline() const
{
    return m_attemptEnds;
}

QByteArray Dongle::onDeadline()
{
    if (m_state != State::Connecting)
        return {};
    m_attemptEnds.reset();
    if (m_attemptFails) {
        m_state = State::Idle;
        return QByteArrayLiteral("OK+CONNF");
    }
    m_state = State::Linked;
    return QByteArrayLiteral("OK+CONN\r\n");
}

void Dongle::unplug()
{
    m_state = State::Idle;
    m_attemptEnds.reset();
    m_attemptFails = false;
}

} // namespace metersim
