#pragma once

#include "protocol/rlc_decoder.h"

#include <QChar>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace profiles {

// One parameter of the line editor as the judgement reads it.
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

// The verdict on one reading against the editor's reference values.
// seriesCircuit chooses series or parallel values for R, L and C; Q and D
// always use the series values. Numbers are read with `decimalSeparator`
// only. Every failure (an unreadable nominal value or tolerance, a nominal
// value of 0, an unknown kind or unit, a one-character primary tolerance
// other than "<" and ">") ends the judgement with 20. A one-character
// secondary tolerance other than "<" and ">" counts as a secondary reject
// (2) and drops the primary outcome.
JudgeOutcome judgeReading(const protocol::RlcReading &reading, std::uint8_t seriesCircuit,
                          const ReferenceEditor &editor, QChar decimalSeparator);

// A tolerance field as the judgement reads it, from its first 8 characters:
// one character is "<" (the value may not exceed the nominal value), ">" (may
// not fall below it) or another one; a longer text is a percentage, a
// trailing "%" counting as a blank.
struct ToleranceRule
{
    enum class Kind { AtMost, AtLeast, Percent, OtherCharacter, Unreadable };
    Kind kind = Kind::Unreadable;
    double percent = 0.0; // Percent only
};

ToleranceRule readToleranceRule(const QString &field, QChar decimalSeparator);

// A decimal number as typed: optional blanks around it, an optional sign,
// digits with at most one `decimalSeparator`, an optional exponent. The other
// separator, grouping and words such as "inf" are refused.
std::optional<double> readDecimal(QStringView text, QChar decimalSeparator);

} // namespace profiles
