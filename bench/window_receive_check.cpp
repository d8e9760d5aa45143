// Whole-program check of the window's receive path. The real window, linked
// through the port finder to the simulator sending numbered readings (reading
// N shows 1000 + N ohms, one every 13.5 ms, the link's fastest), records
// until READINGS rows are in its log; the rows are then read back, and their
// numbers must follow one another, each once, in order. Meanwhile a 5 ms
// timer measures how long the window's thread goes without getting round to
// its events (the longest stall), and the resident size is printed at
// 10 000, 50 000 and 100 000 rows.
//
//   window_receive_check READINGS [--views]
//     --views   the statistics and trend chart windows are open too
//   QT_QPA_PLATFORM  offscreen unless set
//
// Prints "recording" once rows are being written (from then on a script may
// stop and continue the process, see receive_check.sh), and at the end one
// line of figures. The simulator, libportvane.so and this program share a
// folder (the build's bin/).

#include "app/form1.h"
#include "link/dongle_link.h"
#include "batch/batch_controller.h"
#include "log/log_table_model.h"
#include "reading/reading.h"

#include "window_bench_tools.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>

#include <algorithm>

#include <cstdio>
#include <functional>

namespace {

QByteArray residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return "?";
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed();
    }
    return "?";
}

int fail(const char *why)
{
    std::fprintf(stderr, "window_receive_check: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int readings = args.size() > 1 ? args.at(1).toInt() : 10000;
    const bool views = args.contains(QStringLiteral("--views"));
    if (readings <= 0)
        return fail("usage: window_receive_check READINGS [--views]");

    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("dongle"));
    QProcess sim;
    if (!startFastSimulator(sim, link, {QStringLiteral("--numbered"), QStringLiteral("--part"), QStringLiteral("R=1k")}))
        return fail("the meter simulator did not start");
    qputenv("PORTVANE_PORT", QFile::encodeName(link));

    Form1Options options;
    options.finderLibrary = bin + QStringLiteral("/libportvane.so");
    options.settingsFolder = dir.filePath(QStringLiteral("RLC_Data"));
    auto form = std::make_unique<TForm1>(options);
    TForm1 &f = *form;
    int rows = 0;
    QObject::connect(f.logModel, &LogTableModel::readingWritten, [&rows] {
        if (++rows == 10000 || rows == 50000 || rows == 100000)
            std::printf("rss after %d rows: %s\n", rows, residentKb().constData());
    });
    f.show();
    if (!waitFor([&f] { return f.portReady; }, 15000))
        return fail("the window found no dongle");
    // A press asks for the link.
    f.B2->click();
    waitFor([&f] { return f.meterConnected; }, 15000);
    // Linked, and the settings sent a second later have been taken.
    if (!f.meterConnected
        || !waitFor([&f] { return !f.T4->isActive() && !f.Timer_TX->isActive() && f.frameHold.holdFrames() == 0; }, 15000))
        return fail(qPrintable(QStringLiteral("no link to the meter; the link's status says: %1")
                                   .arg(f.Memo1->toPlainText().replace(QLatin1Char('\n'), QLatin1String(" / ")))));
    if (views) {
        f.batchViews->showStatistics();
        f.batchViews->showChart();
    }

    // The window's thread is late by what a short timer's ticks are apart
    // beyond their interval.
    QElapsedTimer sinceTick;
    qint64 longestStallMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStallMs = std::max(longestStallMs, sinceTick.restart() - ticker.interval());
    });
    f.SP1->click();
    std::printf("recording\n");
    std::fflush(stdout);
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    sinceTick.start();
    ticker.start(5);
    waitFor([&rows, readings] { return rows >= readings; }, 60000 + readings * 30);
    ticker.stop();
    const double cpu = cpuSeconds() - cpuBefore;
    const double seconds = double(wall.elapsed()) / 1000.0;

    // Every row's number follows the one before.
    qint64 missing = 0;
    qint64 back = 0;
    qint64 previous = 0;
    // Readings that came while the wait above was ending are past the ones asked
    // for; in a full log they were written over its last row, as the log does
    // past row 100 000, so that row is left out then.
    const bool lastRowRewritten = rows > LogTableModel::kMaxRows;
    rows = std::min(rows, readings);
    if (lastRowRewritten && rows == LogTableModel::kMaxRows)
        --rows;
    for (int row = 0; row < rows; ++row) {
        const reading::Reading *reading = f.logModel->reading(row);
        if (!reading)
            return fail("a row without its reading");
        const auto number = qint64(reading->reading.seriesResistance - 1000.0 + 0.5);
        if (row > 0 && number > previous + 1) {
            // Where, for the hunt: the first few gaps with their rows.
            if (missing < 10)
                std::printf("gap: row %d holds reading %lld after %lld\n", row + 1, number, previous);
            missing += number - previous - 1;
        }
        if (row > 0 && number <= previous)
            ++back;
        previous = number;
    }
    std::printf("rows %d, missing %lld, out of order %lld, dropped blocks %llu, longest stall %lld ms, "
                "cpu %.1f %% of one core over %.0f s\n",
                rows, missing, back, static_cast<unsigned long long>(f.dongleLink->droppedBlocks()), longestStallMs,
                100.0 * cpu / seconds, seconds);
    form.reset();
    qunsetenv("PORTVANE_PORT");
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
