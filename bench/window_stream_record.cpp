// Whole-program record of the window's outputs for one fixed stream, so that
// two builds can be compared byte for byte (diff -r of two output folders).
// The real window, offscreen, linked through the port finder to the
// simulator cycling five capacitors (no noise, not numbered), with line 2 of
// a tolerance profile applied and a sorting plan open, records two whole part
// cycles; then it writes:
//
//   log.csv        the log saved as CSV (the batch controller's "Save as CSV")
//   table.txt      the log table's header and the cell texts of every row
//   scpi.txt       the SCPI front's answers, the stream held on each part
//   workbook/      the workbook of "Button4", unzipped; entries.txt lists its parts in order
//   record.txt     what was done and what is masked
//
// Masked, and nothing else: reading times (ISO 8601 and the log's
// "dd.MM.yy hh:mm:ss") as <TIME>, which also covers the workbook's creation
// time in docProps. Recording starts at a fixed point of the part cycle:
// the reading before it is known from the readings seen while not recording,
// and SP1 goes down on the window's own thread between two readings, so the
// rows do not depend on how long the link took.
//
//   window_stream_record OUT_DIR
//   QT_QPA_PLATFORM  offscreen unless set
//
// The simulator, libportvane.so and this program share a folder (the build's
// bin/). Home, settings, state and export folders are private and removed.

#include "app/form1.h"
#include "app/message_box.h"
#include "app/scpi_front.h"
#include "batch/batch_controller.h"
#include "export/export_controller.h"
#include "log/log_table_model.h"
#include "panel/panel_field.h"
#include "profiles/profiles_controller.h"
#include "sorting/sorting_controller.h"

#include "window_bench_tools.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

constexpr int kGapMs = 100;  // a reading every 100 ms
constexpr int kCycle = 3;    // readings per part: a held part may take two more in flight
const QStringList kParts = {
    // Against line 2 (C 100 nF +-2 %, D < 0.01) and the +-1/2/5 % plan:
    QStringLiteral("C=100n,ESR=0.2"),   // pass, BIN1
    QStringLiteral("C=101.5n,ESR=0.2"), // pass, BIN2
    QStringLiteral("C=104n,ESR=0.2"),   // reject (main), BIN3
    QStringLiteral("C=100n,ESR=50"),    // reject (secondary), AUX
    QStringLiteral("C=110n,ESR=0.2"),   // reject, OUT
};
const int kPeriod = int(kParts.size()) * kCycle;
const int kRows = 2 * kPeriod;

const QByteArray kPlan = R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "nominal": "line",
 "mode": "nested", "bins": [{"tolerance": 1}, {"tolerance": 2}, {"tolerance": 5}],
 "secondary": {"parameter": "D", "max": 0.01}})";

const QStringList kScpiOnce = {QStringLiteral("*IDN?"), QStringLiteral("SYST:ERR?")};
const QStringList kScpiPerPart = {QStringLiteral("FETC?"), QStringLiteral("CALC:COMP?"),
                                  QStringLiteral("CALC:COMP:BIN?"), QStringLiteral("FUNC:IMP?;FREQ?;VOLT?"),
                                  QStringLiteral("CALC:COMP?;CALC:COMP:BIN?"), QStringLiteral("SYST:ERR?")};

int fail(const QString &why)
{
    std::fprintf(stderr, "window_stream_record: %s\n", qPrintable(why));
    return 1;
}

// A text of a profile line: its length, then the bytes, padded.
QByteArray profileText(const char *text, int capacity)
{
    QByteArray bytes = QByteArray(text).left(capacity);
    return char(bytes.size()) + bytes + QByteArray(capacity - bytes.size(), '\0');
}

QByteArray profileLine(const char *name, const char *ptol, int pkind, int punit, const char *pnom, const char *stol,
                       int skind, int sunit, const char *snom, const QList<int> &settings)
{
    QByteArray b = profileText(name, 10) + '\0' + QByteArray("\x01\0\0\0", 4);
    b += profileText(ptol, 5) + char(pkind) + char(punit) + profileText(pnom, 10);
    b += profileText(stol, 5) + char(skind) + char(sunit) + profileText(snom, 10);
    for (int s : settings)
        b += char(s);
    b += QByteArray(4, '\0');
    return b;
}

