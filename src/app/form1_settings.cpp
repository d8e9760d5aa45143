// The settings file on the window: reading it at start (and after each
// profile operation), the auto option, the remembered profile and the
// language index.

#include "app/form1.h"

#include "app/last_profile.h"
#include "app/message_box.h"
#include "app/settings_file.h"
#include "panel/caption_strip.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"
#include "profiles/part_mode.h"
#include "protocol/meter_tables.h"

#include <QCheckBox>
#include <QListWidget>

#include <algorithm>

namespace {

// The last offered frequency's item (code 11, 75 kHz) has its own text.
const QString k75kHz = QStringLiteral("75kHz");

} // namespace

bool TForm1::loadSettings()
{
    bool reopened = false;
    if (!options.settingsFolder.isEmpty()) {
        // A failure anywhere ends the reading with false; what was set stays set.
        try {
            const app::SettingsFile file(options.settingsFolder);
            const app::SettingsFile::Load load = file.load();
            if (load.status == app::SettingsFile::LoadStatus::Failed)
                reportSettingsProblem(app::cannotOpenText(file.filePath(), load.why));
            if (load.status == app::SettingsFile::LoadStatus::Read) {
                const bool autoConnect = load.values.autoConnect != 0;
                app::SettingsWriteProblem problem;
                if (CheckBox_connect_auto->isChecked() != autoConnect) {
                    // As a click would: B2 follows and the state is written back.
                    CheckBox_connect_auto->setChecked(autoConnect);
                    problem = takeAutoConnect();
                }
                // A file that cannot take the state back ends the reading too.
                if (problem) {
                    reportSettingsProblem(problem.text());
                } else {
                    setDefaultLanguage();
                    reopened = reopenLastProfile(load.values.profilePath);
                }
            }
        } catch (const std::exception &e) {
            reportSettingsProblem(QString::fromLocal8Bit(e.what()));
            reopened = false;
        }
    }
    adjustFrequencyList();
    return reopened;
}

bool TForm1::reopenLastProfile(const QString &path)
{
    // Checked and read before anything changes: a path that fails leaves the
    // profile open so far open, caption and all.
    const std::optional<std::int32_t> count = app::reopenableLineCount(path);
    if (!count)
        return false;
    profilesController->takeProfile(path, *count);
    profileDisplayName = app::profileDisplayName(path);
    JvP8->setText(lexicons.D1.GetItem(0) + profileDisplayName);
    if (!profiles::isMultiPart(CBox10->currentIndex()))
        fillLineNames();
    return true;
}

void TForm1::reportSettingsProblem(const QString &why)
{
    if (settingsProblemsReported_.contains(why))
        return;
    settingsProblemsReported_.append(why);
    // stderr, with the program's name, unless a message handler says otherwise.
    qWarning("settings: %s", qPrintable(why));
}

void TForm1::adjustFrequencyList()
{
    // The same entries after every call, the item of a code at its code:
    // automatic, then codes up to the last offered, which reads "75kHz".
    const int last = protocol::kLastOfferedFrequencyCode;
    for (int position = protocol::kLastFrequencyCode; position >= last; --position) {
        if (position < ListBox_freq_RLC->count())
            delete ListBox_freq_RLC->takeItem(position);
    }
    ListBox_freq_RLC->insertItem(std::min(last, ListBox_freq_RLC->count()), k75kHz);
}

app::SettingsWriteProblem TForm1::storeAutoConnect(bool checked)
{
    if (options.settingsFolder.isEmpty())
        return {};
    return app::SettingsFile(options.settingsFolder).storeAutoConnect(checked);
}

bool TForm1::storeProfilePath(const QString &path)
{
    if (options.settingsFolder.isEmpty())
        return true;
    const app::SettingsWriteProblem problem = app::SettingsFile(options.settingsFolder).storeProfilePath(path);
    if (problem.kind == app::SettingsWriteProblem::PathTooLong)
        app::showMessage(this, windowTitle(), lexicons.D1.GetItem(9));
    else if (problem)
        app::showMessage(this, windowTitle(), problem.text());
    return !problem;
}

bool TForm1::rememberProfilePath(const QString &path)
{
    const bool stored = storeProfilePath(path);
    if (!stored)
        reopenLastProfile(path);
    return stored;
}

app::SettingsWriteProblem TForm1::storeLanguageIndex(std::int32_t index)
{
    if (options.settingsFolder.isEmpty())
        return {};
    return app::SettingsFile(options.settingsFolder).storeLanguageIndex(index);
}
