// Kills a recording window with SIGKILL at random moments and checks that
// its journal gives back every row the window had shown.
//
// Each run starts the meter simulator at the link's fastest (a frame every
// 13.5 ms, about 74 rows a second) and a recording window in a child
// process, which prints each row once the window has written it (after
// the journal has). After a random 0.3 to 4 s the child gets SIGKILL; the
// journal it left is read and every printed row must be in it, unchanged.
//
//   journal_kill [RUNS] [SEED]      defaults 20 and 20261210
//   QT_QPA_PLATFORM                 offscreen unless set
//
// Prints one line per run and a summary; exits 1 when a row was missing.

#include "app/form1.h"
#include "files/locked_append_file.h"
#include "journal/log_journal_image.h"
#include "log/log_table_model.h"
#include "export/reading_csv.h"
#include "window_bench_tools.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <random>

namespace {

const char kChildVariable[] = "VORLANT_KILL_CHILD_STATE";

QByteArray csvOf(const reading::Reading &reading, int row)
{
    return csvLine(reading, row).trimmed();
}

// The window, recording until it is killed.
int runChild(const QString &stateFolder)
{
    Form1Options options;
    options.finderLibrary = QCoreApplication::applicationDirPath() + QStringLiteral("/libportvane.so");
    options.stateFolder = stateFolder;
    options.settingsFolder.clear(); // no settings file: the window starts as on a new machine
    TForm1 f(options);
    f.show();
    if (!waitFor([&f] { return f.portReady; }, 20000))
        return 3;
    f.B2->click();
    if (!waitFor([&f] { return f.meterConnected && !f.T4->isActive() && f.frameHold.holdFrames() == 0; }, 20000))
        return 4;
    int printed = 0;
    QObject::connect(&f, &TForm1::frameDisplayed, [&] {
        // Written to the table and to the journal by now.
        for (int row = printed + 1; row < f.nextLogRow; ++row) {
            if (const reading::Reading *reading = f.logModel->reading(row - 1))
                std::printf("%d\t%s\n", row, csvOf(*reading, row).constData());
        }
        printed = f.nextLogRow - 1;
        std::fflush(stdout);
    });
    f.SP1->click();
    std::printf("recording\n");
    std::fflush(stdout);
    return QApplication::exec();
}

struct RunResult
{
    int shown = 0;
    int restored = 0;
    int missing = 0;
    int differing = 0;
    QString status;
    double killedAfter = 0;
};

RunResult runOnce(const QString &folder, int delayMs)
{
    RunResult result;
    const QString link = folder + QStringLiteral("/dongle");
    QProcess sim;
    if (!startFastSimulator(sim, link, {QStringLiteral("--part"), QStringLiteral("C=100n,ESR=0.2"),
                                        QStringLiteral("--noise"), QStringLiteral("0.5")})) {
        result.status = QStringLiteral("simulator did not start");
        return result;
    }

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kChildVariable), folder + QStringLiteral("/state"));
    env.insert(QStringLiteral("PORTVANE_PORT"), link);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QMap<int, QByteArray> shown;
    bool recording = false;
    auto readLines = [&] {
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            const qsizetype tab = line.indexOf('\t');
            if (line == "recording")
                recording = true;
            else if (tab > 0)
                shown.insert(line.left(tab).toInt(), line.mid(tab + 1));
        }
    };
    if (!waitFor([&] { readLines(); return recording || child.state() == QProcess::NotRunning; }, 60000)
        || !recording) {
        result.status = QStringLiteral("window did not record");
        child.kill();
        child.waitForFinished();
        return result;
    }
    QElapsedTimer clock;
    clock.start();
    waitFor([&] { readLines(); return clock.elapsed() >= delayMs; }, delayMs + 1000);
    child.kill(); // SIGKILL
    child.waitForFinished();
    result.killedAfter = clock.elapsed() / 1000.0;
    // Lines already in the pipe were printed before the kill.
    child.setReadChannel(QProcess::StandardOutput);
    readLines();
    sim.terminate();
    sim.waitForFinished(5000);

    const QStringList journals = files::journalPaths(folder + QStringLiteral("/state/journal"));
    if (journals.size() != 1) {
        result.status = QStringLiteral("%1 journals").arg(journals.size());
        result.missing = int(shown.size());
        return result;
    }
    QFile file(journals.constFirst());
    file.open(QIODevice::ReadOnly);
    const logbook::journal::RestoredJournal restored = logbook::journal::restoreJournal(file.readAll());
    result.shown = int(shown.size());
    result.restored = restored.image.readingRows;
    result.status = restored.summary.status == logbook::journal::ReadStatus::Complete ? QStringLiteral("complete")
                                                                                      : restored.summary.problem;
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        const std::size_t at = std::size_t(it.key() - 1);
        if (at >= restored.image.rows.size() || !restored.image.rows[at].reading)
            ++result.missing;
        else if (csvOf(*restored.image.rows[at].reading, it.key()) != it.value())
            ++result.differing;
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildVariable))
        return runChild(qEnvironmentVariable(kChildVariable));

    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    std::mt19937 random(argc > 2 ? unsigned(std::atol(argv[2])) : 20261210u);
    QTemporaryDir dir;
    int failures = 0;
    long shownTotal = 0;
    long restoredTotal = 0;
    std::printf("run  killed after  rows shown  rows restored  missing  differing  journal\n");
    for (int run = 1; run <= runs; ++run) {
        const int delayMs = 300 + int(random() % 3700);
        const QString folder = dir.filePath(QStringLiteral("run%1").arg(run));
        QDir().mkpath(folder);
        const RunResult r = runOnce(folder, delayMs);
        std::printf("%3d  %10.2f s  %10d  %13d  %7d  %9d  %s\n", run, r.killedAfter, r.shown, r.restored, r.missing,
                    r.differing, qPrintable(r.status));
        std::fflush(stdout);
        shownTotal += r.shown;
        restoredTotal += r.restored;
        if (r.missing || r.differing || r.shown == 0)
            ++failures;
    }
    std::printf("%d runs, %ld rows shown, %ld restored, %d runs with a row missing or changed\n", runs, shownTotal,
                restoredTotal, failures);
    return failures ? 1 : 0;
}
