#pragma once

#include "protocol/meter_frame.h"
#include "protocol/number_format.h"
#include "protocol/rd_u_values.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace protocol {

// Texts and picture of the RD panel, one member per control; nullopt = leave as it is.
struct RdDecodeResult
{
    RdStatus status;
    QString RD_Auto;              // "A" for the automatic test voltage, else " "
    QString J_prim;               // "I", or " " while the first current is hidden
    QString Joo;                  // subscript of the first current, or " "
    QString RD_J;                 // "=" + current, or " "
    QString RD_J1;                // "Iп=" + second current, or " "
    std::optional<QString> RD_V;  // test voltage; nullopt for resistance with codes 4..7
    QString RD_prim_R;            // "R" or "D"
    QString RD_Prim;              // the main value
    RdPicture Im_Diod = RdPicture::Resistor;
};

// Texts of the U panel.
struct UDecodeResult
{
    QString U_Prim; // "V=" value
    QString U_vrm;  // rms value
    QString U_pp;   // peak-to-peak value
};

// A current given in microamperes: "4.500 мкA" below 10, "0.150 мA" from 10 on.
QString formatCurrent(double microamperes, const FormatContext &context);

RdDecodeResult decodeRdFrame(const MeterFrame &frame, const FormatContext &context);
UDecodeResult decodeUFrame(const MeterFrame &frame, const FormatContext &context);

} // namespace protocol
