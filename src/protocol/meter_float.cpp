// MeterFloat, the only number format inside frames: four bytes read as a
// little-endian 32-bit word w, with sign s = bit 31, exponent e = bits 23..30
// and mantissa m = bits 0..22, worth  (-1)^s * (1 + m / 2^23) * 2^(e - 127).
// The formula holds for e = 0 and e = 255 too, so the format has no zero,
// subnormals, infinities or NaNs:
//   00 00 80 3F -> 1.0       00 00 20 41 -> 10.0      00 00 80 BF -> -1.0
//   00 00 00 00 -> 2^-127    FF FF FF 7F -> (2 - 2^-23) * 2^128
// For e in 1..254 this is the IEEE single value of the same bits. Every value
// is exact in a double.

#include "protocol/meter_float.h"

#include "protocol/le_bytes.h"

#include <cmath>

namespace protocol {

namespace {
constexpr std::uint32_t kMantissaBits = 23;
constexpr std::uint32_t kMantissaMask = (1u << kMantissaBits) - 1;
constexpr std::uint32_t kSignBit = 0x80000000u;
constexpr int kBias = 127;
constexpr int kMaxExponent = 255;
} // namespace

double decodeMeterFloat(std::uint32_t word)
{
    const int e = int((word >> kMantissaBits) & 0xFF);
    const std::uint32_t m = word & kMantissaMask;
    const double magnitude = std::ldexp(1.0 + double(m) / double(1u << kMantissaBits), e - kBias);
    return (word & kSignBit) ? -magnitude : magnitude;
}

double decodeMeterFloat(const MeterFrame &frame, std::size_t offset)
{
    return decodeMeterFloat(le::read32(frame.bytes(), offset));
}

std::uint32_t encodeMeterFloatWord(double value)
{
    const std::uint32_t sign = std::signbit(value) ? kSignBit : 0;
    const double a = std::fabs(value);
    if (std::isnan(a) || a == 0.0)
        return sign; // the smallest magnitude: the meter's own "zero"
    if (std::isinf(a))
        return sign | (std::uint32_t(kMaxExponent) << kMantissaBits) | kMantissaMask;

    int exp2 = 0;
    const double fraction = std::frexp(a, &exp2); // a = fraction * 2^exp2, fraction in [0.5, 1)
    int e = exp2 - 1 + kBias;
    double m = std::nearbyint((2.0 * fraction - 1.0) * double(1u << kMantissaBits));
    if (m >= double(1u << kMantissaBits)) { // rounding carried into the exponent
        m = 0.0;
        ++e;
    }
    if (e < 0)
        return sign;
    if (e > kMaxExponent)
        return sign | (std::uint32_t(kMaxExponent) << kMantissaBits) | kMantissaMask;
    return sign | (std::uint32_t(e) << kMantissaBits) | std::uint32_t(m);
}

std::array<std::uint8_t, 4> encodeMeterFloat(double value)
{
    std::array<std::uint8_t, 4> bytes{};
    le::write32(bytes, 0, encodeMeterFloatWord(value));
    return bytes;
}

} // namespace protocol
