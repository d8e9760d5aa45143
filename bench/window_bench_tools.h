#pragma once

// Waiting in the window's event loop, reading the CPU clocks and starting the
// meter simulator, for the programs that drive a window.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <functional>

#include <sys/resource.h>
#include <ctime>

// CPU time of the calling thread, in seconds.
inline double threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// CPU time of the whole process (every thread, user and system), in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop (sleeping between events) for `ms`.
inline void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `condition` holds (true) or `ms` pass (false).
inline bool waitFor(const std::function<bool()> &condition, int ms, int stepMs = 20)
{
    const QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        runFor(stepMs);
    }
    return true;
}

// Starts the meter simulator beside this program at the link's fastest (a
// reading every 13.5 ms) on a device linked at `link`, with `arguments` added;
// false when its device does not appear.
inline bool startFastSimulator(QProcess &sim, const QString &link, const QStringList &arguments)
{
    sim.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/meter-sim"));
    sim.setArguments(QStringList{QStringLiteral("--link"), link, QStringLiteral("--frame-gap-ms"), QStringLiteral("13.5")}
                     + arguments);
    sim.setStandardOutputFile(QProcess::nullDevice());
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start();
    return waitFor([&link] { return QFile::exists(link); }, 15000);
}
