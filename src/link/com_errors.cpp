#include "link/com_errors.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::array<const char *, 24> kMessages{
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
    "Port Not Open",
};

std::string exceptionText(int code, qint64 winCode)
{
    QString text = ComErrorMessage(code);
    if (winCode > 0)
        text += QStringLiteral(" (Error: %1)").arg(winCode);
    return text.toStdString();
}

} // namespace

QString ComErrorMessage(int code)
{
    if (code < 1 || code > static_cast<int>(kMessages.size()))
        return QString();
    return QString::fromLatin1(kMessages[static_cast<size_t>(code - 1)]);
}

EComPort::EComPort(int code, qint64 winCode)
    : std::runtime_error(exceptionText(code, winCode)), code_(code), winCode_(winCode)
{
}

namespace comport {

QString systemErrorText(int err)
{
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char *text = strerror_r(err, buf, sizeof buf);
    return QString::fromLocal8Bit(text);
}

bool isDeviceGoneError(int err)
{
    return err == EIO || err == ENXIO || err == ENODEV;
}

bool isPortLost(TComExceptions kind, qint64 winError)
{
    return kind == CE_OpenFailed || kind == CE_WaitFailed
           || (winError > 0 && isDeviceGoneError(static_cast<int>(winError)));
}

bool isNoModemLinesError(int err)
{
    return err == ENOTTY || err == EINVAL;
}

} // namespace comport
