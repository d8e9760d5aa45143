// A choice changes one setting and its caption at once, before the meter has
// confirmed it; the next frame decoded after the hold-off rewrites both from
// the meter's report. An index outside the list (no item under the pointer)
// changes nothing: taking it as a code would send the meter a setting nobody
// chose.

#include "protocol/settings_selection.h"

#include "i18n/window_lexicons.h"
#include "protocol/rlc_decoder.h"
#include "protocol/settings_indicators.h"

namespace protocol {

namespace {

constexpr int kFrequencyItems = 15; // automatic + codes 1..14
constexpr int kLevelItems = 4;
constexpr int kPrimaryItems = 5;
constexpr int kSecondaryItems = 4;
constexpr int kCircuitItems = 3;

// The code an automatic frequency is sent with (see MeterSettings::pinAutoFrequency).
constexpr int kAutoFrequencyCode = 4;

bool inList(int index, int items)
{
    return index >= 0 && index < items;
}

} // namespace

std::optional<SelectionCaptions> chooseFrequency(MeterSettings &s, int index, const i18n::WindowLexicons &lexicons)
{
    if (!inList(index, kFrequencyItems))
        return std::nullopt;
    const bool automatic = index == 0;
    // The automatic caption names the frequency the meter starts from: "A10 кГц".
    const int code = automatic ? kAutoFrequencyCode : index;
    SelectionCaptions out;
    out.L_freq_RLC = (automatic ? QStringLiteral("A") : QString())
                     + frequencyTextFor(frequencyForCode(code), lexicons);
    s.freqAuto = automatic ? 1 : 0;
    s.freqCode = std::uint8_t(index);
    return out;
}

std::optional<SelectionCaptions> chooseLevel(MeterSettings &s, int index, const i18n::WindowLexicons &lexicons)
{
    if (!inList(index, kLevelItems))
        return std::nullopt;
    static const QString kVolts[kLevelItems] = {QStringLiteral("A1.0"), QStringLiteral("1.0"), QStringLiteral("0.5"),
                                                QStringLiteral("0.1")};
    SelectionCaptions out;
    out.L_Level_RLC = kVolts[index] + lexicons.Dlang3.GetItem(1);
    s.levelAuto = index == 0 ? 1 : 0;
    s.levelCode = std::uint8_t(index == 0 ? 1 : index);
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
    static const QString kLetters[kCircuitItems] = {QStringLiteral("A"), QStringLiteral("P"), QStringLiteral("S")};
    SelectionCaptions out;
    out.L_SER_PER = kLetters[index];
    out.L_SER_PER1 = kLetters[index];
    s.circuitAuto = index == 0 ? 1 : 0;
    // The automatic item also records a series circuit.
    s.seriesCircuit = index == 1 ? 0 : 1;
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
