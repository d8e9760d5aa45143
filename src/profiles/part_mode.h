#pragma once

// How parts are measured: CBox10's items. One part at a time (single part),
// or one profile line per part, the log showing the profile (multi part).
// Every front end and controller asks here, so the item order is one fact.

#include <cstdint>

namespace profiles {

// The values are CBox10's items and the journal's part-mode byte on disk:
// neither may be renumbered.
enum class PartMode : std::uint8_t { SinglePart = 0, MultiPart = 1 };

inline bool isMultiPart(int CBox10Index)
{
    return CBox10Index == int(PartMode::MultiPart);
}

inline PartMode partModeOfItem(int CBox10Index)
{
    return isMultiPart(CBox10Index) ? PartMode::MultiPart : PartMode::SinglePart;
}

} // namespace profiles
