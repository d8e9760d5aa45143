#include "logger_run.h"

#include "logger_options.h"
#include "logger_scpi.h"
#include "mqtt_setup.h"
#include "reading_output.h"
#include "stop_signals.h"

#include "export/reading_json.h"
#include "publish/settings_json.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <optional>

namespace vorlantlog {

namespace {

// How long a clean end waits for the broker to take "offline" and what is in flight.
constexpr int kOfflineWaitMs = 3000;

} // namespace

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
    // The socket opens before the meter is touched: a port in use ends the run at once.
    std::unique_ptr<LoggerScpi> scpi;
    if (!options.serve.isEmpty()) {
        scpi = std::make_unique<LoggerScpi>(logger);
        if (!scpi->listen(options.serve, report, options.verbose, &message)) {
            report(message);
            return code(ExitStatus::BadArguments);
        }
    }
    // Publishing, when asked for: the spool and the broker's client are set
    // up before the meter is touched, and the run ends after "offline" is out.
    std::unique_ptr<publish::ReadingPublisher> publisher;
    if (!options.mqtt.isEmpty()) {
        const std::optional<publish::PublisherOptions> publishing = publisherOptions(options, &message);
        if (!publishing) {
            report(message);
            return code(ExitStatus::BadArguments);
        }
        publisher = std::make_unique<publish::ReadingPublisher>(*publishing, report);
        if (!publisher->openSpool(&message)) {
            // The spool is an output too: without it, readings could be lost.
            report(QStringLiteral("cannot publish: %1").arg(message));
            return code(ExitStatus::OutputNotWritable);
        }
        if (!publisher->start(&message)) {
            report(QStringLiteral("cannot publish: %1").arg(message));
            return code(ExitStatus::BadArguments);
        }
        const QString station = options.station;
        logger.setTaps({[&publisher, station](const reading::Reading &reading, std::int64_t position) {
                            publisher->publishReading([&](std::uint64_t seq) {
                                reading::Reading numbered = reading;
                                numbered.seq = seq;
                                return jsonReading(numbered, position, station);
                            });
                        },
                        [&publisher](const protocol::MeterSettings &settings) {
                            publisher->publishSettings(publish::settingsJson(settings));
                        }});
        QObject::connect(publisher.get(), &publish::ReadingPublisher::failed, &logger,
                         [&](publish::MqttClient::Fatal kind, const QString &reason) {
                             const bool refused = kind == publish::MqttClient::Fatal::Refused;
                             logger.fail(refused ? ExitStatus::BrokerRefused : ExitStatus::BrokerTls,
                                         QStringLiteral("the broker %1 %2: %3")
                                             .arg(options.mqtt,
                                                  refused ? QStringLiteral("refused the credentials")
                                                          : QStringLiteral("cannot be reached over TLS"),
                                                  reason));
                         });
    }
    QEventLoop loop;
    int status = code(ExitStatus::Internal);
    QObject::connect(&logger, &MeterLogger::finished, &loop, [&](int exitStatus) {
        status = exitStatus;
        if (!publisher) {
            loop.quit();
            return;
        }
        QObject::connect(publisher.get(), &publish::ReadingPublisher::finished, &loop, &QEventLoop::quit);
        publisher->finish(kOfflineWaitMs);
    });
    if (stopSignals)
        QObject::connect(&*stopSignals, &StopSignals::stopRequested, &logger, &MeterLogger::stop);
    QTimer::singleShot(0, &logger, &MeterLogger::start);
    loop.exec();
    return status;
}

} // namespace vorlantlog
