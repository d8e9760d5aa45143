// Part forms on the command line: a comma-separated list of KEY=VALUE items or a
// bare word. Passive keys: R (or ESR) series resistance, L series inductance,
// C series capacitance, Rp parallel resistance across the whole chain.
// "diode" takes an optional Vf; "U=V" is a DC voltage source. Examples:
//   R=4.7k        C=100n,ESR=0.2        L=1m,R=2        diode,Vf=0.3        U=-1.5

#include "part_model.h"

#include "profiles/si_units.h"

#include <QStringList>

#include <cmath>
#include <numbers>

namespace metersim {

namespace {

// How a diode looks to an AC bridge: reverse leakage shunted by the junction.
constexpr double kDiodeLeakage = 1e6;
constexpr double kDiodeJunction = 20e-12;
// A charged source seen by the bridge: its internal resistance only.
constexpr double kSourceResistance = 0.1;
// An open circuit on the ohmmeter.
constexpr double kOpenResistance = 1e9;

} // namespace

std::optional<double> parseSiValue(const QString &raw)
{
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // The prefix is either the last character ("4.7k") or stands for the
    // decimal point ("4k7"); there is at most one.
    qsizetype prefixAt = -1;
    double multiplier = 1.0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<double> m = profiles::siPrefixFactor(text[i]);
        // "e" belongs to an exponent, never a prefix.
        if (!m)
            continue;
        if (prefixAt >= 0)
            return std::nullopt;
        prefixAt = i;
        multiplier = *m;
    }
    QString number = text;
    if (prefixAt >= 0) {
        if (prefixAt == 0)
            return std::nullopt;
        const QString head = text.left(prefixAt);
        const QString tail = text.mid(prefixAt + 1);
        if (!tail.isEmpty()) {
            // "4k7": only digits may follow, and the head must be a plain integer.
            for (QChar c : tail)
                if (!c.isDigit())
                    return std::nullopt;
            for (QChar c : head)
                if (!c.isDigit())
                    return std::nullopt;
            number = head + QLatin1Char('.') + tail;
        } else {
            number = head;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double scaled = value * multiplier;
    if (!std::isfinite(scaled))
        return std::nullopt;
    return scaled;
}

std::optional<Part> parsePart(const QString &partText, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<Part> {
        if (error)
            *error = why;
        return std::nullopt;
    };

    Part part;
    part.text = partText.trimmed();
    const QStringList items = part.text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    bool haveR = false, haveL = false, haveC = false, haveRp = false, haveU = false, haveVf = false;
    bool diode = false;

    for (const QString &rawItem : items) {
        const QString item = rawItem.trimmed();
        if (item.isEmpty())
            return fail(QStringLiteral("empty item in part \"%1\"").arg(partText));
        if (item == QLatin1String("diode")) {
            if (diode)
                return fail(QStringLiteral("\"diode\" given twice"));
            diode = true;
            continue;
        }
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail(QStringLiteral("\"%1\" is not KEY=VALUE").arg(item));
        const QString key = item.left(eq).trimmed();
        const std::optional<double> value = parseSiValue(item.mid(eq + 1));
        if (!value)
            return fail(QStringLiteral("\"%1\" is not a number").arg(item.mid(eq + 1)));

        bool *seen = nullptr;
        if (key == QLatin1String("R") || key == QLatin1String("ESR"))
            seen = &haveR;
        else if (key == QLatin1String("L"))
            seen = &haveL;
        else if (key == QLatin1String("C"))
            seen = &haveC;
        else if (key == QLatin1String("Rp"))
            seen = &haveRp;
        else if (key == QLatin1String("U"))
            seen = &haveU;
        else if (key == QLatin1String("Vf"))
            seen = &haveVf;
        else
            return fail(QStringLiteral("unknown key \"%1\" (R, ESR, L, C, Rp, U, Vf, diode)").arg(key));
        if (*seen)
            return fail(QStringLiteral("\"%1\" given twice").arg(key));
        *seen = true;

        const double v = *value;
        if (key == QLatin1String("U")) {
            part.voltage = v;
            continue;
        }
        if (v < 0)
            return fail(QStringLiteral("\"%1\" must not be negative").arg(key));
        if (key == QLatin1String("R") || key == QLatin1String("ESR")) {
            part.seriesResistance = v;
        } else if (v == 0) {
            return fail(QStringLiteral("\"%1\" must be above zero").arg(key));
        } else if (key == QLatin1String("L")) {
            part.seriesInductance = v;
        } else if (key == QLatin1String("C")) {
            part.seriesCapacitance = v;
        } else if (key == QLatin1String("Rp")) {
            part.parallelResistance = v;
        } else {
            part.forwardVoltage = v;
        }
    }

    const bool passive = haveR || haveL || haveC || haveRp;
    if (int(diode) + int(haveU) + int(passive) != 1)
        return fail(QStringLiteral("part \"%1\" must be one of: passive (R, L, C, Rp), diode, or U").arg(partText));
    if (haveVf && !diode)
        return fail(QStringLiteral("Vf belongs to a diode"));
    if (haveRp && !(haveR || haveL || haveC))
        return fail(QStringLiteral("Rp needs R, L or C beside it"));
    if (diode)
        part.kind = Part::Kind::Diode;
    else if (haveU)
        part.kind = Part::Kind::Voltage;
    return part;
}

std::complex<double> Part::impedanceAt(double hertz) const
{
    const double w = 2.0 * std::numbers::pi * hertz;
    switch (kind) {
    case Kind::Diode:
        return 1.0 / std::complex<double>(1.0 / kDiodeLeakage, w * kDiodeJunction);
    case Kind::Voltage:
        return {kSourceResistance, 0.0};
    case Kind::Passive:
        break;
    }
    std::complex<double> z(seriesResistance, w * seriesInductance);
    if (seriesCapacitance > 0)
        z += std::complex<double>(0.0, -1.0 / (w * seriesCapacitance));
    if (parallelResistance > 0)
        z = z * parallelResistance / (z + parallelResistance);
    return z;
}

double Part::dcResistance() const
{
    switch (kind) {
    case Kind::Diode:
        return kDiodeLeakage;
    case Kind::Voltage:
        return kSourceResistance;
    case Kind::Passive:
        break;
    }
    const double chain = seriesCapacitance > 0 ? kOpenResistance : seriesResistance;
    if (parallelResistance > 0)
        return chain * parallelResistance / (chain + parallelResistance);
    return chain;
}

} // namespace metersim
