#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

// Little-endian field access for the meter's frames and commands and for our
// binary files. Every multi-byte field goes through these; nothing copies a
// struct onto bytes. Out-of-range offsets throw instead of reading past the end.
namespace protocol::le {

inline void requireRange(std::size_t size, std::size_t offset, std::size_t width)
{
    if (offset > size || size - offset < width)
        throw std::out_of_range("field outside the byte buffer");
}

inline std::uint32_t read32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    requireRange(bytes.size(), offset, 4);
    return std::uint32_t(bytes[offset]) | std::uint32_t(bytes[offset + 1]) << 8
           | std::uint32_t(bytes[offset + 2]) << 16 | std::uint32_t(bytes[offset + 3]) << 24;
}

inline void write32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value)
{
    requireRange(bytes.size(), offset, 4);
    bytes[offset] = std::uint8_t(value);
    bytes[offset + 1] = std::uint8_t(value >> 8);
    bytes[offset + 2] = std::uint8_t(value >> 16);
    bytes[offset + 3] = std::uint8_t(value >> 24);
}

inline std::int32_t readI32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return std::int32_t(read32(bytes, offset));
}

inline void writeI32(std::span<std::uint8_t> bytes, std::size_t offset, std::int32_t value)
{
    write32(bytes, offset, std::uint32_t(value));
}

inline std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    requireRange(bytes.size(), offset, 2);
    return std::uint16_t(bytes[offset] | bytes[offset + 1] << 8);
}

inline void write16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value)
{
    requireRange(bytes.size(), offset, 2);
    bytes[offset] = std::uint8_t(value);
    bytes[offset + 1] = std::uint8_t(value >> 8);
}

} // namespace protocol::le
