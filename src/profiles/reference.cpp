#include "profiles/reference.h"

#include "profiles/reference_units.h"
#include "profiles/tolerance_check.h"

#include <QLocale>

#include <cmath>

namespace profiles {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

ReferenceSide readSide(const ReferenceEntry &entry, std::optional<Quantity> quantity,
                       std::optional<double> (*multiplier)(int kind, int unit), QChar separator)
{
    ReferenceSide side;
    side.on = !entry.toleranceOff;
    side.rule = readToleranceRule(entry.tolerance, separator);
    if (!quantity) {
        side.problem = ReferenceProblem::UnknownKind;
        return side;
    }
    side.quantity = *quantity;
    const std::optional<double> number = readDecimal(entry.nominal, separator);
    if (!number) {
        side.problem = ReferenceProblem::UnreadableNominal;
        return side;
    }
    // Q and D are plain numbers without a unit list.
    const bool plain = *quantity == Quantity::Quality || *quantity == Quantity::Dissipation;
    const std::optional<double> factor = plain ? std::optional<double>(1.0) : multiplier(entry.kind, entry.unit);
    if (!factor) {
        side.problem = ReferenceProblem::UnknownUnit;
        return side;
    }
    side.nominal = *number * *factor;
    return side;
}

std::optional<double> secondaryMultiplier(int, int unit)
{
    return ohmMultiplier(unit);
}

} // namespace

namespace {

template <std::size_t N>
std::optional<Quantity> item(const Quantity (&table)[N], int index)
{
    if (index < 0 || index >= int(N))
        return std::nullopt;
    return table[index];
}

using Q = Quantity;
// The editor's kind lists, item by item.
constexpr Q kPrimaryKinds[] = {Q::Resistance, Q::Inductance, Q::Capacitance};
constexpr Q kSecondaryKinds[] = {Q::Resistance, Q::Quality, Q::Dissipation};
// The meter's parameter codes from 1 on.
constexpr Q kPrimaryCodes[] = {Q::Resistance, Q::Capacitance, Q::Inductance};
constexpr Q kSecondaryCodes[] = {Q::Resistance, Q::Quality, Q::Dissipation};

} // namespace

std::optional<Quantity> primaryQuantity(int kind)
{
    return item(kPrimaryKinds, kind);
}

std::optional<Quantity> secondaryQuantity(int kind)
{
    return item(kSecondaryKinds, kind);
}

std::optional<Quantity> quantityOfPrimaryCode(int primaryCode)
{
    return item(kPrimaryCodes, primaryCode - 1);
}

std::optional<Quantity> quantityOfSecondaryCode(int secondaryCode)
{
    return item(kSecondaryCodes, secondaryCode - 1);
}

Reference readReference(const ReferenceEditor &editor, QChar separator)
{
    return {readSide(editor.primary, primaryQuantity(editor.primary.kind), primaryUnitMultiplier, separator),
            readSide(editor.secondary, secondaryQuantity(editor.secondary.kind), secondaryMultiplier, separator)};
}

std::optional<double> readDecimal(QStringView text, QChar decimalSeparator)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    QString plain; // the number with a point, checked piece by piece
    qsizetype i = begin;
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        plain += text[i++];
    int digits = 0;
    while (i < end && isDigit(text[i])) {
        plain += text[i++];
        ++digits;
    }
    if (i < end && text[i] == decimalSeparator) {
        plain += QLatin1Char('.');
        ++i;
        while (i < end && isDigit(text[i])) {
            plain += text[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        plain += QLatin1Char('e');
        ++i;
        if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            plain += text[i++];
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            plain += text[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

ToleranceRule readToleranceRule(const QString &field, QChar decimalSeparator)
{
    QString text = field.left(8);
    if (text.size() == 1) {
        if (text == QLatin1String("<"))
            return ToleranceRule::atMost();
        if (text == QLatin1String(">"))
            return ToleranceRule::atLeast();
        return {ToleranceRule::Kind::OtherCharacter, 0.0};
    }
    if (text.endsWith(QLatin1Char('%')))
        text[text.size() - 1] = QLatin1Char(' ');
    if (const std::optional<double> percent = readDecimal(text, decimalSeparator))
        return ToleranceRule::withinPercent(*percent);
    return {};
}

} // namespace profiles
