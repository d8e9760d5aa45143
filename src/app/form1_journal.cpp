// The log's journal on the window: every row the log shows goes to it, and
// a log that a former run left behind is offered back once the window shows.

#include "app/form1.h"

#include "app/message_box.h"
#include "i18n/lang_man_engine.h"
#include "journal/journal_controller.h"
#include "log/log_controller.h"
#include "journal/log_journal_image.h"
#include "profiles/part_mode.h"
#include "log/log_table_model.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"

#include <QDateTime>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <cstdio>

void TForm1::createJournal()
{
    auto partMode = [this] { return profiles::partModeOfItem(CBox10->currentIndex()); };
    logbook::journal::LogJournal::Hooks hooks{
        [this, partMode] {
            logbook::journal::JournalHeader header;
            header.programVersion = logbook::journal::programVersion();
            header.startTime = QDateTime::currentDateTime();
            header.language = LangMan ? LangMan->CurrentLanguage() : QString();
            header.partMode = partMode();
            return header;
        },
        partMode,
        [this] { return logController->startPosition(); },
    };
    journalController = new JournalController(this, logModel, options.stateFolder, std::move(hooks),
                                              [this](const logbook::journal::LogImage &image) { restoreLog(image); },
                                              this);
    if (options.lexiconTranslator)
        journalController->Djournal.setLangManEngine(options.lexiconTranslator);

    // The user moved the start position (a row's own move is in its record).
    connect(SE1, &QSpinBox::valueChanged, journalController,
            [this] { journalController->journal()->startPositionSet(logController->startPosition()); });
    connect(journalController, &JournalController::message, this,
            [this](const QString &caption, const QString &text) { app::showMessage(this, caption, text); });
    connect(journalController, &JournalController::warning, this, [this](const QString &text) {
        // The log goes on in memory; said once, where the link's news go.
        Memo1->appendPlainText(text);
        std::fprintf(stderr, "vorlant: %s\n", qPrintable(text));
        std::fflush(stderr);
    });
}

void TForm1::offerLogRestore()
{
    journalController->offerRestore();
}

void TForm1::restoreLog(const logbook::journal::LogImage &image)
{
    logController->stopRecording();
    if (image.partMode == profiles::PartMode::MultiPart) {
        // As if the rows had been recorded in this run: measuring layout
        // prepared, lines neither added nor removed, no clearing.
        CBox10->setCurrentIndex(int(profiles::PartMode::MultiPart));
        Button_Add->setEnabled(false);
        Button_DEL->setEnabled(false);
        B5->setEnabled(false);
        multiLogPrepared = true;
    }
    logbook::journal::applyLogImage(*logModel, image);
    SE1->setValue(image.startPosition);
    nextLogRow = image.lastRow + 1;
}
