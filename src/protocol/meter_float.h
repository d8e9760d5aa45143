#pragma once

#include "protocol/meter_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace protocol {

// The meter's 4-byte value: the bits of an IEEE single read little-endian, but
// decoded by formula for every exponent, so there is no zero, subnormal,
// infinity or NaN. Four zero bytes give 2^-127; the largest value is
// (2 - 2^-23) * 2^128. Decoders may divide by these values without checks.
double decodeMeterFloat(std::uint32_t word);

// The value at byte `offset` (0, 4 or 8) of the frame; throws std::out_of_range
// for an offset that leaves no room for four bytes.
double decodeMeterFloat(const MeterFrame &frame, std::size_t offset);

// The word nearest to `value` (ties to even). Every value decodeMeterFloat can
// produce comes back to its own word. Magnitudes below 2^-127, zero and NaN
// give the smallest word (with the value's sign); magnitudes above the largest
// give the largest.
std::uint32_t encodeMeterFloatWord(double value);
std::array<std::uint8_t, 4> encodeMeterFloat(double value);

} // namespace protocol
