#include "protocol/unit_texts.h"

namespace protocol {

const UnitTexts &UnitTexts::design()
{
    static const UnitTexts texts{
        {QStringLiteral("М"), QStringLiteral("к"), QStringLiteral("м"), QStringLiteral("мк"), QStringLiteral("н"),
         QStringLiteral("п")},
        {QStringLiteral("Гц"), QStringLiteral("Вскз"), QStringLiteral("В"), QStringLiteral("Ом"), QStringLiteral("Гн"),
         QStringLiteral("Ф"), QStringLiteral("скз"), QStringLiteral("п-п")},
        {QStringLiteral("п"), QStringLiteral("о"), QStringLiteral("ПН")},
    };
    return texts;
}

QString UnitTexts::prefix(Prefix p) const
{
    switch (p) {
    case Prefix::None:
        return QString();
    case Prefix::Micro:
        return micro();
    default:
        return prefixes[std::size_t(p) - 1];
    }
}

QString UnitTexts::unit(Unit u) const
{
    return u == Unit::Ohm ? ohm() : units[std::size_t(u)];
}

QString UnitTexts::micro() const
{
    const QString &design = UnitTexts::design().prefixes[3];
    return prefixes[3] == design ? design : QStringLiteral("μ");
}

QString UnitTexts::ohm() const
{
    const QString &design = UnitTexts::design().units[3];
    return units[3] == design ? design : QStringLiteral("Ω");
}

} // namespace protocol
