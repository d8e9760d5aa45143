// The texts of the RD and U panels, written from the numbers rd_u_values.cpp
// reads out of the frames (layouts there).
//
// Example RD frame, diode pointing down at 650 mV with 1 mA:
//   00 80 22 44  00 00 7A 44  00 00 00 00  00 00 01  42  31 0A
// gives "  V=0.650 В", "A 3.2 В" and "Iо=1.000 мA".

#include "protocol/rd_u_decoder.h"

#include <cmath>

namespace protocol {

namespace {

QString volts(double v, const FormatContext &ctx)
{
    return formatNumber(v, 4, 3, true, ctx.separators) + QLatin1Char(' ') + ctx.texts.unit(Unit::Volt);
}

} // namespace

QString formatCurrent(double microamperes, const FormatContext &ctx)
{
    if (microamperes < 10.0)
        return formatNumber(microamperes, 4, 3, true, ctx.separators) + QLatin1Char(' ')
               + ctx.texts.prefix(Prefix::Micro) + QLatin1Char('A');
    return formatNumber(microamperes / 1000.0, 4, 3, true, ctx.separators) + QLatin1Char(' ')
           + ctx.texts.prefix(Prefix::Milli) + QLatin1Char('A');
}

RdDecodeResult decodeRdFrame(const MeterFrame &frame, const FormatContext &ctx)
{
    const UnitTexts &texts = ctx.texts;
    const RdValues values = rdValues(frame);
    const RdStatus st = values.status;
    const QString space = QStringLiteral(" ");

    RdDecodeResult out;
    out.status = st;
    out.RD_Auto = st.testVoltageCode == 0 ? QStringLiteral("A") : space;

    if (values.firstCurrentMicroamps) {
        out.Joo = texts.mark(st.testVoltageCode == 0 ? Mark::Open : Mark::Second);
        out.J_prim = QStringLiteral("I");
        out.RD_J = QLatin1Char('=') + formatCurrent(*values.firstCurrentMicroamps, ctx);
    } else {
        out.Joo = space;
        out.RD_J = space;
        out.J_prim = space;
    }

    out.RD_J1 = values.secondCurrentMicroamps
                    ? QLatin1Char('I') + texts.mark(Mark::Second) + QLatin1Char('=')
                          + formatCurrent(*values.secondCurrentMicroamps, ctx)
                    : space;

    // The test voltages are 3.2, 1.3 and 0.1 V, always written with a point.
    if (values.testVolts)
        out.RD_V = (values.testVoltageAutomatic ? QStringLiteral("A ") : space)
                   + QString::number(*values.testVolts, 'f', 1) + space + texts.unit(Unit::Volt);
    out.Im_Diod = values.picture;
    switch (values.kind) {
    case RdKind::Diode:
        out.RD_prim_R = QStringLiteral("D");
        out.RD_Prim = QStringLiteral("  V=") + volts(*values.diodeVolts, ctx);
        break;
    case RdKind::Junction:
        out.RD_prim_R = QStringLiteral("D");
        out.RD_Prim = texts.mark(Mark::Junction);
        break;
    case RdKind::Resistance:
        out.RD_prim_R = QStringLiteral("R");
        out.RD_Prim = formatMagnitude(*values.resistanceOhms, ctx) + texts.ohm();
        break;
    }
    return out;
}

UDecodeResult decodeUFrame(const MeterFrame &frame, const FormatContext &ctx)
{
    const UnitTexts &texts = ctx.texts;
    const UValues values = uValues(frame);

    UDecodeResult out;
    out.U_Prim = QStringLiteral("V=") + volts(values.volts, ctx);
    out.U_vrm = QLatin1Char('V') + texts.unit(Unit::Rms) + QLatin1Char('=') + volts(values.rmsVolts, ctx);
    out.U_pp = QLatin1Char('V') + texts.unit(Unit::PeakToPeak) + QLatin1Char('=') + volts(values.peakToPeakVolts, ctx);
    return out;
}

} // namespace protocol
