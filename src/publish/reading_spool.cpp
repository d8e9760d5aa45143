// The spool: files <station>.<n>.spool in the spool folder, n counting up
// from 1 (twelve digits), and <station>.lock, held with an exclusive flock
// while a program publishes as the station. Only the newest file is written,
// and only appended to; a new one is begun past 4 MiB, and an older one is
// removed once every reading in it is settled. So the spool never rewrites a
// byte, and its files hold what is pending plus at most one file more.
//
//   signature  8 bytes "VLSPOOL1"
//   records    back to back, each framed as the journal's records are
//              (u32 length, body, u32 CRC-32; see files/crc_frames.h)
//
//   body kind 1  reading   u8 1, u64 seq, payload (the JSON the broker gets)
//   body kind 2  settled   u8 2, u64 seq: every reading up to seq was
//                          acknowledged by the broker or dropped by the bound
//
// Numbers are little-endian. Readings come with rising seq, across the
// files. Every new file begins with a settled record, so the newest file
// alone names the seq reached, even once the older ones are gone; the next
// seq is one above the highest seq any file names. Example, readings up to 7
// settled:
//
//   09 00 00 00  02 07 00 00 00 00 00 00 00  <CRC-32, 4 bytes>

#include "publish/reading_spool.h"

#include "files/crc_frames.h"
#include "protocol/le_bytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <array>

#include <unistd.h>

namespace publish {

namespace {

constexpr char kSignature[8] = {'V', 'L', 'S', 'P', 'O', 'O', 'L', '1'};
constexpr std::uint32_t kMaxBody = 1u << 20;
constexpr std::uint8_t kReading = 1;
constexpr std::uint8_t kSettled = 2;
constexpr qint64 kFrameHead = 4;   // the length before the body
constexpr qint64 kReadingHead = 9; // kind and seq before the payload

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

QByteArrayView signature()
{
    return QByteArrayView(kSignature, sizeof kSignature);
}

} // namespace

ReadingSpool::ReadingSpool(qint64 segmentBytes)
    : m_segmentBytes(segmentBytes)
{
}

QString ReadingSpool::segmentPath(std::uint64_t segment) const
{
    return QDir(m_folder).filePath(QStringLiteral("%1.%2.spool").arg(m_station).arg(segment, 12, 10, QLatin1Char('0')));
}

bool ReadingSpool::open(const QString &folder, const QString &station, std::uint64_t maxPending, QString *error)
{
    m_maxPending = std::max<std::uint64_t>(maxPending, 1);
    m_folder = folder;
    m_station = station;
    if (!files::ensurePrivateFolder(folder, error))
        return false;
    const QString lock = QDir(folder).filePath(station + QStringLiteral(".lock"));
    switch (File::claim(lock, &m_lock, error, true)) {
    case File::Claim::Taken:
        break;
    case File::Claim::Busy:
        *error = QStringLiteral("the spool in %1 is in use by another program publishing as \"%2\"").arg(folder, station);
        return false;
    case File::Claim::Failed:
        return false;
    }
    const QRegularExpression name(QStringLiteral("^%1\\.([0-9]{12})\\.spool$").arg(QRegularExpression::escape(station)));
    std::vector<std::uint64_t> numbers;
    for (const QString &file : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = name.match(file);
        if (match.hasMatch() && match.captured(1).toULongLong() > 0)
            numbers.push_back(match.captured(1).toULongLong());
    }
    std::sort(numbers.begin(), numbers.end());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (!readSegment(numbers[i], i + 1 == numbers.size(), error))
            return false;
    }
    while (!m_pending.empty() && m_pending.front().seq <= m_settledThrough)
        m_pending.pop_front();
    if (m_segments.empty())
        return startSegment(error);
    return true;
}

