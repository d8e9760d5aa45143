// The numbers behind the RD and U displays. RD frames: bytes 0..3 the
// resistance in ohms (in the diode states the diode voltage in millivolts),
// 4..7 and 8..11 two currents in microamperes, all MeterFloat with the sign
// discarded; byte 14 the status (bits 0..3 state, bit 4 second-current flag,
// bits 5..7 test-voltage code: 0 automatic, 1 diode test at 3.2 V, 2 1.3 V,
// 3 0.1 V). U frames: bytes 0..3 rms volts, 4..7 peak-to-peak volts (sign
// discarded), 8..11 the signed voltage.

#include "protocol/rd_u_values.h"

#include "protocol/meter_float.h"

#include <cmath>

namespace protocol {

namespace {

// At the 3.2 V diode test the meter's first current below this many
// microamperes is not a measurement; the display hides it.
constexpr double kHiddenCurrentBelow = 200.0;

constexpr double kDiodeTestVolts = 3.2;
constexpr double kResistanceTestVolts = 1.3;
constexpr double kLowTestVolts = 0.1;

} // namespace

std::uint8_t RdStatus::toByte() const
{
    return std::uint8_t((state & 0x0F) | (secondCurrent ? 0x10 : 0) | (testVoltageCode & 0x07) << 5);
}

RdStatus RdStatus::fromByte(std::uint8_t byte)
{
    return RdStatus{std::uint8_t(byte & 0x0F), (byte & 0x10) != 0, std::uint8_t(byte >> 5)};
}

RdValues rdValues(const MeterFrame &frame)
{
    const double a = std::fabs(decodeMeterFloat(frame, 0));
    const double i1 = std::fabs(decodeMeterFloat(frame, 4));
    const double i2 = std::fabs(decodeMeterFloat(frame, 8));
    const RdStatus st = RdStatus::fromByte(frame[14]);

    RdValues out;
    out.status = st;
    if (!(st.testVoltageCode == 1 && i1 < kHiddenCurrentBelow))
        out.firstCurrentMicroamps = i1;
    if (st.secondCurrent)
        out.secondCurrentMicroamps = i2;

    if (st.state <= 1) {
        out.kind = RdKind::Diode;
        out.diodeVolts = a / 1000.0;
        out.picture = st.state == 0 ? RdPicture::DiodeUp : RdPicture::DiodeDown;
        out.testVolts = kDiodeTestVolts;
        // Every code but the fixed diode test shows the voltage as chosen by the meter.
        out.testVoltageAutomatic = st.testVoltageCode != 1;
    } else if (st.testVoltageCode == 1) {
        out.kind = RdKind::Junction;
        out.picture = st.state % 2 == 0 ? RdPicture::DiodeUp : RdPicture::DiodeDown;
        out.testVolts = kDiodeTestVolts;
    } else {
        out.kind = RdKind::Resistance;
        out.resistanceOhms = a;
        out.picture = RdPicture::Resistor;
        switch (st.testVoltageCode) {
        case 0:
            out.testVolts = kResistanceTestVolts;
            out.testVoltageAutomatic = true;
            break;
        case 2:
            out.testVolts = kResistanceTestVolts;
            break;
        case 3:
            out.testVolts = kLowTestVolts;
            break;
        default:
            break; // codes 4..7 name no test voltage
        }
    }
    return out;
}

UValues uValues(const MeterFrame &frame)
{
    return UValues{decodeMeterFloat(frame, 8), std::fabs(decodeMeterFloat(frame, 0)),
                   std::fabs(decodeMeterFloat(frame, 4))};
}

} // namespace protocol
