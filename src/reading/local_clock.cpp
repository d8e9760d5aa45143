#include "reading/local_clock.h"

namespace logbook {

QDateTime LocalClock::now()
{
    return at(QDateTime::currentMSecsSinceEpoch());
}

QDateTime LocalClock::at(qint64 msecsSinceEpoch)
{
    // Rounded down, also before 1970.
    const qint64 second = msecsSinceEpoch / 1000 - (msecsSinceEpoch % 1000 < 0 ? 1 : 0);
    if (second != m_second) {
        m_second = second;
        m_offsetSeconds = QDateTime::fromMSecsSinceEpoch(second * 1000, Qt::LocalTime).offsetFromUtc();
    }
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::OffsetFromUTC, m_offsetSeconds);
}

} // namespace logbook
