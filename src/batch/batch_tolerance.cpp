#include "batch/batch_tolerance.h"

#include <cmath>

namespace {

protocol::RlcParameter parameterOf(profiles::Quantity quantity)
{
    switch (quantity) {
    case profiles::Quantity::Resistance:
        return protocol::RlcParameter::Resistance;
    case profiles::Quantity::Inductance:
        return protocol::RlcParameter::Inductance;
    case profiles::Quantity::Capacitance:
        return protocol::RlcParameter::Capacitance;
    case profiles::Quantity::Quality:
        return protocol::RlcParameter::Quality;
    case profiles::Quantity::Dissipation:
        return protocol::RlcParameter::Dissipation;
    }
    return protocol::RlcParameter::Resistance;
}

std::optional<BatchLimit> limitOf(const profiles::ReferenceSide &side)
{
    if (!side.on || side.problem != profiles::ReferenceProblem::None)
        return std::nullopt;
    if (!std::isfinite(side.nominal) || side.nominal == 0.0)
        return std::nullopt;
    BatchLimit limit;
    switch (side.rule.kind) {
    case profiles::ToleranceRule::Kind::AtMost:
        limit.kind = BatchLimit::Kind::AtMost;
        break;
    case profiles::ToleranceRule::Kind::AtLeast:
        limit.kind = BatchLimit::Kind::AtLeast;
        break;
    case profiles::ToleranceRule::Kind::Percent:
        limit.kind = BatchLimit::Kind::Percent;
        limit.percent = side.rule.percent;
        break;
    case profiles::ToleranceRule::Kind::OtherCharacter:
    case profiles::ToleranceRule::Kind::Unreadable:
        return std::nullopt;
    }
    limit.parameter = parameterOf(side.quantity);
    limit.nominal = side.nominal;
    return limit;
}

} // namespace

BatchTolerances batchTolerances(const profiles::Reference &reference)
{
    return {limitOf(reference.primary), limitOf(reference.secondary)};
}
