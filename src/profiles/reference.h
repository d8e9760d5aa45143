#pragma once

// The reference a reading is judged against, as values: for the main and the
// secondary parameter, whether its tolerance is on, what it measures, its
// nominal value in SI units and its tolerance rule. The line editor's texts
// are read into it once (readReference); a headless front end builds it
// from its options directly; bin sorting reads the same value. A side that
// cannot be judged says why in `problem`, which the judgement answers with
// "not judged" (20), never with an exception.

#include <QChar>
#include <QString>
#include <QStringView>

#include <optional>

namespace profiles {

struct ReferenceEditor;

// What a side measures: R, L or C for the main parameter; R, Q or D for the secondary.
enum class Quantity { Resistance, Inductance, Capacitance, Quality, Dissipation };

// A tolerance field as the judgement reads it, from its first 8 characters:
// one character is "<" (the value may not exceed the nominal value), ">" (may
// not fall below it) or another one; a longer text is a percentage, a
// trailing "%" counting as a blank.
struct ToleranceRule
{
    enum class Kind { AtMost, AtLeast, Percent, OtherCharacter, Unreadable };
    Kind kind = Kind::Unreadable;
    double percent = 0.0; // Percent only

    static ToleranceRule atMost() { return {Kind::AtMost, 0.0}; }
    static ToleranceRule atLeast() { return {Kind::AtLeast, 0.0}; }
    static ToleranceRule withinPercent(double percent) { return {Kind::Percent, percent}; }
};

ToleranceRule readToleranceRule(const QString &field, QChar decimalSeparator);

// Why a side with its tolerance on cannot be judged.
enum class ReferenceProblem {
    None,
    UnknownKind,       // the kind is not an item of its list
    UnreadableNominal, // the nominal field is not a number
    UnknownUnit,       // the unit is not an item of its list
};

struct ReferenceSide
{
    bool on = false; // the tolerance is on; a side that is off is not judged
    Quantity quantity = Quantity::Resistance;
    double nominal = 0.0; // ohms, henries, farads; a plain number for Q and D
    ToleranceRule rule;
    ReferenceProblem problem = ReferenceProblem::None;
};

struct Reference
{
    ReferenceSide primary;
    ReferenceSide secondary;

    bool judges() const { return primary.on || secondary.on; }
};

// The editor's texts read into a reference, numbers with `decimalSeparator` only.
Reference readReference(const ReferenceEditor &editor, QChar decimalSeparator);

// The quantity of a main-parameter kind item (R L C) and of a secondary one
// (R Q D); nullopt for any other item.
std::optional<Quantity> primaryQuantity(int kind);
std::optional<Quantity> secondaryQuantity(int kind);

// The quantity the meter measures as its main parameter (codes 1 R, 2 C,
// 3 L; nullopt for Z and codes without a value) and as its secondary one
// (1 R, 2 Q, 3 D; nullopt otherwise). The selection lists' items are these codes.
std::optional<Quantity> quantityOfPrimaryCode(int primaryCode);
std::optional<Quantity> quantityOfSecondaryCode(int secondaryCode);

// A decimal number as typed: optional blanks around it, an optional sign,
// digits with at most one `decimalSeparator`, an optional exponent. The other
// separator, grouping and words such as "inf" are refused.
std::optional<double> readDecimal(QStringView text, QChar decimalSeparator);

} // namespace profiles
