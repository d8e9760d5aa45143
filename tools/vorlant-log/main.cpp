// vorlant-log: the meter's readings without a window, for test stands,
// incoming inspection and scripts. See --help and vorlant-log(1).

#include "exit_status.h"
#include "logger_options.h"
#include "meter_logger.h"
#include "mqtt_setup.h"
#include "reading_output.h"
#include "stop_signals.h"

#include "publish/settings_json.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

// How long a clean end waits for the broker to take "offline" and what is in flight.
constexpr int kOfflineWaitMs = 3000;

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
    // Publishing, when asked for: the spool and the broker's client are set
    // up before the meter is touched, and the run ends after "offline" is out.
    std::unique_ptr<publish::ReadingPublisher> publisher;
    if (!options.mqtt.isEmpty()) {
        const std::optional<publish::PublisherOptions> publishing = vorlantlog::publisherOptions(options, &message);
        if (!publishing) {
            report(message);
            return vorlantlog::code(ExitStatus::BadArguments);
        }
        publisher = std::make_unique<publish::ReadingPublisher>(*publishing, report);
        if (!publisher->openSpool(&message)) {
            // The spool is an output too: without it, readings could be lost.
            report(QStringLiteral("cannot publish: %1").arg(message));
            return vorlantlog::code(ExitStatus::OutputNotWritable);
        }
        if (!publisher->start(&message)) {
            report(QStringLiteral("cannot publish: %1").arg(message));
            return vorlantlog::code(ExitStatus::BadArguments);
        }
        const QString station = options.station;
        logger.setTaps({[&publisher, station](const CsvRecord &record) {
                            publisher->publishReading(
                                [&](std::uint64_t seq) { return vorlantlog::jsonReading(record, station, seq); });
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
    int status = vorlantlog::code(ExitStatus::Internal);
    QObject::connect(&logger, &vorlantlog::MeterLogger::finished, &app, [&](int exitStatus) {
        status = exitStatus;
        if (!publisher) {
            app.quit();
            return;
        }
        QObject::connect(publisher.get(), &publish::ReadingPublisher::finished, &app, &QCoreApplication::quit);
        publisher->finish(kOfflineWaitMs);
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
