#include "sorting/bin_plan.h"

#include "profiles/si_units.h"

#include <cmath>

namespace profiles {

namespace {

bool isPrimary(Quantity q)
{
    return q == Quantity::Resistance || q == Quantity::Capacitance || q == Quantity::Inductance;
}

BinPlanProblem problem(BinPlanProblem::Kind kind, QString field)
{
    return {kind, std::move(field), {}};
}

QString binField(qsizetype index, const char *part = nullptr)
{
    QString field = QStringLiteral("bins[%1]").arg(index + 1);
    if (part)
        field += QLatin1Char('.') + QLatin1String(part);
    return field;
}

} // namespace

std::optional<double> binUnitFactor(Quantity parameter, const QString &unit)
{
    // A bin's unit names its base unit: a bare prefix says nothing of the parameter.
    const std::optional<SiUnit> read = parseSiUnit(unit);
    if (!read || read->quantity != parameter)
        return std::nullopt;
    return read->factor;
}

QString binParameterText(Quantity parameter)
{
    switch (parameter) {
    case Quantity::Resistance:
        return QStringLiteral("R");
    case Quantity::Capacitance:
        return QStringLiteral("C");
    case Quantity::Inductance:
        return QStringLiteral("L");
    default:
        return {};
    }
}

std::optional<Quantity> binParameterOf(const QString &text)
{
    for (Quantity q : {Quantity::Resistance, Quantity::Capacitance, Quantity::Inductance})
        if (text == binParameterText(q))
            return q;
    return std::nullopt;
}

QString secondaryLimitText(SecondaryLimit::Parameter parameter)
{
    switch (parameter) {
    case SecondaryLimit::Parameter::Dissipation:
        return QStringLiteral("D");
    case SecondaryLimit::Parameter::Quality:
        return QStringLiteral("Q");
    case SecondaryLimit::Parameter::Esr:
        return QStringLiteral("ESR");
    }
    return {};
}

std::optional<SecondaryLimit::Parameter> secondaryLimitOf(const QString &text)
{
    using P = SecondaryLimit::Parameter;
    for (P p : {P::Dissipation, P::Quality, P::Esr})
        if (text == secondaryLimitText(p))
            return p;
    return std::nullopt;
}

BinPlanProblem checkBinPlan(const BinPlan &plan)
{
    using K = BinPlanProblem::Kind;
    if (!isPrimary(plan.parameter))
        return problem(K::BadValue, QStringLiteral("parameter"));
    if (!binUnitFactor(plan.parameter, plan.unit))
        return problem(K::UnitMismatch, QStringLiteral("unit"));
    if (plan.mode == BinMode::Nested && !plan.nominalFromLine && !(std::isfinite(plan.nominal) && plan.nominal > 0.0))
        return problem(K::BadValue, QStringLiteral("nominal"));
    if (plan.bins.isEmpty())
        return problem(K::NoBins, QStringLiteral("bins"));
    if (plan.bins.size() > kMaxBins)
        return problem(K::TooManyBins, QStringLiteral("bins"));
    for (qsizetype i = 0; i < plan.bins.size(); ++i) {
        const BinLimits &bin = plan.bins[i];
        if (!std::isfinite(bin.lower))
            return problem(K::BadValue, binField(i, "lower"));
        if (!std::isfinite(bin.upper))
            return problem(K::BadValue, binField(i, "upper"));
        if (bin.lower > bin.upper)
            return problem(K::LowerAboveUpper, binField(i));
        if (plan.mode == BinMode::Nested && i > 0) {
            // Each grade must hold the one before it and more; an equal bin would never be reached.
            const BinLimits &before = plan.bins[i - 1];
            const bool holds = bin.lower <= before.lower && bin.upper >= before.upper;
            const bool wider = bin.lower < before.lower || bin.upper > before.upper;
            if (!holds || !wider)
                return problem(K::NotWidening, binField(i));
        }
    }
    if (plan.secondary) {
        const double value = plan.secondary->value;
        if (!std::isfinite(value) || value < 0.0)
            return problem(K::BadValue, QStringLiteral("secondary.") +
                                            (plan.secondary->maximum ? QStringLiteral("max") : QStringLiteral("min")));
    }
    return {};
}

std::optional<PreparedBinPlan> prepareBinPlan(const BinPlan &plan, BinPlanProblem *problemOut)
{
    const BinPlanProblem found = checkBinPlan(plan);
    if (problemOut)
        *problemOut = found;
    if (found)
        return std::nullopt;
    const double factor = *binUnitFactor(plan.parameter, plan.unit);
    PreparedBinPlan prepared;
    prepared.parameter = plan.parameter;
    prepared.mode = plan.mode;
    prepared.nominalFromLine = plan.nominalFromLine;
    prepared.nominal = plan.nominal * factor;
    prepared.binCount = int(plan.bins.size());
    const double limitFactor = plan.mode == BinMode::Sequential ? factor : 1.0;
    for (int i = 0; i < prepared.binCount; ++i)
        prepared.limits[std::size_t(i)] = {plan.bins[i].lower * limitFactor, plan.bins[i].upper * limitFactor};
    prepared.secondary = plan.secondary;
    return prepared;
}

QString binPlanProblemText(const BinPlanProblem &p)
{
    using K = BinPlanProblem::Kind;
    switch (p.kind) {
    case K::None:
        return {};
    case K::Unreadable:
        return QStringLiteral("the plan cannot be read: %1").arg(p.detail);
    case K::NotJson:
        return QStringLiteral("the plan is not a JSON object: %1").arg(p.detail);
    case K::WrongFormat:
        return QStringLiteral("format: not a sorting plan (\"vorlant-bins/1\" expected)");
    case K::BadValue:
        return QStringLiteral("%1: missing or not a usable value").arg(p.field);
    case K::NoBins:
        return QStringLiteral("%1: the plan has no bins").arg(p.field);
    case K::TooManyBins:
        return QStringLiteral("%1: more than %2 bins").arg(p.field).arg(kMaxBins);
    case K::LowerAboveUpper:
        return QStringLiteral("%1: the lower limit is above the upper one").arg(p.field);
    case K::UnitMismatch:
        return QStringLiteral("%1: the unit does not fit the parameter").arg(p.field);
    case K::NotWidening:
        return QStringLiteral("%1: a nested bin must hold the bin before it and be wider").arg(p.field);
    }
    return {};
}

} // namespace profiles
