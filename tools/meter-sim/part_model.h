#pragma once

#include <QString>

#include <complex>
#include <optional>

namespace metersim {

// The component on the simulated meter's terminals. A passive part is a series
// chain R + L + C, optionally shunted by a parallel resistance Rp; a diode
// conducts with a forward voltage; a voltage source shows its voltage.
struct Part
{
    enum class Kind { Passive, Diode, Voltage };

    Kind kind = Kind::Passive;
    double seriesResistance = 0.0;   // ohms ("R" or "ESR")
    double seriesInductance = 0.0;   // henries, 0 = none ("L")
    double seriesCapacitance = 0.0;  // farads, 0 = none ("C")
    double parallelResistance = 0.0; // ohms, 0 = none ("Rp")
    double forwardVoltage = 0.65;    // volts, diode only ("Vf")
    double voltage = 0.0;            // volts, signed, voltage source only ("U")
    QString text;                    // the form it was given in

    // Complex impedance at a test frequency: real part R, imaginary part X
    // (positive for inductive, negative for capacitive parts).
    std::complex<double> impedanceAt(double hertz) const;

    // Resistance a DC ohmmeter sees; a series capacitor makes it open.
    double dcResistance() const;
};

// Parses forms such as "R=4.7k", "C=100n,ESR=0.2", "L=1m,R=2", "R=1k,L=20n,Rp=1M",
// "diode", "diode,Vf=0.3", "U=3.3", "U=-1.5". Keys are case-sensitive; on failure
// returns nullopt and says why in `error`.
std::optional<Part> parsePart(const QString &partText, QString *error);

// A number with an optional SI prefix: "4.7k", "4k7", "100n", "2.2u", "1e-3",
// "0.5M". The prefix letters are p n u µ m k M G.
std::optional<double> parseSiValue(const QString &text);

} // namespace metersim
