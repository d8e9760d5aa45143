#pragma once

// A unit as people type it after a number: an optional SI prefix and an
// optional base unit, "nF", "kΩ", "Mohm", "µH", "k". The command line's
// nominal values and the bin plan's units both read it here.

#include "profiles/reference.h"

#include <QStringView>

#include <optional>

namespace profiles {

struct SiUnit
{
    double factor = 1.0;               // of the prefix; 1 without one
    std::optional<Quantity> quantity;  // of the base unit: R, L or C; none without one
};

// The factor of one prefix letter: p n u µ (U+00B5) μ (U+03BC) m k M G.
std::optional<double> siPrefixFactor(QChar letter);

// Prefix, blanks allowed between it and the base unit, then F, H, Ω (U+03A9
// or U+2126), ohm or ohms (any case). Blanks around are ignored; an empty text
// is factor 1 with no quantity. None for anything else.
std::optional<SiUnit> parseSiUnit(QStringView text);

} // namespace profiles
