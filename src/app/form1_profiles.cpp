// Profiles and tolerance sorting on the window: the line editor and the
// profiles controller get the controls and the window's state they work on,
// and the verdict on each RLCD reading comes from the line editor.

#include "app/form1.h"

#include "app/message_box.h"
#include "log/log_controller.h"
#include "panel/caption_strip.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"
#include "profiles/line_editor_controller.h"
#include "profiles/profiles_controller.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

void TForm1::createProfileControllers()
{
    lineEditor = new profiles::LineEditorController(
        {CBox2, E2, CBox1, CBox3, CBox4, CBox5, CBox11, E11, CBox31, CBox51, CBox6, SE1}, this);

    profiles::ProfilesController::Host host;
    host.holdFrames = [this] { holdFrames = 1; };
    host.meterSettings = [this] { return meterSettings; };
    host.applyMeterSettings = [this](const protocol::MeterSettings &settings) {
        meterSettings = settings;
        rlcReading.frequencyHz = protocol::frequencyForCode(settings.freqCode);
        showSettingIndicators();
        showCircuitIndicators();
        sendSettingsCommand();
    };
    host.loadSettings = [this] { return loadSettings(); };
    host.storeProfilePath = [this](const QString &path) { return rememberProfilePath(path); };
    host.logModel = [this] { return logModel; };
    host.resetLogTable = [this](int rows) { resetLogTable(rows); };
    host.showSinglePartHeaders = [this] { showSinglePartHeaders(); };
    host.selectGridCell = [this](int row, int column) { selectGridCell(row, column); };
    host.stopRecording = [this] { logController->stopRecording(); };
    const auto box = [this](const QString &text) {
        app::showMessage(this, QCoreApplication::applicationName(), text);
    };
    host.showMessage = box;
    host.showError = box;

    profilesController = new profiles::ProfilesController(
        {CBox10, CBox6, SE2, BB1, Button_Add, Button_DEL, SB1, SB2, SB3, SP1, B5, Memo1, SG, this}, *lineEditor,
        lexicons, {&currentProfilePath, &lineCount, &multiLogPrepared}, std::move(host), this);
}

std::optional<std::int32_t> TForm1::judgeReading()
{
    const profiles::JudgeOutcome outcome = lineEditor->judge(rlcReading, meterSettings.seriesCircuit);
    // A deviation keeps its last value while its tolerance is off.
    if (outcome.primaryDeviation)
        primaryDeviation = *outcome.primaryDeviation;
    if (outcome.secondaryDeviation)
        secondaryDeviation = *outcome.secondaryDeviation;
    return outcome.result;
}

void TForm1::fillLineNames()
{
    profilesController->fillLineNames();
}
