#pragma once

// The main of a benchmark that draws widgets: a QApplication on the offscreen
// platform unless QT_QPA_PLATFORM names another (xcb under xvfb-run shows the
// cost of an X server).

#include <QApplication>

#include <benchmark/benchmark.h>

inline int runWindowBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
