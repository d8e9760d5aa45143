#include "journal/journal_controller.h"

#include "export/reading_csv.h"

#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>

using namespace logbook::journal;

namespace {

i18n::TDesignedLexicon makeJournalLexicon()
{
    return i18n::TDesignedLexicon(
        QStringLiteral("Djournal"), QStringLiteral("Form1"),
        {
            QStringLiteral("Журнал записи"),
            QStringLiteral("Последний журнал содержит строк: %1 (с %2), запись прервалась. Восстановить их?"),
            QStringLiteral("Последний журнал содержит строк: %1 (с %2), он закрыт вместе с программой. "
                           "Восстановить их?"),
            QStringLiteral("Восстановлено строк: %1; остальная часть журнала повреждена."),
            QStringLiteral("Строки сохранены в файл %1"),
            QStringLiteral("Не удалось сохранить строки в %1: %2. Журнал остаётся в %3"),
            QStringLiteral("Журнал записи не ведётся (%1): строки хранятся только в памяти. "
                           "Новая попытка будет при очистке."),
            QStringLiteral("Сохранено строк: %1; остальная часть журнала повреждена."),
        });
}

bool askWithBox(QWidget *parent, const QString &caption, const QString &question)
{
    QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

JournalController::JournalController(QWidget *window, LogTableModel *model, const QString &stateFolder,
                                     LogJournal::Hooks hooks, Restorer restorer, QObject *parent)
    : QObject(parent)
    , Djournal(makeJournalLexicon())
    , m_window(window)
    , m_stateFolder(stateFolder)
    , m_restorer(std::move(restorer))
    , m_asker(askWithBox)
{
    m_journal = new LogJournal(model, journalFolder(), std::move(hooks), this);
    connect(m_journal, &LogJournal::failed, this,
            [this](const QString &reason) { emit warning(Djournal.GetItem(JournalFailed).arg(reason)); });
}

QString JournalController::journalFolder() const
{
    return m_stateFolder.isEmpty() ? QString() : m_stateFolder + QStringLiteral("/journal");
}

QString JournalController::recoveredFolder() const
{
    return m_stateFolder.isEmpty() ? QString() : m_stateFolder + QStringLiteral("/recovered");
}

void JournalController::setAsker(Asker asker)
{
    m_asker = asker ? std::move(asker) : Asker(askWithBox);
}

void JournalController::offerRestore()
{
    if (m_stateFolder.isEmpty())
        return;
    for (const QString &path : files::journalPaths(journalFolder())) {
        files::LockedAppendFile file;
        QString error;
        // Held by a running program, or not ours to read: not offered.
        if (files::LockedAppendFile::claim(path, &file, &error) != files::LockedAppendFile::Claim::Taken)
            continue;
        const std::optional<QByteArray> bytes = file.readAll(&error);
        if (!bytes)
            continue;
        RestoredJournal restored = restoreJournal(*bytes);
        // A file that is no journal of ours is left as it is.
        if (restored.summary.status == ReadStatus::NotAJournal)
            continue;
        if (restored.image.readingRows == 0) {
            file.remove(&error);
            continue;
        }

        const QLocale locale;
        const QString question =
            Djournal.GetItem(restored.image.closed ? AskAfterClose : AskAfterCrash)
                .arg(locale.toString(restored.image.readingRows),
                     restored.summary.header->startTime.toString(QStringLiteral("dd.MM.yy HH:mm")));
        const bool damaged = restored.summary.status != ReadStatus::Complete;
        if (m_asker(m_window, Djournal.GetItem(Caption), question)) {
            m_restorer(restored.image);
            const std::int32_t position = restored.image.startPosition;
            m_journal->adopt(std::move(file), restored.summary.goodBytes, position);
            if (damaged)
                emit message(Djournal.GetItem(Caption),
                             Djournal.GetItem(RestoredDamaged).arg(locale.toString(restored.image.readingRows)));
        } else {
            saveAsCsv(file, restored);
        }
        // One log per start; any other waits for the next.
        return;
    }
}

void JournalController::saveAsCsv(files::LockedAppendFile &file, const RestoredJournal &restored)
{
    const auto rows = readingsOf(restored.image);
    const QString name = QFileInfo(file.path()).completeBaseName() + QStringLiteral(".csv");
    const QString target = recoveredFolder() + QLatin1Char('/') + name;
    QString error;
    const bool saved = files::ensurePrivateFolder(recoveredFolder(), &error)
                       && writeCsvFile(
                           target, std::int64_t(rows.size()),
                           [&](std::int64_t i) {
                               const auto &[row, reading] = rows[std::size_t(i)];
                               return csvLine(*reading, row);
                           },
                           &error);
    QString text;
    if (saved) {
        // The rows are safe in the CSV: the journal has done its work.
        const QString journal = file.path();
        if (!file.remove(&error))
            std::fprintf(stderr, "vorlant: %s\n", qPrintable(error));
        text = Djournal.GetItem(SavedTo).arg(target);
        if (restored.summary.status != ReadStatus::Complete)
            text += QLatin1Char('\n') + Djournal.GetItem(SavedDamaged).arg(QLocale().toString(int(rows.size())));
    } else {
        text = Djournal.GetItem(SaveFailed).arg(target, error, file.path());
        file.close();
    }
    emit message(Djournal.GetItem(Caption), text);
}
