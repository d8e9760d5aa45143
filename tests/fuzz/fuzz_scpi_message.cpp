// SCPI input as a client sends it: the bytes split into lines at LF, each
// parsed and run through the command table against a linked meter with a
// reading. Checked: every command the parser gives has a header, every
// answer is one line, and the error queue never holds more than its 20.

#include "remote/scpi_parser.h"
#include "remote/scpi_session.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The session's READ? wait is a timer, and timers need an application.
    static int argc = 1;
    static char name[] = "fuzz_scpi_message";
    static char *argv[] = {name, nullptr};
    static const QCoreApplication app(argc, argv);

    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    protocol::MeterSettings record;
    remote::MeterAccess meter(remote::MeterAccess::Hooks{
        [] { return true; },
        [&record] { return record; },
        [&record](const protocol::MeterSettings &s) {
            record = s;
            return true;
        },
    });
    reading::Reading reading;
    reading.reading.seriesResistance = 10.0;
    reading.reading.seriesReactance = 1000.0;
    meter.takeReading(reading);
    const remote::ScpiIdentity identity;
    remote::ScpiSession session(meter, identity);
    QObject::connect(&session, &remote::ScpiSession::answerReady, [](const QByteArray &line) {
        if (!line.endsWith('\n') || line.count('\n') != 1)
            std::abort();
    });
    for (const QByteArray &line : input.split('\n')) {
        for (const remote::ScpiCommand &command : remote::parseScpiMessage(line).commands)
            if (command.nodes.isEmpty() || command.nodes.first().isEmpty())
                std::abort();
        session.execute(line);
        // A waiting READ? is answered by the next reading.
        meter.takeReading(reading);
        if (session.status().count() > remote::ScpiStatus::kQueueSize)
            std::abort();
    }
    return 0;
}
