#pragma once

// How the five time-out values govern one read or write. The values follow
// the classic serial-port convention: all in milliseconds, 0 meaning "not
// used", a negative value standing for the all-ones "infinite" marker.

#include "link/com_types.h"

#include <QtGlobal>

namespace comport {

// A read that has only an inter-byte gap (or nothing) as its end would wait
// for a first byte for ever; it gives up after this long and returns 0
// bytes. Long enough for a dongle's reply to a command, short enough that
// a probe of a silent port does not freeze the window.
inline constexpr int kFirstByteLimitMs = 300;

struct ReadPlan {
    qint64 totalMs = -1;      // limit for the whole read from its start; -1: none
    qint64 intervalMs = -1;   // largest gap after a byte once one arrived; -1: none
    qint64 firstByteMs = -1;  // limit on the wait for the first byte; -1: none
    bool anyByteEnds = false; // return as soon as anything was read
};

ReadPlan planRead(const TComTimeouts &timeouts, int count);

// The pause that ends a block the event thread reads: the read interval,
// or 0 (each burst its own block) when the interval is unused or infinite.
int blockGapMs(const TComTimeouts &timeouts);

// Total limit of a write of count bytes: multiplier × count + constant;
// -1 when both are 0 (the write waits until it is done).
qint64 writeLimitMs(const TComTimeouts &timeouts, int count);

} // namespace comport
