#pragma once

#include "protocol/meter_settings.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>

namespace profiles {

// One line of a tolerance profile: a kind of part with its name, the
// reference values of both parameters and the meter settings to measure it
// with. Texts are kept as the file holds them; kinds and units are the
// editor's item indices and are kept even when out of range, so a line read
// and written back keeps its bytes.
struct ProfileLine
{
    static constexpr int kSize = 72;
    static constexpr int kNameCapacity = 10;
    static constexpr int kToleranceCapacity = 5;
    static constexpr int kNominalCapacity = 10;

    QString lineName;
    std::int32_t startPosition = 1;
    QString primaryTolerance;        // "OFF" while the tolerance is off
    std::uint8_t primaryKind = 0;    // 0 R, 1 L, 2 C
    std::uint8_t primaryUnit = 0;    // 0..2 in the kind's unit list
    QString primaryNominal;
    QString secondaryTolerance;      // "OFF" while the tolerance is off
    std::uint8_t secondaryKind = 0;  // 0 R, 1 Q, 2 D
    std::uint8_t secondaryUnit = 0;  // 0..2 for R, 0 otherwise
    QString secondaryNominal;
    protocol::MeterSettings settingsSnapshot;

    bool operator==(const ProfileLine &) const = default;
};

// The text a line stores for a tolerance that is off.
inline const QString kToleranceOff = QStringLiteral("OFF");

using ProfileLineBytes = std::array<std::uint8_t, ProfileLine::kSize>;

// The 72 bytes of a line. Texts longer than their field are cut; padding and
// the bytes after each text are zero.
ProfileLineBytes writeProfileLine(const ProfileLine &line);

// A line from its 72 bytes. Any bytes give a line: a length byte beyond its
// field's room counts as the room, and padding is never read.
ProfileLine readProfileLine(std::span<const std::uint8_t, ProfileLine::kSize> bytes);

} // namespace profiles
