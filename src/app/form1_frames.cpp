// Frames to the display: the route of one frame, and the texts the protocol
// decoders computed written into the display panels, the settings
// indicators and the list selections.

#include "app/form1.h"
#include "app/scpi_front.h"

#include "log/log_controller.h"
#include "sorting/sorting_controller.h"
#include "profiles/line_editor_controller.h"
#include "panel/drop_down.h"
#include "panel/menu_controller.h"
#include "panel/panel_colours.h"
#include "panel/panel_field.h"
#include "protocol/rd_u_decoder.h"
#include "reading/reading_pipeline.h"
#include "protocol/rlc_decoder.h"
#include "protocol/settings_indicators.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

#include <cmath>

namespace {

protocol::FormatContext formatContext(const i18n::WindowLexicons &lexicons)
{
    return {lexicons.unitTexts(), protocol::NumberSeparators::fromLocale()};
}

// An index past the end leaves the list with no selection. Every frame
// selects again what is mostly selected already; the list is left alone then.
void selectRow(QListWidget *list, int index)
{
    if (index >= 0 && index < list->count()) {
        if (list->currentRow() != index || !list->item(index)->isSelected())
            list->setCurrentRow(index);
    } else if (list->currentRow() != -1 || list->selectionModel()->hasSelection()) {
        list->setCurrentRow(-1);
        list->clearSelection();
    }
}

} // namespace

void TForm1::dispatchFrame(const protocol::MeterFrame &frame)
{
    const protocol::FrameRoute route = protocol::routeFrame(frame);
    if (!route.accepted)
        return;
    // From code: the brightness button's own handler does not run.
    SP4->setChecked(route.brightnessOn);
    if (!route.decoder)
        return;
    switch (*route.decoder) {
    case protocol::MeterMode::Rlcd:
        decodeRlcFrame(frame);
        break;
    case protocol::MeterMode::Rd:
        decodeRdFrame(frame);
        break;
    case protocol::MeterMode::U:
        decodeUFrame(frame);
        break;
    }
    emit frameDisplayed(*route.decoder);
}

void TForm1::showDisplay(QFrame *display)
{
    // The menus belong to the RLCD display and would float over another one.
    if (display->isHidden() && menus->isAnyMenuOpen())
        menus->closeAllMenus();
    for (QFrame *panel : {Panel_RLCD, Panel_RD, Panel_U})
        panel->setVisible(panel == display);
}

void TForm1::colourDisplay(bool reject)
{
    const QColor colour = reject ? panel::rejectColour() : panel::displayColour();
    QPalette palette = Panel_RLCD->palette();
    if (palette.color(QPalette::Window) == colour)
        return; // a new palette costs the panel and all its labels a round of change events
    palette.setColor(QPalette::Window, colour);
    Panel_RLCD->setPalette(palette);
}

void TForm1::decodeRlcFrame(const protocol::MeterFrame &frame)
{
    showDisplay(Panel_RLCD);
    SP3->setEnabled(true);

    const protocol::RlcDecodeResult result = protocol::decodeRlcFrame(frame, formatContext(lexicons));
    // What the meter reports overrides any earlier choice.
    meterSettings = result.settings;
    selectListsFromSettings();
    rlcReading = result.reading;
    rlcQuantities = result.quantities;

    panel::setTextIfGiven(L_prim_n, result.L_prim_n);
    L_SER_PER1->setText(result.L_SER_PER1);
    L_SER_PER->setText(result.L_SER_PER);
    panel::setTextIfGiven(L_sec_n, result.L_sec_n);
    if (result.levelText)
        levelText = *result.levelText;
    frequencyText = result.frequencyText;
    showSettingIndicators();
    L_righ1->setText(result.L_righ1);
    L_righ2->setText(result.L_righ2);
    L_righ3->setText(result.L_righ3);
    L_righ4->setText(result.L_righ4);

    // Judged and sorted by the same routine as every other front end's readings.
    const reading::Reading latestReading =
        reading::judgedReading(frameArrivalMs ? logClock.at(*frameArrivalMs) : logClock.now(), meterSettings,
                               rlcReading, rlcQuantities, lineEditor->referenceValue(), sorting->preparedPlan());
    // A deviation keeps its last value while its tolerance is off.
    if (latestReading.judged && std::isfinite(latestReading.primaryDeviation))
        primaryDeviation = latestReading.primaryDeviation;
    if (latestReading.judged && std::isfinite(latestReading.secondaryDeviation))
        secondaryDeviation = latestReading.secondaryDeviation;
    // With both tolerances off the reading counts as a pass on the display.
    readingJudged = true;
    judgeResult = latestReading.judgeResult;
    colourDisplay(judgeResult != 0);
    logController->setLatestJudgeResult(judgeResult);
    sorting->takeBin(latestReading.bin);
    scpiFront->meter().takeReading(latestReading);
    if (result.wantsLogRow(SP1->isChecked()))
        appendLogRow();
}

