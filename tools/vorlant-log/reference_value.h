#pragma once

// Nominal values and tolerances from the command line, turned into the line
// editor's entries that the judgement reads. The editor keeps a nominal value
// as a number and a unit from its list (ohm, kilo-ohm, mega-ohm; micro-, milli-,
// henry; pico-, nano-, microfarad); a value typed with one of those prefixes
// keeps its digits and takes that unit, any other is converted.

#include "profiles/tolerance_check.h"

#include <QString>

#include <optional>

namespace vorlantlog {

struct Nominal
{
    double value = 0.0;        // SI units
    double number = 0.0;       // the number before the prefix
    QString digits;            // the number as typed, with a point ("4.7")
    double prefixFactor = 1.0; // 1e-9 for "n"; 1 without a prefix
    std::optional<int> kind;   // from a unit: primary R 0, L 1, C 2; secondary R 0
};

// "100n", "4.7k", "4,7k", "10uH", "100nF", "4.7kohm", "0.05", "1e-7". A
// positive number, an optional prefix (p n u µ m k M G) and, for the main
// parameter, an optional unit (F, H, ohm or Ω; only ohm for the secondary).
std::optional<Nominal> parseNominal(const QString &text, bool secondary, QString *error);

// Puts a nominal value of `kind` into `entry`: its kind, unit and number text.
void setNominal(profiles::ReferenceEntry &entry, int kind, const Nominal &nominal, bool secondary);

struct ToleranceSetting
{
    bool off = false;
    QString text; // "5%", "<", ">"
};

// "5%", "5", "0.5 %", "2,5%", "<", ">", "off".
std::optional<ToleranceSetting> parseTolerance(const QString &text, QString *error);

// A profile's texts hold the decimal separator of the machine that wrote
// them; the logger reads every number with a point.
void usePointSeparator(profiles::ReferenceEntry &entry);

} // namespace vorlantlog
