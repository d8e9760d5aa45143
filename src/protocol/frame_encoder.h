#pragma once

#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"
#include "protocol/rd_u_decoder.h"

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

// RD: the resistance in ohms (or, in the diode states, the diode voltage in
// millivolts) and two currents in microamperes.
MeterFrame encodeRdFrame(double reading, double current1, double current2, RdStatus status,
                         bool brightnessOn);

// U: rms and peak-to-peak voltage and the signed voltage shown after "V=".
MeterFrame encodeUFrame(double rms, double peakToPeak, double shown, bool brightnessOn);

} // namespace protocol
