#pragma once

#include "protocol/meter_frame.h"

#include <cstdint>
#include <optional>

namespace protocol {

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

// What an RD frame measured.
enum class RdKind : std::uint8_t {
    Resistance, // the value is a resistance
    Diode,      // the value is a diode's voltage
    Junction,   // diode test at 3.2 V outside the diode states: no value, only a mark
};

// The pictures of the RD panel.
enum class RdPicture : std::uint8_t {
    DiodeUp = 0,   // triangle pointing up, bar above
    DiodeDown = 1, // triangle pointing down, bar below
    Resistor = 2,
};

// The numbers of one RD frame in the meter's own units, for every front end:
// the display formats them, a logger writes them.
struct RdValues
{
    RdStatus status;
    RdKind kind = RdKind::Resistance;
    RdPicture picture = RdPicture::Resistor;
    std::optional<double> resistanceOhms;          // Resistance only
    std::optional<double> diodeVolts;              // Diode only
    std::optional<double> firstCurrentMicroamps;   // none while the meter's reading of it means nothing
    std::optional<double> secondCurrentMicroamps;  // only when the frame flags a second current
    std::optional<double> testVolts;               // none for resistance with codes 4..7
    bool testVoltageAutomatic = false;             // the meter chose the test voltage
};

// The numbers of one U frame, in volts.
struct UValues
{
    double volts = 0.0;           // the signed value shown after "V="
    double rmsVolts = 0.0;
    double peakToPeakVolts = 0.0;
};

RdValues rdValues(const MeterFrame &frame);
UValues uValues(const MeterFrame &frame);

} // namespace protocol
