// RLCD frames carry only the series pair R (bytes 0..3) and X (bytes 4..7,
// signed) as MeterFloat, and the meter's settings in bytes 8..11; everything
// else on the RLC display is derived here. R and X are never zero (MeterFloat
// has no zero), so no division below needs a guard, and every quantity stays
// finite in double even for the extreme encodings (|R|, |X| within 2^-127 ..
// 2^129).
//
// Example: 00 00 C8 42  6F 12 83 3A  ... (R = 100, X = 0.001) gives
// Q 0.0000, D 1E5 and a phase of 0.0006°.

#include "protocol/rlc_decoder.h"

#include "protocol/meter_float.h"
#include "protocol/meter_tables.h"
#include "protocol/rlc_values.h"

#include <cmath>
#include <numbers>

namespace protocol {

namespace {

constexpr double kMicroFaradWholeFrom = 0.001; // farads; whole micro-farads from here up

} // namespace

QString inductanceText(double l, std::int32_t f, const FormatContext &ctx)
{
    const QString unit = ctx.texts.unit(Unit::Henry);
    if (l > kInductanceLimit)
        return QStringLiteral(">500 ") + unit;
    return formatEngineering(l, true, f, ctx) + unit;
}

QString capacitanceText(double c, std::int32_t f, const FormatContext &ctx)
{
    const QString unit = ctx.texts.unit(Unit::Farad);
    if (c >= kCapacitanceLimit)
        return QStringLiteral(">22") + ctx.separators.decimal + QStringLiteral("00 ")
               + ctx.texts.prefix(Prefix::Milli) + unit;
    if (c >= kMicroFaradWholeFrom)
        return formatNumber(c * 1000000.0, 7, 0, true, ctx.separators) + QLatin1Char(' ')
               + ctx.texts.prefix(Prefix::Micro) + unit;
    return formatEngineering(c, false, f, ctx) + unit;
}

QString formatRatio(double value, const NumberSeparators &separators)
{
    // Digits of the integer part, 1 below 1 and at most 4.
    const int integerDigits = value < 10.0 ? 1 : value < 100.0 ? 2 : value < 1000.0 ? 3 : 4;
    return formatNumber(value, 5, 5 - integerDigits, false, separators);
}

QString formatPhase(double degrees, const NumberSeparators &separators)
{
    return formatNumber(degrees, 4, 4, true, separators) + QChar(0x00B0);
}

std::optional<QString> levelTextFor(int levelCode, const UnitTexts &texts)
{
    const std::optional<QString> number = levelNumber(levelCode);
    if (!number)
        return std::nullopt;
    return (levelCode == 0 ? QStringLiteral("A ") : QString()) + *number + QLatin1Char(' ')
           + levelUnit(levelCode, texts);
}

QString frequencyTextFor(std::int32_t frequencyHz, const UnitTexts &texts)
{
    return frequencyText(frequencyHz, texts, QStringLiteral(" "));
}

RlcDecodeResult decodeRlcFrame(const MeterFrame &frame, const FormatContext &ctx)
{
    RlcDecodeResult out;
    out.settings = MeterSettings::fromFrame(frame);
    const MeterSettings &s = out.settings;
    // Set before any text: the smallest values' decimals depend on it.
    const std::int32_t f = frequencyForCode(s.freqCode);

    const double p = decodeMeterFloat(frame, 0);
    const double q = decodeMeterFloat(frame, 4);
    const double r = std::fabs(p);
    const double x = std::fabs(q);
    const double sum = r * r + x * x;

    RlcReading &reading = out.reading;
    reading.frequencyHz = f;
    reading.seriesResistance = r;
    reading.seriesReactance = x;
    reading.parallelResistance = sum / r;
    reading.parallelReactance = sum / x;

    const bool series = s.seriesCircuit != 0;
    const double rc = circuitResistance(s, reading);
    const double xc = series ? x : reading.parallelReactance;
    const QString letter = circuitLetter(series ? Circuit::Series : Circuit::Parallel);

    RlcQuantities &qty = out.quantities;
    qty.phaseDegrees = std::atan(q / r) * 180.0 / std::numbers::pi;
    qty.impedance = std::sqrt(sum);
    qty.inductance = xc / (2.0 * std::numbers::pi * f);
    qty.capacitance = 1.0 / (2.0 * std::numbers::pi * f * xc);
    qty.dissipation = r / x;
    qty.quality = x / r;

    const QString ohm = ctx.texts.ohm();
    const QString resistanceText = formatMagnitude(rc, ctx) + ohm;
    const QString impedanceText = formatMagnitude(qty.impedance, ctx) + ohm;
    const QString dText = formatRatio(qty.dissipation, ctx.separators);
    const QString qText = formatRatio(qty.quality, ctx.separators);
    const QString phaseText = formatPhase(qty.phaseDegrees, ctx.separators);
    // Only L and C carry the meter's sign mark.
    const QString sign = s.negativeSign != 0 ? QStringLiteral("-") : QStringLiteral(" ");

    if (s.primaryCode == 4) {
        out.L_SER_PER1 = QString();
        out.L_prim_n = impedanceText;
    } else {
        out.L_SER_PER1 = letter;
        switch (s.primaryCode) {
        case 1:
            out.L_prim_n = resistanceText;
            break;
        case 2:
            out.L_prim_n = sign + capacitanceText(qty.capacitance, f, ctx);
            break;
        case 3:
            out.L_prim_n = sign + inductanceText(qty.inductance, f, ctx);
            break;
        default:
            break; // codes 0, 5, 6, 7: the main value stays as it was
        }
    }

    out.L_SER_PER = QStringLiteral(" ");
    switch (s.secondaryCode) {
    case 0:
        out.L_sec_n = QStringLiteral(" ");
        break;
    case 1:
        out.L_SER_PER = letter;
        out.L_sec_n = resistanceText;
        break;
    case 2:
        out.L_sec_n = qText;
        break;
    case 3:
        out.L_sec_n = dText;
        break;
    case 4:
        out.L_sec_n = phaseText;
        break;
    default:
        break; // codes 5, 6, 7: the secondary value stays as it was
    }

    out.levelText = levelTextFor(s.levelCode, ctx.texts);
    out.frequencyText = frequencyTextFor(f, ctx.texts);

    // Frequency code 0 means the meter shows no test frequency: no side column.
    if (s.freqCode != 0) {
        out.L_righ1 = QStringLiteral("Z ") + impedanceText;
        out.L_righ2 = QStringLiteral("D ") + dText;
        out.L_righ3 = QStringLiteral("Q ") + qText;
        out.L_righ4 = QStringLiteral("Ɵ ") + phaseText;
    }
    return out;
}

} // namespace protocol
