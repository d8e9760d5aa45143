#include "reading/reading.h"

#include "profiles/tolerance_check.h"
#include "protocol/meter_tables.h"

namespace reading {

std::int32_t Reading::verdictCode() const
{
    return judged ? judgeResult : profiles::kNotJudged;
}

std::optional<protocol::ParameterValue> Reading::primary() const
{
    if (mode != protocol::MeterMode::Rlcd)
        return std::nullopt;
    return protocol::primaryValue(settings, reading, quantities);
}

std::optional<protocol::ParameterValue> Reading::secondary() const
{
    if (mode != protocol::MeterMode::Rlcd)
        return std::nullopt;
    return protocol::secondaryValue(settings, reading, quantities);
}

std::optional<double> Reading::frequencyHz() const
{
    // Code 0: the meter shows no frequency (the log writes "A").
    if (mode != protocol::MeterMode::Rlcd || settings.freqCode == 0)
        return std::nullopt;
    return double(reading.frequencyHz);
}

std::optional<double> Reading::levelVolts() const
{
    if (mode != protocol::MeterMode::Rlcd)
        return std::nullopt;
    return protocol::levelVolts(settings.levelCode);
}

} // namespace reading
