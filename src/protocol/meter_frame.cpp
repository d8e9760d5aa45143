// The meter's frame: 18 bytes per measurement, delimited by receive block (there
// is no length, checksum or sequence number).
//
//   bytes 0..11  mode-specific values (MeterFloat fields at 0, 4, 8; RLCD puts
//                its settings in 8..11 instead of a third value)
//   byte  12,13  never read
//   byte  14     RD status byte; unused otherwise
//   byte  15     bits 0..3 MeterMode (1 RLCD, 2 RD, 3 U), bit 6 brightness on;
//                bits 4, 5, 7 never read
//   byte  16,17  0x31 0x0A, the only validity test
//
// Example, an RLCD frame of R = 1.0 ohm, X = 10.0 ohm, default settings,
// brightness on:
//   00 00 80 3F  00 00 20 41  A4 9A 21 01  00 00 00  41  31 0A

#include "protocol/meter_frame.h"

#include <algorithm>

namespace protocol {

std::optional<MeterFrame> MeterFrame::fromBytes(std::span<const std::uint8_t> block)
{
    if (block.size() != kSize)
        return std::nullopt;
    std::array<std::uint8_t, kSize> bytes{};
    std::copy(block.begin(), block.end(), bytes.begin());
    return MeterFrame(bytes);
}

std::optional<MeterFrame> MeterFrame::fromBytes(const QByteArray &block)
{
    return fromBytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(block.constData()),
                                                   std::size_t(block.size())));
}

QByteArray MeterFrame::toByteArray() const
{
    return QByteArray(reinterpret_cast<const char *>(m_bytes.data()), qsizetype(kSize));
}

bool MeterFrame::hasValidTrailer() const
{
    return m_bytes[16] == kTrailer0 && m_bytes[17] == kTrailer1;
}

std::optional<MeterMode> MeterFrame::mode() const
{
    switch (modeNibble()) {
    case 1:
        return MeterMode::Rlcd;
    case 2:
        return MeterMode::Rd;
    case 3:
        return MeterMode::U;
    default:
        return std::nullopt;
    }
}

FrameRoute routeFrame(const MeterFrame &frame)
{
    FrameRoute route;
    if (!frame.hasValidTrailer())
        return route;
    route.accepted = true;
    // Brightness follows every accepted frame, even one of an unknown mode.
    route.brightnessOn = frame.brightnessOn();
    route.decoder = frame.mode();
    return route;
}

} // namespace protocol
