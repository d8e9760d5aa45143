#include "reference_value.h"

#include "profiles/line_editor.h"
#include "profiles/si_units.h"
#include "profiles/tolerance_check.h"

#include <QRegularExpression>

#include <cmath>

namespace vorlantlog {

namespace {

QString withPoint(QString text)
{
    return text.replace(QLatin1Char(','), QLatin1Char('.'));
}

} // namespace

std::optional<Nominal> parseNominal(const QString &text, bool secondary, QString *error)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^\\s*((?:[0-9]+(?:[.,][0-9]*)?|[.,][0-9]+)(?:[eE][+-]?[0-9]+)?)(.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(text);
    const std::optional<profiles::SiUnit> unit =
        match.hasMatch() ? profiles::parseSiUnit(match.capturedView(2)) : std::nullopt;
    if (!unit) {
        *error = QStringLiteral("\"%1\" is not a nominal value such as 100n, 4.7k or 10uH").arg(text);
        return std::nullopt;
    }
    const std::optional<double> number = profiles::readDecimal(withPoint(match.captured(1)), QLatin1Char('.'));
    if (!number || !(*number > 0.0) || !std::isfinite(*number)) {
        *error = QStringLiteral("the nominal value \"%1\" must be a number above 0").arg(text);
        return std::nullopt;
    }
    if (secondary && unit->quantity && *unit->quantity != profiles::Quantity::Resistance) {
        *error = QStringLiteral("the secondary nominal value \"%1\" can only be a resistance or a number").arg(text);
        return std::nullopt;
    }
    Nominal nominal;
    nominal.value = *number * unit->factor;
    nominal.quantity = unit->quantity;
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
