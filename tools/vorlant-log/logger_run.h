#pragma once

#include "meter_logger.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

namespace vorlantlog {

// Where a run's words go and how it is paced: the program passes its
// standard streams and the window's pauses; tests catch the words and
// shorten the pauses.
struct RunEnvironment
{
    MeterLogger::Report report;                      // one message line, without the program's name
    std::function<void(const QByteArray &)> printHelp; // the --help text
    MeterLogger::Timing timing;
    bool stopOnSignals = true; // SIGINT and SIGTERM end the run as finished
};

// One run of vorlant-log: the arguments (the program's name first) parsed,
// the output opened, the meter logged until the run ends. Needs a
// QCoreApplication; returns the exit status.
int runLogger(const QStringList &arguments, const RunEnvironment &environment);

} // namespace vorlantlog
