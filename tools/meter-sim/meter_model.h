#pragma once

#include "part_model.h"

#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

namespace metersim {

// What a settings command asks for, unpacked. The command has no separate
// automatic flags for main and secondary parameter and circuit: 0 means
// automatic there. Codes the meter does not know are kept as received and
// flagged, so the caller can leave the field as it was.
struct SettingsCommand
{
    bool brightnessOn = true;
    std::uint8_t freqCode = 4;
    bool freqAuto = true;
    std::uint8_t circuit = 0;   // 0 automatic, 1 parallel, 2 series, 3 unknown
    std::uint8_t primary = 0;   // 0 automatic, 1 R, 2 C, 3 L, 4 Z, others unknown
    std::uint8_t secondary = 0; // 0 automatic, 1 R, 2 Q, 3 D, 4 phase, others unknown
    bool sound = true;
    std::uint8_t levelByte = 0; // same layout as frame byte 10

    static SettingsCommand fromBytes(std::span<const std::uint8_t, 5> bytes);
};

// The meter: its settings as commanded, its measuring mode and brightness,
// and the parts on its terminals (cycled one per `readingsPerPart` readings).
// Automatic choices are resolved per reading from the part:
//   frequency  1 kHz for a resistive part; for a reactive one the table
//              frequency (100 Hz, 1, 10, 100 kHz) that brings |X| nearest 1 kOhm
//   main       R when |X| <= R/10, else C for negative X and L for positive X
//   secondary  D for C, Q for L, the phase angle for R and Z
//   circuit    series below 1 kOhm of |Z|, parallel from 1 kOhm on
// The level, interval, capture and sound fields are reported as commanded.
class MeterModel
{
public:
    struct Config
    {
        std::vector<Part> parts;
        int readingsPerPart = 5;
        double noisePercent = 0.0; // uniform, +- this share of each value
        std::uint32_t seed = 1;
        // Reading N (from 1) shows N ohms more resistance, so that a lost or
        // repeated reading shows in the log.
        bool numbered = false;
    };

    explicit MeterModel(Config config);

    // Applies a 5-byte settings or mode command; false when it is neither.
    bool applyCommand(std::span<const std::uint8_t, 5> bytes);

    // The next reading as the meter sends it, in the current mode.
    protocol::MeterFrame nextReading();

    // Time between readings at the commanded interval code (3 = 0.5 s,
    // 2 = 1 s, 1 = 2 s, any other 1 s), divided by `speed`.
    std::chrono::milliseconds readingInterval(double speed) const;

    // The settings byte for byte as the meter would report them with `part`
    // on its terminals (automatic choices resolved).
    protocol::MeterSettings reportedSettings(const Part &part) const;

    const protocol::MeterSettings &commanded() const { return m_settings; }
    protocol::MeterMode mode() const { return m_mode; }
    bool brightnessOn() const { return m_brightnessOn; }
    const Part &currentPart() const;

private:
    double noiseFactor();

    Config m_config;
    protocol::MeterSettings m_settings;
    protocol::MeterMode m_mode = protocol::MeterMode::Rlcd;
    bool m_brightnessOn = true;
    std::uint64_t m_readings = 0;
    std::mt19937 m_rng;
    // The value shown while the meter holds a capture.
    bool m_haveHeld = false;
    double m_heldR = 0.0;
    double m_heldX = 0.0;
};

// The frequency code the meter picks on its own for `part`.
std::uint8_t automaticFrequencyCode(const Part &part);

} // namespace metersim
