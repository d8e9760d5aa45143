#include "link/com_types.h"

#include <array>

namespace {

struct BaudEntry {
    TBaudRate rate;
    const char *name;
    int bitsPerSecond;
};

constexpr std::array<BaudEntry, 16> kBaudRates{{
    {brCustom, "Custom", 0},       {br110, "110", 110},          {br300, "300", 300},
    {br600, "600", 600},           {br1200, "1200", 1200},       {br2400, "2400", 2400},
    {br4800, "4800", 4800},        {br9600, "9600", 9600},       {br14400, "14400", 14400},
    {br19200, "19200", 19200},     {br38400, "38400", 38400},    {br56000, "56000", 56000},
    {br57600, "57600", 57600},     {br115200, "115200", 115200}, {br128000, "128000", 128000},
    {br256000, "256000", 256000},
}};

constexpr std::array<const char *, 4> kFlowNames{"Hardware", "Software", "None", "Custom"};

} // namespace

TFlowControl TComFlowControl::FlowControl() const
{
    if (ControlRTS == rtsHandshake && OutCTSFlow && !XonXoffIn && !XonXoffOut)
        return fcHardware;
    if (ControlRTS == rtsDisable && !OutCTSFlow && XonXoffIn && XonXoffOut)
        return fcSoftware;
    if (ControlRTS == rtsDisable && !OutCTSFlow && !XonXoffIn && !XonXoffOut)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value)
{
    switch (value) {
    case fcHardware:
        ControlRTS = rtsHandshake;
        OutCTSFlow = true;
        XonXoffIn = XonXoffOut = false;
        break;
    case fcSoftware:
        ControlRTS = rtsDisable;
        OutCTSFlow = false;
        XonXoffIn = XonXoffOut = true;
        break;
    case fcNone:
        ControlRTS = rtsDisable;
        OutCTSFlow = false;
        XonXoffIn = XonXoffOut = false;
        break;
    case fcCustom:
        break;
    }
}

int BaudRateToInt(TBaudRate rate, int customRate)
{
    if (rate == brCustom)
        return customRate;
    for (const BaudEntry &e : kBaudRates) {
        if (e.rate == rate)
            return e.bitsPerSecond;
    }
    return 9600;
}

QString BaudRateToStr(TBaudRate rate)
{
    for (const BaudEntry &e : kBaudRates) {
        if (e.rate == rate)
            return QString::fromLatin1(e.name);
    }
    return QStringLiteral("9600");
}

TBaudRate StrToBaudRate(const QString &name)
{
    for (const BaudEntry &e : kBaudRates) {
        if (name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return e.rate;
    }
    return br9600;
}

QString FlowControlToStr(TFlowControl value)
{
    const auto i = static_cast<size_t>(value);
    return QString::fromLatin1(i < kFlowNames.size() ? kFlowNames[i] : "Custom");
}

TFlowControl StrToFlowControl(const QString &name)
{
    for (size_t i = 0; i < kFlowNames.size(); ++i) {
        if (name.compare(QLatin1String(kFlowNames[i]), Qt::CaseInsensitive) == 0)
            return static_cast<TFlowControl>(i);
    }
    return fcCustom;
}
