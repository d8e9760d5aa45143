#include "journal/log_journal_image.h"

#include "log/log_table_model.h"

#include <algorithm>

namespace logbook::journal {

LogImage::LogImage()
    : rows(std::size_t(tableRows - 1))
{
}

void LogImage::apply(JournalRecord &&record)
{
    closed = false;
    if (auto *cleared = std::get_if<ClearedRecord>(&record)) {
        partMode = cleared->partMode;
        tableRows = cleared->tableRows;
        headers = std::move(cleared->headers);
        rejectMark = std::move(cleared->rejectMark);
        passMark = std::move(cleared->passMark);
        rows.assign(std::size_t(tableRows - 1), Row{});
        for (auto &[row, texts] : cleared->rows)
            rows[std::size_t(row - 1)].texts = std::move(texts);
        startPosition = 1;
        lastRow = 0;
        readingRows = 0;
    } else if (auto *written = std::get_if<RowRecord>(&record)) {
        const auto at = std::size_t(written->row - 1);
        if (rows.size() <= at) {
            rows.resize(at + 1);
            tableRows = written->row + 1;
        }
        Row &row = rows[at];
        if (!row.reading)
            ++readingRows;
        row.texts = std::move(written->texts);
        // Most columns repeat from row to row: one copy serves them all.
        if (at > 0) {
            const RowTexts &above = rows[at - 1].texts;
            for (int c = 0; c < kColumns; ++c) {
                if (row.texts[c] == above[c])
                    row.texts[c] = above[c];
            }
        }
        row.reading = std::move(written->reading);
        latestJudgeResult = written->latestJudgeResult;
        lastRow = written->row;
        if (written->added)
            startPosition = std::min(written->row + 1, kMaxRow);
    } else if (const auto *position = std::get_if<StartPositionRecord>(&record)) {
        startPosition = position->position;
    } else {
        closed = true;
    }
}

RestoredJournal restoreJournal(QByteArrayView bytes)
{
    RestoredJournal restored;
    restored.summary = readJournal(bytes, [&](JournalRecord &&record) { restored.image.apply(std::move(record)); });
    return restored;
}

void applyLogImage(LogTableModel &model, const LogImage &image)
{
    model.setRowCount(0);
    model.setRowCount(int(image.rows.size()));
    for (int c = 0; c < kColumns; ++c)
        model.setHeaderText(c, image.headers[c]);
    model.setMarks(image.rejectMark, image.passMark);
    model.setLatestJudgeResult(image.latestJudgeResult);
    for (std::size_t i = 0; i < image.rows.size(); ++i) {
        const LogImage::Row &row = image.rows[i];
        if (row.reading) {
            LogTableModel::Cells cells;
            for (int c = 0; c < kColumns; ++c)
                cells[c] = row.texts[c];
            model.writeRow(int(i), cells, *row.reading);
        } else {
            for (int c = 0; c < kColumns; ++c) {
                if (!row.texts[c].isEmpty())
                    model.setCell(int(i), c, row.texts[c]);
            }
        }
    }
}

std::vector<std::pair<std::int32_t, const reading::Reading *>> readingsOf(const LogImage &image)
{
    std::vector<std::pair<std::int32_t, const reading::Reading *>> out;
    out.reserve(std::size_t(image.readingRows));
    for (std::size_t i = 0; i < image.rows.size(); ++i) {
        if (image.rows[i].reading)
            out.emplace_back(std::int32_t(i + 1), &*image.rows[i].reading);
    }
    return out;
}

} // namespace logbook::journal
