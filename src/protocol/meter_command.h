#pragma once

#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>

namespace protocol {

// One 5-byte command to the meter, written in one call; the last byte is 10.
class MeterCommand
{
public:
    static constexpr std::size_t kSize = 5;
    static constexpr std::uint8_t kTerminator = 0x0A;

    // The whole settings record. `brightnessOn` is the brightness button's
    // state: the command's bit 6 is set when brightness is OFF (the opposite of
    // the frame). Code 4 is sent while the frequency is automatic; main and
    // secondary parameter and circuit send 0 for automatic.
    static MeterCommand settings(const MeterSettings &settings, bool brightnessOn);

    // Switch the measuring mode: 0x80 + mode (+0x40 with brightness off), 1, 1, 1, 10.
    static MeterCommand mode(MeterMode mode, bool brightnessOn);

    const std::array<std::uint8_t, kSize> &bytes() const { return m_bytes; }
    QByteArray toByteArray() const;

    bool operator==(const MeterCommand &) const = default;

private:
    std::array<std::uint8_t, kSize> m_bytes{};
};

} // namespace protocol
