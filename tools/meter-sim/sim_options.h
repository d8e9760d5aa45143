#pragma once

#include "dongle.h"
#include "part_model.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace metersim {

struct SimOptions
{
    QString linkPath;                  // --link: symlink to the current slave device
    std::vector<Part> parts;           // --part (repeatable); empty = one 4.7 kOhm resistor
    int readingsPerPart = 5;           // --cycle
    double noisePercent = 0.0;         // --noise
    bool numbered = false;             // --numbered: reading N shows N ohms more
    std::uint32_t seed = 1;            // --seed
    double speed = 1.0;                // --speed: readings come this many times faster
    // --frame-gap-ms: readings this far apart whatever the interval; the
    // link's fastest is 13.5 ms (18 bytes and a pause, about 74 per second).
    std::optional<std::chrono::microseconds> frameGap;
    DongleConfig dongle;               // --connect-delay, --fail, --fail-count
    std::optional<std::chrono::milliseconds> unplugAfter; // --unplug-after
    std::chrono::milliseconds replugAfter{3000};          // --replug-after; 0 = on SIGUSR1 only
    bool verbose = false;              // --verbose
};

enum class OptionsOutcome { Run, Help, Error };

// Parses the command line (args[0] is the program name). On Help, `message`
// holds the help text; on Error, what was wrong.
OptionsOutcome parseOptions(const QStringList &args, SimOptions *options, QString *message);

} // namespace metersim
