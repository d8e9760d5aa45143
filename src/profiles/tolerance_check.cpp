#include "profiles/tolerance_check.h"

#include "profiles/reference_units.h"

#include <QLocale>

#include <cmath>
#include <numbers>

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

// Why a judgement stopped early: the verdict it gives.
struct Stop
{
    std::int32_t result;
};

double finiteOrStop(double value)
{
    if (!std::isfinite(value))
        throw Stop{kNotJudged};
    return value;
}

double nominalOrStop(const QString &text, QChar separator)
{
    const std::optional<double> value = readDecimal(text, separator);
    if (!value)
        throw Stop{kNotJudged};
    return *value;
}

double multiplierOrStop(std::optional<double> multiplier)
{
    if (!multiplier)
        throw Stop{kNotJudged};
    return *multiplier;
}

} // namespace

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
    ToleranceRule rule;
    if (text.size() == 1) {
        if (text == QLatin1String("<"))
            rule.kind = ToleranceRule::Kind::AtMost;
        else if (text == QLatin1String(">"))
            rule.kind = ToleranceRule::Kind::AtLeast;
        else
            rule.kind = ToleranceRule::Kind::OtherCharacter;
        return rule;
    }
    if (text.endsWith(QLatin1Char('%')))
        text[text.size() - 1] = QLatin1Char(' ');
    if (const std::optional<double> percent = readDecimal(text, decimalSeparator)) {
        rule.kind = ToleranceRule::Kind::Percent;
        rule.percent = *percent;
    }
    return rule;
}

JudgeOutcome judgeReading(const protocol::RlcReading &reading, std::uint8_t seriesCircuit,
                          const ReferenceEditor &editor, QChar decimalSeparator)
{
    JudgeOutcome outcome;
    const bool series = seriesCircuit == 1;
    const double twoPiF = 2.0 * std::numbers::pi * double(reading.frequencyHz);
    std::int32_t r = 0;
    try {
        if (!editor.primary.toleranceOff) {
            const ReferenceEntry &entry = editor.primary;
            double n = nominalOrStop(entry.nominal, decimalSeparator);
            double m = 0.0;
            switch (entry.kind) {
            case kPrimaryR:
                n *= multiplierOrStop(primaryUnitMultiplier(entry.kind, entry.unit));
                m = series ? reading.seriesResistance : reading.parallelResistance;
                break;
            case kPrimaryL:
                n *= multiplierOrStop(primaryUnitMultiplier(entry.kind, entry.unit));
                n = twoPiF * n; // the nominal inductive reactance
                m = series ? reading.seriesReactance : reading.parallelReactance;
                break;
            case kPrimaryC:
                n *= multiplierOrStop(primaryUnitMultiplier(entry.kind, entry.unit));
                n = finiteOrStop(-1.0 / (twoPiF * n)); // the nominal capacitive reactance, negative
                m = -(series ? reading.seriesReactance : reading.parallelReactance);
                break;
            default:
                throw Stop{kNotJudged};
            }
            const double deviation = finiteOrStop((m - n) / std::fabs(n) * 100.0);
            outcome.primaryDeviation = deviation;

            const ToleranceRule rule = readToleranceRule(entry.tolerance, decimalSeparator);
            switch (rule.kind) {
            case ToleranceRule::Kind::AtMost:
                r = m > n ? 1 : 0;
                break;
            case ToleranceRule::Kind::AtLeast:
                r = m < n ? 1 : 0;
                break;
            case ToleranceRule::Kind::Percent:
                // A deviation exactly at the tolerance passes.
                r = std::fabs(deviation) > rule.percent ? 1 : 0;
                break;
            case ToleranceRule::Kind::OtherCharacter:
            case ToleranceRule::Kind::Unreadable:
                throw Stop{kNotJudged};
            }
        }

        if (!editor.secondary.toleranceOff) {
            const ReferenceEntry &entry = editor.secondary;
            double n = nominalOrStop(entry.nominal, decimalSeparator);
            double m = 0.0;
            switch (entry.kind) {
            case kSecondaryR:
                n *= multiplierOrStop(ohmMultiplier(entry.unit));
                m = series ? reading.seriesResistance : reading.parallelResistance;
                break;
            case kSecondaryQ:
                m = finiteOrStop(std::fabs(reading.seriesReactance / reading.seriesResistance));
                break;
            case kSecondaryD:
                m = finiteOrStop(std::fabs(reading.seriesResistance / reading.seriesReactance));
                break;
            default:
                throw Stop{kNotJudged};
            }
            // Divided by the nominal value itself, not by its magnitude.
            const double deviation = finiteOrStop((m - n) / n * 100.0);
            outcome.secondaryDeviation = deviation;

            const ToleranceRule rule = readToleranceRule(entry.tolerance, decimalSeparator);
            switch (rule.kind) {
            case ToleranceRule::Kind::AtMost:
                r += m > n ? 2 : 0;
                break;
            case ToleranceRule::Kind::AtLeast:
                r += m < n ? 2 : 0;
                break;
            case ToleranceRule::Kind::Percent:
                r += std::fabs(deviation) > rule.percent ? 2 : 0;
                break;
            case ToleranceRule::Kind::OtherCharacter:
                throw Stop{2};
            case ToleranceRule::Kind::Unreadable:
                throw Stop{kNotJudged};
            }
        }
    } catch (const Stop &stop) {
        outcome.result = stop.result;
        return outcome;
    }
    outcome.result = r;
    return outcome;
}

} // namespace profiles
