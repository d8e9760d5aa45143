// Profiles and tolerance sorting on the window: the line editor and the
// profiles controller get the controls and the window's state they work on,
// and the verdict on each RLCD reading comes from the line editor.

#include "app/form1.h"

#include "app/message_box.h"
#include "log/log_controller.h"
#include "log/log_table_model.h"
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

namespace {

// The window as the profiles see it: its settings, its settings file, its
// log table and its message boxes.
class ProfilesHostOfForm1 : public profiles::ProfilesController::Host, public profiles::ProfileTableView
{
public:
    explicit ProfilesHostOfForm1(TForm1 &form)
        : f(form)
    {
    }

    protocol::MeterSettings meterSettings() const override { return f.meterSettings; }
    void applyMeterSettings(const protocol::MeterSettings &settings) override
    {
        f.meterSettings = settings;
        f.rlcReading.frequencyHz = protocol::frequencyForCode(settings.freqCode);
        f.showSettingIndicators();
        f.showCircuitIndicators();
        f.sendSettingsCommand();
    }
    bool loadSettings() override { return f.loadSettings(); }
    bool storeProfilePath(const QString &path) override { return f.rememberProfilePath(path); }
    profiles::ProfileTableView &profileTable() override { return *this; }
    void resetLogTable(int rows) override { f.resetLogTable(rows); }
    void showSinglePartHeaders() override { f.showSinglePartHeaders(); }
    void selectGridCell(int row, int column) override { f.selectGridCell(row, column); }
    void stopRecording() override { f.logController->stopRecording(); }
    void showMessage(const QString &text) override { app::showMessage(&f, QCoreApplication::applicationName(), text); }
    void showError(const QString &text) override { showMessage(text); }

    int tableRows() const override { return f.logModel->rowCount(); }
    void setHeaderText(int column, const QString &text) override { f.logModel->setHeaderText(column, text); }
    void setCell(int row, int column, const QString &text) override { f.logModel->setCell(row, column, text); }

private:
    TForm1 &f;
};

} // namespace

void TForm1::createProfileControllers()
{
    lineEditor = new profiles::LineEditorController(
        {CBox2, E2, CBox1, CBox3, CBox4, CBox5, CBox11, E11, CBox31, CBox51, CBox6, SE1}, this);

    static_assert(profiles::kProfileTableColumns == LogTableModel::kColumns);
    profilesHost = std::make_unique<ProfilesHostOfForm1>(*this);
    profilesController = new profiles::ProfilesController(
        {CBox10, CBox6, SE2, BB1, Button_Add, Button_DEL, SB1, SB2, SB3, SP1, B5, Memo1, SG, this}, *lineEditor,
        lexicons, {&currentProfilePath, &lineCount, &multiLogPrepared}, frameHold, *profilesHost, this);
}

void TForm1::fillLineNames()
{
    profilesController->fillLineNames();
}
