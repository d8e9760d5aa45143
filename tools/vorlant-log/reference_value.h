#pragma once

// Nominal values and tolerances from the command line, and a profile line's
// reference, as the judgement's value (profiles/reference.h).

#include "profiles/profile_line.h"
#include "profiles/reference.h"

#include <QString>

#include <optional>

namespace vorlantlog {

struct Nominal
{
    double value = 0.0;                        // SI units
    std::optional<profiles::Quantity> quantity; // from a unit: R, L or C
};

// "100n", "4.7k", "4,7k", "10uH", "100nF", "4.7kohm", "0.05", "1e-7". A
// positive number, then an optional prefix and unit as profiles/si_units.h
// reads them (only a resistance for the secondary).
std::optional<Nominal> parseNominal(const QString &text, bool secondary, QString *error);

struct ToleranceSetting
{
    bool off = false;
    profiles::ToleranceRule rule;
};

// "5%", "5", "0.5 %", "2,5%", "<", ">", "off".
std::optional<ToleranceSetting> parseTolerance(const QString &text, QString *error);

// A profile line's reference. Its texts hold the decimal separator of the
// machine that wrote them; the logger reads a comma as a point.
profiles::Reference profileReference(const profiles::ProfileLine &line);

} // namespace vorlantlog
