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

std::optional<ParameterValue> primaryValue(const MeterSettings &settings, const RlcReading &reading,
                                           const RlcQuantities &quantities)
{
    // The meter marks a negative L or C with its sign flag; the decoded pair is unsigned.
    const double sign = settings.negativeSign != 0 ? -1.0 : 1.0;
    switch (settings.primaryCode) {
    case 1:
        return ParameterValue{RlcParameter::Resistance, circuitResistance(settings, reading)};
    case 2:
        return ParameterValue{RlcParameter::Capacitance, sign * quantities.capacitance};
    case 3:
        return ParameterValue{RlcParameter::Inductance, sign * quantities.inductance};
    case 4:
        return ParameterValue{RlcParameter::Impedance, quantities.impedance};
    default:
        return std::nullopt;
    }
}

std::optional<ParameterValue> secondaryValue(const MeterSettings &settings, const RlcReading &reading,
                                             const RlcQuantities &quantities)
{
    switch (settings.secondaryCode) {
    case 1:
        return ParameterValue{RlcParameter::Resistance, circuitResistance(settings, reading)};
    case 2:
        return ParameterValue{RlcParameter::Quality, quantities.quality};
    case 3:
        return ParameterValue{RlcParameter::Dissipation, quantities.dissipation};
    case 4:
        return ParameterValue{RlcParameter::Phase, quantities.phaseDegrees};
    default:
        return std::nullopt;
    }
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


} // namespace protocol
