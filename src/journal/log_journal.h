#pragma once

#include "files/locked_append_file.h"
#include "journal/log_journal_format.h"

#include <QObject>
#include <QString>

#include <functional>

class LogTableModel;
class QTimer;

namespace logbook::journal {

// The program's version as journals record it.
QString programVersion();

// Keeps the journal of one log: each reading the log shows is appended as
// one record at once, so a crash of the program loses nothing; the data
// reach the disk at most a second later (and at once at the sync points), so
// a power cut loses at most the last second. The journal begins with the
// first row; a change of the table's layout (emptied, new headers, line
// names) is written before the next row. A failure is reported once, the log
// goes on in memory, and the next clear tries again.
class LogJournal : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSyncIntervalMs = 1000;

    struct Hooks
    {
        std::function<JournalHeader()> header; // for a journal begun now
        std::function<profiles::PartMode()> partMode;
        std::function<int()> startPosition; // where the next single-part row goes
    };

    // An empty `folder` keeps no journal.
    LogJournal(LogTableModel *model, const QString &folder, Hooks hooks, QObject *parent = nullptr);
    ~LogJournal() override;

    bool enabled() const { return !m_folder.isEmpty(); }
    const QString &folder() const { return m_folder; }
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.path(); }
    bool hasFailed() const { return m_failed; }

    // A reading was written into log row `row` (1 = first data row);
    // `added`: single part, where the start position moves on.
    void rowWritten(int row, bool added);
    // The start position now reads `position` (the user set it, or a row moved it).
    void startPositionSet(int position);
    // A sync point (recording stopped, an export): pending changes and the
    // data go to the disk now.
    void sync();
    // The user cleared the log: this journal goes, the next row begins a new one.
    void clear();
    // The program closes normally: the journal of an empty log goes; one with
    // rows is marked closed, synced and kept for the next start.
    void closeNormally();
    // Goes on with a journal whose rows the table now shows again: it is cut
    // to its sound prefix of `goodBytes` and written on from there.
    void adopt(files::LockedAppendFile &&file, qint64 goodBytes, int startPosition);

signals:
    // Writing stopped; `reason` says why. Once per failure.
    void failed(const QString &reason);

private:
    bool begin();
    bool append(const QByteArray &bytes);
    void fail(const QString &reason);
    // The table as it stands: its layout, every row with a reading, the start position.
    QByteArray snapshot();
    bool layoutChanged() const;
    void syncNow();
    bool holdsReadings() const;

    LogTableModel *m_model;
    QString m_folder;
    Hooks m_hooks;
    files::LockedAppendFile m_file;
    QTimer *m_syncTimer = nullptr;
    quint64 m_revision = 0;
    int m_position = 1; // the start position as the journal has it
    bool m_failed = false;
};

} // namespace logbook::journal
