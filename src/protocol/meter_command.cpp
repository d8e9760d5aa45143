// Commands to the meter, five bytes each, the last always 0x0A.
//
// Settings command:
//   byte 0  0x01, +0x40 when brightness is OFF (inverse of frame byte 15 bit 6)
//   byte 1  bits 0..4 freqCode (4 while freqAuto), bit 5 freqAuto,
//           bits 6..7 circuit: 0 automatic, 1 parallel, 2 series
//   byte 2  bits 0..3 main parameter (0 = automatic), bits 4..6 secondary
//           parameter (0 = automatic), bit 7 sound
//   byte 3  the layout of frame byte 10: level code, level auto, interval, capture
//   byte 4  0x0A
// The defaults with brightness on: 01 24 80 21 0A.
//
// Mode command: 0x80 + mode (+0x40 with brightness off), 01, 01, 01, 0A;
// RLCD with brightness on: 81 01 01 01 0A.

#include "protocol/meter_command.h"

namespace protocol {

namespace {
constexpr std::uint8_t kBrightnessOffBit = 0x40;
}

MeterCommand MeterCommand::settings(const MeterSettings &s, bool brightnessOn)
{
    const bool freqAuto = s.freqAuto != 0;
    const std::uint8_t freqCode = freqAuto ? 4 : std::uint8_t(s.freqCode & 0x1F);
    const std::uint8_t circuit = s.circuitAuto != 0 ? 0 : (s.seriesCircuit != 0 ? 2 : 1);
    const std::uint8_t primary = s.primaryAuto != 0 ? 0 : std::uint8_t(s.primaryCode & 0x0F);
    const std::uint8_t secondary = s.secondaryAuto != 0 ? 0 : std::uint8_t(s.secondaryCode & 0x07);

    MeterCommand c;
    c.m_bytes[0] = std::uint8_t(0x01 | (brightnessOn ? 0 : kBrightnessOffBit));
    c.m_bytes[1] = std::uint8_t(freqCode | (freqAuto ? 0x20 : 0) | circuit << 6);
    c.m_bytes[2] = std::uint8_t(primary | secondary << 4 | (s.sound != 0 ? 0x80 : 0));
    c.m_bytes[3] = s.toFrameBytes()[2];
    c.m_bytes[4] = kTerminator;
    return c;
}

MeterCommand MeterCommand::mode(MeterMode mode, bool brightnessOn)
{
    MeterCommand c;
    c.m_bytes[0] = std::uint8_t(0x80 | (std::uint8_t(mode) & 0x0F) | (brightnessOn ? 0 : kBrightnessOffBit));
    c.m_bytes[1] = 1;
    c.m_bytes[2] = 1;
    c.m_bytes[3] = 1;
    c.m_bytes[4] = kTerminator;
    return c;
}

QByteArray MeterCommand::toByteArray() const
{
    return QByteArray(reinterpret_cast<const char *>(m_bytes.data()), qsizetype(kSize));
}

} // namespace protocol
