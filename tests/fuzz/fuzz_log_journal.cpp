// A journal left behind in the state folder: replayed as the restore at
// start-up replays it, and the image put into a log table as "Yes" puts it.
// When the input's first byte is odd, the rest is a journal whose records'
// check sums are set right before reading, so that mutations inside a record
// reach the field readers instead of stopping at the CRC.

#include "journal/log_journal_image.h"
#include "log/log_table_model.h"

#include <QByteArray>

#include <zlib.h>

#include <cstdint>
#include <cstring>

namespace {

void sealRecords(QByteArray &bytes)
{
    qsizetype at = 8; // past the signature
    while (bytes.size() - at >= 8) {
        std::uint32_t length = 0;
        std::memcpy(&length, bytes.constData() + at, 4); // little-endian hosts only, as the fuzzers run
        if (length == 0 || std::uint64_t(bytes.size() - at) < std::uint64_t(length) + 8)
            return;
        const auto crc = std::uint32_t(::crc32(0, reinterpret_cast<const Bytef *>(bytes.constData() + at), uInt(length + 4)));
        std::memcpy(bytes.data() + at + 4 + length, &crc, 4);
        at += qsizetype(length) + 8;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (data[0] & 1)
        sealRecords(bytes);
    const logbook::journal::RestoredJournal restored = logbook::journal::restoreJournal(bytes);
    if (restored.summary.records == 0)
        return 0;
    LogTableModel model;
    logbook::journal::applyLogImage(model, restored.image);
    logbook::journal::readingsOf(restored.image);
    return 0;
}
