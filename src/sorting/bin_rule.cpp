#include "sorting/bin_rule.h"

#include "protocol/rlc_values.h"

#include <cmath>

namespace profiles {

namespace {

std::optional<Quantity> quantityOfParameter(protocol::RlcParameter parameter)
{
    switch (parameter) {
    case protocol::RlcParameter::Resistance:
        return Quantity::Resistance;
    case protocol::RlcParameter::Capacitance:
        return Quantity::Capacitance;
    case protocol::RlcParameter::Inductance:
        return Quantity::Inductance;
    default:
        return std::nullopt;
    }
}

bool secondaryHolds(const SecondaryLimit &limit, const BinReading &reading)
{
    double value = 0.0;
    switch (limit.parameter) {
    case SecondaryLimit::Parameter::Dissipation:
        value = reading.dissipation;
        break;
    case SecondaryLimit::Parameter::Quality:
        value = reading.quality;
        break;
    case SecondaryLimit::Parameter::Esr:
        value = reading.esr;
        break;
    }
    // A NaN fails both comparisons, so it never passes a limit.
    return limit.maximum ? value <= limit.value : value >= limit.value;
}

BinResult out(OutReason reason)
{
    return {BinResult::kOut, reason};
}

} // namespace

BinReading binReadingOf(const protocol::MeterSettings &settings, const protocol::RlcReading &reading,
                        const protocol::RlcQuantities &quantities)
{
    BinReading r;
    if (const auto primary = protocol::primaryValue(settings, reading, quantities)) {
        r.quantity = quantityOfParameter(primary->parameter);
        r.primary = primary->value;
    }
    r.dissipation = quantities.dissipation;
    r.quality = quantities.quality;
    r.esr = reading.seriesResistance;
    return r;
}

std::optional<LineNominal> lineNominalOf(const Reference &reference)
{
    if (reference.primary.problem != ReferenceProblem::None)
        return std::nullopt;
    return LineNominal{reference.primary.quantity, reference.primary.nominal};
}

QString binText(std::uint8_t bin)
{
    if (bin == BinResult::kOut)
        return QStringLiteral("OUT");
    if (bin == BinResult::kAux)
        return QStringLiteral("AUX");
    return QStringLiteral("BIN%1").arg(bin);
}

BinResult sortReading(const PreparedBinPlan &plan, const BinReading &reading, const std::optional<LineNominal> &line)
{
    if (!reading.quantity || !std::isfinite(reading.primary))
        return out(OutReason::NoValue);
    if (*reading.quantity != plan.parameter)
        return out(OutReason::OtherParameter);
    const double v = reading.primary;
    double nominal = plan.nominal;
    if (plan.mode == BinMode::Nested && plan.nominalFromLine) {
        if (!line || line->quantity != plan.parameter || !std::isfinite(line->nominal) || !(line->nominal > 0.0))
            return out(OutReason::NoNominal);
        nominal = line->nominal;
    }
    for (int i = 0; i < plan.binCount; ++i) {
        const BinLimits &limits = plan.limits[std::size_t(i)];
        double lower = limits.lower;
        double upper = limits.upper;
        if (plan.mode == BinMode::Nested) {
            // (100 + p) / 100 keeps whole percentages of whole nominal values exact.
            lower = nominal * (100.0 + lower) / 100.0;
            upper = nominal * (100.0 + upper) / 100.0;
        }
        if (lower <= v && v <= upper) {
            if (plan.secondary && !secondaryHolds(*plan.secondary, reading))
                return {BinResult::kAux, OutReason::None};
            return {std::uint8_t(i + 1), OutReason::None};
        }
    }
    return out(OutReason::OutsideBins);
}

QString BinTally::summary(int binCount) const
{
    QStringList parts;
    auto add = [&](std::uint8_t bin) {
        parts << QStringLiteral("%1 %2 (%3 %)").arg(binText(bin)).arg(count(bin)).arg(percent(bin), 0, 'f', 1);
    };
    for (int i = 1; i <= binCount && i <= kMaxBins; ++i)
        add(std::uint8_t(i));
    add(BinResult::kAux);
    add(BinResult::kOut);
    return parts.join(QStringLiteral(", "));
}

} // namespace profiles