void TForm1::decodeRdFrame(const protocol::MeterFrame &frame)
{
    showDisplay(Panel_RD);
    SP3->setEnabled(false);

    const protocol::RdDecodeResult result = protocol::decodeRdFrame(frame, formatContext(lexicons));
    RD_Auto->setText(result.RD_Auto);
    Joo->setText(result.Joo);
    RD_J->setText(result.RD_J);
    J_prim->setText(result.J_prim);
    RD_J1->setText(result.RD_J1);
    panel::setTextIfGiven(RD_V, result.RD_V);
    RD_prim_R->setText(result.RD_prim_R);
    RD_Prim->setText(result.RD_Prim);
    const auto picture = static_cast<qsizetype>(result.Im_Diod);
    if (picture < ImList1.size())
        Im_Diod->setPixmap(ImList1.at(picture));
}

void TForm1::decodeUFrame(const protocol::MeterFrame &frame)
{
    showDisplay(Panel_U);
    SP3->setEnabled(false);

    const protocol::UDecodeResult result = protocol::decodeUFrame(frame, formatContext(lexicons));
    U_Prim->setText(result.U_Prim);
    U_vrm->setText(result.U_vrm);
    U_pp->setText(result.U_pp);
}

void TForm1::showSettingIndicators()
{
    const protocol::SettingIndicators shown =
        protocol::showSettingIndicators(meterSettings, rlcReading.frequencyHz, lexicons.unitTexts(),
                                        SB4->isChecked());
    L_RLC_avto->setText(shown.L_RLC_avto);
    if (shown.SP1_enabled)
        SP1->setEnabled(*shown.SP1_enabled);
    SP3->setChecked(shown.SP3_down);
    SP2->setChecked(shown.SP2_down);
    if (shown.CB1_index)
        CB1->setCurrentIndex(*shown.CB1_index);
    L_freq_RLC->setText(shown.L_freq_RLC);
    L_Level_RLC->setText(shown.L_Level_RLC);
    panel::setTextIfGiven(L_Prim_RLC, shown.L_Prim_RLC);
    L_RQD_avto->setText(shown.L_RQD_avto);
    panel::setTextIfGiven(L_Sec_RLC, shown.L_Sec_RLC);
}

void TForm1::showCircuitIndicators()
{
    const std::optional<protocol::CircuitIndicators> shown = protocol::showCircuitIndicators(meterSettings);
    if (!shown)
        return;
    selectRow(ListBox_ser_per, shown->ListBox_ser_per);
    L_SER_PER->setText(shown->L_SER_PER);
    L_SER_PER1->setText(shown->L_SER_PER1);
}

void TForm1::selectListsFromSettings()
{
    const protocol::ListSelection selection = protocol::selectListsFromSettings(meterSettings);
    selectRow(ListBox_freq_RLC, selection.ListBox_freq_RLC);
    selectRow(ListBox_prim_RLC, selection.ListBox_prim_RLC);
    selectRow(ListBox_sec_RLC, selection.ListBox_sec_RLC);
    selectRow(ListBox_Level_RLC, selection.ListBox_Level_RLC);
    selectRow(ListBox_ser_per, selection.ListBox_ser_per);
}
