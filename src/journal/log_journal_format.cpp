// The log journal file. It is only ever appended to, one whole record per
// write, so whatever a crash leaves behind is a run of sound records followed
// at most by one record cut short.
//
//   signature   8 bytes "VLJOURNL"
//   records     back to back, the header record first
//
// Every record is framed the same way:
//
//   u32 N       length of the body
//   body        N bytes: u8 kind, then the kind's fields
//   u32 CRC     zlib's CRC-32 over the four length bytes and the body
//
// so a torn record (fewer bytes than N + 8 left) and a damaged one (CRC
// mismatch, an unknown kind, fields that do not fill the body exactly) are
// told apart from sound ones. Reading stops at the first such record; the
// bytes before it are the sound prefix, where a writer goes on.
//
// Fields are little-endian. A string is u32 byte count + UTF-8; a time is
// i64 milliseconds since 1970 UTC + i32 seconds ahead of UTC (its local
// offset); a double is its IEEE-754 bits as u64; a row's texts are ten
// strings, columns 0..9.
//
//   kind 1 header       u16 format version (1), string program version,
//                       time the journal began, string interface language,
//                       u8 part mode (0 single part, 1 multi part)
//   kind 2 cleared      u8 part mode, i32 table rows (header row included),
//                       ten header strings, string reject mark, string pass
//                       mark, u32 count, count x (i32 row, ten strings): rows
//                       that hold texts but no reading (line numbers and names)
//   kind 3 row added    i32 row, i32 latest verdict, ten strings, reading;
//                       the start position moves to the row after it
//   kind 4 row written  the same, written over its line's row (multi part)
//   kind 5 start position  i32 position the user set
//   kind 6 closed       time: the program was closed with the log as it is
//
//   reading: time, 14 bytes MeterSettings (the profile file's layout), i32
//   test frequency Hz, doubles Rs Xs Rp Xp Z L C D Q phase, u8 flags (bit 0
//   primary tolerance on, bit 1 secondary on, bit 2 judged), i32 verdict,
//   doubles primary and secondary deviation (percent).
//
// Example, the start position set to 10:
//   05 00 00 00  05 0A 00 00 00  F5 3E C3 0B
//   length 5     kind 5, 10      CRC-32 of the nine bytes before it
//
// A record longer than kMaxBody is taken as damaged. A header with a newer
// format version is not read.

#include "journal/log_journal_format.h"

#include "files/crc_frames.h"
#include "protocol/le_bytes.h"

#include <bit>
#include <cstring>

namespace logbook::journal {

namespace {

constexpr char kSignature[8] = {'V', 'L', 'J', 'O', 'U', 'R', 'N', 'L'};
constexpr std::uint32_t kMaxBody = 64u << 20;

enum Kind : std::uint8_t {
    KindHeader = 1,
    KindCleared = 2,
    KindRowAdded = 3,
    KindRowWritten = 4,
    KindStartPosition = 5,
    KindClosed = 6,
};

// Appends little-endian fields to a record body.
class Writer
{
public:
    void u8(std::uint8_t v) { m_out.append(char(v)); }
    void u16(std::uint16_t v)
    {
        std::array<std::uint8_t, 2> b{};
        protocol::le::write16(b, 0, v);
        m_out.append(reinterpret_cast<const char *>(b.data()), 2);
    }
    void u32(std::uint32_t v)
    {
        std::array<std::uint8_t, 4> b{};
        protocol::le::write32(b, 0, v);
        m_out.append(reinterpret_cast<const char *>(b.data()), 4);
    }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void u64(std::uint64_t v)
    {
        u32(std::uint32_t(v));
        u32(std::uint32_t(v >> 32));
    }
    void f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }
    void string(const QString &s)
    {
        const QByteArray utf8 = s.toUtf8();
        u32(std::uint32_t(utf8.size()));
        m_out.append(utf8);
    }
    void time(const QDateTime &t)
    {
        const bool valid = t.isValid();
        u64(std::uint64_t(valid ? t.toMSecsSinceEpoch() : 0));
        i32(valid ? t.offsetFromUtc() : 0);
    }
    void texts(const RowTexts &texts)
    {
        for (const QString &t : texts)
            string(t);
    }
    void bytes(const std::uint8_t *data, std::size_t size) { m_out.append(reinterpret_cast<const char *>(data), qsizetype(size)); }

