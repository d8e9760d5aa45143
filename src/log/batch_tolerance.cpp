#include "log/batch_tolerance.h"

#include "profiles/reference_units.h"

#include <cmath>

namespace {

std::optional<BatchLimit> limitOf(const QString &field, QChar separator)
{
    const profiles::ToleranceRule rule = profiles::readToleranceRule(field, separator);
    BatchLimit limit;
    switch (rule.kind) {
    case profiles::ToleranceRule::Kind::AtMost:
        limit.kind = BatchLimit::Kind::AtMost;
        return limit;
    case profiles::ToleranceRule::Kind::AtLeast:
        limit.kind = BatchLimit::Kind::AtLeast;
        return limit;
    case profiles::ToleranceRule::Kind::Percent:
        limit.kind = BatchLimit::Kind::Percent;
        limit.percent = rule.percent;
        return limit;
    case profiles::ToleranceRule::Kind::OtherCharacter:
    case profiles::ToleranceRule::Kind::Unreadable:
        break;
    }
    return std::nullopt;
}

std::optional<BatchLimit> limitFor(const profiles::ReferenceEntry &entry, protocol::RlcParameter parameter,
                                    std::optional<double> multiplier, QChar separator)
{
    if (entry.toleranceOff || !multiplier)
        return std::nullopt;
    std::optional<BatchLimit> limit = limitOf(entry.tolerance, separator);
    const std::optional<double> nominal = profiles::readDecimal(entry.nominal, separator);
    if (!limit || !nominal)
        return std::nullopt;
    limit->parameter = parameter;
    limit->nominal = *nominal * *multiplier;
    if (!std::isfinite(limit->nominal) || limit->nominal == 0.0)
        return std::nullopt;
    return limit;
}

} // namespace

BatchTolerances batchTolerances(const profiles::ReferenceEditor &editor, QChar separator)
{
    BatchTolerances out;
    const profiles::ReferenceEntry &p = editor.primary;
    switch (p.kind) {
    case profiles::kPrimaryR:
        out.primary = limitFor(p, protocol::RlcParameter::Resistance, profiles::primaryUnitMultiplier(p.kind, p.unit),
                             separator);
        break;
    case profiles::kPrimaryL:
        out.primary = limitFor(p, protocol::RlcParameter::Inductance, profiles::primaryUnitMultiplier(p.kind, p.unit),
                             separator);
        break;
    case profiles::kPrimaryC:
        out.primary = limitFor(p, protocol::RlcParameter::Capacitance, profiles::primaryUnitMultiplier(p.kind, p.unit),
                             separator);
        break;
    default:
        break;
    }
    const profiles::ReferenceEntry &s = editor.secondary;
    switch (s.kind) {
    case profiles::kSecondaryR:
        out.secondary = limitFor(s, protocol::RlcParameter::Resistance, profiles::ohmMultiplier(s.unit), separator);
        break;
    case profiles::kSecondaryQ:
        out.secondary = limitFor(s, protocol::RlcParameter::Quality, 1.0, separator);
        break;
    case profiles::kSecondaryD:
        out.secondary = limitFor(s, protocol::RlcParameter::Dissipation, 1.0, separator);
        break;
    default:
        break;
    }
    return out;
}
