#include "journal/log_journal.h"

#include "log/log_table_model.h"
#include "vorlant_version.h"

#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace logbook::journal {

QString programVersion()
{
    return QStringLiteral("vorlant ") + QLatin1String(kProgramVersion);
}

LogJournal::LogJournal(LogTableModel *model, const QString &folder, Hooks hooks, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_folder(folder)
    , m_hooks(std::move(hooks))
{
    m_syncTimer = new QTimer(this);
    m_syncTimer->setSingleShot(true);
    m_syncTimer->setInterval(kSyncIntervalMs);
    connect(m_syncTimer, &QTimer::timeout, this, &LogJournal::syncNow);
}

LogJournal::~LogJournal() = default;

bool LogJournal::layoutChanged() const
{
    return m_model->layoutRevision() != m_revision;
}

bool LogJournal::holdsReadings() const
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->reading(row))
            return true;
    }
    return false;
}

QByteArray LogJournal::snapshot()
{
    ClearedRecord cleared;
    cleared.partMode = m_hooks.partMode();
    cleared.tableRows = m_model->rowCount() + 1;
    for (int c = 0; c < kColumns; ++c)
        cleared.headers[c] = m_model->headerText(c);
    cleared.rejectMark = m_model->rejectMark();
    cleared.passMark = m_model->passMark();
    QByteArray rows;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        RowTexts texts;
        bool any = false;
        for (int c = 0; c < kColumns; ++c) {
            texts[c] = m_model->cell(row, c);
            any = any || !texts[c].isEmpty();
        }
        if (const reading::Reading *reading = m_model->reading(row)) {
            rows += encodeRecord(RowRecord{false, row + 1, m_model->latestJudgeResult(), texts, *reading});
        } else if (any) {
            cleared.rows.append({row + 1, texts});
        }
    }
    QByteArray out = encodeRecord(cleared) + rows;
    m_position = m_hooks.startPosition();
    if (m_position != 1)
        out += encodeRecord(StartPositionRecord{m_position});
    m_revision = m_model->layoutRevision();
    return out;
}

bool LogJournal::begin()
{
    QString error;
    const QByteArray start = encodeJournalStart(m_hooks.header()) + snapshot();
    m_file = files::LockedAppendFile::create(m_folder, start, &error);
    if (!m_file.isOpen()) {
        fail(error);
        return false;
    }
    m_syncTimer->start();
    return true;
}

bool LogJournal::append(const QByteArray &bytes)
{
    QString error;
    if (!m_file.append(bytes, &error)) {
        fail(error);
        return false;
    }
    if (!m_syncTimer->isActive())
        m_syncTimer->start();
    return true;
}

void LogJournal::fail(const QString &reason)
{
    m_failed = true;
    m_syncTimer->stop();
    emit failed(reason);
}

void LogJournal::rowWritten(int row, bool added)
{
    if (!enabled() || m_failed)
        return;
    // A new journal, or a changed layout, takes the whole table, this row included.
    if (!m_file.isOpen()) {
        begin();
        return;
    }
    if (layoutChanged()) {
        append(snapshot());
        return;
    }
    const reading::Reading *reading = m_model->reading(row - 1);
    if (!reading)
        return;
    RowRecord record{added, row, m_model->latestJudgeResult(), {}, *reading};
    for (int c = 0; c < kColumns; ++c)
        record.texts[c] = m_model->cell(row - 1, c);
    if (added)
        m_position = std::min(row + 1, kMaxRow);
    append(encodeRecord(record));
}

void LogJournal::startPositionSet(int position)
{
    if (position == m_position || !m_file.isOpen() || m_failed)
        return;
    m_position = position;
    append(encodeRecord(StartPositionRecord{position}));
}

void LogJournal::syncNow()
{
    m_syncTimer->stop();
    if (!m_file.isOpen() || m_failed)
        return;
    QString error;
    if (!m_file.sync(&error))
        fail(error);
}

void LogJournal::sync()
{
    if (!m_file.isOpen() || m_failed)
        return;
    if (layoutChanged() && !append(snapshot()))
        return;
    syncNow();
}

void LogJournal::clear()
{
    m_syncTimer->stop();
    if (m_file.isOpen()) {
        QString error;
        if (!m_file.remove(&error))
            std::fprintf(stderr, "vorlant: %s\n", qPrintable(error));
    }
    m_failed = false;
    m_position = 1;
}

void LogJournal::closeNormally()
{
    m_syncTimer->stop();
    if (!m_file.isOpen())
        return;
    QString error;
    if (!holdsReadings()) {
        m_file.remove(&error);
        return;
    }
    if (!m_failed) {
        if (layoutChanged())
            append(snapshot());
        if (!m_failed && append(encodeRecord(ClosedRecord{QDateTime::currentDateTime()})))
            syncNow();
    }
    m_file.close();
}

void LogJournal::adopt(files::LockedAppendFile &&file, qint64 goodBytes, int startPosition)
{
    m_syncTimer->stop();
    m_file = std::move(file);
    m_failed = false;
    m_revision = m_model->layoutRevision();
    m_position = startPosition;
    QString error;
    if (m_file.size() != goodBytes && !m_file.truncate(goodBytes, &error))
        fail(error);
}

} // namespace logbook::journal