// The profile of the headless logger's stream record: line 1 a decoy (1 % of
// 100 kOhm), line 2 C 2 % of 100 nF, D "<" 0,01, 1 kHz / D / 0.5 V / series.
QByteArray profileBytes()
{
    QByteArray b = QByteArray("\x02\0\0\0", 4) + QByteArray(96, '\0');
    b += profileLine("R1", "1%", 0, 1, "100", "OFF", 2, 0, "0,05", {1, 4, 1, 2, 1, 1, 0, 1, 1, 0, 2, 0, 0, 1});
    b += profileLine("C100n", "2%", 2, 1, "100", "<", 2, 0, "0,01", {0, 3, 1, 2, 0, 3, 0, 2, 0, 1, 3, 0, 0, 0});
    return b;
}

// Answers the next file dialog with `path`, as a user typing it would.
void answerFileDialog(const QString &path)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    poll->start();
}

QString masked(QString text)
{
    static const QRegularExpression iso(
        QStringLiteral(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(?:\.\d+)?(?:Z|[+-]\d\d:\d\d)?)"));
    static const QRegularExpression logTime(QStringLiteral(R"(\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d)"));
    return text.replace(iso, QStringLiteral("<TIME>")).replace(logTime, QStringLiteral("<TIME>"));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The displayed reading, as text: equal for every reading of one part.
QString displayed(const TForm1 &f)
{
    return QStringList{f.L_prim_n->text(), f.L_sec_n->text(), f.L_righ1->text(), f.L_righ2->text(),
                       f.L_righ3->text(), f.L_righ4->text()}
        .join(QLatin1Char('|'));
}

class ScpiClient
{
public:
    bool connectTo(const QString &address)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), address.section(QLatin1Char(':'), -1).toUShort());
        return waitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 5000);
    }
    // One query line, its answer line (without the newline); empty after 5 s.
    QByteArray ask(const QString &query)
    {
        m_socket.write(query.toUtf8() + '\n');
        if (!waitFor([this] { return m_socket.canReadLine(); }, 5000, 5))
            return QByteArrayLiteral("<no answer>");
        return m_socket.readLine().chopped(1);
    }

private:
    QTcpSocket m_socket;
};

} // namespace

