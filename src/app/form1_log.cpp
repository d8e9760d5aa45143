// The measurement log on the window: rows from readings and the space bar,
// recording start and stop, clearing, and the table's two layouts. The
// table's rules are the log controller's; this binds them to the window's
// state.

#include "app/form1.h"

#include "journal/journal_controller.h"
#include "log/log_controller.h"
#include "log/log_table_model.h"
#include "sorting/sorting_controller.h"
#include "panel/drop_down.h"
#include "panel/handler_edge.h"
#include "panel/panel_field.h"
#include "panel/spin_edit.h"
#include "profiles/line_editor_controller.h"
#include "profiles/part_mode.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace {

bool toleranceOn(const QComboBox *tolerance)
{
    return !profiles::LineEditorController::toleranceOff(tolerance);
}

} // namespace

void TForm1::bindLogHandlers()
{
    connect(SP1, &QToolButton::clicked, this, panel::atEdge(this, &TForm1::SP1Click));
    connect(B5, &QToolButton::clicked, this, panel::atEdge(this, &TForm1::B5Click));
    connect(logController, &LogController::spaceBarPressed, this, panel::atEdge(this, &TForm1::FormKeyPressSpace));
}

void TForm1::appendLogRow()
{
    const QDateTime now = frameArrivalMs ? logClock.at(*frameArrivalMs) : logClock.now();
    logbook::LogRowSource source;
    source.primaryLetter = L_Prim_RLC->text();
    source.primaryValue = L_prim_n->text();
    source.secondaryLetter = L_Sec_RLC->text();
    source.secondaryValue = L_sec_n->text();
    source.settings = meterSettings;
    source.frequencyText = frequencyText;
    source.levelText = levelText;
    source.primaryToleranceOn = toleranceOn(CBox5);
    source.secondaryToleranceOn = toleranceOn(CBox51);
    source.judgeResult = judgeResult;
    source.primaryDeviation = primaryDeviation;
    source.secondaryDeviation = secondaryDeviation;
    source.time = now;

    reading::Reading reading;
    reading.time = now;
    reading.settings = meterSettings;
    reading.reading = rlcReading;
    reading.quantities = rlcQuantities;
    reading.primaryToleranceOn = source.primaryToleranceOn;
    reading.secondaryToleranceOn = source.secondaryToleranceOn;
    reading.judged = readingJudged && (source.primaryToleranceOn || source.secondaryToleranceOn);
    reading.judgeResult = judgeResult;
    reading.primaryDeviation = primaryDeviation;
    reading.secondaryDeviation = secondaryDeviation;
    reading.bin = sorting->latestBin();

    nextLogRow = logController->appendLogRow(source, reading) + 1;
    journalController->journal()->rowWritten(nextLogRow - 1, !logController->multiPart());
    sorting->rowWritten(reading.bin);
}

void TForm1::resetLogTable(int rows)
{
    logController->resetLogTable(rows);
}

void TForm1::showSinglePartHeaders()
{
    logController->showSinglePartHeaders();
}

void TForm1::prepareMultiPartLog()
{
    if (multiLogPrepared)
        return;
    logController->showMultiPartHeaders();
    // Lines are not added or removed while their rows are being measured.
    Button_Add->setEnabled(false);
    Button_DEL->setEnabled(false);
    resetLogTable(lineCount + 1);
    if (loadSettings())
        SB3->setEnabled(true);
    QStringList names;
    for (int i = 0; i < CBox6->count(); ++i)
        names << CBox6->itemText(i);
    logController->showLineRows(lineCount, names);
    multiLogPrepared = true;
}

void TForm1::selectGridCell(int row, int column)
{
    logController->selectGridCell(row, column);
}

void TForm1::SP1Click()
{
    if (SP1->isChecked() && profiles::isMultiPart(CBox10->currentIndex()))
        prepareMultiPartLog();
    logController->showRecordingState();
    if (!SP1->isChecked())
        journalController->journal()->sync();
}

void TForm1::B5Click()
{
    logController->stopRecording();
    resetLogTable(LogController::kSinglePartTableRows);
    // The user emptied the log: its journal goes too.
    journalController->journal()->clear();
}

void TForm1::FormKeyPressSpace()
{
    if (frameHold.holdFrames() != 0 || SP1->isChecked() || !meterConnected)
        return;
    if (profiles::isMultiPart(CBox10->currentIndex()))
        prepareMultiPartLog();
    appendLogRow();
}
