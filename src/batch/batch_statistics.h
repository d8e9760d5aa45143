#pragma once

#include "reading/reading.h"
#include "protocol/rlc_values.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <limits>
#include <optional>

// Statistics of a batch of logged readings, kept up to date row by row.
//
// Values are accumulated with Welford's update: adding a row costs O(1) and
// the mean and spread stay exact to rounding even after 100 000 rows of
// nearly equal values, where the textbook sum of squares cancels. Rows whose
// values measure different things (R rows, then C rows after the parameter
// was changed) land in separate groups and are never averaged together.

// Count, mean, spread and range of one series of values.
class RunningStatistics
{
public:
    void add(double x);

    std::int64_t count() const { return m_count; }
    double mean() const { return m_shift + m_shiftedMean; }
    double min() const { return m_min; }
    double max() const { return m_max; }
    // Sample standard deviation (n - 1 in the denominator); nullopt below two values.
    std::optional<double> standardDeviation() const;

private:
    std::int64_t m_count = 0;
    double m_shift = 0.0;       // the first value
    double m_shiftedMean = 0.0; // running mean of value - m_shift
    double m_m2 = 0.0;          // sum of squared distances from the running mean
    double m_min = std::numeric_limits<double>::infinity();
    double m_max = -std::numeric_limits<double>::infinity();
};

// Which of a reading's two values a group holds.
enum class ValueRole { Primary, Secondary };

struct ValueGroup
{
    ValueRole role = ValueRole::Primary;
    protocol::RlcParameter parameter = protocol::RlcParameter::Resistance;
    std::int32_t lastFrequencyHz = 0; // the test frequency of its newest value (sets the decimals shown)
    RunningStatistics values;
};

// Verdict counts of the batch. Rows logged without a tolerance are counted in
// `rows` only.
struct VerdictCounts
{
    std::int64_t rows = 0;
    std::int64_t passed = 0;
    std::int64_t rejected = 0;

    // Passed share of the judged rows in percent; nullopt while none was judged.
    std::optional<double> yieldPercent() const;
};

class BatchStatistics
{
public:
    void add(const reading::Reading &row);
    void clear();

    const VerdictCounts &counts() const { return m_counts; }
    // Groups in the order their first value arrived: primaries and secondaries mixed.
    const QList<ValueGroup> &groups() const { return m_groups; }
    // The group of one role and parameter; nullptr when no such value was logged.
    const ValueGroup *group(ValueRole role, protocol::RlcParameter parameter) const;

private:
    void addValue(ValueRole role, const protocol::ParameterValue &value, std::int32_t frequencyHz);

    VerdictCounts m_counts;
    QList<ValueGroup> m_groups; // at most one per role and parameter, so lookups stay O(1)
};

// A tolerance as the judgement applies it to one value: a nominal in the
// value's SI unit and either a band of +- percent or a one-sided limit.
struct BatchLimit
{
    enum class Kind {
        Percent, // |deviation| <= percent
        AtMost,  // "<": the value must not exceed the nominal
        AtLeast, // ">": the value must not fall below the nominal
    };

    protocol::RlcParameter parameter = protocol::RlcParameter::Resistance;
    double nominal = 0.0;
    Kind kind = Kind::Percent;
    double percent = 0.0;
};

// The deviation of a value from the nominal in percent: the judgement's own
// rule (profiles::valueDeviationPercent).
double deviationPercent(const BatchLimit &limit, double value);

// The values that pass, as limits in the value's unit; a missing limit is open.
// A capacitance band is not symmetric: +-p % of reactance is
// nominal / (1 + p) .. nominal / (1 - p) in farads.
struct ToleranceLimits
{
    std::optional<double> lower;
    std::optional<double> upper;
};
ToleranceLimits toleranceLimits(const BatchLimit &limit);

// What a tolerance says about a group. Cp needs both limits; Cpk takes the
// nearer limit, or the only one of a one-sided tolerance. Neither exists for
// fewer than two values or a spread of zero.
struct Capability
{
    double nominal = 0.0;
    double meanDeviationPercent = 0.0;
    ToleranceLimits limits;
    std::optional<double> cp;
    std::optional<double> cpk;
};

// nullopt when the group holds no values or measures another parameter than the tolerance judges.
std::optional<Capability> capability(const ValueGroup &group, const BatchLimit &limit);
