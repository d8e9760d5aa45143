#pragma once

// The meter's tables, once for every front end (the window's display, menus,
// log and profile table, the CSV, the headless logger's options and help):
// what each code of MeterSettings means.
//
//   frequency  codes 1..14: 100, 120, 1k, 10k, 100k, 20k, 30k, 40k, 50k,
//              60k, 75k, 80k, 90k, 150k Hz; code 0 shows no frequency
//              (computed as 120 Hz); the automatic choice is sent as code 4
//   level      codes 0..4: 0 automatic at 1.0 V rms, 1.0, 0.5, 0.1 V rms,
//              0.1 V (not rms); 5..7 are never used
//   interval   codes 3, 2, 1: 0.5 s, 1 s, 2 s between recorded readings
//   primary    codes 1..4: R, C, L, Z
//   secondary  codes 0..4: none, R, Q, D, phase angle
//   circuit    automatic, parallel (seriesCircuit 0), series (1)
//
// The selection lists show them in a fixed order of items; the item tables
// below say which code each item sets.

#include "protocol/unit_texts.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace protocol {

struct MeterSettings;

// --- frequency --------------------------------------------------------------

inline constexpr int kFirstFrequencyCode = 1;
inline constexpr int kLastFrequencyCode = 14;
// The window's frequency list offers codes up to this one (75 kHz); the
// meter's 80, 90 and 150 kHz (codes 12..14) are not offered there.
inline constexpr int kLastOfferedFrequencyCode = 11;
// The code an automatic frequency is sent with (see MeterSettings::pinAutoFrequency).
inline constexpr int kAutoFrequencyCode = 4;
// Codes the table lacks (15..31 from a frame, anything else from a file)
// count as the meter's default frequency, so L and C stay computable.
inline constexpr std::int32_t kUnknownCodeFrequencyHz = 10000;

// Test frequency of a code, in hertz: 120 for code 0, the table for 1..14.
std::int32_t frequencyForCode(int code);
// The code (1..14) of a frequency in hertz; nullopt when the table has none.
std::optional<int> frequencyCodeOf(double hertz);
// "10" gap "кГц", "120" gap "Гц": kilohertz from 1000 Hz up.
QString frequencyText(std::int32_t hertz, const UnitTexts &texts, const QString &gap);

// --- level ------------------------------------------------------------------

// ListBox_Level_RLC: automatic (code 1 with levelAuto), 1.0, 0.5, 0.1 V rms.
inline constexpr std::array<std::uint8_t, 4> kLevelCodeOfItem{1, 1, 2, 3};
// The test level in volts; nullopt for codes 5..7.
std::optional<double> levelVolts(int levelCode);
// "1.0", "0.5", "0.1"; nullopt for codes 5..7.
std::optional<QString> levelNumber(int levelCode);
// The level's unit: volts rms, plain volts for code 4.
QString levelUnit(int levelCode, const UnitTexts &texts);
// The list item of a level in volts (1.0, 0.5, 0.1 give 1, 2, 3); nullopt otherwise.
std::optional<int> levelItemOfVolts(double volts);

// --- recording interval -----------------------------------------------------

// CB1 items in order: 0.5 s, 1 s, 2 s.
inline constexpr std::array<std::uint8_t, 3> kIntervalCodeOfIndex{3, 2, 1};
// Seconds between readings; nullopt for codes outside 1..3.
std::optional<double> intervalSeconds(int intervalCode);
// "0.5", "1", "2"; nullopt for codes outside 1..3.
std::optional<QString> intervalSecondsText(int intervalCode);
// The CB1 item of an interval in seconds; nullopt when the meter has none.
std::optional<int> intervalItemOfSeconds(double seconds);

// --- parameters -------------------------------------------------------------

// "R", "C", "L", "Z" for main-parameter codes 1..4; nullopt for any other code.
std::optional<QString> primaryLetter(int primaryCode);
// " ", "R", "Q", "D", "Ɵ" for secondary codes 0..4; nullopt for any other code.
std::optional<QString> secondaryLetter(int secondaryCode);
inline constexpr int kPrimaryItems = 5;   // automatic, R, C, L, Z (item = code)
inline constexpr int kSecondaryItems = 4; // automatic, R, Q, D (item = code)

// --- circuit ----------------------------------------------------------------

// ListBox_ser_per's items, in order.
enum class Circuit { Automatic, Parallel, Series };
inline constexpr int kCircuitItems = 3;
// "A", "P", "S".
QString circuitLetter(Circuit circuit);
// The circuit the settings name; nullopt while it is not automatic and
// seriesCircuit is neither 0 nor 1.
std::optional<Circuit> circuitOf(const MeterSettings &settings);
// The circuit a reading was measured in, the meter's choice when automatic:
// any set circuit bit is series.
Circuit measuredCircuit(const MeterSettings &settings);
// "series" or "parallel", as the CSV, JSON lines and the publisher write
// them; empty for Automatic.
QString circuitName(Circuit circuit);

} // namespace protocol