bool ReadingSpool::readSegment(std::uint64_t segment, bool last, QString *error)
{
    File file;
    const QString path = segmentPath(segment);
    if (File::claim(path, &file, error) != File::Claim::Taken)
        return false;
    const std::optional<QByteArray> bytes = file.readAll(error);
    if (!bytes)
        return false;
    if (!bytes->startsWith(signature())) {
        *error = QStringLiteral("%1 is not a spool file; move it away").arg(path);
        return false;
    }
    qint64 at = sizeof kSignature;
    QString problem;
    bool torn = false;
    while (at < bytes->size()) {
        const files::CrcFrameRead frame = files::readCrcFrame(*bytes, at, kMaxBody);
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
            m_pending.push_back({seq, segment, at + kFrameHead + kReadingHead, frame.body.size() - kReadingHead});
        } else {
            m_settledThrough = std::max(m_settledThrough, seq);
            m_lastSeq = std::max(m_lastSeq, seq);
        }
        at += frame.size;
    }
    if (at < bytes->size()) {
        const qint64 lost = bytes->size() - at;
        QString note;
        if (torn && last) {
            note = QStringLiteral("the spool's last record was cut short (%1 bytes dropped)").arg(lost);
        } else {
            // The damaged part stays on disk for whoever wants to look at it.
            const QString copy =
                path + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            QFile::copy(path, copy);
            note = QStringLiteral("the spool file %1 is damaged at byte %2 (%3); the %4 bytes from there were set "
                                  "aside in %5")
                       .arg(path)
                       .arg(at)
                       .arg(problem)
                       .arg(lost)
                       .arg(copy);
        }
        m_recoveryNote += (m_recoveryNote.isEmpty() ? QString() : QStringLiteral("; ")) + note;
        if (!file.truncate(at, error))
            return false;
    }
    m_segments.emplace(segment, std::move(file));
    return true;
}

bool ReadingSpool::startSegment(QString *error)
{
    const std::uint64_t segment = m_segments.empty() ? 1 : m_segments.rbegin()->first + 1;
    File file;
    if (File::claim(segmentPath(segment), &file, error, true) != File::Claim::Taken)
        return false;
    // Begun with the seq reached, so the older files may go.
    if (!file.truncate(0, error)
        || !file.append(QByteArray(signature().data(), signature().size()) + files::crcFrame(body(kSettled, m_settledThrough)),
                        error))
        return false;
    m_segments.emplace(segment, std::move(file));
    return true;
}

bool ReadingSpool::append(QByteArrayView payload, QString *error)
{
    if (m_segments.rbegin()->second.size() >= m_segmentBytes && !startSegment(error))
        return false;
    auto &[segment, file] = *m_segments.rbegin();
    const std::uint64_t seq = m_lastSeq + 1;
    const qint64 at = file.size();
    if (!file.append(files::crcFrame(body(kReading, seq, payload)), error))
        return false;
    m_lastSeq = seq;
    m_pending.push_back({seq, segment, at + kFrameHead + kReadingHead, payload.size()});
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
    if (!m_segments.rbegin()->second.append(files::crcFrame(body(kSettled, m_settledThrough)), error))
        return false;
    // Older files whose every reading is settled go; the newest stays.
    const std::uint64_t keepFrom = m_pending.empty() ? m_segments.rbegin()->first : m_pending.front().segment;
    while (m_segments.begin()->first < keepFrom) {
        auto oldest = m_segments.begin();
        if (!oldest->second.remove(error))
            return false;
        m_segments.erase(oldest);
    }
    return true;
}

std::optional<QByteArray> ReadingSpool::payload(const Entry &entry, QString *error) const
{
    const auto it = m_segments.find(entry.segment);
    if (it == m_segments.end()) {
        *error = QStringLiteral("the spool file %1 is gone").arg(segmentPath(entry.segment));
        return std::nullopt;
    }
    return it->second.readAt(entry.offset, entry.size, error);
}

qint64 ReadingSpool::diskBytes() const
{
    qint64 total = 0;
    for (const auto &[segment, file] : m_segments)
        total += file.size();
    return total;
}

} // namespace publish
