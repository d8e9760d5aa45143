#pragma once

#include <QString>

// One read from the dongle's port, told apart by its whole text. The dongle
// answers in short ASCII replies; the meter's readings arrive as 18-byte
// blocks. Each read normally holds exactly one of them, since the port ends a
// read at the first pause of more than 10 ms.
//
//   "OK+CONNL"                                 Connecting   request accepted
//   "OK+CONNE", "OK+CONNF", "OK+CONNEOK+CONNF" AttemptEnded the attempt failed
//   "OK+CONNN"                                 NoConnection no meter to link with
//   "OK+CONN\r\n", or 18+ bytes starting with
//   "OK+CONNLOK+CONN\r\n" (rest dropped)       LinkUp
//   "OK+LOST"                                  LinkLost     the live link ended
//   "OK"                                       Ok           answer to "AT" without a link
//   any other length than 18                   Garbage      out of step: clear the queues
//   18 bytes while frames are held             HeldFrame    dropped
//   18 bytes                                   Frame        a reading for the decoders
//
// Comparisons are exact and case-sensitive, first match wins.
enum class DongleRead {
    Connecting,
    AttemptEnded,
    NoConnection,
    LinkUp,
    LinkLost,
    Ok,
    Garbage,
    HeldFrame,
    Frame,
};

DongleRead classifyDongleRead(const QString &text, bool holdFrames);
