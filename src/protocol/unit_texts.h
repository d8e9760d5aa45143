#pragma once

// The texts a value needs besides its digits: the decimal prefixes, the unit
// symbols and the RD display's short marks. Decoders take them as a value,
// so any front end can decode: the window fills them from its lexicons (in
// the language in effect, at the moment of decoding), a headless front end
// takes the design texts.

#include <QString>

#include <array>

namespace protocol {

enum class Prefix { None, Mega, Kilo, Milli, Micro, Nano, Pico };
enum class Unit { Hertz, VoltRms, Volt, Ohm, Henry, Farad, Rms, PeakToPeak };
enum class Mark { Second, Open, Junction }; // the RD display: "п", "о", "ПН"

struct UnitTexts
{
    // Mega, kilo, milli, micro, nano, pico.
    std::array<QString, 6> prefixes;
    // Hertz, volts rms, volts, ohm, henry, farad, "rms", "peak-to-peak".
    std::array<QString, 8> units;
    std::array<QString, 3> marks;

    // The Russian texts the window is designed with (the meter's own labels).
    static const UnitTexts &design();

    QString prefix(Prefix prefix) const;
    QString unit(Unit unit) const;
    QString mark(Mark mark) const { return marks[std::size_t(mark)]; }
    // "мк" while the micro prefix reads so, otherwise "μ".
    QString micro() const;
    // "Ом" while the ohm unit reads so, otherwise "Ω".
    QString ohm() const;

    bool operator==(const UnitTexts &) const = default;
};

} // namespace protocol
