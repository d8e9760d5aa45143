#include "profiles/reference_units.h"

#include "i18n/window_lexicons.h"
#include "protocol/number_format.h"

#include <array>

namespace profiles {

namespace {

constexpr std::array<double, 3> kOhms = {1.0, 1e3, 1e6};
constexpr std::array<double, 3> kHenries = {1e-6, 1e-3, 1.0};
constexpr std::array<double, 3> kFarads = {1e-12, 1e-9, 1e-6};

std::optional<double> pick(const std::array<double, 3> &table, int unit)
{
    if (unit < 0 || unit >= int(table.size()))
        return std::nullopt;
    return table[std::size_t(unit)];
}

} // namespace

std::optional<int> primaryUnitListFor(int primaryKind)
{
    if (primaryKind < kPrimaryR || primaryKind > kPrimaryC)
        return std::nullopt;
    return primaryKind;
}

bool secondaryUnitListShown(int secondaryKind)
{
    return secondaryKind == kSecondaryR;
}

std::optional<double> primaryUnitMultiplier(int primaryKind, int unit)
{
    switch (primaryKind) {
    case kPrimaryR:
        return pick(kOhms, unit);
    case kPrimaryL:
        return pick(kHenries, unit);
    case kPrimaryC:
        return pick(kFarads, unit);
    default:
        return std::nullopt;
    }
}

std::optional<double> ohmMultiplier(int unit)
{
    return pick(kOhms, unit);
}

QString ohmUnitText(int unit, const i18n::WindowLexicons &lexicons)
{
    const QString ohm = protocol::ohmUnit(lexicons);
    switch (unit) {
    case 0:
        return ohm;
    case 1:
        return lexicons.Dlang1.GetItem(1) + ohm;
    case 2:
        return lexicons.Dlang1.GetItem(0) + ohm;
    default:
        return {};
    }
}

QString primaryUnitText(int primaryKind, int unit, const i18n::WindowLexicons &lexicons)
{
    if (primaryKind == kPrimaryR)
        return ohmUnitText(unit, lexicons);
    if (primaryKind == kPrimaryL) {
        const QString henry = lexicons.Dlang3.GetItem(4);
        switch (unit) {
        case 0:
            return protocol::microPrefix(lexicons) + henry;
        case 1:
            return lexicons.Dlang1.GetItem(2) + henry;
        case 2:
            return henry;
        default:
            return {};
        }
    }
    if (primaryKind == kPrimaryC) {
        const QString farad = lexicons.Dlang3.GetItem(5);
        switch (unit) {
        case 0:
            return lexicons.Dlang1.GetItem(5) + farad;
        case 1:
            return lexicons.Dlang1.GetItem(4) + farad;
        case 2:
            return protocol::microPrefix(lexicons) + farad;
        default:
            return {};
        }
    }
    return {};
}

} // namespace profiles
