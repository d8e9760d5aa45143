#pragma once

// vorlant-log --serve: the SCPI server speaking for the logger's link.

#include "meter_logger.h"

#include "remote/meter_access.h"
#include "remote/scpi_server.h"

#include <memory>

namespace vorlantlog {

class LoggerScpi
{
public:
    explicit LoggerScpi(MeterLogger &logger);

    // Listens on "[HOST:]PORT"; reports the address, and with `verbose` each
    // client's arrival and departure. False with the reason in `error`.
    bool listen(const QString &address, const MeterLogger::Report &report, bool verbose, QString *error);

private:
    remote::MeterAccess m_access;
    remote::ScpiServer m_server;
};

} // namespace vorlantlog
