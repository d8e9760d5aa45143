// vorlant-log: the meter's readings without a window, for test stands,
// incoming inspection and scripts. See --help and vorlant-log(1).

#include "logger_run.h"
#include "version/version_option.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>

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
    vorlantlog::RunEnvironment environment;
    environment.report = report;
    environment.printHelp = [](const QByteArray &text) { std::fputs(text.constData(), stdout); };
    return vorlantlog::runLogger(QCoreApplication::arguments(), environment);
}

} // namespace

int main(int argc, char **argv)
{
    if (answerVersion("vorlant-log", argc, argv))
        return 0;
    try {
        return run(argc, argv);
    } catch (const std::exception &e) {
        report(QStringLiteral("unexpected failure: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        report(QStringLiteral("unexpected failure"));
    }
    return vorlantlog::code(vorlantlog::ExitStatus::Internal);
}
