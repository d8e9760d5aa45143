// A choice changes one setting and its caption at once, before the meter has
// confirmed it; the next frame decoded after the hold-off rewrites both from
// the meter's report. An index outside the list (no item under the pointer)
// changes nothing: taking it as a code would send the meter a setting nobody
// chose.

#include "protocol/settings_selection.h"

#include "protocol/meter_tables.h"
#include "protocol/rlc_decoder.h"
#include "protocol/settings_indicators.h"

namespace protocol {

namespace {

constexpr int kFrequencyItems = kLastFrequencyCode + 1; // automatic + codes 1..14

bool inList(int index, int items)
{
    return index >= 0 && index < items;
}

} // namespace

std::optional<SelectionCaptions> chooseFrequency(MeterSettings &s, int index, const UnitTexts &texts)
{
    if (!inList(index, kFrequencyItems))
        return std::nullopt;
    const bool automatic = index == 0;
    // The automatic caption names the frequency the meter starts from: "A10 кГц".
    const int code = automatic ? kAutoFrequencyCode : index;
    SelectionCaptions out;
    out.L_freq_RLC = (automatic ? QStringLiteral("A") : QString())
                     + frequencyTextFor(frequencyForCode(code), texts);
    s.freqAuto = automatic ? 1 : 0;
    s.freqCode = std::uint8_t(index);
    return out;
}

std::optional<SelectionCaptions> chooseLevel(MeterSettings &s, int index, const UnitTexts &texts)
{
    if (!inList(index, int(kLevelCodeOfItem.size())))
        return std::nullopt;
    const int code = kLevelCodeOfItem[std::size_t(index)];
    SelectionCaptions out;
    out.L_Level_RLC = (index == 0 ? QStringLiteral("A") : QString()) + levelNumber(code).value_or(QString())
                      + levelUnit(code, texts);
    s.levelAuto = index == 0 ? 1 : 0;
    s.levelCode = std::uint8_t(code);
    return out;
}

std::optional<SelectionCaptions> choosePrimary(MeterSettings &s, int index)
{
    if (!inList(index, kPrimaryItems))
        return std::nullopt;
    const bool automatic = index == 0;
    SelectionCaptions out;
    out.L_Prim_RLC = automatic ? QStringLiteral("C") : primaryLetter(index);
    out.L_RLC_avto = automatic ? QStringLiteral("A") : QStringLiteral(" ");
    s.primaryAuto = automatic ? 1 : 0;
    s.primaryCode = std::uint8_t(index);
    return out;
}

std::optional<SelectionCaptions> chooseSecondary(MeterSettings &s, int index)
{
    if (!inList(index, kSecondaryItems))
        return std::nullopt;
    SelectionCaptions out;
    if (index == 0) {
        out.L_RQD_avto = QStringLiteral("A");
    } else {
        out.L_Sec_RLC = secondaryLetter(index);
        out.L_RQD_avto = QString();
        // Only a secondary resistance carries a circuit letter.
        if (index != 1)
            out.L_SER_PER = QStringLiteral(" ");
    }
    s.secondaryAuto = index == 0 ? 1 : 0;
    s.secondaryCode = std::uint8_t(index);
    return out;
}

std::optional<SelectionCaptions> chooseCircuit(MeterSettings &s, int index)
{
    if (!inList(index, kCircuitItems))
        return std::nullopt;
    const Circuit circuit = Circuit(index);
    SelectionCaptions out;
    out.L_SER_PER = circuitLetter(circuit);
    out.L_SER_PER1 = out.L_SER_PER;
    s.circuitAuto = circuit == Circuit::Automatic ? 1 : 0;
    // The automatic item also records a series circuit.
    s.seriesCircuit = circuit == Circuit::Parallel ? 0 : 1;
    return out;
}

void chooseSound(MeterSettings &s, bool SP2Down)
{
    s.sound = SP2Down ? 1 : 0;
}

std::optional<bool> chooseCapture(MeterSettings &s, bool SP3Down, bool SB4Down)
{
    s.capture = SP3Down ? 1 : 0;
    return recordingButtonEnabled(SP3Down, SB4Down);
}

bool chooseInterval(MeterSettings &s, int index)
{
    if (!inList(index, int(kIntervalCodeOfIndex.size())))
        return false;
    s.intervalCode = kIntervalCodeOfIndex[std::size_t(index)];
    return true;
}

} // namespace protocol
