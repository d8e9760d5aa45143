#include "link/com_timeouts.h"

#include <algorithm>

namespace comport {

namespace {

constexpr quint32 kInfinite = 0xFFFFFFFFu;
// Far beyond any real use; keeps deadline arithmetic clear of overflow.
constexpr qint64 kLongestMs = qint64(1) << 40;

quint32 raw(int value)
{
    return static_cast<quint32>(value);
}

qint64 total(quint32 multiplier, quint32 constant, int count)
{
    const qint64 n = std::max(count, 0);
    return std::min(qint64(multiplier) * n + qint64(constant), kLongestMs);
}

} // namespace

ReadPlan planRead(const TComTimeouts &t, int count)
{
    const quint32 interval = raw(t.ReadInterval);
    const quint32 multiplier = raw(t.ReadTotalMultiplier);
    const quint32 constant = raw(t.ReadTotalConstant);
    ReadPlan plan;
    if (interval == kInfinite && multiplier == 0 && constant == 0) {
        // Take what is waiting and return at once.
        plan.firstByteMs = 0;
        plan.anyByteEnds = true;
        return plan;
    }
    if (interval == kInfinite && multiplier == kInfinite && constant != 0 && constant != kInfinite) {
        // Wait up to the constant for something, return as soon as it comes.
        plan.firstByteMs = constant;
        plan.anyByteEnds = true;
        return plan;
    }
    if (multiplier != 0 || constant != 0)
        plan.totalMs = total(multiplier, constant, count);
    if (interval != 0 && interval != kInfinite)
        plan.intervalMs = interval;
    if (plan.totalMs < 0)
        plan.firstByteMs = kFirstByteLimitMs;
    return plan;
}

int blockGapMs(const TComTimeouts &t)
{
    const quint32 interval = raw(t.ReadInterval);
    return interval == kInfinite || interval > quint32(kLongestMs >> 16) ? 0 : int(interval);
}

qint64 writeLimitMs(const TComTimeouts &t, int count)
{
    const quint32 multiplier = raw(t.WriteTotalMultiplier);
    const quint32 constant = raw(t.WriteTotalConstant);
    if (multiplier == 0 && constant == 0)
        return -1;
    return total(multiplier, constant, count);
}

} // namespace comport