    QByteArray &out() { return m_out; }

private:
    QByteArray m_out;
};

// Reads fields from a record body; after the first overrun every read
// answers zero and ok() stays false.
class Reader
{
public:
    explicit Reader(QByteArrayView body)
        : m_bytes(reinterpret_cast<const std::uint8_t *>(body.data()), std::size_t(body.size()))
    {
    }

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_bytes.size(); }

    std::uint8_t u8()
    {
        if (!take(1))
            return 0;
        return m_bytes[m_at - 1];
    }
    std::uint16_t u16() { return take(2) ? protocol::le::read16(m_bytes, m_at - 2) : 0; }
    std::uint32_t u32() { return take(4) ? protocol::le::read32(m_bytes, m_at - 4) : 0; }
    std::int32_t i32() { return std::int32_t(u32()); }
    std::uint64_t u64()
    {
        const std::uint64_t low = u32();
        return low | std::uint64_t(u32()) << 32;
    }
    double f64() { return std::bit_cast<double>(u64()); }
    QString string()
    {
        const std::uint32_t size = u32();
        if (!take(size))
            return {};
        return QString::fromUtf8(reinterpret_cast<const char *>(m_bytes.data() + m_at - size), qsizetype(size));
    }
    QDateTime time()
    {
        const auto ms = std::int64_t(u64());
        const std::int32_t offset = i32();
        // Offsets beyond a day are no local time.
        if (offset < -86400 || offset > 86400) {
            m_ok = false;
            return {};
        }
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset);
    }
    RowTexts texts()
    {
        RowTexts out;
        for (QString &t : out)
            t = string();
        return out;
    }
    const std::uint8_t *bytes(std::size_t size) { return take(size) ? m_bytes.data() + m_at - size : nullptr; }
    void fail() { m_ok = false; }

private:
    bool take(std::size_t size)
    {
        if (!m_ok || m_bytes.size() - m_at < size) {
            m_ok = false;
            return false;
        }
        m_at += size;
        return true;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
    bool m_ok = true;
};

void writeReading(Writer &w, const reading::Reading &r)
{
    w.time(r.time);
    const auto settings = r.settings.toBytes();
    w.bytes(settings.data(), settings.size());
    w.i32(r.reading.frequencyHz);
    for (double v : {r.reading.seriesResistance, r.reading.seriesReactance, r.reading.parallelResistance,
                     r.reading.parallelReactance, r.quantities.impedance, r.quantities.inductance,
                     r.quantities.capacitance, r.quantities.dissipation, r.quantities.quality,
                     r.quantities.phaseDegrees})
        w.f64(v);
    w.u8(std::uint8_t((r.primaryToleranceOn ? 1 : 0) | (r.secondaryToleranceOn ? 2 : 0) | (r.judged ? 4 : 0)));
    w.i32(r.judgeResult);
    w.f64(r.primaryDeviation);
    w.f64(r.secondaryDeviation);
}

reading::Reading readReading(Reader &in)
{
    reading::Reading r;
    r.time = in.time();
    if (const std::uint8_t *settings = in.bytes(protocol::MeterSettings::kSize))
        r.settings = protocol::MeterSettings::fromBytes(std::span<const std::uint8_t, protocol::MeterSettings::kSize>(
            settings, protocol::MeterSettings::kSize));
    r.reading.frequencyHz = in.i32();
    for (double *v : {&r.reading.seriesResistance, &r.reading.seriesReactance, &r.reading.parallelResistance,
                      &r.reading.parallelReactance, &r.quantities.impedance, &r.quantities.inductance,
                      &r.quantities.capacitance, &r.quantities.dissipation, &r.quantities.quality,
                      &r.quantities.phaseDegrees})
        *v = in.f64();
    const std::uint8_t flags = in.u8();
    if (flags > 7)
        in.fail();
    r.primaryToleranceOn = flags & 1;
    r.secondaryToleranceOn = flags & 2;
    r.judged = flags & 4;
    r.judgeResult = in.i32();
    r.primaryDeviation = in.f64();
    r.secondaryDeviation = in.f64();
    return r;
}

