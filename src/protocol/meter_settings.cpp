// MeterSettings travels in three forms.
//
// In a profile file: 14 bytes, one per field, in declaration order
// (freqAuto, freqCode, primaryAuto, primaryCode, secondaryAuto, secondaryCode,
// levelAuto, levelCode, circuitAuto, seriesCircuit, intervalCode, capture,
// negativeSign, sound). The defaults read 01 04 01 02 01 01 00 01 01 00 02 00 00 01.
//
// In RLCD frame bytes 8..11, packed into bit groups:
//   byte 8   bits 0..4 freqCode, 5 freqAuto, 6 seriesCircuit, 7 circuitAuto
//   byte 9   bits 0..2 primaryCode, 3 primaryAuto, 4..6 secondaryCode, 7 secondaryAuto
//   byte 10  bits 0..2 levelCode, 3 levelAuto, 4..6 intervalCode, 7 capture
//   byte 11  bit 0 sound, bit 1 negativeSign; bits 2..7 never read
// The defaults read A4 9A 21 01.
//
// In a settings command (see meter_command.cpp).

#include "protocol/meter_settings.h"


namespace protocol {

namespace {

std::uint8_t bits(std::uint8_t byte, int shift, std::uint8_t mask)
{
    return std::uint8_t((byte >> shift) & mask);
}

// Flags count as set when non-zero; codes are cut to their bit width, so a
// stray byte from a file never spills into a neighbouring field.
std::uint8_t flag(std::uint8_t value, int shift)
{
    return std::uint8_t((value != 0 ? 1u : 0u) << shift);
}

std::uint8_t field(std::uint8_t value, std::uint8_t mask, int shift)
{
    return std::uint8_t((value & mask) << shift);
}

} // namespace

std::array<std::uint8_t, MeterSettings::kSize> MeterSettings::toBytes() const
{
    return {freqAuto,    freqCode,      primaryAuto,  primaryCode, secondaryAuto,
            secondaryCode, levelAuto,   levelCode,    circuitAuto, seriesCircuit,
            intervalCode, capture,      negativeSign, sound};
}

MeterSettings MeterSettings::fromBytes(std::span<const std::uint8_t, kSize> b)
{
    MeterSettings s;
    s.freqAuto = b[0];
    s.freqCode = b[1];
    s.primaryAuto = b[2];
    s.primaryCode = b[3];
    s.secondaryAuto = b[4];
    s.secondaryCode = b[5];
    s.levelAuto = b[6];
    s.levelCode = b[7];
    s.circuitAuto = b[8];
    s.seriesCircuit = b[9];
    s.intervalCode = b[10];
    s.capture = b[11];
    s.negativeSign = b[12];
    s.sound = b[13];
    return s;
}

MeterSettings MeterSettings::fromFrame(const MeterFrame &frame)
{
    const std::uint8_t b8 = frame[8], b9 = frame[9], b10 = frame[10], b11 = frame[11];
    MeterSettings s;
    s.freqCode = bits(b8, 0, 0x1F);
    s.freqAuto = bits(b8, 5, 1);
    s.seriesCircuit = bits(b8, 6, 1);
    s.circuitAuto = bits(b8, 7, 1);
    s.primaryCode = bits(b9, 0, 0x07);
    s.primaryAuto = bits(b9, 3, 1);
    s.secondaryCode = bits(b9, 4, 0x07);
    s.secondaryAuto = bits(b9, 7, 1);
    s.levelCode = bits(b10, 0, 0x07);
    s.levelAuto = bits(b10, 3, 1);
    s.intervalCode = bits(b10, 4, 0x07);
    s.capture = bits(b10, 7, 1);
    s.sound = bits(b11, 0, 1);
    s.negativeSign = bits(b11, 1, 1);
    return s;
}

std::array<std::uint8_t, 4> MeterSettings::toFrameBytes() const
{
    return {
        std::uint8_t(field(freqCode, 0x1F, 0) | flag(freqAuto, 5) | flag(seriesCircuit, 6) | flag(circuitAuto, 7)),
        std::uint8_t(field(primaryCode, 0x07, 0) | flag(primaryAuto, 3) | field(secondaryCode, 0x07, 4)
                     | flag(secondaryAuto, 7)),
        std::uint8_t(field(levelCode, 0x07, 0) | flag(levelAuto, 3) | field(intervalCode, 0x07, 4) | flag(capture, 7)),
        std::uint8_t(flag(sound, 0) | flag(negativeSign, 1)),
    };
}

void MeterSettings::pinAutoFrequency()
{
    if (freqAuto != 0)
        freqCode = kAutoFrequencyCode;
}

} // namespace protocol
