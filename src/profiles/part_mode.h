#pragma once

// How parts are measured: CBox10's items. One part at a time (single part),
// or one profile line per part, the log showing the profile (multi part).
// Every front end and controller asks here, so the item order is one fact.

namespace profiles {

enum class PartMode { SinglePart = 0, MultiPart = 1 };

inline bool isMultiPart(int CBox10Index)
{
    return CBox10Index == int(PartMode::MultiPart);
}

} // namespace profiles
