#pragma once

// Setting types of the serial port component: enumerations, the small
// records grouped under one property (parity, flow control, time-outs,
// queue sizes) and the name look-ups the application uses.

#include <QFlags>
#include <QString>
#include <QtGlobal>

enum TBaudRate {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200,
    br38400, br56000, br57600, br115200, br128000, br256000
};

enum TDataBits { dbFive, dbSix, dbSeven, dbEight };

enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };

enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };

enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

// Shortcut over the four flow-control fields that the presets touch.
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };

// Both hand every notice to the owner's thread through its event queue.
enum TSyncMethod { smThreadSync, smWindowSync };

// Values are the classic event-mask bits, so a set converts to the mask as is.
enum TComEvent {
    evRxChar = 0x0001,
    evRxFlag = 0x0002,
    evTxEmpty = 0x0004,
    evCTS = 0x0008,
    evDSR = 0x0010,
    evRLSD = 0x0020,
    evBreak = 0x0040,
    evError = 0x0080,
    evRing = 0x0100,
    evRx80Full = 0x0400,
};
Q_DECLARE_FLAGS(TComEvents, TComEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComEvents)

inline constexpr TComEvents kAllComEvents = TComEvents(evRxChar | evRxFlag | evTxEmpty | evCTS | evDSR
                                                       | evRLSD | evBreak | evError | evRing | evRx80Full);

struct TComParity {
    TParityBits Bits = prNone;
    bool Check = false;
    bool Replace = false;
    quint8 ReplaceChar = 0;

    friend bool operator==(const TComParity &, const TComParity &) = default;
};

struct TComFlowControl {
    bool OutCTSFlow = false;
    bool OutDSRFlow = false;
    TDTRFlowControl ControlDTR = dtrDisable;
    TRTSFlowControl ControlRTS = rtsDisable;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    bool DSRSensitivity = false;
    bool TxContinueOnXoff = false;
    quint8 XonChar = 17;
    quint8 XoffChar = 19;

    // The preset the four shortcut fields match, fcCustom when none.
    TFlowControl FlowControl() const;
    // Sets the four shortcut fields; every other field is left alone.
    void SetFlowControl(TFlowControl value);

    friend bool operator==(const TComFlowControl &, const TComFlowControl &) = default;
};

// Milliseconds. A negative value stands for the all-ones "infinite" marker,
// so ReadInterval -1 with both read totals 0 means "return what is there".
struct TComTimeouts {
    int ReadInterval = -1;
    int ReadTotalMultiplier = 0;
    int ReadTotalConstant = 0;
    int WriteTotalMultiplier = 100;
    int WriteTotalConstant = 1000;

    friend bool operator==(const TComTimeouts &, const TComTimeouts &) = default;
};

struct TComBuffer {
    int InputSize = 1024;
    int OutputSize = 1024;

    friend bool operator==(const TComBuffer &, const TComBuffer &) = default;
};

// Kinds of failure, in error-code order: code = ordinal + 1.
enum TComExceptions {
    CE_OpenFailed, CE_WriteFailed, CE_ReadFailed, CE_InvalidAsync, CE_PurgeFailed,
    CE_AsyncCheck, CE_SetStateFailed, CE_TimeoutsFailed, CE_SetupComFailed, CE_ClearComFailed,
    CE_ModemStatFailed, CE_EscapeComFailed, CE_TransmitFailed, CE_ConnChangeProp, CE_EnumPortsFailed,
    CE_StoreFailed, CE_LoadFailed, CE_RegFailed, CE_LedStateFailed, CE_ThreadCreated,
    CE_WaitFailed, CE_HasLink, CE_RegError, CEPortNotOpen
};

// Bits per second of a baud-rate setting; brCustom yields customRate.
int BaudRateToInt(TBaudRate rate, int customRate);
// Display names: "Custom", "110", ... "256000".
QString BaudRateToStr(TBaudRate rate);
// Case-insensitive; an unknown name gives br9600.
TBaudRate StrToBaudRate(const QString &name);
// Display names: "Hardware", "Software", "None", "Custom".
QString FlowControlToStr(TFlowControl value);
// Case-insensitive; an unknown name gives fcCustom.
TFlowControl StrToFlowControl(const QString &name);
