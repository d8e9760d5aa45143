#include "reference_value.h"

#include "profiles/line_editor.h"
#include "profiles/tolerance_check.h"

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

QString withPoint(QString text)
{
    return text.replace(QLatin1Char(','), QLatin1Char('.'));
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
    const std::optional<double> number = profiles::readDecimal(withPoint(match.captured(1)), QLatin1Char('.'));
    if (!number || !(*number > 0.0) || !std::isfinite(*number)) {
        *error = QStringLiteral("the nominal value \"%1\" must be a number above 0").arg(text);
        return std::nullopt;
    }
    double factor = 1.0;
    const QString prefix = match.captured(2);
    for (const Prefix &p : kPrefixes) {
        if (!prefix.isEmpty() && prefix.at(0) == p.letter)
            factor = p.factor;
    }
    Nominal nominal;
    nominal.value = *number * factor;

    const QString unit = match.captured(3);
    if (!unit.isEmpty()) {
        const bool ohms = unit != QLatin1String("F") && unit != QLatin1String("H");
        if (ohms)
            nominal.quantity = profiles::Quantity::Resistance;
        else if (secondary) {
            *error = QStringLiteral("the secondary nominal value \"%1\" can only be a resistance or a number")
                         .arg(text);
            return std::nullopt;
        } else
            nominal.quantity = unit == QLatin1String("F") ? profiles::Quantity::Capacitance
                                                           : profiles::Quantity::Inductance;
    }
    return nominal;
}

std::optional<ToleranceSetting> parseTolerance(const QString &text, QString *error)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return ToleranceSetting{true, {}};
    if (trimmed == QLatin1String("<"))
        return ToleranceSetting{false, profiles::ToleranceRule::atMost()};
    if (trimmed == QLatin1String(">"))
        return ToleranceSetting{false, profiles::ToleranceRule::atLeast()};
    QString number = trimmed;
    if (number.endsWith(QLatin1Char('%')))
        number.chop(1);
    number = withPoint(number.trimmed());
    const std::optional<double> percent = profiles::readDecimal(number, QLatin1Char('.'));
    // A sign or an exponent is not something the window's tolerance field would hold.
    static const QRegularExpression plain(QStringLiteral("^[0-9]*\\.?[0-9]*$"));
    if (!percent || !std::isfinite(*percent) || !plain.match(number).hasMatch()) {
        *error = QStringLiteral("\"%1\" is not a tolerance: give a percentage (5%), \"<\", \">\" or off").arg(text);
        return std::nullopt;
    }
    return ToleranceSetting{false, profiles::ToleranceRule::withinPercent(*percent)};
}

profiles::Reference profileReference(const profiles::ProfileLine &line)
{
    profiles::ReferenceEditor editor = profiles::editorFromLine(line).reference;
    for (profiles::ReferenceEntry *entry : {&editor.primary, &editor.secondary}) {
        entry->nominal = withPoint(entry->nominal);
        entry->tolerance = withPoint(entry->tolerance);
    }
    return profiles::readReference(editor, QLatin1Char('.'));
}

} // namespace vorlantlog
