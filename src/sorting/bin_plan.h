#pragma once

// A sorting plan: how a comparator grades parts into BIN1..BIN9, AUX and OUT.
// The plan is what the user edits and what a plan file holds; before it
// sorts anything it is checked and prepared once (prepareBinPlan), so the
// rule per reading does no text work and no unit lookup.

#include "profiles/reference.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace profiles {

inline constexpr int kMaxBins = 9;

enum class BinMode {
    Nested,     // each bin a lower and upper percentage around the nominal value, each wider than the one before
    Sequential, // each bin a lower and upper value in the plan's unit, gaps allowed
};

struct BinLimits
{
    double lower = 0.0;
    double upper = 0.0;

    bool operator==(const BinLimits &) const = default;
};

// The limit on the secondary value a part must also meet to land in its bin.
struct SecondaryLimit
{
    enum class Parameter { Dissipation, Quality, Esr }; // ESR: the series resistance, in ohms
    Parameter parameter = Parameter::Dissipation;
    bool maximum = true; // the value may not exceed `value`; otherwise it may not fall below it
    double value = 0.0;

    bool operator==(const SecondaryLimit &) const = default;
};

struct BinPlan
{
    Quantity parameter = Quantity::Capacitance; // R, L or C
    QString unit = QStringLiteral("nF");        // of the nominal value and of sequential limits
    bool nominalFromLine = false;               // the applied profile line's nominal value instead of `nominal`
    double nominal = 0.0;
    BinMode mode = BinMode::Nested;
    QList<BinLimits> bins; // percent (nested) or values in `unit` (sequential), BIN1 first
    std::optional<SecondaryLimit> secondary;

    bool operator==(const BinPlan &) const = default;
};

// Why a plan cannot be used; `field` names the place in the plan's file
// ("bins[3]", "unit"), which the editor's table shares.
struct BinPlanProblem
{
    enum class Kind {
        None,
        Unreadable,     // the file could not be read; `detail` holds the system's words
        NotJson,        // `detail` holds the parser's words
        WrongFormat,    // the "format" key is missing or names another format
        BadValue,       // the field is missing or holds something it cannot hold
        NoBins,
        TooManyBins,
        LowerAboveUpper,
        UnitMismatch,   // the unit does not measure the plan's parameter
        NotWidening,    // a nested bin does not hold the bin before it and more
    };
    Kind kind = Kind::None;
    QString field;
    QString detail;

    explicit operator bool() const { return kind != Kind::None; }
    bool operator==(const BinPlanProblem &) const = default;
};

// The factor from a unit text to ohms, farads or henries, when the unit
// measures `parameter`: "Ω"/"ohm", "F", "H" with a prefix as profiles/si_units.h reads it.
std::optional<double> binUnitFactor(Quantity parameter, const QString &unit);

// The plan's letter for a parameter ("R", "C", "L") and back.
QString binParameterText(Quantity parameter);
std::optional<Quantity> binParameterOf(const QString &text);
// "D", "Q", "ESR" and back.
QString secondaryLimitText(SecondaryLimit::Parameter parameter);
std::optional<SecondaryLimit::Parameter> secondaryLimitOf(const QString &text);

// A plan checked and turned into SI values, ready for the rule.
struct PreparedBinPlan
{
    Quantity parameter = Quantity::Capacitance;
    BinMode mode = BinMode::Nested;
    bool nominalFromLine = false;
    double nominal = 0.0; // SI; nested plans with their own nominal only
    int binCount = 0;
    std::array<BinLimits, kMaxBins> limits{}; // percent (nested) or SI values (sequential)
    std::optional<SecondaryLimit> secondary;
};

// The first problem of a plan, in field order; Kind::None when it can be used.
BinPlanProblem checkBinPlan(const BinPlan &plan);
// The prepared plan, or nullopt with `problem` set.
std::optional<PreparedBinPlan> prepareBinPlan(const BinPlan &plan, BinPlanProblem *problem = nullptr);

// The plan's problem as one English sentence naming the field. Field names
// are the file's keys, so the sentence stays English in every language; the
// window puts it into a sentence of its lexicon.
QString binPlanProblemText(const BinPlanProblem &problem);

} // namespace profiles
