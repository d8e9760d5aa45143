#pragma once

// Thin layer over the Linux terminal device calls. Every function returns
// its result or a negated errno, never throws and never reports; the
// component decides what a failure means.

#include "link/com_types.h"

#include <QString>

#include <cstddef>

namespace comport {

// What the terminal settings are made of.
struct LineSettings {
    int baudRate = 9600;
    TDataBits dataBits = dbEight;
    TStopBits stopBits = sbOneStopBit;
    TComParity parity;
    TComFlowControl flow;
};

// Modem line states as read from the device.
struct ModemLines {
    bool cts = false;
    bool dsr = false;
    bool rlsd = false;
};

// "ttyACM0" names a device under /dev/; a name containing "/" is a path.
QString devicePath(const QString &port);

// Opens read/write, non-blocking, without becoming the controlling terminal,
// and takes the device for this process alone. Anything but a terminal is
// refused with -ENOTTY, so a stray path never has the dongle's commands
// written into a regular file or into some other character device
// (/dev/null, a memory or sound device). Returns the descriptor or -errno.
int openDevice(const QString &path);
// Gives up exclusivity and closes; a negative fd is ignored.
void closeDevice(int fd);

// Raw 8-bit line with the given speed, framing, parity and flow control;
// reads return as soon as one byte is there (non-blocking with poll).
// Returns 0 or -errno. Devices without modem lines keep whatever the
// driver accepts; only a refused terminal call is a failure.
int applyLineSettings(int fd, const LineSettings &settings);
// 0 when fd is a usable terminal, else -errno.
int checkTerminal(int fd);

// Bytes waiting in the receive / transmit queue, or -errno.
int inputCount(int fd);
int outputCount(int fd);
// Discards pending receive and/or transmit data (bytes not yet sent by
// the driver). 0 or -errno.
int flushQueues(int fd, bool input, bool output);
// Reads CTS, DSR and carrier. Lines a device does not have read as off.
int readModemLines(int fd, ModemLines *lines);

// One non-blocking read: bytes read, 0 at hang-up, or -errno (-EAGAIN: none waiting).
long readSome(int fd, unsigned char *buf, std::size_t size);
// One non-blocking write: bytes written or -errno (-EAGAIN: queue full).
long writeSome(int fd, const unsigned char *buf, std::size_t size);
// Waits until fd is readable (or writable when forWrite) or timeoutMs passes
// (-1: no limit). Returns the poll revents, 0 on time-out, or -errno.
int waitReady(int fd, bool forWrite, int timeoutMs);
// True when the device behind fd has gone (hung up or the driver vanished).
bool isHungUp(int fd);

} // namespace comport
