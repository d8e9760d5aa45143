#include "batch/batch_statistics.h"

#include "profiles/tolerance_check.h"

#include <algorithm>
#include <cmath>

void RunningStatistics::add(double x)
{
    // Values are taken relative to the first one: for values within a factor
    // of two of it the difference is exact, so a batch whose spread is a
    // billionth of its size keeps its spread to the last digits.
    if (m_count == 0)
        m_shift = x;
    ++m_count;
    const double y = x - m_shift;
    const double delta = y - m_shiftedMean;
    m_shiftedMean += delta / double(m_count);
    m_m2 += delta * (y - m_shiftedMean);
    m_min = std::min(m_min, x);
    m_max = std::max(m_max, x);
}

std::optional<double> RunningStatistics::standardDeviation() const
{
    if (m_count < 2)
        return std::nullopt;
    // Rounding can leave a hair below zero for identical values.
    return std::sqrt(std::max(0.0, m_m2 / double(m_count - 1)));
}

std::optional<double> VerdictCounts::yieldPercent() const
{
    const std::int64_t judged = passed + rejected;
    if (judged == 0)
        return std::nullopt;
    return 100.0 * double(passed) / double(judged);
}

void BatchStatistics::add(const reading::Reading &row)
{
    ++m_counts.rows;
    if (row.judged)
        ++(row.judgeResult == 0 ? m_counts.passed : m_counts.rejected);
    const std::int32_t f = row.reading.frequencyHz;
    if (const auto value = protocol::primaryValue(row.settings, row.reading, row.quantities))
        addValue(ValueRole::Primary, *value, f);
    if (const auto value = protocol::secondaryValue(row.settings, row.reading, row.quantities))
        addValue(ValueRole::Secondary, *value, f);
}

void BatchStatistics::clear()
{
    m_counts = {};
    m_groups.clear();
}

const ValueGroup *BatchStatistics::group(ValueRole role, protocol::RlcParameter parameter) const
{
    for (const ValueGroup &g : m_groups) {
        if (g.role == role && g.parameter == parameter)
            return &g;
    }
    return nullptr;
}

void BatchStatistics::addValue(ValueRole role, const protocol::ParameterValue &value, std::int32_t frequencyHz)
{
    // A value that is not a number would poison the whole group for good.
    if (!std::isfinite(value.value))
        return;
    auto it = std::find_if(m_groups.begin(), m_groups.end(), [&](const ValueGroup &g) {
        return g.role == role && g.parameter == value.parameter;
    });
    if (it == m_groups.end()) {
        m_groups.append(ValueGroup{role, value.parameter, frequencyHz, {}});
        it = m_groups.end() - 1;
    }
    it->lastFrequencyHz = frequencyHz;
    it->values.add(value.value);
}

double deviationPercent(const BatchLimit &limit, double value)
{
    // Z compares like a resistance, the phase like Q and D; no tolerance names either today.
    profiles::Quantity quantity = profiles::Quantity::Resistance;
    switch (limit.parameter) {
    case protocol::RlcParameter::Capacitance:
        quantity = profiles::Quantity::Capacitance;
        break;
    case protocol::RlcParameter::Inductance:
        quantity = profiles::Quantity::Inductance;
        break;
    case protocol::RlcParameter::Quality:
    case protocol::RlcParameter::Dissipation:
    case protocol::RlcParameter::Phase:
        quantity = profiles::Quantity::Quality;
        break;
    case protocol::RlcParameter::Resistance:
    case protocol::RlcParameter::Impedance:
        break;
    }
    return profiles::valueDeviationPercent(quantity, limit.nominal, value);
}

ToleranceLimits toleranceLimits(const BatchLimit &limit)
{
    const double n = limit.nominal;
    switch (limit.kind) {
    case BatchLimit::Kind::AtMost:
        return {std::nullopt, n};
    case BatchLimit::Kind::AtLeast:
        return {n, std::nullopt};
    case BatchLimit::Kind::Percent:
        break;
    }
    const double q = std::fabs(limit.percent) / 100.0;
    if (limit.parameter == protocol::RlcParameter::Capacitance) {
        // |1 - n / v| <= q
        ToleranceLimits limits{n / (1.0 + q), std::nullopt};
        if (q < 1.0)
            limits.upper = n / (1.0 - q);
        return limits;
    }
    return {n - q * std::fabs(n), n + q * std::fabs(n)};
}

std::optional<Capability> capability(const ValueGroup &group, const BatchLimit &limit)
{
    if (group.parameter != limit.parameter || group.values.count() == 0)
        return std::nullopt;
    Capability out;
    out.nominal = limit.nominal;
    const double mean = group.values.mean();
    out.meanDeviationPercent = deviationPercent(limit, mean);
    out.limits = toleranceLimits(limit);

    const std::optional<double> sigma = group.values.standardDeviation();
    if (!sigma || !(*sigma > 0.0) || !std::isfinite(*sigma))
        return out;
    const ToleranceLimits &l = out.limits;
    if (l.lower && l.upper)
        out.cp = (*l.upper - *l.lower) / (6.0 * *sigma);
    std::optional<double> nearest;
    if (l.upper)
        nearest = *l.upper - mean;
    if (l.lower)
        nearest = nearest ? std::min(*nearest, mean - *l.lower) : mean - *l.lower;
    if (nearest)
        out.cpk = *nearest / (3.0 * *sigma);
    return out;
}
