// The spool file, <station>.spool: append-only while the program runs.
//
//   signature  8 bytes "VLSPOOL1"
//   records    back to back, each framed as the journal's records are
//              (u32 length, body, u32 CRC-32; see files/crc_frames.h)
//
//   body kind 1  reading   u8 1, u64 seq, payload (the JSON the broker gets)
//   body kind 2  settled   u8 2, u64 seq: every reading up to seq was
//                          acknowledged by the broker or dropped by the bound
//
// Numbers are little-endian. Readings come with rising seq. The next seq is
// one above the highest seq the file names, so it is kept even once every
// reading is settled. Example, readings up to 7 settled:
//
//   09 00 00 00  02 07 00 00 00 00 00 00 00  <CRC-32, 4 bytes>
//
// When the settled part outweighs what is pending (and passes 1 MiB), the
// file is written anew with a settled record and the pending readings alone,
// beside the old one and put in place by one rename.

#include "publish/reading_spool.h"

#include "files/crc_frames.h"
#include "files/file_replacement.h"
#include "protocol/le_bytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <array>
#include <cerrno>

#include <unistd.h>

namespace publish {

namespace {

constexpr char kSignature[8] = {'V', 'L', 'S', 'P', 'O', 'O', 'L', '1'};
constexpr std::uint32_t kMaxBody = 1u << 20;
constexpr qint64 kCompactBytes = 1 << 20;
constexpr std::uint8_t kReading = 1;
constexpr std::uint8_t kSettled = 2;
constexpr qint64 kFrameHead = 4;     // the length before the body
constexpr qint64 kReadingHead = 9;   // kind and seq before the payload

QByteArray body(std::uint8_t kind, std::uint64_t seq, QByteArrayView payload = {})
{
    std::array<std::uint8_t, 9> head{};
    head[0] = kind;
    protocol::le::write32(head, 1, std::uint32_t(seq));
    protocol::le::write32(head, 5, std::uint32_t(seq >> 32));
    QByteArray out(reinterpret_cast<const char *>(head.data()), qsizetype(head.size()));
    out.append(payload);
    return out;
}

std::uint64_t seqOf(QByteArrayView body)
{
    const std::span<const std::uint8_t> b(reinterpret_cast<const std::uint8_t *>(body.data()), std::size_t(body.size()));
    return std::uint64_t(protocol::le::read32(b, 1)) | std::uint64_t(protocol::le::read32(b, 5)) << 32;
}

} // namespace

bool ReadingSpool::open(const QString &folder, const QString &station, std::uint64_t maxPending, QString *error)
{
    m_maxPending = std::max<std::uint64_t>(maxPending, 1);
    if (!logbook::journal::ensurePrivateFolder(folder, error))
        return false;
    const QString path = QDir(folder).filePath(station + QStringLiteral(".spool"));
    switch (logbook::journal::JournalFile::claim(path, &m_file, error, true)) {
    case logbook::journal::JournalFile::Claim::Taken:
        break;
    case logbook::journal::JournalFile::Claim::Busy:
        *error = QStringLiteral("the spool %1 is in use by another program publishing as \"%2\"").arg(path, station);
        return false;
    case logbook::journal::JournalFile::Claim::Failed:
        return false;
    }
    const std::optional<QByteArray> bytes = m_file.readAll(error);
    return bytes && recover(*bytes, error);
}

bool ReadingSpool::recover(const QByteArray &bytes, QString *error)
{
    if (bytes.isEmpty())
        return m_file.append(QByteArrayView(kSignature, sizeof kSignature), error);
    if (bytes.size() < qsizetype(sizeof kSignature) || !bytes.startsWith(QByteArrayView(kSignature, sizeof kSignature))) {
        *error = QStringLiteral("%1 is not a spool file; move it away").arg(m_file.path());
        return false;
    }
    qint64 at = sizeof kSignature;
    QString problem;
    bool torn = false;
    while (at < bytes.size()) {
        const files::CrcFrameRead frame = files::readCrcFrame(bytes, at, kMaxBody);
        if (frame.status != files::CrcFrameRead::Status::Whole) {
            problem = frame.problem;
            torn = frame.status == files::CrcFrameRead::Status::Torn;
            break;
        }
        const auto kind = std::uint8_t(frame.body.front());
        const bool sized = frame.body.size() >= kReadingHead && (kind == kReading || frame.body.size() == kReadingHead);
        const std::uint64_t seq = sized ? seqOf(frame.body) : 0;
        if (!sized || (kind != kReading && kind != kSettled) || (kind == kReading && seq <= m_lastSeq)) {
            problem = QStringLiteral("a record that makes no sense");
            break;
        }
        if (kind == kReading) {
            m_lastSeq = seq;
            m_pending.push_back({seq, at + kFrameHead + kReadingHead, frame.body.size() - kReadingHead});
        } else {
            m_settledThrough = std::max(m_settledThrough, seq);
            m_lastSeq = std::max(m_lastSeq, seq);
        }
        at += frame.size;
    }
    while (!m_pending.empty() && m_pending.front().seq <= m_settledThrough)
        m_pending.pop_front();
    if (at < bytes.size()) {
        const qint64 lost = bytes.size() - at;
        if (torn) {
            m_recoveryNote = QStringLiteral("the spool's last record was cut short (%1 bytes dropped)").arg(lost);
        } else {
            // The damaged part stays on disk for whoever wants to look at it.
            const QString copy = m_file.path() + QStringLiteral(".damaged-")
                                 + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            QFile::copy(m_file.path(), copy);
            m_recoveryNote = QStringLiteral("the spool is damaged at byte %1 (%2); %3 bytes after it were set aside in %4")
                                 .arg(at)
                                 .arg(problem)
                                 .arg(lost)
                                 .arg(copy);
        }
        if (!m_file.truncate(at, error))
            return false;
    }
    return true;
}

bool ReadingSpool::append(QByteArrayView payload, QString *error)
{
    const std::uint64_t seq = m_lastSeq + 1;
    const qint64 at = m_file.size();
    if (!m_file.append(files::crcFrame(body(kReading, seq, payload)), error))
        return false;
    m_lastSeq = seq;
    m_pending.push_back({seq, at + kFrameHead + kReadingHead, payload.size()});
    if (m_pending.size() <= m_maxPending)
        return true;
    // The oldest give way; the broker would never see them in time anyway.
    while (m_pending.size() > m_maxPending) {
        m_settledThrough = m_pending.front().seq;
        m_pending.pop_front();
        ++m_dropped;
    }
    m_ackedAhead.erase(m_ackedAhead.begin(), m_ackedAhead.upper_bound(m_settledThrough));
    return settle(error);
}

bool ReadingSpool::acknowledge(std::uint64_t seq, QString *error)
{
    if (seq <= m_settledThrough || m_pending.empty())
        return true;
    if (seq != m_pending.front().seq) {
        m_ackedAhead.insert(seq);
        return true;
    }
    m_settledThrough = seq;
    m_pending.pop_front();
    while (!m_pending.empty() && m_ackedAhead.erase(m_pending.front().seq) > 0) {
        m_settledThrough = m_pending.front().seq;
        m_pending.pop_front();
    }
    return settle(error);
}

bool ReadingSpool::settle(QString *error)
{
    if (!m_file.append(files::crcFrame(body(kSettled, m_settledThrough)), error))
        return false;
    const qint64 live = m_pending.empty() ? 0 : m_file.size() - (m_pending.front().offset - kFrameHead - kReadingHead);
    const qint64 settled = m_file.size() - live;
    if (settled < kCompactBytes || settled < live)
        return true;
    return compact(error);
}

bool ReadingSpool::compact(QString *error)
{
    const QString path = m_file.path();
    files::FileReplacement fresh(path, files::FileReplacement::Rules{false, false});
    fresh.open();
    QByteArray head(kSignature, sizeof kSignature);
    head += files::crcFrame(body(kSettled, m_settledThrough));
    fresh.write(head);
    std::deque<Entry> moved;
    qint64 at = head.size();
    for (const Entry &entry : m_pending) {
        const std::optional<QByteArray> bytes = payload(entry, error);
        if (!bytes) {
            fresh.cancel();
            return false;
        }
        const QByteArray record = files::crcFrame(body(kReading, entry.seq, *bytes));
        fresh.write(record);
        moved.push_back({entry.seq, at + kFrameHead + kReadingHead, entry.size});
        at += record.size();
    }
    if (!fresh.commit()) {
        *error = QStringLiteral("cannot write the spool %1 anew: %2").arg(path, fresh.errorString());
        return false;
    }
    // The new file under the old name; the old one (and its lock) goes.
    logbook::journal::JournalFile renewed;
    if (logbook::journal::JournalFile::claim(path, &renewed, error) != logbook::journal::JournalFile::Claim::Taken)
        return false;
    m_file = std::move(renewed);
    m_pending = std::move(moved);
    return true;
}

std::optional<QByteArray> ReadingSpool::payload(const Entry &entry, QString *error) const
{
    return m_file.readAt(entry.offset, entry.size, error);
}

} // namespace publish
