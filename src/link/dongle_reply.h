#pragma once

#include "protocol/meter_frame.h"

#include <QString>

#include <vector>

// One read from the dongle's port, told apart by its whole text. The dongle
// answers in short ASCII replies; the meter's readings arrive as 18-byte
// blocks. Each read normally holds exactly one of them, since the port ends a
// read at the first pause of more than 10 ms. Readings that reached the port
// while nobody took them can share a read; they are whole frames, each with
// its end marks, and are handed over one by one.
//
//   "OK+CONNL"                                 Connecting   request accepted
//   "OK+CONNE", "OK+CONNF", "OK+CONNEOK+CONNF" AttemptEnded the attempt failed
//   "OK+CONNN"                                 NoConnection no meter to link with
//   "OK+CONN\r\n", or 18+ bytes starting with
//   "OK+CONNLOK+CONN\r\n" (rest dropped)       LinkUp
//   "OK+CONN\r\n" and whole frames after it     LinkUpThenFrames  the link, and the first readings
//                                              that followed it within 10 ms (a fast meter)
//   "OK+LOST"                                  LinkLost     the live link ended
//   "OK"                                       Ok           answer to "AT" without a link
//   18 bytes, or a multiple of 18 whose every
//   18-byte slice ends in "1" LF, while held   HeldFrame    dropped
//   the same, not held                         Frame        readings for the decoders
//   anything else                              Garbage      out of step: clear the queues
//
// Comparisons are exact and case-sensitive, first match wins.
enum class DongleRead {
    Connecting,
    AttemptEnded,
    NoConnection,
    LinkUp,
    LinkUpThenFrames,
    LinkLost,
    Ok,
    Garbage,
    HeldFrame,
    Frame,
};

DongleRead classifyDongleRead(const QString &text, bool holdFrames);

// The frames of a read made of whole frames, in order; none for any other read.
std::vector<protocol::MeterFrame> framesOfRead(const QByteArray &bytes);

// The link reply that a LinkUpThenFrames read begins with.
inline constexpr char kLinkUpReply[] = "OK+CONN\r\n";
