#pragma once

#include "protocol/unit_texts.h"

#include <QString>

#include <optional>

namespace profiles {

// The kinds of the two reference parameters, as item indices of their lists.
enum PrimaryKind : int { kPrimaryR = 0, kPrimaryL = 1, kPrimaryC = 2 };
enum SecondaryKind : int { kSecondaryR = 0, kSecondaryQ = 1, kSecondaryD = 2 };

// Which of the three primary unit lists is shown for a primary kind (0 the
// ohm list, 1 the henry list, 2 the farad list); none for an unknown kind.
std::optional<int> primaryUnitListFor(int primaryKind);
// The secondary unit list is shown for R only: Q and D are plain numbers.
bool secondaryUnitListShown(int secondaryKind);

// The factor from a unit list's item to ohms, henries or farads; none for an
// unknown kind or item.
std::optional<double> primaryUnitMultiplier(int primaryKind, int unit);
std::optional<double> ohmMultiplier(int unit);

// The unit as the profile table writes it ("кОм", "мГн", "пФ"), in the
// texts' language; empty for an unknown kind or item.
QString primaryUnitText(int primaryKind, int unit, const protocol::UnitTexts &texts);
QString ohmUnitText(int unit, const protocol::UnitTexts &texts);

} // namespace profiles
