#pragma once

#include "i18n/designed_lexicon.h"
#include "journal/log_journal.h"
#include "journal/log_journal_image.h"

#include <QObject>
#include <QString>

#include <functional>

class LogTableModel;
class QWidget;

// The log's journal on the window: keeps it while rows come, and at start-up
// offers the log a program left behind: Yes puts its rows back and goes on
// writing the same journal, No saves them as CSV in the recovered folder.
class JournalController : public QObject
{
    Q_OBJECT

public:
    // Asks a yes-or-no question; true for yes.
    using Asker = std::function<bool(QWidget *parent, const QString &caption, const QString &question)>;
    // Puts a restored log on the window (table, part mode, start position).
    using Restorer = std::function<void(const logbook::journal::LogImage &image)>;

    // Texts of the question and the messages ("Form1.Djournal" in a language file).
    enum Item : int {
        Caption = 0,
        AskAfterCrash,  // %1 rows, %2 start time
        AskAfterClose,
        RestoredDamaged, // %1 rows
        SavedTo,         // %1 file
        SaveFailed,      // %1 file, %2 reason, %3 journal
        JournalFailed,   // %1 reason
        SavedDamaged,    // %1 rows
    };

    // `stateFolder` holds the journal/ and recovered/ folders; empty: no journal.
    JournalController(QWidget *window, LogTableModel *model, const QString &stateFolder,
                      logbook::journal::LogJournal::Hooks hooks, Restorer restorer, QObject *parent = nullptr);

    i18n::TDesignedLexicon Djournal;

    logbook::journal::LogJournal *journal() const { return m_journal; }
    QString journalFolder() const;
    QString recoveredFolder() const;
    void setAsker(Asker asker);

    // Once the window is on the screen: offers the newest journal that no
    // running program holds and that has rows. Journals of empty logs left
    // behind are removed on the way.
    void offerRestore();

signals:
    // A message box's caption and text.
    void message(const QString &caption, const QString &text);
    // One line for the status memo: the journal stopped.
    void warning(const QString &text);

private:
    void saveAsCsv(files::LockedAppendFile &file, const logbook::journal::RestoredJournal &restored);

    QWidget *m_window;
    QString m_stateFolder;
    logbook::journal::LogJournal *m_journal;
    Restorer m_restorer;
    Asker m_asker;
};
