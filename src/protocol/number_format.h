#pragma once

#include "protocol/unit_texts.h"

#include <QLocale>
#include <QString>

#include <cstdint>

namespace protocol {

// Separators of the user's locale. They are a parameter of every formatter so
// that a caller (or a test) can use any locale without touching global state.
struct NumberSeparators
{
    QString decimal = QStringLiteral(".");
    QString thousands = QStringLiteral(","); // may be empty: no grouping character

    static NumberSeparators fromLocale(const QLocale &locale = QLocale());
};

// Everything a value text needs besides the value: the prefix and unit texts
// (the window fills them from its lexicons at each decoding, so they follow
// the language) and the separators.
struct FormatContext
{
    UnitTexts texts;
    NumberSeparators separators;
};

// Fixed-point text of x with at most `precision` significant digits (held to
// 2..18) and exactly `decimals` fraction digits (at most 18; a negative count
// writes no fraction and rounds to that many places left of the point).
// Digits past the significant ones are zeros; rounding is half-up on the
// 18-digit decimal form of the double. Values far too large for the digits
// switch to the form 1.2346E5. Zero never carries a minus sign.
QString formatNumber(double x, int precision, int decimals, bool grouped, const NumberSeparators &separators);

// v (non-negative) scaled to an SI prefix with five significant digits:
// number, one space, prefix (the caller appends the unit). `inductanceMode`
// keeps values below 1 milli in micro units; `frequencyHz` is the current test
// frequency, which sets the decimals of the smallest values.
QString formatEngineering(double v, bool inductanceMode, std::int32_t frequencyHz, const FormatContext &context);

// Resistances and impedances above this show the over-range text.
inline constexpr double kMagnitudeLimit = 20000000.0;

// Resistances and impedances: over 20 M the over-range text ">20.00 М", below 10
// plain decimals without prefix, otherwise formatEngineering. The caller
// appends the ohm unit.
QString formatMagnitude(double v, const FormatContext &context);

} // namespace protocol
