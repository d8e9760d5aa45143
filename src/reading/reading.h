#pragma once

#include "protocol/meter_settings.h"
#include "protocol/rlc_decoder.h"

#include <QDateTime>

#include <cstdint>
#include <optional>

// The numbers behind one log row, kept beside its texts so that statistics,
// charts and CSV read values, never display text parsed back.
struct LoggedReading
{
    QDateTime time;                     // local time the row was written, with milliseconds
    protocol::MeterSettings settings;   // as the frame reported them: parameters, circuit, level, frequency codes
    protocol::RlcReading reading;       // test frequency in Hz, series and parallel R and X in ohms
    protocol::RlcQuantities quantities; // Z, L, C, D, Q and the phase, in SI units

    // Which tolerances were on when the row was written.
    bool primaryToleranceOn = false;
    bool secondaryToleranceOn = false;
    // The tolerance verdict given for this reading; judged is false when none
    // was given (no judgement, or both tolerances off).
    bool judged = false;
    std::int32_t judgeResult = 0;    // 0 pass, otherwise a reject
    double primaryDeviation = 0.0;   // percent
    double secondaryDeviation = 0.0; // percent

    // The bin a sorting plan gave the reading (1..9, 10 AUX, 0 OUT); none without a plan.
    std::optional<std::uint8_t> bin;
};
