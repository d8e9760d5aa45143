// How long the main window takes from construction to its first painted
// frame, in English (eng.lng read, the window re-texted, the log rebuilt)
// and in its design language. Offscreen, no port finder, settings in a
// temporary folder. The first window of the process, with Qt's own start
// (fonts, styles), is reported as first_window_ms.

#include "app/form1.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QElapsedTimer processClock;
double firstWindowMs = 0;

struct Folders
{
    Folders()
    {
        QDir().mkpath(lang.path());
        QFile::copy(QStringLiteral(VORLANT_SOURCE_DIR "/lang/eng.lng"), lang.filePath(QStringLiteral("eng.lng")));
    }
    QTemporaryDir lang;
    QTemporaryDir settings;
};

void paintedWindow(const Folders &folders, bool english)
{
    Form1Options options;
    options.settingsFolder = folders.settings.path();
    options.languageFolder = english ? folders.lang.path() : QString();
    options.finderLibrary = QStringLiteral("/nonexistent/libportvane.so");
    TForm1 form(options);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return;
    const QPixmap frame = form.grab();
    benchmark::DoNotOptimize(frame);
}

void BM_FirstPaintedWindow(benchmark::State &state)
{
    static Folders folders;
    const bool english = state.range(0) != 0;
    for (auto _ : state)
        paintedWindow(folders, english);
    state.SetLabel(english ? "English" : "Russian (no language file)");
    state.counters["first_window_ms"] = firstWindowMs;
}
BENCHMARK(BM_FirstPaintedWindow)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    processClock.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        Folders folders;
        paintedWindow(folders, true);
        firstWindowMs = double(processClock.nsecsElapsed()) / 1e6;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
