#pragma once

#include "journal/log_journal_format.h"

#include <QByteArrayView>

#include <optional>
#include <vector>

class LogTableModel;

// The log as a journal leaves it: what replaying its records gives, and how
// that goes back into the table and into a CSV.
namespace logbook::journal {

struct LogImage
{
    struct Row
    {
        RowTexts texts;
        std::optional<reading::Reading> reading;
    };

    profiles::PartMode partMode = profiles::PartMode::SinglePart;
    std::int32_t tableRows = 16; // header row included
    RowTexts headers;
    QString rejectMark = QStringLiteral("+");
    QString passMark = QStringLiteral("-");
    std::vector<Row> rows; // log row r at index r - 1; tableRows - 1 of them
    std::int32_t startPosition = 1;
    std::int32_t latestJudgeResult = 0;
    std::int32_t lastRow = 0;  // the row written last (0: none)
    int readingRows = 0;       // rows that hold a reading
    bool closed = false;       // the last record says the program was closed normally

    LogImage();
    void apply(JournalRecord &&record);
};

struct RestoredJournal
{
    ReadSummary summary;
    LogImage image;
};

// Replays a journal's sound records; never throws on any input.
RestoredJournal restoreJournal(QByteArrayView bytes);

// Puts the image into the table: rows, texts, readings, headers and marks,
// and the verdict the deviation cells are coloured by.
void applyLogImage(LogTableModel &model, const LogImage &image);

// The rows with readings in row order, as (row number, reading).
std::vector<std::pair<std::int32_t, const reading::Reading *>> readingsOf(const LogImage &image);

} // namespace logbook::journal
