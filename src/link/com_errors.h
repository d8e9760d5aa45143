#pragma once

// Error codes of the serial port component, their messages, the exception
// raised when nobody listens to OnException, and the one place where OS
// error numbers are interpreted.

#include "link/com_types.h"

#include <QString>

#include <stdexcept>

// Codes 1..24; the message of each is fixed text that callers may compare.
QString ComErrorMessage(int code);

// Raised by the component only while OnException is unassigned.
class EComPort : public std::runtime_error
{
public:
    // winCode > 0 appends " (Error: winCode)" to the message.
    EComPort(int code, qint64 winCode);

    int Code() const { return code_; }
    qint64 WinCode() const { return winCode_; }

private:
    int code_;
    qint64 winCode_;
};

namespace comport {

// "System error code" passed with code 24: there was no device handle at all.
inline constexpr qint64 kNoHandleWinError = -24;

// The OS text for an errno value.
QString systemErrorText(int err);

// True for the errors a vanished device produces (unplugged USB device,
// hung-up terminal): EIO, ENXIO, ENODEV.
bool isDeviceGoneError(int err);

// A reported failure after which the open port is of no more use and must
// be closed and opened again: it could not be opened, its device vanished,
// or its event thread ended (nothing received would be announced).
bool isPortLost(TComExceptions kind, qint64 winError);

// Modem-line ioctls on devices without modem lines (pseudo-terminals):
// not a failure, the lines simply read as off.
bool isNoModemLinesError(int err);

} // namespace comport
