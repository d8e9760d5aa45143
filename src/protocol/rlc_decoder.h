#pragma once

#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"
#include "protocol/number_format.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace protocol {

// The measured pair of the last RLCD frame and its parallel equivalents.
struct RlcReading
{
    std::int32_t frequencyHz = 10000; // frequencyForCode of the default code 4
    double seriesResistance = 0.0;    // R, ohms, never negative
    double seriesReactance = 0.0;     // X, ohms, never negative
    double parallelResistance = 0.0;  // (R^2 + X^2) / R
    double parallelReactance = 0.0;   // (R^2 + X^2) / X
};

// Derived quantities of one frame, in the circuit the settings select.
struct RlcQuantities
{
    double impedance = 0.0;     // Z = sqrt(R^2 + X^2)
    double inductance = 0.0;    // henries, from the circuit's reactance
    double capacitance = 0.0;   // farads, from the circuit's reactance
    double dissipation = 0.0;   // D = R / X
    double quality = 0.0;       // Q = X / R
    double phaseDegrees = 0.0;  // -90..90, the only value that keeps the reactance's sign
};

// Everything one RLCD frame puts on the display, one member per label; a
// std::nullopt member means "leave the label as it is". The settings
// indicators, the verdict colour and the log row are the window's part.
struct RlcDecodeResult
{
    MeterSettings settings; // replaces the application's record entirely
    RlcReading reading;
    RlcQuantities quantities;

    QString frequencyText;            // "75 кГц", "120 Гц"
    std::optional<QString> levelText; // nullopt for level codes 5..7

    std::optional<QString> L_prim_n; // main value; nullopt for main codes 0, 5, 6, 7
    QString L_SER_PER1;              // circuit letter beside it ("" for an impedance)
    std::optional<QString> L_sec_n;  // secondary value; nullopt for codes 5, 6, 7
    QString L_SER_PER;               // circuit letter beside a secondary resistance, else " "
    QString L_righ1;                 // "Z ..."; all four empty at frequency code 0
    QString L_righ2;                 // "D ..."
    QString L_righ3;                 // "Q ..."
    QString L_righ4;                 // "Ɵ ..." phase

    // Whether this frame gives a log row: during a recording run while the
    // meter holds no captured value, outside a run when it holds one.
    bool wantsLogRow(bool recordingButtonDown) const
    {
        return recordingButtonDown ? settings.capture == 0 : settings.capture != 0;
    }
};

// Decodes an RLCD frame (its mode nibble is not checked here; routeFrame does that).
RlcDecodeResult decodeRlcFrame(const MeterFrame &frame, const FormatContext &context);

// The level caption of a level code ("1.0 Вскз", code 0 "A 1.0 Вскз"); nullopt outside 0..4.
std::optional<QString> levelTextFor(int levelCode, const UnitTexts &texts);

// The frequency caption of a frequency in hertz ("10 кГц", "120 Гц").
QString frequencyTextFor(std::int32_t frequencyHz, const UnitTexts &texts);

// D and Q: five significant digits, never grouped ("0.0123", "1234.6", "1.2346E5").
QString formatRatio(double value, const NumberSeparators &separators);

// An inductance (henries) and a capacitance (farads) with prefix and unit, as
// the main value shows them; over-range values give the meter's limit texts.
QString inductanceText(double henries, std::int32_t frequencyHz, const FormatContext &context);
QString capacitanceText(double farads, std::int32_t frequencyHz, const FormatContext &context);

// Phase angle in degrees with four decimals and the degree sign ("-45.6800°").
QString formatPhase(double degrees, const NumberSeparators &separators);

} // namespace protocol
