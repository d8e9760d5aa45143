// RD frames: bytes 0..3 the resistance in ohms (in the diode states the diode
// voltage in millivolts), 4..7 and 8..11 two currents in microamperes, all
// MeterFloat with the sign discarded; byte 14 the status: bits 0..3 state
// (0, 1 diode, 2.. resistance), bit 4 second-current flag, bits 5..7
// test-voltage code (0 automatic, 1 diode test at 3.2 V, 2 1.3 V, 3 0.1 V).
//
// U frames: bytes 0..3 rms volts, 4..7 peak-to-peak volts (sign discarded),
// 8..11 the signed voltage shown after "V=".
//
// Example RD frame, diode pointing down at 650 mV with 1 mA:
//   00 80 22 44  00 00 7A 44  00 00 00 00  00 00 01  42  31 0A
// gives "  V=0.650 В", "A 3.2 В" and "Iо=1.000 мA".

#include "protocol/rd_u_decoder.h"

#include "i18n/window_lexicons.h"
#include "protocol/meter_float.h"

#include <cmath>

namespace protocol {

namespace {

constexpr double kHiddenCurrentBelow = 200.0; // microamperes, at test-voltage code 1

QString volts(double v, const FormatContext &ctx)
{
    return formatNumber(v, 4, 3, true, ctx.separators) + QLatin1Char(' ') + ctx.lexicons.Dlang3.GetItem(2);
}

} // namespace

std::uint8_t RdStatus::toByte() const
{
    return std::uint8_t((state & 0x0F) | (secondCurrent ? 0x10 : 0) | (testVoltageCode & 0x07) << 5);
}

RdStatus RdStatus::fromByte(std::uint8_t byte)
{
    return RdStatus{std::uint8_t(byte & 0x0F), (byte & 0x10) != 0, std::uint8_t(byte >> 5)};
}

QString formatCurrent(double microamperes, const FormatContext &ctx)
{
    if (microamperes < 10.0)
        return formatNumber(microamperes, 4, 3, true, ctx.separators) + QLatin1Char(' ') + microPrefix(ctx.lexicons)
               + QLatin1Char('A');
    return formatNumber(microamperes / 1000.0, 4, 3, true, ctx.separators) + QLatin1Char(' ')
           + ctx.lexicons.Dlang1.GetItem(2) + QLatin1Char('A');
}

RdDecodeResult decodeRdFrame(const MeterFrame &frame, const FormatContext &ctx)
{
    const i18n::WindowLexicons &lex = ctx.lexicons;
    const double a = std::fabs(decodeMeterFloat(frame, 0));
    const double i1 = std::fabs(decodeMeterFloat(frame, 4));
    const double i2 = std::fabs(decodeMeterFloat(frame, 8));
    const RdStatus st = RdStatus::fromByte(frame[14]);
    const QString space = QStringLiteral(" ");

    RdDecodeResult out;
    out.status = st;
    out.RD_Auto = st.testVoltageCode == 0 ? QStringLiteral("A") : space;

    if (st.testVoltageCode == 1 && i1 < kHiddenCurrentBelow) {
        out.Joo = space;
        out.RD_J = space;
        out.J_prim = space;
    } else {
        out.Joo = lex.D3.GetItem(st.testVoltageCode == 0 ? 1 : 0);
        out.J_prim = QStringLiteral("I");
        out.RD_J = QLatin1Char('=') + formatCurrent(i1, ctx);
    }

    out.RD_J1 = st.secondCurrent ? QLatin1Char('I') + lex.D3.GetItem(0) + QLatin1Char('=') + formatCurrent(i2, ctx)
                                 : space;

    const QString voltUnit = lex.Dlang3.GetItem(2);
    if (st.state <= 1) {
        out.RD_V = (st.testVoltageCode == 1 ? QStringLiteral(" 3.2 ") : QStringLiteral("A 3.2 ")) + voltUnit;
        out.RD_prim_R = QStringLiteral("D");
        out.RD_Prim = QStringLiteral("  V=") + volts(a / 1000.0, ctx);
        out.Im_Diod = st.state == 0 ? RdPicture::DiodeUp : RdPicture::DiodeDown;
    } else if (st.testVoltageCode == 1) {
        out.RD_V = QStringLiteral(" 3.2 ") + voltUnit;
        out.RD_prim_R = QStringLiteral("D");
        out.RD_Prim = lex.D3.GetItem(2);
        out.Im_Diod = st.state % 2 == 0 ? RdPicture::DiodeUp : RdPicture::DiodeDown;
    } else {
        switch (st.testVoltageCode) {
        case 0:
            out.RD_V = QStringLiteral("A 1.3 ") + voltUnit;
            break;
        case 2:
            out.RD_V = QStringLiteral(" 1.3 ") + voltUnit;
            break;
        case 3:
            out.RD_V = QStringLiteral(" 0.1 ") + voltUnit;
            break;
        default:
            break; // codes 4..7: the test voltage stays as it was
        }
        out.Im_Diod = RdPicture::Resistor;
        out.RD_prim_R = QStringLiteral("R");
        out.RD_Prim = formatMagnitude(a, ctx) + ohmUnit(lex);
    }
    return out;
}

UDecodeResult decodeUFrame(const MeterFrame &frame, const FormatContext &ctx)
{
    const i18n::WindowLexicons &lex = ctx.lexicons;
    const double r = std::fabs(decodeMeterFloat(frame, 0));
    const double p = std::fabs(decodeMeterFloat(frame, 4));
    const double d = decodeMeterFloat(frame, 8);

    UDecodeResult out;
    out.U_Prim = QStringLiteral("V=") + volts(d, ctx);
    out.U_vrm = QLatin1Char('V') + lex.Dlang3.GetItem(6) + QLatin1Char('=') + volts(r, ctx);
    out.U_pp = QLatin1Char('V') + lex.Dlang3.GetItem(7) + QLatin1Char('=') + volts(p, ctx);
    return out;
}

} // namespace protocol
