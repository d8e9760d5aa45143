// meter-sim: the meter's Bluetooth dongle and the meter on a pseudo-terminal,
// for demonstrations and end-to-end tests without hardware. See --help.

#include "simulator.h"
#include "version/version_option.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

metersim::Simulator *g_simulator = nullptr;

void onStopSignal(int)
{
    if (g_simulator)
        g_simulator->requestStop();
}

void onPlugSignal(int)
{
    if (g_simulator)
        g_simulator->requestPlugToggle();
}

void install(int signal, void (*handler)(int))
{
    struct sigaction action{};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    if (answerVersion("meter-sim", argc, argv))
        return 0;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("meter-sim"));

    metersim::SimOptions options;
    QString message;
    switch (metersim::parseOptions(QCoreApplication::arguments(), &options, &message)) {
    case metersim::OptionsOutcome::Help:
        std::fputs(message.toLocal8Bit().constData(), stdout);
        return 0;
    case metersim::OptionsOutcome::Error:
        std::fprintf(stderr, "meter-sim: %s (see --help)\n", message.toLocal8Bit().constData());
        return 2;
    case metersim::OptionsOutcome::Run:
        break;
    }

    metersim::Simulator simulator(std::move(options));
    // Handlers first: whoever reads the printed path may signal at once.
    g_simulator = &simulator;
    install(SIGINT, onStopSignal);
    install(SIGTERM, onStopSignal);
    install(SIGHUP, onStopSignal);
    install(SIGUSR1, onPlugSignal);
    std::signal(SIGPIPE, SIG_IGN);

    QString error;
    if (!simulator.start(&error)) {
        g_simulator = nullptr;
        std::fprintf(stderr, "meter-sim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    simulator.run();
    g_simulator = nullptr;
    return 0;
}
