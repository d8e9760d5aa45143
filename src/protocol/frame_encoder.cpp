// Builds frames the way the meter lays them out (see meter_frame.cpp for the
// common bytes):
//   RLCD  0..3 R, 4..7 X (MeterFloat), 8..11 settings bits, 15 mode 1
//   RD    0..3 reading, 4..7 first current, 8..11 second current (MeterFloat),
//         14 status: bits 0..3 state, bit 4 second-current flag, bits 5..7
//         test-voltage code; 15 mode 2
//   U     0..3 rms, 4..7 peak-to-peak, 8..11 "V=" value (MeterFloat), 15 mode 3
// Bytes a mode leaves unused are zero. Example, RD state 1 (diode), 650 mV,
// first current 1000 uA, brightness on:
//   00 80 22 44  00 00 7A 44  00 00 00 00  00 00 01  42  31 0A

#include "protocol/frame_encoder.h"

#include "protocol/le_bytes.h"
#include "protocol/meter_float.h"

namespace protocol {

namespace {

MeterFrame frameOfMode(MeterMode mode, bool brightnessOn)
{
    MeterFrame f;
    f[MeterFrame::kModeByte] = std::uint8_t(std::uint8_t(mode) | (brightnessOn ? MeterFrame::kBrightnessBit : 0));
    f[16] = MeterFrame::kTrailer0;
    f[17] = MeterFrame::kTrailer1;
    return f;
}

void putFloat(MeterFrame &f, std::size_t offset, double value)
{
    le::write32(f.bytes(), offset, encodeMeterFloatWord(value));
}

} // namespace

MeterFrame encodeRlcFrame(const MeterSettings &settings, double resistance, double reactance, bool brightnessOn)
{
    MeterFrame f = frameOfMode(MeterMode::Rlcd, brightnessOn);
    putFloat(f, 0, resistance);
    putFloat(f, 4, reactance);
    const auto packed = settings.toFrameBytes();
    for (std::size_t i = 0; i < packed.size(); ++i)
        f[8 + i] = packed[i];
    return f;
}

MeterFrame encodeRdFrame(double reading, double current1, double current2, RdStatus status, bool brightnessOn)
{
    MeterFrame f = frameOfMode(MeterMode::Rd, brightnessOn);
    putFloat(f, 0, reading);
    putFloat(f, 4, current1);
    putFloat(f, 8, current2);
    f[14] = status.toByte();
    return f;
}

MeterFrame encodeUFrame(double rms, double peakToPeak, double shown, bool brightnessOn)
{
    MeterFrame f = frameOfMode(MeterMode::U, brightnessOn);
    putFloat(f, 0, rms);
    putFloat(f, 4, peakToPeak);
    putFloat(f, 8, shown);
    return f;
}

} // namespace protocol
