#pragma once

#include <QDateTime>

#include <limits>

namespace logbook {

// The local time, read up to 74 times a second. QDateTime::currentDateTime()
// reads the time zone again on every call (a stat of /etc/localtime and the
// conversion); here the offset from UTC is looked up once per second of UTC,
// so a daylight-saving change shows within a second. The times carry their
// offset, so they print as local times and convert to UTC exactly.
class LocalClock
{
public:
    QDateTime now();
    // The same for a given moment (milliseconds since the epoch, UTC).
    QDateTime at(qint64 msecsSinceEpoch);

private:
    qint64 m_second = std::numeric_limits<qint64>::min();
    int m_offsetSeconds = 0;
};

} // namespace logbook
