#include "protocol/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace protocol {

namespace {

constexpr int kMaxDigits = 18;

// |x| as 0.d1 d2 ... x 10^exponent, digits without trailing zeros.
struct Decimal
{
    char digits[kMaxDigits + 1] = {};
    int count = 0;
    int exponent = 0;
};

// The 18 significant digits of |x| (x finite and non-zero).
Decimal toDecimal(double a)
{
    char buf[48];
    const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, kMaxDigits - 1);
    // buf: "d.ddddddddddddddddde+XX"
    Decimal d;
    d.digits[0] = buf[0];
    int n = 1;
    const char *p = buf + 2;
    for (; p < res.ptr && *p != 'e'; ++p)
        d.digits[n++] = *p;
    d.count = n;
    // The buffer is not terminated: parse the exponent within its bounds.
    int power = 0;
    const char *e = p + 1;
    if (e < res.ptr && *e == '+')
        ++e;
    std::from_chars(e, res.ptr, power);
    d.exponent = power + 1;
    return d;
}

// Keeps `keep` digits, rounding half-up on the next digit; a carry out of the
// first digit leaves "1" and raises the exponent.
void roundTo(Decimal &d, int keep)
{
    if (keep >= d.count)
        return;
    const bool up = d.digits[keep] >= '5';
    d.count = keep;
    if (!up)
        return;
    int i = keep - 1;
    for (; i >= 0; --i) {
        if (d.digits[i] != '9') {
            ++d.digits[i];
            break;
        }
        d.digits[i] = '0';
    }
    if (i < 0) {
        d.digits[0] = '1';
        d.count = 1;
        ++d.exponent;
    }
}

void trimZeros(Decimal &d)
{
    while (d.count > 0 && d.digits[d.count - 1] == '0')
        --d.count;
}

void appendInteger(QString &out, const Decimal &d, bool grouped, const QString &thousands)
{
    if (d.exponent <= 0) {
        out += QLatin1Char('0');
        return;
    }
    const bool group = grouped && !thousands.isEmpty();
    for (int i = 0; i < d.exponent; ++i) {
        if (group && i > 0 && (d.exponent - i) % 3 == 0)
            out += thousands;
        out += QLatin1Char(i < d.count ? d.digits[i] : '0');
    }
}

void appendFraction(QString &out, const Decimal &d, int decimals, const QString &decimal)
{
    if (decimals <= 0)
        return;
    out += decimal;
    int written = 0;
    if (d.exponent < 0) {
        for (; written < std::min(decimals, -d.exponent); ++written)
            out += QLatin1Char('0');
    }
    for (int i = std::max(d.exponent, 0); i < d.count && written < decimals; ++i, ++written)
        out += QLatin1Char(d.digits[i]);
    for (; written < decimals; ++written)
        out += QLatin1Char('0');
}

void appendScientific(QString &out, const Decimal &d, int decimals, const QString &decimal)
{
    out += QLatin1Char(d.digits[0]);
    if (d.count > 1) {
        out += decimal;
        for (int i = 1; i < d.count; ++i)
            out += QLatin1Char(d.digits[i]);
    }
    out += QLatin1Char('E');
    const int power = d.exponent - 1;
    if (power < 0)
        out += QLatin1Char('-');
    const QString number = QString::number(std::abs(power));
    const int minWidth = decimals > 4 ? 0 : decimals;
    for (qsizetype i = number.size(); i < minWidth; ++i)
        out += QLatin1Char('0');
    out += number;
}

} // namespace

NumberSeparators NumberSeparators::fromLocale(const QLocale &locale)
{
    NumberSeparators s;
    s.decimal = locale.decimalPoint();
    s.thousands = locale.numberOptions().testFlag(QLocale::OmitGroupSeparator) ? QString() : locale.groupSeparator();
    return s;
}

