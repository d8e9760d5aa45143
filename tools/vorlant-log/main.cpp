// vorlant-log: the meter's readings without a window, for test stands,
// incoming inspection and scripts. See --help and vorlant-log(1).

#include "exit_status.h"
#include "logger_options.h"
#include "logger_scpi.h"
#include "meter_logger.h"
#include "reading_output.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

void report(const QString &line)
{
    std::fprintf(stderr, "vorlant-log: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

int run(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorlant-log"));
    using vorlantlog::ExitStatus;

    vorlantlog::LoggerOptions options;
    QString message;
    switch (vorlantlog::parseLoggerOptions(QCoreApplication::arguments(), &options, &message)) {
    case vorlantlog::ParseOutcome::Help:
        std::fputs(message.toLocal8Bit().constData(), stdout);
        return vorlantlog::code(ExitStatus::Ok);
    case vorlantlog::ParseOutcome::Error:
        report(message + QStringLiteral(" (see --help)"));
        return vorlantlog::code(ExitStatus::BadArguments);
    case vorlantlog::ParseOutcome::Run:
        break;
    }

    // Before the output is opened: a stop request must always end the link.
    vorlantlog::StopSignals stopSignals;
    if (!stopSignals.install(&message)) {
        report(QStringLiteral("cannot handle SIGINT and SIGTERM: %1").arg(message));
        return vorlantlog::code(ExitStatus::Internal);
    }

    // The output first: a file that cannot be written ends the run before the meter is touched.
    vorlantlog::ReadingOutput output;
    if (!output.open(options.outputPath, options.append, options.format, &message)) {
        report(message);
        return vorlantlog::code(ExitStatus::OutputNotWritable);
    }

    vorlantlog::MeterLogger logger(options, output, report);
    // The socket opens before the meter is touched: a port in use ends the run at once.
    std::unique_ptr<vorlantlog::LoggerScpi> scpi;
    if (!options.serve.isEmpty()) {
        scpi = std::make_unique<vorlantlog::LoggerScpi>(logger);
        if (!scpi->listen(options.serve, report, options.verbose, &message)) {
            report(message);
            return vorlantlog::code(ExitStatus::BadArguments);
        }
    }
    int status = vorlantlog::code(ExitStatus::Internal);
    QObject::connect(&logger, &vorlantlog::MeterLogger::finished, &app, [&](int exitStatus) {
        status = exitStatus;
        app.quit();
    });
    QObject::connect(&stopSignals, &vorlantlog::StopSignals::stopRequested, &logger, &vorlantlog::MeterLogger::stop);
    QTimer::singleShot(0, &logger, &vorlantlog::MeterLogger::start);
    app.exec();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception &e) {
        report(QStringLiteral("unexpected failure: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        report(QStringLiteral("unexpected failure"));
    }
    return vorlantlog::code(vorlantlog::ExitStatus::Internal);
}