bool validPartMode(std::uint8_t mode)
{
    return mode <= std::uint8_t(profiles::PartMode::MultiPart);
}

bool validRow(std::int32_t row)
{
    return row >= 1 && row <= kMaxRow;
}

// One body to a record; nullopt when it makes no sense.
std::optional<JournalRecord> parseBody(Reader &in, std::uint8_t kind)
{
    JournalRecord record;
    switch (kind) {
    case KindCleared: {
        ClearedRecord c;
        const std::uint8_t mode = in.u8();
        if (!validPartMode(mode))
            return std::nullopt;
        c.partMode = profiles::PartMode(mode);
        c.tableRows = in.i32();
        if (c.tableRows < 1 || c.tableRows > kMaxRow + 1)
            return std::nullopt;
        c.headers = in.texts();
        c.rejectMark = in.string();
        c.passMark = in.string();
        const std::uint32_t count = in.u32();
        // Each listed row takes at least 44 bytes, so a huge count runs out of
        // body long before it runs out of memory.
        for (std::uint32_t i = 0; i < count && in.ok(); ++i) {
            const std::int32_t row = in.i32();
            if (!validRow(row) || row >= c.tableRows)
                return std::nullopt;
            c.rows.append({row, in.texts()});
        }
        record = std::move(c);
        break;
    }
    case KindRowAdded:
    case KindRowWritten: {
        RowRecord r;
        r.added = kind == KindRowAdded;
        r.row = in.i32();
        if (!validRow(r.row))
            return std::nullopt;
        r.latestJudgeResult = in.i32();
        r.texts = in.texts();
        r.reading = readReading(in);
        record = std::move(r);
        break;
    }
    case KindStartPosition: {
        const std::int32_t position = in.i32();
        if (!validRow(position))
            return std::nullopt;
        record = StartPositionRecord{position};
        break;
    }
    case KindClosed:
        record = ClosedRecord{in.time()};
        break;
    default:
        return std::nullopt;
    }
    if (!in.ok() || !in.atEnd())
        return std::nullopt;
    return record;
}

std::optional<JournalHeader> parseHeader(Reader &in)
{
    JournalHeader h;
    h.formatVersion = in.u16();
    if (h.formatVersion != kFormatVersion)
        return std::nullopt;
    h.programVersion = in.string();
    h.startTime = in.time();
    h.language = in.string();
    const std::uint8_t mode = in.u8();
    if (!in.ok() || !in.atEnd() || !validPartMode(mode))
        return std::nullopt;
    h.partMode = profiles::PartMode(mode);
    return h;
}

} // namespace

bool sameReading(const reading::Reading &a, const reading::Reading &b)
{
    auto same = [](double x, double y) { return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y); };
    return a.time == b.time && a.time.offsetFromUtc() == b.time.offsetFromUtc() && a.settings == b.settings
           && a.reading.frequencyHz == b.reading.frequencyHz
           && same(a.reading.seriesResistance, b.reading.seriesResistance)
           && same(a.reading.seriesReactance, b.reading.seriesReactance)
           && same(a.reading.parallelResistance, b.reading.parallelResistance)
           && same(a.reading.parallelReactance, b.reading.parallelReactance)
           && same(a.quantities.impedance, b.quantities.impedance)
           && same(a.quantities.inductance, b.quantities.inductance)
           && same(a.quantities.capacitance, b.quantities.capacitance)
           && same(a.quantities.dissipation, b.quantities.dissipation)
           && same(a.quantities.quality, b.quantities.quality)
           && same(a.quantities.phaseDegrees, b.quantities.phaseDegrees)
           && a.primaryToleranceOn == b.primaryToleranceOn && a.secondaryToleranceOn == b.secondaryToleranceOn
           && a.judged == b.judged && a.judgeResult == b.judgeResult
           && same(a.primaryDeviation, b.primaryDeviation) && same(a.secondaryDeviation, b.secondaryDeviation);
}

