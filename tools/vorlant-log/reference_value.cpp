#include "reference_value.h"

#include "log/reading_csv.h"
#include "profiles/reference_units.h"

#include <QRegularExpression>

#include <array>
#include <cmath>

namespace vorlantlog {

namespace {

struct Prefix
{
    QChar letter;
    double factor;
};

const std::array<Prefix, 8> kPrefixes = {{
    {QLatin1Char('p'), 1e-12},
    {QLatin1Char('n'), 1e-9},
    {QLatin1Char('u'), 1e-6},
    {QChar(0x00B5), 1e-6}, // micro sign
    {QLatin1Char('m'), 1e-3},
    {QLatin1Char('k'), 1e3},
    {QLatin1Char('M'), 1e6},
    {QLatin1Char('G'), 1e9},
}};

std::optional<double> unitFactor(int kind, int unit, bool secondary)
{
    return secondary ? profiles::ohmMultiplier(unit) : profiles::primaryUnitMultiplier(kind, unit);
}

// The editor's text of the nominal number counted in a unit of `unitFactor`.
// Prefixes and units are powers of ten: shifting by a whole power keeps
// 1 mF at 1000 uF, where dividing the factors would give 1000.0000000000001.
QString numberIn(const Nominal &nominal, double unitFactor)
{
    const int shift = int(std::lround(std::log10(nominal.prefixFactor) - std::log10(unitFactor)));
    const double power = std::pow(10.0, std::abs(shift));
    return QString::fromLatin1(csvNumber(shift >= 0 ? nominal.number * power : nominal.number / power));
}

} // namespace

std::optional<Nominal> parseNominal(const QString &text, bool secondary, QString *error)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^\\s*((?:[0-9]+(?:[.,][0-9]*)?|[.,][0-9]+)(?:[eE][+-]?[0-9]+)?)\\s*([pnu\\x{00B5}mkMG]?)\\s*"
        "(F|H|[oO][hH][mM][sS]?|\\x{03A9}|\\x{2126})?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        *error = QStringLiteral("\"%1\" is not a nominal value such as 100n, 4.7k or 10uH").arg(text);
        return std::nullopt;
    }
    Nominal nominal;
    nominal.digits = match.captured(1).replace(QLatin1Char(','), QLatin1Char('.'));
    const std::optional<double> number = profiles::readDecimal(nominal.digits, QLatin1Char('.'));
    if (!number || !(*number > 0.0) || !std::isfinite(*number)) {
        *error = QStringLiteral("the nominal value \"%1\" must be a number above 0").arg(text);
        return std::nullopt;
    }
    const QString prefix = match.captured(2);
    for (const Prefix &p : kPrefixes) {
        if (!prefix.isEmpty() && prefix.at(0) == p.letter)
            nominal.prefixFactor = p.factor;
    }
    nominal.number = *number;
    nominal.value = *number * nominal.prefixFactor;

    const QString unit = match.captured(3);
    if (!unit.isEmpty()) {
        const bool ohms = unit != QLatin1String("F") && unit != QLatin1String("H");
        if (ohms)
            nominal.kind = profiles::kPrimaryR; // the secondary's R has the same index
        else if (secondary) {
            *error = QStringLiteral("the secondary nominal value \"%1\" can only be a resistance or a number")
                         .arg(text);
            return std::nullopt;
        } else
            nominal.kind = unit == QLatin1String("F") ? profiles::kPrimaryC : profiles::kPrimaryL;
    }
    return nominal;
}

void setNominal(profiles::ReferenceEntry &entry, int kind, const Nominal &nominal, bool secondary)
{
    entry.kind = kind;
    if (secondary && kind != profiles::kSecondaryR) {
        // Q and D are plain numbers without a unit list.
        entry.unit = 0;
        entry.nominal = nominal.prefixFactor == 1.0 ? nominal.digits : numberIn(nominal, 1.0);
        return;
    }
    // The unit the prefix names keeps the digits as typed.
    for (int unit = 0; unit < 3; ++unit) {
        if (unitFactor(kind, unit, secondary) == nominal.prefixFactor) {
            entry.unit = unit;
            entry.nominal = nominal.digits;
            return;
        }
    }
    // Otherwise the largest unit that leaves a number of 1 or more (the smallest for tiny values).
    int chosen = 0;
    for (int unit = 0; unit < 3; ++unit) {
        if (const auto factor = unitFactor(kind, unit, secondary); factor && *factor <= nominal.value)
            chosen = unit;
    }
    entry.unit = chosen;
    entry.nominal = numberIn(nominal, unitFactor(kind, chosen, secondary).value_or(1.0));
}

std::optional<ToleranceSetting> parseTolerance(const QString &text, QString *error)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return ToleranceSetting{true, QString()};
    if (trimmed == QLatin1String("<") || trimmed == QLatin1String(">"))
        return ToleranceSetting{false, trimmed};
    QString number = trimmed;
    if (number.endsWith(QLatin1Char('%')))
        number.chop(1);
    number = number.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    const std::optional<double> percent = profiles::readDecimal(number, QLatin1Char('.'));
    // A sign or an exponent is not something the window's tolerance field would hold.
    static const QRegularExpression plain(QStringLiteral("^[0-9]*\\.?[0-9]*$"));
    if (!percent || !std::isfinite(*percent) || !plain.match(number).hasMatch()) {
        *error = QStringLiteral("\"%1\" is not a tolerance: give a percentage (5%), \"<\", \">\" or off").arg(text);
        return std::nullopt;
    }
    return ToleranceSetting{false, number + QLatin1Char('%')};
}

void usePointSeparator(profiles::ReferenceEntry &entry)
{
    entry.nominal.replace(QLatin1Char(','), QLatin1Char('.'));
    entry.tolerance.replace(QLatin1Char(','), QLatin1Char('.'));
}

} // namespace vorlantlog
