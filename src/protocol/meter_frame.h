#pragma once

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace protocol {

// The measuring mode carried in the low nibble of frame byte 15; the same codes
// form the low bits of the mode command.
enum class MeterMode : std::uint8_t {
    Rlcd = 1, // resistance, capacitance, inductance, impedance + secondary parameter
    Rd = 2,   // resistance and diode
    U = 3,    // voltage
};

// One 18-byte frame from the meter, byte i being the i-th byte received.
class MeterFrame
{
public:
    static constexpr std::size_t kSize = 18;
    static constexpr std::size_t kModeByte = 15;
    static constexpr std::uint8_t kTrailer0 = 0x31; // byte 16, the character "1"
    static constexpr std::uint8_t kTrailer1 = 0x0A; // byte 17, line feed
    static constexpr std::uint8_t kBrightnessBit = 0x40;

    MeterFrame() = default; // all zero (no valid trailer)
    explicit MeterFrame(const std::array<std::uint8_t, kSize> &bytes) : m_bytes(bytes) {}

    // A frame from a receive block; nullopt unless the block is exactly 18 bytes.
    static std::optional<MeterFrame> fromBytes(std::span<const std::uint8_t> block);
    static std::optional<MeterFrame> fromBytes(const QByteArray &block);

    std::uint8_t operator[](std::size_t i) const { return m_bytes.at(i); }
    std::uint8_t &operator[](std::size_t i) { return m_bytes.at(i); }
    std::span<const std::uint8_t, kSize> bytes() const { return m_bytes; }
    std::span<std::uint8_t, kSize> bytes() { return m_bytes; }
    QByteArray toByteArray() const;

    // Bytes 16 and 17 are the frame's only validity test.
    bool hasValidTrailer() const;
    // Byte 15 AND 0x0F; not necessarily a MeterMode.
    std::uint8_t modeNibble() const { return m_bytes[kModeByte] & 0x0F; }
    // The mode, when the nibble is one of the three known codes.
    std::optional<MeterMode> mode() const;
    // Bit 6 of byte 15: the meter's brightness is on.
    bool brightnessOn() const { return (m_bytes[kModeByte] & kBrightnessBit) != 0; }

    bool operator==(const MeterFrame &) const = default;

private:
    std::array<std::uint8_t, kSize> m_bytes{};
};

// What the receive side does with one frame: drop it, or set the brightness
// indicator and then (when the mode is known) run that mode's decoder.
struct FrameRoute
{
    bool accepted = false;             // trailer valid
    bool brightnessOn = false;         // meaningful only when accepted
    std::optional<MeterMode> decoder;  // nullopt: no decoder runs
};

// The routing decision of dispatchFrame, without side effects.
FrameRoute routeFrame(const MeterFrame &frame);

} // namespace protocol
