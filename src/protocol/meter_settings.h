#pragma once

#include "protocol/meter_frame.h"
#include "protocol/meter_tables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace protocol {

// The meter's RLCD settings as the application records them. The field order
// and one byte per field are the layout profile files store, so toBytes /
// fromBytes are part of that file format. Flags hold 0 or 1; codes hold the
// plain value (a profile file may bring any byte; packing masks it).
struct MeterSettings
{
    static constexpr std::size_t kSize = 14;

    std::uint8_t freqAuto = 1;      // 0  the meter chooses the test frequency
    std::uint8_t freqCode = 4;      // 1  see meter_tables.h for every code
    std::uint8_t primaryAuto = 1;   // 2
    std::uint8_t primaryCode = 2;   // 3  1 R, 2 C, 3 L, 4 Z
    std::uint8_t secondaryAuto = 1; // 4
    std::uint8_t secondaryCode = 1; // 5  0 none, 1 R, 2 Q, 3 D, 4 phase angle
    std::uint8_t levelAuto = 0;     // 6
    std::uint8_t levelCode = 1;     // 7  1 = 1.0 V, 2 = 0.5 V, 3 = 0.1 V rms (0 and 4 also reported)
    std::uint8_t circuitAuto = 1;   // 8
    std::uint8_t seriesCircuit = 0; // 9  1 series, 0 parallel
    std::uint8_t intervalCode = 2;  // 10 recording interval: 3 = 0.5 s, 2 = 1 s, 1 = 2 s
    std::uint8_t capture = 0;       // 11 the meter holds the displayed value
    std::uint8_t negativeSign = 0;  // 12 the meter marks L or C negative
    std::uint8_t sound = 1;         // 13

    // The defaults are the member initialisers above.
    static MeterSettings defaults() { return MeterSettings{}; }

    std::array<std::uint8_t, kSize> toBytes() const;
    static MeterSettings fromBytes(std::span<const std::uint8_t, kSize> bytes);

    // All fourteen fields from bytes 8..11 of an RLCD frame.
    static MeterSettings fromFrame(const MeterFrame &frame);
    // Frame bytes 8..11 carrying these settings (the inverse of fromFrame).
    std::array<std::uint8_t, 4> toFrameBytes() const;

    // A settings command always carries code 4 while the frequency is
    // automatic, and the record follows it; call before packing.
    void pinAutoFrequency();

    bool operator==(const MeterSettings &) const = default;
};

} // namespace protocol