bool operator==(const RowRecord &a, const RowRecord &b)
{
    return a.added == b.added && a.row == b.row && a.latestJudgeResult == b.latestJudgeResult && a.texts == b.texts
           && sameReading(a.reading, b.reading);
}

QByteArray encodeJournalStart(const JournalHeader &header)
{
    Writer w;
    w.u8(KindHeader);
    w.u16(header.formatVersion);
    w.string(header.programVersion);
    w.time(header.startTime);
    w.string(header.language);
    w.u8(std::uint8_t(header.partMode));
    return QByteArray(kSignature, sizeof kSignature) + files::crcFrame(w.out());
}

QByteArray encodeRecord(const JournalRecord &record)
{
    Writer w;
    if (const auto *c = std::get_if<ClearedRecord>(&record)) {
        w.u8(KindCleared);
        w.u8(std::uint8_t(c->partMode));
        w.i32(c->tableRows);
        w.texts(c->headers);
        w.string(c->rejectMark);
        w.string(c->passMark);
        w.u32(std::uint32_t(c->rows.size()));
        for (const auto &[row, texts] : c->rows) {
            w.i32(row);
            w.texts(texts);
        }
    } else if (const auto *r = std::get_if<RowRecord>(&record)) {
        w.u8(r->added ? KindRowAdded : KindRowWritten);
        w.i32(r->row);
        w.i32(r->latestJudgeResult);
        w.texts(r->texts);
        writeReading(w, r->reading);
    } else if (const auto *p = std::get_if<StartPositionRecord>(&record)) {
        w.u8(KindStartPosition);
        w.i32(p->position);
    } else {
        w.u8(KindClosed);
        w.time(std::get<ClosedRecord>(record).time);
    }
    return files::crcFrame(w.out());
}

ReadSummary readJournal(QByteArrayView bytes, const std::function<void(JournalRecord &&)> &sink)
{
    ReadSummary summary;
    if (bytes.size() < qsizetype(sizeof kSignature)
        || std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0) {
        summary.problem = QStringLiteral("no journal signature");
        return summary;
    }
    qint64 at = sizeof kSignature;
    bool first = true;
    while (at < bytes.size()) {
        const files::CrcFrameRead frame = files::readCrcFrame(bytes, at, kMaxBody);
        ReadStatus broken = frame.status == files::CrcFrameRead::Status::Torn ? ReadStatus::Truncated
                                                                              : ReadStatus::Damaged;
        QString problem = frame.problem;
        if (frame.status == files::CrcFrameRead::Status::Whole) {
            Reader in(frame.body.sliced(1));
            const auto kind = std::uint8_t(frame.body.front());
            if (first) {
                if (kind == KindHeader)
                    summary.header = parseHeader(in);
                if (!summary.header) {
                    summary.problem = QStringLiteral("no readable header");
                    return summary;
                }
                first = false;
            } else if (std::optional<JournalRecord> record = parseBody(in, kind)) {
                ++summary.records;
                sink(std::move(*record));
            } else {
                problem = QStringLiteral("record of kind %1 makes no sense").arg(kind);
            }
            if (problem.isEmpty()) {
                at += frame.size;
                summary.goodBytes = at;
                continue;
            }
        }
        if (first) {
            summary.problem = QStringLiteral("no readable header: ") + problem;
            return summary;
        }
        summary.status = broken;
        summary.problem = problem;
        return summary;
    }
    if (first) {
        summary.problem = QStringLiteral("no header");
        return summary;
    }
    summary.status = ReadStatus::Complete;
    return summary;
}

ReadResult readJournal(QByteArrayView bytes)
{
    ReadResult result;
    result.summary = readJournal(bytes, [&](JournalRecord &&record) { result.records.append(std::move(record)); });
    return result;
}

} // namespace logbook::journal
