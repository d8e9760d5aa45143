#include "profiles/reference_units.h"

#include <array>
#include <iterator>

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

QString ohmUnitText(int unit, const protocol::UnitTexts &texts)
{
    using protocol::Prefix;
    static constexpr Prefix kPrefixes[] = {Prefix::None, Prefix::Kilo, Prefix::Mega};
    if (unit < 0 || unit >= int(std::size(kPrefixes)))
        return {};
    return texts.prefix(kPrefixes[unit]) + texts.ohm();
}

QString primaryUnitText(int primaryKind, int unit, const protocol::UnitTexts &texts)
{
    using protocol::Prefix;
    if (primaryKind == kPrimaryR)
        return ohmUnitText(unit, texts);
    // The henry and farad lists, item by item.
    static constexpr Prefix kHenryPrefixes[] = {Prefix::Micro, Prefix::Milli, Prefix::None};
    static constexpr Prefix kFaradPrefixes[] = {Prefix::Pico, Prefix::Nano, Prefix::Micro};
    if (unit < 0 || unit >= 3)
        return {};
    if (primaryKind == kPrimaryL)
        return texts.prefix(kHenryPrefixes[unit]) + texts.unit(protocol::Unit::Henry);
    if (primaryKind == kPrimaryC)
        return texts.prefix(kFaradPrefixes[unit]) + texts.unit(protocol::Unit::Farad);
    return {};
}

} // namespace profiles
