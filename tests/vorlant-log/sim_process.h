#pragma once

// The built meter simulator and the built logger as processes, for tests
// that run the logger the way a test stand does.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// meter-sim with --verbose, its dongle at a symlink in a folder the test owns.
class SimProcess
{
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator with its link at `link`; true once the device is there.
    bool start(const QString &link, const QStringList &args);
    // Everything it reported on stderr so far (received commands, link events).
    QByteArray log();
    // Waits (bounded) until its report contains `text`.
    bool waitForLog(const QByteArray &text, int timeoutMs = 10000);

private:
    QProcess m_process;
    QByteArray m_log;
};

struct LoggerResult
{
    int status = -1; // -1: did not end by itself in time
    QByteArray out;
    QByteArray err;
};

// The folder of the built programs.
QString programPath(const char *name);

// Runs vorlant-log to its end; `environment` entries are added ("NAME=value").
LoggerResult runLogger(const QStringList &args, const QStringList &environment = {}, int timeoutMs = 60000);

// Runs the logger's own run function in this process, with the link's pauses
// cut to a tenth (set-up delay, command gap, port watch and supervision,
// which asks for the link again; not the hold-off, which lets the meter take
// its new settings on a busy machine too) and the
// readings written to `outputPath` unless the arguments name an output;
// `out` is that file. Messages come as the program prints them.
LoggerResult runLoggerHere(QStringList args, const QString &outputPath);

// Starts vorlant-log without waiting for it; for stop signals.
void startLogger(QProcess &process, const QStringList &args);
