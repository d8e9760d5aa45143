#include "log/batch_tolerance.h"

#include "profiles/reference_units.h"

#include <cmath>

namespace {

// "<", ">" or a percentage with an optional trailing "%", from the first 8 characters.
std::optional<BatchLimit> limitOf(const QString &field, QChar separator)
{
    QString text = field.left(8);
    BatchLimit limit;
    if (text.size() == 1) {
        if (text == QLatin1String("<"))
            limit.kind = BatchLimit::Kind::AtMost;
        else if (text == QLatin1String(">"))
            limit.kind = BatchLimit::Kind::AtLeast;
        else
            return std::nullopt;
        return limit;
    }
    if (text.endsWith(QLatin1Char('%')))
        text[text.size() - 1] = QLatin1Char(' ');
    const std::optional<double> percent = profiles::readDecimal(text, separator);
    if (!percent || !std::isfinite(*percent))
        return std::nullopt;
    limit.kind = BatchLimit::Kind::Percent;
    limit.percent = *percent;
    return limit;
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
