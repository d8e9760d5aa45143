#include "protocol/rlc_values.h"

#include <cmath>

namespace protocol {

double circuitResistance(const MeterSettings &settings, const RlcReading &reading)
{
    return settings.seriesCircuit != 0 ? reading.seriesResistance : reading.parallelResistance;
}

bool overRange(const ParameterValue &v)
{
    switch (v.parameter) {
    case RlcParameter::Resistance:
    case RlcParameter::Impedance:
        return !(std::abs(v.value) <= kMagnitudeLimit); // NaN too
    case RlcParameter::Capacitance:
        return !(std::abs(v.value) < kCapacitanceLimit);
    case RlcParameter::Inductance:
        return !(std::abs(v.value) <= kInductanceLimit);
    default:
        return !std::isfinite(v.value);
    }
}

namespace {

// A parameter's value in its SI unit. The meter marks a negative L or C with
// its sign flag; the decoded pair is unsigned.
double valueOf(RlcParameter parameter, const MeterSettings &settings, const RlcReading &reading,
               const RlcQuantities &quantities)
{
    const double sign = settings.negativeSign != 0 ? -1.0 : 1.0;
    switch (parameter) {
    case RlcParameter::Resistance:
        return circuitResistance(settings, reading);
    case RlcParameter::Capacitance:
        return sign * quantities.capacitance;
    case RlcParameter::Inductance:
        return sign * quantities.inductance;
    case RlcParameter::Impedance:
        return quantities.impedance;
    case RlcParameter::Quality:
        return quantities.quality;
    case RlcParameter::Dissipation:
        return quantities.dissipation;
    case RlcParameter::Phase:
        return quantities.phaseDegrees;
    }
    return 0.0;
}

} // namespace

std::optional<RlcParameter> primaryParameter(int primaryCode)
{
    static constexpr RlcParameter kParameters[] = {RlcParameter::Resistance, RlcParameter::Capacitance,
                                                   RlcParameter::Inductance, RlcParameter::Impedance};
    if (primaryCode < 1 || primaryCode > int(std::size(kParameters)))
        return std::nullopt;
    return kParameters[primaryCode - 1];
}

std::optional<RlcParameter> secondaryParameter(int secondaryCode)
{
    static constexpr RlcParameter kParameters[] = {RlcParameter::Resistance, RlcParameter::Quality,
                                                   RlcParameter::Dissipation, RlcParameter::Phase};
    if (secondaryCode < 1 || secondaryCode > int(std::size(kParameters)))
        return std::nullopt;
    return kParameters[secondaryCode - 1];
}

std::optional<ParameterValue> primaryValue(const MeterSettings &settings, const RlcReading &reading,
                                           const RlcQuantities &quantities)
{
    const std::optional<RlcParameter> parameter = primaryParameter(settings.primaryCode);
    if (!parameter)
        return std::nullopt;
    return ParameterValue{*parameter, valueOf(*parameter, settings, reading, quantities)};
}

std::optional<ParameterValue> secondaryValue(const MeterSettings &settings, const RlcReading &reading,
                                             const RlcQuantities &quantities)
{
    const std::optional<RlcParameter> parameter = secondaryParameter(settings.secondaryCode);
    if (!parameter)
        return std::nullopt;
    return ParameterValue{*parameter, valueOf(*parameter, settings, reading, quantities)};
}

QString parameterValueText(const ParameterValue &value, std::int32_t frequencyHz, const FormatContext &context)
{
    const double v = value.value;
    const QString sign = v < 0 ? QStringLiteral("-") : QString();
    switch (value.parameter) {
    case RlcParameter::Resistance:
    case RlcParameter::Impedance:
        return sign + formatMagnitude(std::fabs(v), context) + context.texts.ohm();
    case RlcParameter::Capacitance:
        return sign + capacitanceText(std::fabs(v), frequencyHz, context);
    case RlcParameter::Inductance:
        return sign + inductanceText(std::fabs(v), frequencyHz, context);
    case RlcParameter::Quality:
    case RlcParameter::Dissipation:
        return formatRatio(v, context.separators);
    case RlcParameter::Phase:
        return formatPhase(v, context.separators);
    }
    return {};
}

QString parameterLetter(RlcParameter parameter)
{
    switch (parameter) {
    case RlcParameter::Resistance:
        return QStringLiteral("R");
    case RlcParameter::Capacitance:
        return QStringLiteral("C");
    case RlcParameter::Inductance:
        return QStringLiteral("L");
    case RlcParameter::Impedance:
        return QStringLiteral("Z");
    case RlcParameter::Quality:
        return QStringLiteral("Q");
    case RlcParameter::Dissipation:
        return QStringLiteral("D");
    case RlcParameter::Phase:
        return QStringLiteral("Ɵ");
    }
    return {};
}


QString parameterName(RlcParameter parameter)
{
    return parameter == RlcParameter::Phase ? QStringLiteral("theta") : parameterLetter(parameter);
}

} // namespace protocol
