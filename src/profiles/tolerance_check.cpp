#include "profiles/tolerance_check.h"

#include <cmath>
#include <numbers>

namespace profiles {

namespace {

// How the two sides differ: the verdict bit of a reject, what a rule of one
// other character gives, and the deviation's divisor.
struct SideRole
{
    std::int32_t rejectBit;
    std::int32_t otherCharacterVerdict;
    bool overMagnitude;
    std::optional<double> JudgeOutcome::*deviation;
};

constexpr SideRole kPrimaryRole{1, kNotJudged, true, &JudgeOutcome::primaryDeviation};
constexpr SideRole kSecondaryRole{2, 2, false, &JudgeOutcome::secondaryDeviation};

// The measured value and the nominal value it is compared with: reactances
// for L and C (the capacitive one negative); nullopt when either is not finite.
std::optional<std::pair<double, double>> comparedPair(const ReferenceSide &side, const protocol::RlcReading &reading,
                                                      bool series)
{
    const double twoPiF = 2.0 * std::numbers::pi * double(reading.frequencyHz);
    const double reactance = series ? reading.seriesReactance : reading.parallelReactance;
    double m = 0.0;
    double n = side.nominal;
    switch (side.quantity) {
    case Quantity::Resistance:
        m = series ? reading.seriesResistance : reading.parallelResistance;
        break;
    case Quantity::Inductance:
        m = reactance;
        n = twoPiF * n;
        break;
    case Quantity::Capacitance:
        m = -reactance;
        n = -1.0 / (twoPiF * n);
        break;
    case Quantity::Quality:
        m = std::fabs(reading.seriesReactance / reading.seriesResistance);
        break;
    case Quantity::Dissipation:
        m = std::fabs(reading.seriesResistance / reading.seriesReactance);
        break;
    }
    if (!std::isfinite(m) || !std::isfinite(n))
        return std::nullopt;
    return std::pair{m, n};
}

// One side: its deviation (when finite) into `outcome`; the bits it adds, or
// the verdict that ends the judgement.
struct SideVerdict
{
    std::int32_t bits = 0;
    std::optional<std::int32_t> final;
};

SideVerdict judgeSide(const ReferenceSide &side, const SideRole &role, const protocol::RlcReading &reading,
                      bool series, JudgeOutcome &outcome)
{
    if (side.problem != ReferenceProblem::None)
        return {0, kNotJudged};
    const auto pair = comparedPair(side, reading, series);
    if (!pair)
        return {0, kNotJudged};
    const auto [m, n] = *pair;
    const double deviation = (m - n) / (role.overMagnitude ? std::fabs(n) : n) * 100.0;
    if (!std::isfinite(deviation))
        return {0, kNotJudged};
    outcome.*role.deviation = deviation;
    switch (side.rule.kind) {
    case ToleranceRule::Kind::AtMost:
        return {m > n ? role.rejectBit : 0, std::nullopt};
    case ToleranceRule::Kind::AtLeast:
        return {m < n ? role.rejectBit : 0, std::nullopt};
    case ToleranceRule::Kind::Percent:
        // A deviation exactly at the tolerance passes.
        return {std::fabs(deviation) > side.rule.percent ? role.rejectBit : 0, std::nullopt};
    case ToleranceRule::Kind::OtherCharacter:
        return {0, role.otherCharacterVerdict};
    case ToleranceRule::Kind::Unreadable:
        break;
    }
    return {0, kNotJudged};
}

} // namespace

JudgeOutcome judgeReading(const protocol::RlcReading &reading, std::uint8_t seriesCircuit, const Reference &reference)
{
    JudgeOutcome outcome;
    const bool series = seriesCircuit == 1;
    const std::pair<const ReferenceSide *, const SideRole *> sides[] = {{&reference.primary, &kPrimaryRole},
                                                                       {&reference.secondary, &kSecondaryRole}};
    for (const auto &[side, role] : sides) {
        if (!side->on)
            continue;
        const SideVerdict verdict = judgeSide(*side, *role, reading, series, outcome);
        if (verdict.final) {
            outcome.result = *verdict.final;
            return outcome;
        }
        outcome.result += verdict.bits;
    }
    return outcome;
}

double valueDeviationPercent(Quantity quantity, double nominal, double value)
{
    switch (quantity) {
    case Quantity::Capacitance:
        return (1.0 - nominal / value) * 100.0;
    case Quantity::Quality:
    case Quantity::Dissipation:
        return (value - nominal) / nominal * 100.0;
    case Quantity::Resistance:
    case Quantity::Inductance:
        break;
    }
    return (value - nominal) / std::fabs(nominal) * 100.0;
}

} // namespace profiles
