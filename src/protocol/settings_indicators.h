#pragma once

#include "protocol/meter_settings.h"
#include "protocol/meter_tables.h"
#include "protocol/unit_texts.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace protocol {

// Shows MeterSettings on the RLC display: the captions, auto markers, speed
// buttons and interval box (showSettingIndicators), the circuit letters
// (showCircuitIndicators) and the selected item of each selection list
// (selectListsFromSettings). Pure functions: the window writes the results into
// its controls, and writing them from code must not run the click handlers.
//
// Flags count as set when non-zero, as the command packing reads them, so the
// display shows what the meter would be told.

// Whether the recording button SP1 becomes enabled: never while the meter holds
// a captured value; otherwise only while the profile-editing button SB4 is up
// (SB4 down means the link is down). nullopt: SP1 keeps its state.
std::optional<bool> recordingButtonEnabled(bool captureOn, bool SB4Down);

// One member per control showSettingIndicators touches; a std::nullopt member
// means "leave the control as it is".
struct SettingIndicators
{
    QString L_RLC_avto;              // "A" for an automatic main parameter, else " "
    std::optional<bool> SP1_enabled; // see recordingButtonEnabled
    bool SP3_down = false;           // capture
    bool SP2_down = false;           // sound
    std::optional<int> CB1_index;    // interval codes 3, 2, 1 select 0, 1, 2; others leave it
    QString L_freq_RLC;              // "A 10 кГц", " 120 Гц"; empty for frequency code 0
    QString L_Level_RLC;             // "A 1.0 Вскз", " 0.1 В"; only the prefix for level codes past 4
    std::optional<QString> L_Prim_RLC; // nullopt for main codes outside 1..4
    QString L_RQD_avto;              // "A" for an automatic secondary parameter, else " "
    std::optional<QString> L_Sec_RLC;  // nullopt for secondary codes outside 0..4
};

// `frequencyHz` is RlcReading.frequencyHz (the frequency of the last frame or of
// the code last applied), not recomputed from the settings.
SettingIndicators showSettingIndicators(const MeterSettings &settings, std::int32_t frequencyHz,
                                        const UnitTexts &texts, bool SB4Down);

// The item of ListBox_ser_per and the letter of L_SER_PER and L_SER_PER1.
struct CircuitIndicators
{
    int ListBox_ser_per = 0;
    QString L_SER_PER;  // "A", "S" or "P"
    QString L_SER_PER1; // the same letter beside the main value
};

// nullopt while the circuit is not automatic and seriesCircuit is neither 0 nor
// 1: the list and both letters stay as they are.
std::optional<CircuitIndicators> showCircuitIndicators(const MeterSettings &settings);

// The selected index of each list: 0 while the setting is automatic, else its
// code (the circuit list: seriesCircuit + 1). An index may lie past the end of
// its list (a frame can report secondary code 4, frequency codes 12..31 or
// level codes 4..7); the window then leaves that list with no selection.
struct ListSelection
{
    int ListBox_freq_RLC = 0;
    int ListBox_prim_RLC = 0;
    int ListBox_sec_RLC = 0;
    int ListBox_Level_RLC = 0;
    int ListBox_ser_per = 0;

    bool operator==(const ListSelection &) const = default;
};

ListSelection selectListsFromSettings(const MeterSettings &settings);

} // namespace protocol