int main(int argc, char **argv)
{
    // Nothing of the user's: home and settings go to a private folder.
    QTemporaryDir home;
    if (!home.isValid())
        return fail(QStringLiteral("no temporary folder"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral(".local/state"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2)
        return fail(QStringLiteral("usage: window_stream_record OUT_DIR"));
    const QDir out(args.at(1));
    if (!QDir().mkpath(out.filePath(QStringLiteral("workbook"))))
        return fail(QStringLiteral("cannot make ") + out.path());
    const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (unzip.isEmpty())
        return fail(QStringLiteral("unzip is not installed"));

    const QString profilePath = home.filePath(QStringLiteral("parts.hex1"));
    const QString planPath = home.filePath(QStringLiteral("grades.json"));
    if (!writeFile(profilePath, profileBytes()) || !writeFile(planPath, kPlan))
        return fail(QStringLiteral("cannot write the profile or the plan"));

    // Boxes are collected, not shown: a modal box would stop the run.
    QStringList messages;
    app::setMessageShower([&messages](QWidget *, const QString &, const QString &text) { messages.append(text); });
    // No spreadsheet program is found, so the workbook is written and kept, and nothing opens it.
    QDir(home.path()).mkdir(QStringLiteral("empty-path"));
    qputenv("PATH", QFile::encodeName(home.filePath(QStringLiteral("empty-path"))));

    const QString bin = QCoreApplication::applicationDirPath();
    const QString link = home.filePath(QStringLiteral("dongle"));
    QProcess sim;
    QStringList simArgs{QStringLiteral("--link"), link, QStringLiteral("--frame-gap-ms"), QString::number(kGapMs),
                        QStringLiteral("--cycle"), QString::number(kCycle)};
    for (const QString &part : kParts)
        simArgs << QStringLiteral("--part") << part;
    sim.setProgram(bin + QStringLiteral("/meter-sim"));
    sim.setArguments(simArgs);
    sim.setStandardOutputFile(QProcess::nullDevice());
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start();
    if (!waitFor([&link] { return QFile::exists(link); }, 15000))
        return fail(QStringLiteral("the meter simulator did not start"));
    const auto signalSim = [&sim](int sig) { ::kill(pid_t(sim.processId()), sig); };
    const auto endSim = [&] {
        signalSim(SIGCONT);
        sim.terminate();
        if (!sim.waitForFinished(5000)) {
            sim.kill();
            sim.waitForFinished(5000);
        }
    };
    qputenv("PORTVANE_PORT", QFile::encodeName(link));

    Form1Options options;
    options.finderLibrary = bin + QStringLiteral("/libportvane.so");
    options.settingsFolder = home.filePath(QStringLiteral("RLC_Data"));
    options.stateFolder = home.filePath(QStringLiteral("state"));
    options.exportFolder = home.filePath(QStringLiteral("exports"));
    options.scpiAddress = QStringLiteral("127.0.0.1:0");
    QDir().mkpath(options.exportFolder);
    auto form = std::make_unique<TForm1>(options);
    TForm1 &f = *form;
    const auto finish = [&](int status) {
        form.reset();
        qunsetenv("PORTVANE_PORT");
        endSim();
        return status;
    };
    f.show();
    if (!waitFor([&f] { return f.portReady; }, 15000))
        return finish(fail(QStringLiteral("the window found no dongle")));

    // The profile opened as a user would, then its line 2 applied; the plan opened.
    answerFileDialog(profilePath);
    f.SB2->click();
    if (f.currentProfilePath != profilePath || f.lineCount != 2)
        return finish(fail(QStringLiteral("the profile was not opened")));
    if (!f.profilesController->applyProfileLine(2))
        return finish(fail(QStringLiteral("line 2 was not applied")));
    if (!f.sorting->openPlan(planPath))
        return finish(fail(QStringLiteral("the sorting plan was not opened")));
    if (!f.scpiFront->listening())
        return finish(fail(QStringLiteral("the SCPI front does not listen")));

    f.B2->click();
    waitFor([&f] { return f.meterConnected; }, 15000);
    // Linked, and the line's settings sent a second later have been taken.
    if (!f.meterConnected
        || !waitFor([&f] { return !f.T4->isActive() && !f.Timer_TX->isActive() && f.frameHold.holdFrames() == 0; },
                    15000))
        return finish(fail(QStringLiteral("no link to the meter")));

    // Readings are followed on the window's thread, right after each is shown
    // (and logged). Recording starts after the reading that comes before the
    // cycle's fixed point: the change onto the part whose display text sorts
    // first, known once the last two periods seen repeat each other.
    enum class Phase { Watching, Recording, Holding, Done };
    Phase phase = Phase::Watching;
    QStringList seen;
    QString cycleStart;
    int rows = 0;
    bool held = false;
    QObject::connect(f.logModel, &LogTableModel::readingWritten, [&rows] { ++rows; });
    QObject::connect(&f, &TForm1::frameDisplayed, [&] {
        const QString now = displayed(f);
        const QString before = seen.isEmpty() ? QString() : seen.last();
        seen.append(now);
        const qsizetype n = seen.size();
        switch (phase) {
        case Phase::Watching: {
            if (n < 2 * kPeriod || seen.mid(n - kPeriod) != seen.mid(n - 2 * kPeriod, kPeriod))
                return;
            const QStringList period = seen.mid(n - kPeriod);
            const QString least = *std::min_element(period.begin(), period.end());
            // The next reading repeats the one a period minus one ago.
            if (seen.at(n - kPeriod) == least && now != least) {
                cycleStart = least;
                f.SP1->click();
                phase = Phase::Recording;
            }
            return;
        }
        case Phase::Recording:
            if (rows >= kRows) {
                f.SP1->click();
                phase = Phase::Holding;
            }
            return;
        case Phase::Holding:
            // The stream is held on the first reading of each part while SCPI asks.
            if (!held && now != before) {
                signalSim(SIGSTOP);
                held = true;
            }
            return;
        case Phase::Done:
            return;
        }
    });
    f.SP1->setEnabled(true);
    if (!waitFor([&] { return phase == Phase::Holding; }, 60000 + 5 * kRows * kGapMs))
        return finish(fail(QStringLiteral("recording did not start and stop (%1 readings seen, %2 rows)")
                               .arg(seen.size())
                               .arg(rows)));
    if (f.SP1->isChecked() || rows != kRows)
        return finish(fail(QStringLiteral("%1 rows recorded, %2 wanted").arg(rows).arg(kRows)));

    // SCPI: once, then on each part of one cycle, from the fixed point on.
    QByteArray scpi;
    ScpiClient client;
    if (!client.connectTo(f.scpiFront->address()))
        return finish(fail(QStringLiteral("no SCPI connection to ") + f.scpiFront->address()));
    const auto ask = [&](const QString &query) { scpi += "> " + query.toUtf8() + "\n< " + client.ask(query) + '\n'; };
    for (int part = 0; part < kParts.size(); ++part) {
        if (!waitFor([&held] { return held; }, 10000))
            return finish(fail(QStringLiteral("the stream did not reach part %1").arg(part + 1)));
        // Readings already on their way are shown before the questions.
        runFor(4 * kGapMs);
        const QString shown = displayed(f);
        if (part == 0 && shown != cycleStart)
            return finish(fail(QStringLiteral("the held stream is not at the cycle's start")));
        scpi += "# part " + QByteArray::number(part + 1) + "\n";
        if (part == 0)
            for (const QString &query : kScpiOnce)
                ask(query);
        for (const QString &query : kScpiPerPart)
            ask(query);
        if (displayed(f) != shown)
            return finish(fail(QStringLiteral("the stream moved on while SCPI asked")));
        if (part + 1 < kParts.size()) {
            held = false;
            signalSim(SIGCONT);
        }
    }
    phase = Phase::Done; // the simulator stays stopped from here on

    // The log as CSV, as the batch controller saves it.
    const QString csvPath = home.filePath(QStringLiteral("log.csv"));
    QString error;
    if (!f.batchViews->saveCsvTo(csvPath, &error))
        return finish(fail(QStringLiteral("CSV not saved: ") + error));

    // The log table as the user reads it.
    QString table;
    QStringList header;
    for (int c = 0; c < LogTableModel::kColumns; ++c)
        header << f.logModel->headerText(c);
    table += header.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r = 0; r < f.logModel->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < LogTableModel::kColumns; ++c)
            cells << f.logModel->cell(r, c);
        table += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }

    // The workbook, by the window's button, kept since nothing opens it.
    bool exported = false;
    QObject::connect(f.exporter, &ExportController::finished, [&exported] { exported = true; });
    f.Button4->click();
    if (!waitFor([&exported] { return exported; }, 30000))
        return finish(fail(QStringLiteral("the export did not finish")));
    const QString workbook = f.exporter->lastFile();
    if (!QFile::exists(workbook))
        return finish(fail(QStringLiteral("no workbook; the window said: ") + messages.join(QStringLiteral(" / "))));
    const QString parts = out.filePath(QStringLiteral("workbook"));
    QDir(parts).removeRecursively();
    QProcess unzipping;
    unzipping.start(unzip, {QStringLiteral("-Z1"), workbook});
    unzipping.waitForFinished(30000);
    const QByteArray entries = unzipping.readAllStandardOutput();
    unzipping.start(unzip, {QStringLiteral("-q"), QStringLiteral("-o"), workbook, QStringLiteral("-d"), parts});
    if (!unzipping.waitForFinished(30000) || unzipping.exitCode() != 0 || entries.isEmpty())
        return finish(fail(QStringLiteral("unzip failed on ") + workbook));
    for (QDirIterator it(parts, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (!writeFile(path, masked(QString::fromUtf8(readFile(path))).toUtf8()))
            return finish(fail(QStringLiteral("cannot write ") + path));
    }

    QByteArray record;
    record += "simulator: meter-sim --frame-gap-ms " + QByteArray::number(kGapMs) + " --cycle "
              + QByteArray::number(kCycle) + " (no noise, not numbered), parts: " + kParts.join(u' ').toUtf8() + "\n";
    record += "window: profile parts.hex1 line 2 (C 100 nF +-2 %, D < 0,01) applied; sorting plan grades.json:\n"
              + kPlan + "\n";
    record += "recorded: " + QByteArray::number(kRows)
              + " rows, from the change onto the part whose display sorts first, then SP1 up\n";
    record += "scpi: the stream held (SIGSTOP) on the first reading of each part of the next cycle\n";
    record += "masked: reading times (ISO 8601, dd.MM.yy hh:mm:ss) as <TIME>, in every file\n";
    if (!writeFile(out.filePath(QStringLiteral("log.csv")), masked(QString::fromUtf8(readFile(csvPath))).toUtf8())
        || !writeFile(out.filePath(QStringLiteral("table.txt")), masked(table).toUtf8())
        || !writeFile(out.filePath(QStringLiteral("scpi.txt")), masked(QString::fromUtf8(scpi)).toUtf8())
        || !writeFile(out.filePath(QStringLiteral("workbook/entries.txt")), entries)
        || !writeFile(out.filePath(QStringLiteral("record.txt")), record))
        return finish(fail(QStringLiteral("cannot write into ") + out.path()));
    // The boxes the window showed (the export's "nothing opens the workbook" names a private folder).
    for (const QString &message : messages)
        std::fprintf(stderr, "window said: %s\n", qPrintable(message));
    std::printf("%d rows recorded; outputs in %s\n", rows, qPrintable(out.path()));
    return finish(0);
}
