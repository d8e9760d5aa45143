// The window's CPU while the meter sends at the link's fastest: the meter
// simulator sends an 18-byte frame every 13.5 ms (about 74 per second), the
// window is linked to it through the port finder and the serial port, and
// records (or, for comparison, does not). CPU is this whole process (the
// window's thread and the serial port's thread) over wall time; frames and
// rows are counted, so nothing may be skipped to look cheap.
//
//   bench_window_recording [--benchmark_filter=...]
//   BENCH_SECONDS=20   how long each measurement runs (default 10)
//   QT_QPA_PLATFORM    offscreen unless set (xcb under xvfb-run shows the X cost)

#include "app/form1.h"
#include "link/com_port.h"
#include "log/log_table_model.h"
#include "sorting/sorting_controller.h"
#include "sorting/bin_plan_file.h"
#include "window_bench_main.h"
#include "window_bench_tools.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPaintEvent>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <benchmark/benchmark.h>

namespace {

// The paintings of the log table and the area they cover: a table that
// paints its whole picture for every new row costs several times one that
// paints the new rows only.
struct PaintCounter : QObject
{
    int events = 0;
    qint64 pixels = 0;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++events;
            for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                pixels += qint64(r.width()) * r.height();
        }
        return false;
    }
};

// Arg: 1 recording, 0 not, 2 recording into the log's journal, 3 recording
// with the Sorting window open on a ±1/±2/±5 % plan (its big bin text and
// tally chart redrawn as the readings come).
void BM_WindowAtTheLinksFastest(benchmark::State &state)
{
    const bool recording = state.range(0) != 0;
    const int seconds = qEnvironmentVariableIntValue("BENCH_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("BENCH_SECONDS")
                            : 10;
    const QString bin = QCoreApplication::applicationDirPath();
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("dongle"));
        QProcess sim;
        if (!startFastSimulator(sim, link, {QStringLiteral("--part"), QStringLiteral("C=100n,ESR=0.2"),
                                            QStringLiteral("--noise"), QStringLiteral("0.5")})) {
            state.SkipWithError("the meter simulator did not start");
            return;
        }
        qputenv("PORTVANE_PORT", QFile::encodeName(link));

        Form1Options options;
        options.finderLibrary = bin + QStringLiteral("/libportvane.so");
        options.settingsFolder = dir.filePath(QStringLiteral("RLC_Data"));
        if (state.range(0) == 2)
            options.stateFolder = dir.filePath(QStringLiteral("state"));
        auto form = std::make_unique<TForm1>(options);
        TForm1 &f = *form;
        int frames = 0;
        QObject::connect(&f, &TForm1::frameDisplayed, [&frames] { ++frames; });
        int rows = 0;
        QObject::connect(f.logModel, &LogTableModel::readingWritten, [&rows] { ++rows; });

        PaintCounter painted;
        f.SG->viewport()->installEventFilter(&painted);
        f.show();
        if (!waitFor([&f] { return f.portReady; }, 15000)) {
            state.SkipWithError("the window found no dongle");
            return;
        }
        f.B2->click();
        // Linked, and the settings sent a second later have been taken.
        if (!waitFor([&f] { return f.meterConnected; }, 15000)
            || !waitFor([&f] { return !f.T4->isActive() && !f.Timer_TX->isActive() && f.frameHold.holdFrames() == 0; },
                        15000)) {
            state.SkipWithError("no link to the meter");
            return;
        }
        if (state.range(0) == 3) {
            f.sorting->showWindow();
            f.sorting->applyPlan(*profiles::parseBinPlan(
                R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "nominal": 100, "mode": "nested",
                    "bins": [{"tolerance": 1}, {"tolerance": 2}, {"tolerance": 5}]})",
                nullptr));
        }
        if (recording)
            f.SP1->click();
        runFor(1000);

        const int framesBefore = frames;
        const int rowsBefore = rows;
        const int paintsBefore = painted.events;
        const qint64 pixelsBefore = painted.pixels;
        QElapsedTimer wall;
        wall.start();
        const double cpuBefore = cpuSeconds();
        const double windowCpuBefore = threadCpuSeconds();
        runFor(seconds * 1000);
        const double cpu = cpuSeconds() - cpuBefore;
        const double windowCpu = threadCpuSeconds() - windowCpuBefore;
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);

        state.counters["cpu_percent"] = 100.0 * cpu / elapsed;
        state.counters["frames_per_s"] = (frames - framesBefore) / elapsed;
        state.counters["rows_per_s"] = (rows - rowsBefore) / elapsed;
        // The window's thread alone, per frame: steadier than the percentage
        // when a busy machine makes frames go missing.
        state.counters["window_us_per_frame"] = 1e6 * windowCpu / std::max(1, frames - framesBefore);
        state.counters["frames"] = frames - framesBefore;
        state.counters["rows"] = rows - rowsBefore;
        if (state.range(0) == 3)
            state.counters["sorted"] = double(f.sorting->tally().total());
        // Share of the table's picture painted per painting.
        const int paints = painted.events - paintsBefore;
        state.counters["table_paints_per_s"] = paints / elapsed;
        state.counters["table_painted_share"] = double(painted.pixels - pixelsBefore) / std::max(1, paints)
                                                / std::max(1, f.SG->viewport()->width() * f.SG->viewport()->height());

        form.reset();
        qunsetenv("PORTVANE_PORT");
        sim.terminate();
        sim.waitForFinished(5000);
    }
}
BENCHMARK(BM_WindowAtTheLinksFastest)->Arg(1)->Arg(0)->Arg(2)->Arg(3)->Arg(1)->Arg(2)->Arg(3)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    return runWindowBenchmarks(argc, argv);
}
