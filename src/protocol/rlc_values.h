#pragma once

#include "protocol/meter_settings.h"
#include "protocol/rlc_decoder.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace protocol {

// What a main or secondary value measures; each comes in its SI unit (ohm,
// farad, henry, ohm, none, none, degree).
enum class RlcParameter { Resistance, Capacitance, Inductance, Impedance, Quality, Dissipation, Phase };

// The display's letter of a parameter ("R", "C", "L", "Z", "Q", "D", "Ɵ").
QString parameterLetter(RlcParameter parameter);
// The plain ASCII name, as the CSV, JSON lines and the publisher write it: the letter, "theta" for the phase.
QString parameterName(RlcParameter parameter);
// The parameter a main code (1..4: R, C, L, Z) or a secondary code (1..4:
// R, Q, D, phase) selects; nullopt for the codes that select none.
std::optional<RlcParameter> primaryParameter(int primaryCode);
std::optional<RlcParameter> secondaryParameter(int secondaryCode);

// The display's limits: an inductance above 500 H shows ">500 Гн", a
// capacitance from 0.01 F on ">22.00 мФ" (resistances: kMagnitudeLimit).
inline constexpr double kInductanceLimit = 500.0; // henries
inline constexpr double kCapacitanceLimit = 0.01; // farads

struct ParameterValue
{
    RlcParameter parameter = RlcParameter::Resistance;
    double value = 0.0;

    bool operator==(const ParameterValue &) const = default;
};

// The main value of an RLCD reading as a number, the one the display shows as
// text: R or X of the selected circuit, C and L signed by the meter's sign
// mark. nullopt for main codes that show no value (0, 5, 6, 7).
std::optional<ParameterValue> primaryValue(const MeterSettings &settings, const RlcReading &reading,
                                           const RlcQuantities &quantities);

// The secondary value likewise; nullopt for code 0 (none) and 5..7.
std::optional<ParameterValue> secondaryValue(const MeterSettings &settings, const RlcReading &reading,
                                             const RlcQuantities &quantities);

// A value with its unit as the display shows it ("47.000 нФ", "4.7000 кОм",
// "0.0012", "-45.6800°"); negative L and C carry a leading "-". Used for
// figures derived from readings, such as a batch's mean.
QString parameterValueText(const ParameterValue &value, std::int32_t frequencyHz, const FormatContext &context);

// Whether the display shows the value's over-range text instead of a number.
bool overRange(const ParameterValue &value);

// The resistance of the circuit the settings select (series or parallel).
double circuitResistance(const MeterSettings &settings, const RlcReading &reading);

} // namespace protocol
