// One read from the dongle's port, as the link classifies it: the bytes as the
// port hands them over (one character per byte), the first byte choosing
// whether frames are held. A read told to be a frame must make one, or the
// reading would be lost without a word; it goes on to the frame route.

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
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (classifyDongleRead(text, holdFrames) == DongleRead::Frame) {
        const auto frame = protocol::MeterFrame::fromBytes(text.toLatin1());
        if (!frame)
            std::abort();
        protocol::routeFrame(*frame);
    }
    return 0;
}
