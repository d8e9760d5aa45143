#pragma once

#include "log/log_journal_file.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <set>

// The station's readings on their way to the broker. Every reading is
// appended with its sequence number before it is handed to the client, and
// stays until the broker acknowledged it (or the bound dropped it), so a lost
// broker or a killed program loses nothing. The same file keeps the sequence
// number across runs. The layout is described in reading_spool.cpp.
namespace publish {

class ReadingSpool
{
public:
    static constexpr std::uint64_t kDefaultMaxPending = 1000000;

    struct Entry
    {
        std::uint64_t seq = 0;
        qint64 offset = 0; // of the payload in the file
        qint64 size = 0;
    };

    ReadingSpool() = default;
    ReadingSpool(const ReadingSpool &) = delete;
    ReadingSpool &operator=(const ReadingSpool &) = delete;

    // <folder>/<station>.spool, made private and taken for this program. A
    // record cut short at the end is cut off; a damaged one is kept aside in
    // a copy of the whole file, and the sound records before it are used.
    bool open(const QString &folder, const QString &station, std::uint64_t maxPending, QString *error);
    // What opening found wrong, for one line on stderr; empty when nothing.
    const QString &recoveryNote() const { return m_recoveryNote; }
    const QString &path() const { return m_file.path(); }

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
    qint64 fileSize() const { return m_file.size(); }

private:
    bool recover(const QByteArray &bytes, QString *error);
    bool settle(QString *error);
    bool compact(QString *error);

    logbook::journal::JournalFile m_file;
    std::uint64_t m_maxPending = kDefaultMaxPending;
    std::uint64_t m_lastSeq = 0;
    std::uint64_t m_settledThrough = 0; // every reading up to it is acknowledged or dropped
    std::deque<Entry> m_pending;
    std::set<std::uint64_t> m_ackedAhead; // acknowledged, behind an older pending reading
    std::uint64_t m_dropped = 0;
    QString m_recoveryNote;
};

} // namespace publish
