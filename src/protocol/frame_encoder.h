#pragma once

#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"

#include <cstdint>

namespace protocol {

// Builders of complete frames as the meter sends them (for the simulator and
// for tests); each is the inverse of the matching decoder. Values go through
// encodeMeterFloat, so they round to the meter's single precision; bytes the
// mode does not use are zero.

// RLCD: series resistance at bytes 0..3 and signed series reactance at 4..7
// (its sign sets the phase angle), the settings at bytes 8..11.
MeterFrame encodeRlcFrame(const MeterSettings &settings, double resistance, double reactance,
                          bool brightnessOn);

// RD status byte (frame byte 14).
struct RdStatus
{
    std::uint8_t state = 2;           // bits 0..3: 0, 1 diode; 2 and above resistance
    bool secondCurrent = false;       // bit 4
    std::uint8_t testVoltageCode = 0; // bits 5..7: 0 automatic

    std::uint8_t toByte() const;
    static RdStatus fromByte(std::uint8_t byte);
    bool operator==(const RdStatus &) const = default;
};

// RD: the resistance in ohms (or, in the diode states, the diode voltage in
// millivolts) and two currents in microamperes.
MeterFrame encodeRdFrame(double reading, double current1, double current2, RdStatus status,
                         bool brightnessOn);

// U: rms and peak-to-peak voltage and the signed voltage shown after "V=".
MeterFrame encodeUFrame(double rms, double peakToPeak, double shown, bool brightnessOn);

} // namespace protocol
