// The settings indicators read MeterSettings only; nothing here is sent. Codes
// outside the tables leave their control alone instead of blanking it, so a
// stray code from a frame or a profile never wipes what the user can see.

#include "protocol/settings_indicators.h"

#include "protocol/rlc_decoder.h"

namespace protocol {

namespace {

QString autoMarker(std::uint8_t flag)
{
    return flag != 0 ? QStringLiteral("A") : QStringLiteral(" ");
}

// The captions' prefix: "A " when the meter chooses, otherwise one space.
QString autoPrefix(std::uint8_t flag)
{
    return flag != 0 ? QStringLiteral("A ") : QStringLiteral(" ");
}

std::optional<int> indexOfIntervalCode(int code)
{
    for (std::size_t i = 0; i < kIntervalCodeOfIndex.size(); ++i) {
        if (kIntervalCodeOfIndex[i] == code)
            return int(i);
    }
    return std::nullopt;
}

} // namespace

std::optional<bool> recordingButtonEnabled(bool captureOn, bool SB4Down)
{
    if (captureOn)
        return false;
    if (!SB4Down)
        return true;
    return std::nullopt;
}

SettingIndicators showSettingIndicators(const MeterSettings &s, std::int32_t frequencyHz,
                                        const UnitTexts &texts, bool SB4Down)
{
    SettingIndicators out;
    out.L_RLC_avto = autoMarker(s.primaryAuto);
    out.SP1_enabled = recordingButtonEnabled(s.capture != 0, SB4Down);
    out.SP3_down = s.capture != 0;
    out.SP2_down = s.sound != 0;
    out.CB1_index = indexOfIntervalCode(s.intervalCode);

    // Code 0 means the meter shows no test frequency.
    if (s.freqCode != 0)
        out.L_freq_RLC = autoPrefix(s.freqAuto) + frequencyTextFor(frequencyHz, texts);

    // Level code 0 reads as 1.0 V rms here; its "A" comes from levelAuto, not
    // from the code as in the log's level text.
    out.L_Level_RLC = autoPrefix(s.levelAuto);
    if (const auto level = levelTextFor(s.levelCode == 0 ? 1 : s.levelCode, texts))
        out.L_Level_RLC += *level;

    out.L_Prim_RLC = primaryLetter(s.primaryCode);
    out.L_RQD_avto = autoMarker(s.secondaryAuto);
    out.L_Sec_RLC = secondaryLetter(s.secondaryCode);
    return out;
}

std::optional<CircuitIndicators> showCircuitIndicators(const MeterSettings &s)
{
    const std::optional<Circuit> circuit = circuitOf(s);
    if (!circuit)
        return std::nullopt;
    const QString letter = circuitLetter(*circuit);
    return CircuitIndicators{int(*circuit), letter, letter};
}

ListSelection selectListsFromSettings(const MeterSettings &s)
{
    // Index 0 of every list is its automatic item; from 1 on the index is the code.
    const auto index = [](std::uint8_t autoFlag, int code) { return autoFlag != 0 ? 0 : code; };
    ListSelection out;
    out.ListBox_freq_RLC = index(s.freqAuto, s.freqCode);
    out.ListBox_prim_RLC = index(s.primaryAuto, s.primaryCode);
    out.ListBox_sec_RLC = index(s.secondaryAuto, s.secondaryCode);
    out.ListBox_Level_RLC = index(s.levelAuto, s.levelCode);
    out.ListBox_ser_per = index(s.circuitAuto, s.seriesCircuit + 1);
    return out;
}

} // namespace protocol
