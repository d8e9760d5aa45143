#include "profiles/si_units.h"

namespace profiles {

namespace {

std::optional<Quantity> baseUnit(QStringView base)
{
    if (base == u"F")
        return Quantity::Capacitance;
    if (base == u"H")
        return Quantity::Inductance;
    if (base == u"\u03a9" || base == u"\u2126" || base.compare(u"ohm", Qt::CaseInsensitive) == 0
        || base.compare(u"ohms", Qt::CaseInsensitive) == 0)
        return Quantity::Resistance;
    return std::nullopt;
}

} // namespace

std::optional<double> siPrefixFactor(QChar letter)
{
    switch (letter.unicode()) {
    case u'p':
        return 1e-12;
    case u'n':
        return 1e-9;
    case u'u':
    case u'\u00b5': // micro sign
    case u'\u03bc': // Greek small mu
        return 1e-6;
    case u'm':
        return 1e-3;
    case u'k':
        return 1e3;
    case u'M':
        return 1e6;
    case u'G':
        return 1e9;
    default:
        return std::nullopt;
    }
}

std::optional<SiUnit> parseSiUnit(QStringView text)
{
    text = text.trimmed();
    SiUnit unit;
    if (text.isEmpty())
        return unit;
    // No base unit starts with a prefix letter, so the first character decides.
    if (const std::optional<double> factor = siPrefixFactor(text.front())) {
        unit.factor = *factor;
        text = text.mid(1).trimmed();
        if (text.isEmpty())
            return unit;
    }
    unit.quantity = baseUnit(text);
    if (!unit.quantity)
        return std::nullopt;
    return unit;
}

} // namespace profiles
