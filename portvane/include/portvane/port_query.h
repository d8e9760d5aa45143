/*
 * The record exchanged with libportvane.so, the finder of the dongle's serial port.
 *
 * The caller fills the two inputs and passes the record's address to `gets`:
 *
 *   description  NUL-terminated 8-bit text, the USB product wanted ("TI CC2540 USB CDC")
 *   extra        NUL-terminated 8-bit text, unused by this finder (callers pass "")
 *   found        out: 1 when a port was found, 0 otherwise
 *   portName     out: when found is 1, the device path ("/dev/ttyACM0"); otherwise ""
 *
 * portName points into storage owned by the library. It stays valid until the next call
 * of `gets` (from any thread) or until the library is unloaded, whichever comes first;
 * copy it right after the call.
 *
 * Take `gets` with dlsym from the loaded library and call it through that pointer only.
 * The C library still exports an unrelated symbol of the same name, so a direct call
 * (or a dlsym that falls through to a dependency) would reach the wrong function.
 * The declaration below needs C11/C++14 or later, where <stdio.h> no longer declares it.
 */
#ifndef PORTVANE_PORT_QUERY_H
#define PORTVANE_PORT_QUERY_H

#include <stdint.h>

#if defined(__GNUC__)
#define PORTVANE_EXPORT __attribute__((visibility("default")))
#else
#define PORTVANE_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PortQuery {
    const char* description;
    const char* extra;
    int32_t found;
    const char* portName;
} PortQuery;

/* Type of the entry point as taken with dlsym. */
typedef void (*PortQueryFunction)(PortQuery* query);

/* Fills query->found and query->portName. A null query is ignored. Never throws. */
PORTVANE_EXPORT void gets(PortQuery* query);

#ifdef __cplusplus
}
#endif

#endif
