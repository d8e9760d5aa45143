#pragma once

#include "profiles/part_mode.h"
#include "reading/reading.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <variant>

// The journal of the measurement log: every change of the log appended to a
// file as it happens, so that the rows survive a crash. The byte layout is
// described in log_journal_format.cpp; here are the records as values and the
// pure functions that turn them into bytes and back.
namespace logbook::journal {

inline constexpr std::uint16_t kFormatVersion = 1;
inline constexpr int kColumns = 10;
// The largest row number the log has (its data rows are 1..100000).
inline constexpr std::int32_t kMaxRow = 100000;

using RowTexts = std::array<QString, kColumns>;

// First record of every journal.
struct JournalHeader
{
    std::uint16_t formatVersion = kFormatVersion;
    QString programVersion;
    QDateTime startTime; // when the journal was begun
    QString language;    // the interface language the texts are in
    profiles::PartMode partMode = profiles::PartMode::SinglePart;

    bool operator==(const JournalHeader &) const = default;
};

// The log was emptied or laid out anew: every row empty, `tableRows` rows
// (header included), these headers and marks, and the listed rows holding
// texts without a reading (multi part: line numbers and names).
struct ClearedRecord
{
    profiles::PartMode partMode = profiles::PartMode::SinglePart;
    std::int32_t tableRows = 16;
    RowTexts headers;
    QString rejectMark;
    QString passMark;
    QList<std::pair<std::int32_t, RowTexts>> rows; // row number (1 = first data row), texts

    bool operator==(const ClearedRecord &) const = default;
};

// A reading written as row `row`: every text of the row as it then stood,
// the reading behind it and the verdict the deviation cells were coloured by.
// `added` (single part) moves the start position to the row after it;
// otherwise the row was overwritten at its line (multi part).
struct RowRecord
{
    bool added = true;
    std::int32_t row = 1;
    std::int32_t latestJudgeResult = 0;
    RowTexts texts;
    reading::Reading reading;

    // Readings compare bit for bit, times with their offsets.
    friend bool operator==(const RowRecord &a, const RowRecord &b);
};

// The user set the start position.
struct StartPositionRecord
{
    std::int32_t position = 1;

    bool operator==(const StartPositionRecord &) const = default;
};

// The program was closed normally with these rows in the log.
struct ClosedRecord
{
    QDateTime time;

    bool operator==(const ClosedRecord &) const = default;
};

using JournalRecord = std::variant<ClearedRecord, RowRecord, StartPositionRecord, ClosedRecord>;

// Bit for bit, so that a NaN or a negative zero counts as kept; times with their offsets.
bool sameReading(const reading::Reading &a, const reading::Reading &b);

// The file's first bytes: the signature and the header record.
QByteArray encodeJournalStart(const JournalHeader &header);
// One record, framed with its length and CRC-32, ready for one write.
QByteArray encodeRecord(const JournalRecord &record);

enum class ReadStatus {
    Complete,   // every byte belongs to a whole, sound record
    Truncated,  // the last record ends early (a write cut short)
    Damaged,    // a record fails its check or makes no sense
    NotAJournal // no signature or no readable header
};

struct ReadSummary
{
    ReadStatus status = ReadStatus::NotAJournal;
    std::optional<JournalHeader> header;
    qint64 goodBytes = 0; // the sound prefix: where the next record belongs
    int records = 0;      // records handed on, header excluded
    QString problem;      // what was wrong at goodBytes, for messages and tests
};

// Reads `bytes` as a journal, handing each sound record to `sink` in order,
// and stops at the first record that is cut short or damaged. Never throws
// on any input.
ReadSummary readJournal(QByteArrayView bytes, const std::function<void(JournalRecord &&)> &sink);

// The same, collecting the records (for tests and tools; a long journal is
// better replayed through the sink).
struct ReadResult
{
    ReadSummary summary;
    QList<JournalRecord> records;
};
ReadResult readJournal(QByteArrayView bytes);

} // namespace logbook::journal
