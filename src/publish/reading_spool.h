#pragma once

#include "files/locked_append_file.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <utility>

// The station's readings on their way to the broker. Every reading is
// appended with its sequence number before it is handed to the client, and
// stays until the broker acknowledged it (or the bound dropped it), so a lost
// broker or a killed program loses nothing. The same files keep the sequence
// number across runs. The layout is described in reading_spool.cpp.
namespace publish {

class ReadingSpool
{
public:
    static constexpr std::uint64_t kDefaultMaxPending = 1000000;
    static constexpr qint64 kSegmentBytes = 4 << 20;

    struct Entry
    {
        std::uint64_t seq = 0;
        std::uint64_t segment = 0;
        qint64 offset = 0; // of the payload in its segment
        qint64 size = 0;
    };

    explicit ReadingSpool(qint64 segmentBytes = kSegmentBytes);
    ReadingSpool(const ReadingSpool &) = delete;
    ReadingSpool &operator=(const ReadingSpool &) = delete;

    // The station's spool in `folder` (made private), taken for this program
    // alone. A record cut short at the end is cut off; a damaged one is kept
    // aside in a copy of its file, and the sound records around it are used.
    bool open(const QString &folder, const QString &station, std::uint64_t maxPending, QString *error);
    // What opening found wrong, for one line on stderr; empty when nothing.
    const QString &recoveryNote() const { return m_recoveryNote; }

    // The number the next reading gets (from 1, never used twice).
    std::uint64_t nextSeq() const { return m_lastSeq + 1; }
    // Appends a reading under nextSeq(). Past the bound, the oldest pending
    // readings are dropped (see takeDropped()).
    bool append(QByteArrayView payload, QString *error);
    // The broker has the reading `seq`; it leaves the spool once every
    // older one is settled too.
    bool acknowledge(std::uint64_t seq, QString *error);

    // Readings not yet acknowledged, oldest first.
    const std::deque<Entry> &pending() const { return m_pending; }
    std::optional<QByteArray> payload(const Entry &entry, QString *error) const;
    // Readings the bound dropped since the last call.
    std::uint64_t takeDropped() { return std::exchange(m_dropped, 0); }
    // The bytes of every file of the spool.
    qint64 diskBytes() const;

private:
    QString segmentPath(std::uint64_t segment) const;
    bool readSegment(std::uint64_t segment, bool last, QString *error);
    bool startSegment(QString *error);
    bool settle(QString *error);

    using File = files::LockedAppendFile;

    qint64 m_segmentBytes;
    QString m_folder;
    QString m_station;
    File m_lock;
    std::map<std::uint64_t, File> m_segments; // the last one is written
    std::uint64_t m_maxPending = kDefaultMaxPending;
    std::uint64_t m_lastSeq = 0;
    std::uint64_t m_settledThrough = 0; // every reading up to it is acknowledged or dropped
    std::deque<Entry> m_pending;
    std::set<std::uint64_t> m_ackedAhead; // acknowledged, behind an older pending reading
    std::uint64_t m_dropped = 0;
    QString m_recoveryNote;
};

} // namespace publish
