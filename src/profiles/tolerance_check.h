#pragma once

// The tolerance judgement of one RLCD reading against a reference value
// (reference.h), and the line editor's texts the window's reference is read from.

#include "profiles/reference.h"
#include "protocol/rlc_decoder.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace profiles {

// One parameter of the line editor as typed.
struct ReferenceEntry
{
    int kind = 0;              // item index of the kind list (R L C, or R Q D)
    int unit = 0;              // item index of that kind's unit list (ignored for Q and D)
    QString nominal;           // the nominal value field's text
    QString tolerance;         // the tolerance field's text
    bool toleranceOff = true;  // the tolerance field shows the list's "off" item
};

struct ReferenceEditor
{
    ReferenceEntry primary;
    ReferenceEntry secondary;
};

// Results: 0 pass, 1 primary reject, 2 secondary reject, 3 both, 20 not judged.
inline constexpr std::int32_t kNotJudged = 20;

struct JudgeOutcome
{
    std::int32_t result = 0;
    // Deviations in percent, given only for a parameter whose tolerance is on
    // and whose deviation came out finite; a caller keeps its old value otherwise.
    std::optional<double> primaryDeviation;
    std::optional<double> secondaryDeviation;
};

// The verdict on one reading. seriesCircuit chooses series or parallel
// values for R, L and C; Q and D always use the series values. The main
// side is judged first. A side with a problem, a non-finite comparison, an
// unreadable rule or a one-character main rule other than "<" and ">" ends
// the judgement with 20; a one-character secondary rule other than "<" and
// ">" counts as a secondary reject (2) and drops the main side's outcome.
// The main side's deviation is relative to the nominal value's magnitude,
// the secondary's to the nominal value itself.
JudgeOutcome judgeReading(const protocol::RlcReading &reading, std::uint8_t seriesCircuit, const Reference &reference);

// The deviation judgeReading gives, for a value instead of a reading (the
// batch figures hold values): resistance and inductance compare linearly
// (their reactances scale with the value), a capacitance by its reactance,
// which gives 100 * (1 - nominal / value); Q and D divide by the nominal itself.
double valueDeviationPercent(Quantity quantity, double nominal, double value);

} // namespace profiles
