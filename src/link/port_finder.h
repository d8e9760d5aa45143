// Loader of the port finder library and the search for the dongle's port.
#pragma once

#include "portvane/port_query.h"

#include <QString>

#include <cstdint>

class PortFinder
{
public:
    // USB product description of the dongle, as the finder expects it.
    static constexpr const char* kDongleDescription = "TI CC2540 USB CDC";
    static constexpr const char* kDefaultLibrary = "libportvane.so";

    // Loads the library by name (the dynamic loader's usual search, which includes the
    // executable's own folder). A missing library or entry point is not an error: every
    // search then simply reports nothing.
    explicit PortFinder(const QString& libraryName = QString::fromLatin1(kDefaultLibrary));
    ~PortFinder();

    PortFinder(const PortFinder&) = delete;
    PortFinder& operator=(const PortFinder&) = delete;

    // True when the library and its entry point are available.
    bool isLoaded() const { return portFinderLibrary != nullptr; }
    // Why the library is not loaded (the loader's own words); empty when it is.
    QString loadError() const { return lastLoadError; }

    // Asks the library for the dongle's port. True when it reported one; portName()
    // then holds its name.
    bool search();

    // The record's `found` as the last call left it: 0 before any call, never reset here.
    int32_t found() const { return query.found; }

    // Name reported by the last successful search (a device path, or empty before one).
    QString portName() const { return lastPortName; }

private:
    void* portFinderLibrary = nullptr;
    PortQueryFunction getsEntry = nullptr;
    PortQuery query{nullptr, nullptr, 0, nullptr};
    QString lastPortName;
    QString lastLoadError;
};
