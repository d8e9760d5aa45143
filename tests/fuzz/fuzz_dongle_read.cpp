// One read from the dongle's port, as the link classifies it: the bytes as the
// port hands them over (one character per byte), the first byte choosing
// whether frames are held. A read told to hold frames (readings alone, or the
// link reply followed by readings) must give at least one, or the readings
// would be lost without a word; each goes on to the frame route.

#include "link/dongle_reply.h"
#include "protocol/meter_frame.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool holdFrames = data[0] & 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QByteArray readings;
    switch (classifyDongleRead(QString::fromLatin1(bytes), holdFrames)) {
    case DongleRead::Frame:
        readings = bytes;
        break;
    case DongleRead::LinkUpThenFrames:
        readings = bytes.mid(qsizetype(sizeof kLinkUpReply) - 1);
        break;
    default:
        return 0;
    }
    const auto frames = framesOfRead(readings);
    if (frames.empty())
        std::abort();
    for (const protocol::MeterFrame &frame : frames)
        protocol::routeFrame(frame);
    return 0;
}
