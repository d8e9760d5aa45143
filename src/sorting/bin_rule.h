#pragma once

// The sorting rule: which bin one reading goes to under a prepared plan, and
// the tally of a run. Pure values; the window, the log and vorlant-log all
// sort through sortReading.

#include "sorting/bin_plan.h"
#include "protocol/meter_settings.h"
#include "protocol/rlc_decoder.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace profiles {

// What the rule reads of a reading: the main value as the display shows it
// (C and L signed by the meter), and the secondary values a limit may name.
struct BinReading
{
    std::optional<Quantity> quantity; // of the main value; nullopt for Z or no value
    double primary = 0.0;             // ohms, farads or henries
    double dissipation = 0.0;
    double quality = 0.0;
    double esr = 0.0; // the series resistance, ohms
};

BinReading binReadingOf(const protocol::MeterSettings &settings, const protocol::RlcReading &reading,
                        const protocol::RlcQuantities &quantities);

// The nominal value of the applied profile line, for plans that take it from there.
struct LineNominal
{
    Quantity quantity = Quantity::Capacitance;
    double nominal = 0.0; // SI
};
// The line's main reference as a nominal value; nullopt when the line's
// nominal cannot be read.
std::optional<LineNominal> lineNominalOf(const Reference &reference);

// Why a reading went to OUT.
enum class OutReason : std::uint8_t {
    None,
    OutsideBins,    // no bin holds the main value
    OtherParameter, // the meter measured another parameter than the plan's
    NoValue,        // the reading has no finite main value
    NoNominal,      // the plan takes the nominal from the line, and the line has none for its parameter
};

struct BinResult
{
    static constexpr std::uint8_t kOut = 0;
    static constexpr std::uint8_t kAux = 10;

    std::uint8_t bin = kOut; // 1..9, kAux or kOut
    OutReason reason = OutReason::OutsideBins;

    bool isOut() const { return bin == kOut; }
    bool isAux() const { return bin == kAux; }
    bool operator==(const BinResult &) const = default;
};

// "BIN3", "AUX", "OUT": the CSV's and the window's fixed names.
QString binText(std::uint8_t bin);

// The first bin, in bin order, whose limits (both included) hold the main
// value; AUX when that bin's secondary limit fails; otherwise OUT.
BinResult sortReading(const PreparedBinPlan &plan, const BinReading &reading,
                      const std::optional<LineNominal> &line = std::nullopt);

// Counts per bin of a run.
class BinTally
{
public:
    void add(const BinResult &result) { ++m_counts[result.bin]; ++m_total; }
    void reset() { *this = {}; }
    std::int64_t count(std::uint8_t bin) const { return bin < m_counts.size() ? m_counts[bin] : 0; }
    std::int64_t total() const { return m_total; }
    // The share of `bin` in percent; 0 before the first reading.
    double percent(std::uint8_t bin) const { return m_total ? 100.0 * double(count(bin)) / double(m_total) : 0.0; }
    // "BIN1 12 (40.0 %), ..., AUX 1 (3.3 %), OUT 2 (6.7 %)" over `binCount` bins.
    QString summary(int binCount) const;

private:
    std::array<std::int64_t, 11> m_counts{};
    std::int64_t m_total = 0;
};

} // namespace profiles
