#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

// Records of append-only files (the log journal, the MQTT spool), each framed
// so that a record cut short by a crash and a damaged one are told from sound
// ones:
//
//   u32 N    length of the body, little-endian, 1..maxBody
//   body     N bytes
//   u32 CRC  zlib's CRC-32 over the four length bytes and the body
//
// A reader walks the records from the front and stops at the first one that
// is not whole; the bytes before it are where a writer goes on.
namespace files {

// One body framed, ready for one write.
QByteArray crcFrame(QByteArrayView body);

struct CrcFrameRead
{
    enum class Status { Whole, Torn, Damaged };
    Status status = Status::Damaged;
    QByteArrayView body; // Whole only
    qint64 size = 0;     // bytes of the whole frame (Whole only)
    QString problem;     // why not, for messages and tests
};

// The frame at `at` of `bytes` (at < bytes.size()).
CrcFrameRead readCrcFrame(QByteArrayView bytes, qint64 at, std::uint32_t maxBody);

} // namespace files
