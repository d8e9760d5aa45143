#include "logger_run.h"

#include "logger_options.h"
#include "reading_output.h"
#include "stop_signals.h"

#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace vorlantlog {

int runLogger(const QStringList &arguments, const RunEnvironment &environment)
{
    const auto &report = environment.report;
    LoggerOptions options;
    QString message;
    switch (parseLoggerOptions(arguments, &options, &message)) {
    case ParseOutcome::Help:
        environment.printHelp(message.toLocal8Bit());
        return code(ExitStatus::Ok);
    case ParseOutcome::Error:
        report(message + QStringLiteral(" (see --help)"));
        return code(ExitStatus::BadArguments);
    case ParseOutcome::Run:
        break;
    }

    // Before the output is opened: a stop request must always end the link.
    std::optional<StopSignals> stopSignals;
    if (environment.stopOnSignals && !stopSignals.emplace().install(&message)) {
        report(QStringLiteral("cannot handle SIGINT and SIGTERM: %1").arg(message));
        return code(ExitStatus::Internal);
    }

    // The output first: a file that cannot be written ends the run before the meter is touched.
    ReadingOutput output;
    if (!output.open(options.outputPath, options.append, options.format, &message)) {
        report(message);
        return code(ExitStatus::OutputNotWritable);
    }

    MeterLogger logger(options, output, report, environment.timing);
    QEventLoop loop;
    int status = code(ExitStatus::Internal);
    QObject::connect(&logger, &MeterLogger::finished, &loop, [&](int exitStatus) {
        status = exitStatus;
        loop.quit();
    });
    if (stopSignals)
        QObject::connect(&*stopSignals, &StopSignals::stopRequested, &logger, &MeterLogger::stop);
    QTimer::singleShot(0, &logger, &MeterLogger::start);
    loop.exec();
    return status;
}

} // namespace vorlantlog
