#include "files/crc_frames.h"

#include "protocol/le_bytes.h"

#include <zlib.h>

#include <array>
#include <span>

namespace files {

namespace {

std::uint32_t crcOf(const char *data, std::size_t size)
{
    // zlib takes lengths as uInt; bodies stay far below its limit.
    return std::uint32_t(::crc32(0, reinterpret_cast<const Bytef *>(data), uInt(size)));
}

} // namespace

QByteArray crcFrame(QByteArrayView body)
{
    std::array<std::uint8_t, 4> field{};
    protocol::le::write32(field, 0, std::uint32_t(body.size()));
    QByteArray out;
    out.reserve(body.size() + 8);
    out.append(reinterpret_cast<const char *>(field.data()), 4);
    out.append(body);
    protocol::le::write32(field, 0, crcOf(out.constData(), std::size_t(out.size())));
    out.append(reinterpret_cast<const char *>(field.data()), 4);
    return out;
}

CrcFrameRead readCrcFrame(QByteArrayView bytes, qint64 at, std::uint32_t maxBody)
{
    CrcFrameRead read;
    const qint64 left = bytes.size() - at;
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data() + at);
    const std::span<const std::uint8_t> rest(p, std::size_t(left > 0 ? left : 0));
    std::uint32_t length = 0;
    if (left < 4) {
        read.status = CrcFrameRead::Status::Torn;
        read.problem = QStringLiteral("record length cut short");
    } else if ((length = protocol::le::read32(rest, 0)) == 0 || length > maxBody) {
        read.problem = QStringLiteral("record length %1 out of range").arg(length);
    } else if (std::uint64_t(left) < std::uint64_t(length) + 8) {
        read.status = CrcFrameRead::Status::Torn;
        read.problem = QStringLiteral("record cut short");
    } else if (crcOf(reinterpret_cast<const char *>(p), length + 4)
               != protocol::le::read32(rest, std::size_t(length) + 4)) {
        read.problem = QStringLiteral("record check sum wrong");
    } else {
        read.status = CrcFrameRead::Status::Whole;
        read.body = QByteArrayView(bytes.data() + at + 4, length);
        read.size = qint64(length) + 8;
    }
    return read;
}

} // namespace files
