// A tolerance profile file (".hex1") is a 100-byte header followed by
// 72-byte lines, little-endian, with no signature, version or checksum.
//
// Header:
//   0    4  line count, signed 32-bit (1 or more in files this program makes)
//   4   96  reserved, zero; never read
// Line k (1 .. count) starts at 100 + 72 * (k - 1):
//   0   11  name: length byte (0..10) and up to 10 characters
//   11   1  padding
//   12   4  start position of the log, signed 32-bit
//   16   6  primary tolerance: length byte (0..5) and up to 5 characters,
//           "OFF" while the tolerance is off
//   22   1  primary kind: 0 R, 1 L, 2 C
//   23   1  primary unit: index in the kind's unit list (Ом/кОм/МОм,
//           мкГн/мГн/Гн, пФ/нФ/мкФ)
//   24  11  primary nominal value: length byte (0..10) and up to 10 characters
//   35   6  secondary tolerance, like the primary one
//   41   1  secondary kind: 0 R, 1 Q, 2 D
//   42   1  secondary unit: Ом/кОм/МОм index for R, 0 for Q and D
//   43  11  secondary nominal value, like the primary one
//   54  15  meter settings: the 14 bytes of MeterSettings in field order, then
//           one reserved byte written as 0 and never read
//   69   3  padding
// Texts are Windows-1251, one byte per character; bytes after a text's
// length are not meaningful (we write zeros). Bytes after the last counted
// line (left there when a line is deleted) are never read.
//
// The profile of one line "R1", 1 % of 100 kΩ, secondary off, default
// settings, start position 1 (172 bytes):
//   01 00 00 00  00 * 96
//   02 52 31 00 00 00 00 00 00 00 00  00  01 00 00 00
//   02 31 25 00 00 00  00  01  03 31 30 30 00 00 00 00 00 00 00
//   03 4F 46 46 00 00  02  00  04 30 2C 30 35 00 00 00 00 00 00
//   01 04 01 02 01 01 00 01 01 00 02 00 00 01 00  00 00 00

#include "profiles/profile_line.h"

#include "profiles/cp1251_text.h"
#include "protocol/le_bytes.h"

#include <algorithm>

namespace profiles {

namespace {

namespace offset {
constexpr std::size_t name = 0;
constexpr std::size_t startPosition = 12;
constexpr std::size_t primaryTolerance = 16;
constexpr std::size_t primaryKind = 22;
constexpr std::size_t primaryUnit = 23;
constexpr std::size_t primaryNominal = 24;
constexpr std::size_t secondaryTolerance = 35;
constexpr std::size_t secondaryKind = 41;
constexpr std::size_t secondaryUnit = 42;
constexpr std::size_t secondaryNominal = 43;
constexpr std::size_t settings = 54;
} // namespace offset

void putText(ProfileLineBytes &bytes, std::size_t at, int capacity, const QString &text)
{
    const QByteArray encoded = toCp1251(text).left(capacity);
    bytes[at] = std::uint8_t(encoded.size());
    std::copy(encoded.cbegin(), encoded.cend(), bytes.begin() + qsizetype(at) + 1);
}

QString takeText(std::span<const std::uint8_t, ProfileLine::kSize> bytes, std::size_t at, int capacity)
{
    const int length = std::min<int>(bytes[at], capacity);
    return fromCp1251(QByteArrayView(bytes.data() + at + 1, length));
}

} // namespace

ProfileLineBytes writeProfileLine(const ProfileLine &line)
{
    ProfileLineBytes bytes{};
    putText(bytes, offset::name, ProfileLine::kNameCapacity, line.lineName);
    protocol::le::writeI32(bytes, offset::startPosition, line.startPosition);
    putText(bytes, offset::primaryTolerance, ProfileLine::kToleranceCapacity, line.primaryTolerance);
    bytes[offset::primaryKind] = line.primaryKind;
    bytes[offset::primaryUnit] = line.primaryUnit;
    putText(bytes, offset::primaryNominal, ProfileLine::kNominalCapacity, line.primaryNominal);
    putText(bytes, offset::secondaryTolerance, ProfileLine::kToleranceCapacity, line.secondaryTolerance);
    bytes[offset::secondaryKind] = line.secondaryKind;
    bytes[offset::secondaryUnit] = line.secondaryUnit;
    putText(bytes, offset::secondaryNominal, ProfileLine::kNominalCapacity, line.secondaryNominal);
    const auto settings = line.settingsSnapshot.toBytes();
    std::copy(settings.cbegin(), settings.cend(), bytes.begin() + offset::settings);
    return bytes;
}

ProfileLine readProfileLine(std::span<const std::uint8_t, ProfileLine::kSize> bytes)
{
    ProfileLine line;
    line.lineName = takeText(bytes, offset::name, ProfileLine::kNameCapacity);
    line.startPosition = protocol::le::readI32(bytes, offset::startPosition);
    line.primaryTolerance = takeText(bytes, offset::primaryTolerance, ProfileLine::kToleranceCapacity);
    line.primaryKind = bytes[offset::primaryKind];
    line.primaryUnit = bytes[offset::primaryUnit];
    line.primaryNominal = takeText(bytes, offset::primaryNominal, ProfileLine::kNominalCapacity);
    line.secondaryTolerance = takeText(bytes, offset::secondaryTolerance, ProfileLine::kToleranceCapacity);
    line.secondaryKind = bytes[offset::secondaryKind];
    line.secondaryUnit = bytes[offset::secondaryUnit];
    line.secondaryNominal = takeText(bytes, offset::secondaryNominal, ProfileLine::kNominalCapacity);
    line.settingsSnapshot =
        protocol::MeterSettings::fromBytes(bytes.subspan<offset::settings, protocol::MeterSettings::kSize>());
    return line;
}

} // namespace profiles
