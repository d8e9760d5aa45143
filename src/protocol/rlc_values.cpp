#include "protocol/rlc_values.h"

namespace protocol {

double circuitResistance(const MeterSettings &settings, const RlcReading &reading)
{
    return settings.seriesCircuit != 0 ? reading.seriesResistance : reading.parallelResistance;
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

} // namespace protocol
