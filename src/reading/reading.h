#pragma once

#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"
#include "protocol/rd_u_values.h"
#include "protocol/rlc_decoder.h"
#include "protocol/rlc_values.h"

#include <QDateTime>

#include <cstdint>
#include <optional>

namespace reading {

// One reading as every consumer takes it: the log, the journal, the CSV and
// JSON lines, the workbook, the statistics and chart, the sorting tally, the
// SCPI server and the publisher. The pipeline builds it once from a frame;
// nobody downstream decodes, judges or sorts again. Values are numbers in SI
// units; texts are made where they are shown.
struct Reading
{
    QDateTime time; // local time of its arrival (a row: when it was written), with milliseconds
    protocol::MeterMode mode = protocol::MeterMode::Rlcd;

    // RLCD: the settings the frame reported, the test frequency in Hz with
    // series and parallel R and X, and Z, L, C, D, Q and the phase.
    protocol::MeterSettings settings;
    protocol::RlcReading reading;
    protocol::RlcQuantities quantities;
    // RD and U readings carry their own values instead.
    std::optional<protocol::RdValues> rd;
    std::optional<protocol::UValues> u;

    // Which tolerances were on when the reading was judged.
    bool primaryToleranceOn = false;
    bool secondaryToleranceOn = false;
    // The tolerance verdict; judged is false when none was given (no
    // judgement, or both tolerances off).
    bool judged = false;
    std::int32_t judgeResult = 0;    // 0 pass, otherwise a reject
    double primaryDeviation = 0.0;   // percent
    double secondaryDeviation = 0.0; // percent

    // The bin a sorting plan gave the reading (1..9, 10 AUX, 0 OUT); none without a plan.
    std::optional<std::uint8_t> bin;
    // The reading's number where a front end numbers them (the publisher).
    std::optional<std::uint64_t> seq;

    bool rejected() const { return judged && judgeResult != 0; }
    // The verdict as the remote interfaces give it: kNotJudged when none was given.
    std::int32_t verdictCode() const;

    // The main and secondary values with their parameter (RLCD only).
    std::optional<protocol::ParameterValue> primary() const;
    std::optional<protocol::ParameterValue> secondary() const;
    // The test frequency in Hz; none when the meter shows none (code 0) or for RD and U.
    std::optional<double> frequencyHz() const;
    std::optional<double> levelVolts() const;
};

} // namespace reading