QString formatNumber(double x, int precision, int decimals, bool grouped, const NumberSeparators &separators)
{
    precision = std::clamp(precision, 2, kMaxDigits);
    // A negative count rounds to tens, hundreds...; below -400 every double
    // rounds to zero, so that bound only keeps exponent + decimals in range.
    decimals = std::clamp(decimals, -400, kMaxDigits);
    if (std::isnan(x))
        return QStringLiteral("NAN");
    if (std::isinf(x))
        return x < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    Decimal d;
    if (x != 0.0) {
        d = toDecimal(std::fabs(x));
        const int keep = std::min(precision, d.exponent + decimals);
        if (keep < 0)
            d.count = 0;
        else
            roundTo(d, keep);
        trimZeros(d);
    }
    if (d.count == 0)
        d.exponent = 0;
    const bool negative = d.count > 0 && std::signbit(x);

    QString out;
    out.reserve(32);
    if (negative)
        out += QLatin1Char('-');
    if (d.exponent > precision) {
        appendScientific(out, d, decimals, separators.decimal);
        return out;
    }
    appendInteger(out, d, grouped, separators.thousands);
    appendFraction(out, d, decimals, separators.decimal);
    return out;
}

namespace {

// `power` is the decade the value is multiplied by; downscaling divides by an
// exact power of ten instead of multiplying by an inexact 1e-3 or 1e-6.
struct Scale
{
    int power;
    int decimals;
    Prefix prefix;
};

double applyScale(double v, int power)
{
    static constexpr double kPowers[] = {1.0, 1e3, 1e6, 1e9, 1e12};
    const double factor = kPowers[std::abs(power) / 3];
    return power < 0 ? v / factor : v * factor;
}

// Decimals of inductances below one milli-unit: fewer at the low test frequencies.
int inductanceDecimals(double v, std::int32_t f)
{
    if (f == 100 || v >= 0.0001)
        return 2;
    if (f == 1000 || v >= 0.00001)
        return 3;
    return 4;
}

int picoDecimals(double v, std::int32_t f)
{
    if (f == 100)
        return 2;
    if (v >= 1e-11 || f == 1000)
        return 3;
    return 4;
}

Scale scaleFor(double v, bool inductanceMode, std::int32_t f)
{
    if (v >= 10000000.0)
        return {-6, 3, Prefix::Mega};
    if (v >= 1000000.0)
        return {-6, 4, Prefix::Mega};
    if (v >= 100000.0)
        return {-3, 2, Prefix::Kilo};
    if (v >= 10000.0)
        return {-3, 3, Prefix::Kilo};
    if (v >= 1000.0)
        return {-3, 4, Prefix::Kilo};
    if (v >= 100.0)
        return {0, 2, Prefix::None};
    if (v >= 10.0)
        return {0, 3, Prefix::None};
    if (v >= 1.0)
        return {0, 4, Prefix::None};
    if (v >= 0.1)
        return {3, 2, Prefix::Milli};
    if (v >= 0.01)
        return {3, 3, Prefix::Milli};
    if (v >= 0.001)
        return {3, 4, Prefix::Milli};
    if (inductanceMode)
        return {6, inductanceDecimals(v, f), Prefix::Micro};
    if (v >= 0.0001)
        return {6, 2, Prefix::Micro};
    if (v >= 0.00001)
        return {6, 3, Prefix::Micro};
    if (v >= 0.000001)
        return {6, 4, Prefix::Micro};
    if (v >= 1e-7)
        return {9, 2, Prefix::Nano};
    if (v >= 1e-8)
        return {9, 3, Prefix::Nano};
    if (v >= 1e-9)
        return {9, 4, Prefix::Nano};
    if (v >= 1e-10)
        return {12, 2, Prefix::Pico};
    return {12, picoDecimals(v, f), Prefix::Pico};
}

} // namespace

QString formatEngineering(double v, bool inductanceMode, std::int32_t frequencyHz, const FormatContext &context)
{
    const Scale s = scaleFor(v, inductanceMode, frequencyHz);
    return formatNumber(applyScale(v, s.power), 5, s.decimals, true, context.separators) + QLatin1Char(' ')
           + context.texts.prefix(s.prefix);
}

QString formatMagnitude(double v, const FormatContext &context)
{
    if (v > kMagnitudeLimit)
        return QStringLiteral(">20") + context.separators.decimal + QStringLiteral("00 ")
               + context.texts.prefix(Prefix::Mega);
    if (v < 1.0)
        return formatNumber(v, 5, 4, true, context.separators) + QLatin1Char(' ');
    if (v < 10.0)
        return formatNumber(v, 5, 3, true, context.separators) + QLatin1Char(' ');
    // From 10 up no row of formatEngineering reads the test frequency.
    return formatEngineering(v, false, 0, context);
}

} // namespace protocol
