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

// The tolerance field is read from its first 8 characters.
QString toleranceText(const QString &text)
{
    return text.left(8);
}

enum class OneChar { NotOne, AtMost, AtLeast, Other };

OneChar oneCharacterRule(const QString &tolerance)
{
    if (tolerance.size() != 1)
        return OneChar::NotOne;
    if (tolerance == QLatin1String("<"))
        return OneChar::AtMost;
    if (tolerance == QLatin1String(">"))
        return OneChar::AtLeast;
    return OneChar::Other;
}

// A percentage: a trailing "%" counts as a blank.
double percentOrStop(QString tolerance, QChar separator)
{
    if (tolerance.endsWith(QLatin1Char('%')))
        tolerance[tolerance.size() - 1] = QLatin1Char(' ');
    const std::optional<double> value = readDecimal(tolerance, separator);
    if (!value)
        throw Stop{kNotJudged};
    return *value;
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

            const QString tolerance = toleranceText(entry.tolerance);
            switch (oneCharacterRule(tolerance)) {
            case OneChar::AtMost:
                r = m > n ? 1 : 0;
                break;
            case OneChar::AtLeast:
                r = m < n ? 1 : 0;
                break;
            case OneChar::Other:
                throw Stop{kNotJudged};
            case OneChar::NotOne:
                // A deviation exactly at the tolerance passes.
                r = std::fabs(deviation) > percentOrStop(tolerance, decimalSeparator) ? 1 : 0;
                break;
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

            const QString tolerance = toleranceText(entry.tolerance);
            switch (oneCharacterRule(tolerance)) {
            case OneChar::AtMost:
                r += m > n ? 2 : 0;
                break;
            case OneChar::AtLeast:
                r += m < n ? 2 : 0;
                break;
            case OneChar::Other:
                throw Stop{2};
            case OneChar::NotOne:
                r += std::fabs(deviation) > percentOrStop(tolerance, decimalSeparator) ? 2 : 0;
                break;
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
