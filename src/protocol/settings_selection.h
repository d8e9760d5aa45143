#pragma once

#include "protocol/meter_settings.h"
#include "protocol/unit_texts.h"

#include <QString>

#include <optional>

namespace protocol {

// What a user's choice on the RLC display does to MeterSettings. Each function
// changes the settings passed in and returns the captions to write at once;
// holding frames, writing the captions and sending the settings command are the
// window's steps around it. A choose* function that returns nullopt was given
// an index that is not an item of its list: the settings are untouched and there
// is nothing to write or send.

// The captions one choice writes; a std::nullopt member is not touched.
struct SelectionCaptions
{
    std::optional<QString> L_freq_RLC;
    std::optional<QString> L_Level_RLC;
    std::optional<QString> L_Prim_RLC;
    std::optional<QString> L_RLC_avto;
    std::optional<QString> L_Sec_RLC;
    std::optional<QString> L_RQD_avto;
    std::optional<QString> L_SER_PER;
    std::optional<QString> L_SER_PER1;

    bool operator==(const SelectionCaptions &) const = default;
};

// ListBox_freq_RLC, items 0..14: 0 is the automatic choice ("A10 кГц", freqCode
// 0, which the sender pins to 4), from 1 on the index is the frequency code
// ("100 Гц", ..., "75 кГц" for 11, ..., "150 кГц").
std::optional<SelectionCaptions> chooseFrequency(MeterSettings &settings, int index, const UnitTexts &texts);

// ListBox_Level_RLC, items 0..3: automatic (level 1), 1.0, 0.5, 0.1 V rms. The
// caption has no space before the unit ("A1.0Вскз", "0.5Вскз").
std::optional<SelectionCaptions> chooseLevel(MeterSettings &settings, int index, const UnitTexts &texts);

// ListBox_prim_RLC, items 0..4: automatic, R, C, L, Z. The automatic item shows
// "C" until a frame reports the meter's own choice.
std::optional<SelectionCaptions> choosePrimary(MeterSettings &settings, int index);

// ListBox_sec_RLC, items 0..3: automatic, R, Q, D. Q and D blank the circuit
// letter beside the secondary value (it belongs to a resistance only).
std::optional<SelectionCaptions> chooseSecondary(MeterSettings &settings, int index);

// ListBox_ser_per, items 0..2: automatic, parallel, series; writes both letters.
std::optional<SelectionCaptions> chooseCircuit(MeterSettings &settings, int index);

// SP2 after the click.
void chooseSound(MeterSettings &settings, bool SP2Down);

// SP3 after the click. Returns the recording button SP1's new enabled state, or
// nullopt to leave it (released while the profile-editing button SB4 is down).
std::optional<bool> chooseCapture(MeterSettings &settings, bool SP3Down, bool SB4Down);

// CB1, items 0..2: intervals 0.5 s, 1 s, 2 s. False (settings untouched) for any
// other index.
bool chooseInterval(MeterSettings &settings, int index);

} // namespace protocol
