// The log's journal on the window: a window recording in a child process
// is killed with SIGKILL, and a new window offers its rows back. Each test
// keeps its state folder in a temporary folder (never the user's home).

#include "app/form1.h"
#include "dongle_rig.h"

#include "journal/journal_controller.h"
#include "log/log_controller.h"
#include "files/locked_append_file.h"
#include "log/log_table_model.h"
#include "export/reading_csv.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"
#include "protocol/frame_encoder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cstdio>
#include <memory>

using protocol::MeterSettings;

namespace {

constexpr int kRows = 50;
const char kChildVariable[] = "VORLANT_JOURNAL_TEST_CHILD"; // "single" or "multi"
const char kStateVariable[] = "VORLANT_JOURNAL_TEST_STATE";
const char kDumpVariable[] = "VORLANT_JOURNAL_TEST_DUMP";

Form1Options optionsFor(const QString &stateFolder)
{
    Form1Options options;
    options.stateFolder = stateFolder;
    return options;
}

// Everything the log shows and holds, one line per cell, so two logs compare line by line.
QStringList dumpLog(const TForm1 &f)
{
    const LogTableModel &model = *f.logModel;
    QStringList out;
    for (int c = 0; c < LogTableModel::kColumns; ++c)
        out << QStringLiteral("header %1: %2").arg(c).arg(model.headerText(c));
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int c = 0; c < LogTableModel::kColumns; ++c)
            out << QStringLiteral("%1/%2: %3 mark %4").arg(r + 1).arg(c).arg(model.cell(r, c)).arg(int(model.cellMark(r, c)));
        if (const reading::Reading *reading = model.reading(r))
            out << QStringLiteral("%1 reading: ").arg(r + 1) + QString::fromUtf8(csvLine(*reading, r + 1).trimmed());
    }
    out << QStringLiteral("part mode %1, start position %2, next row %3")
               .arg(f.CBox10->currentIndex())
               .arg(f.logController->startPosition())
               .arg(f.nextLogRow);
    return out;
}

// A window with the meter on a pty, as a person records with it.
struct Recorder
{
    explicit Recorder(const QString &stateFolder)
        : form(optionsFor(stateFolder))
    {
        rig.countReads(form);
    }

    bool linkUp()
    {
        form.B2->click();
        if (rig.readUntil("AT+CONNL") != "AT+CONNL" || !rig.deliver("OK+CONNL") || !rig.deliver("OK+CONN\r\n"))
            return false;
        form.T4->stop();
        // A 1 % tolerance on 10 kOhm, so rows pass and fail.
        form.CBox5->setCurrentIndex(4);
        return form.meterConnected;
    }

    bool frame(int i)
    {
        MeterSettings s;
        s.primaryCode = 1;
        s.seriesCircuit = std::uint8_t(i % 2);
        return rig.deliver(protocol::encodeRlcFrame(s, 10000.0 * (1.0 + (i % 7 - 3) * 0.006), 1.0 + i, true)
                               .toByteArray());
    }

    bool recordSingle(int first, int count)
    {
        if (!form.SP1->isChecked())
            form.SP1->click();
        for (int i = first; i < first + count; ++i) {
            if (!frame(i))
                return false;
        }
        return true;
    }

    // Three profile lines; frames go to lines 2, 3, 1 and 2 again (rewritten).
    bool recordMulti()
    {
        form.lineCount = 3;
        form.CBox6->clear();
        form.CBox6->addItems({QStringLiteral("R1"), QStringLiteral("C7"), QStringLiteral("L3")});
        form.SE2->setRange(1, 4);
        form.CBox10->setCurrentIndex(1);
        form.SP1->click();
        for (int i = 0; i < kRows; ++i) {
            form.SE2->setValue(i < 40 ? 1 + (i + 1) % 3 : 2);
            if (!frame(i))
                return false;
        }
        return true;
    }

    DongleRig rig;
    TForm1 form;
};

int runChild(const QString &kind)
{
    Recorder recorder(qEnvironmentVariable(kStateVariable));
    const bool ok = recorder.linkUp()
                    && (kind == QLatin1String("multi") ? recorder.recordMulti() : recorder.recordSingle(0, kRows));
    if (!ok)
        return 3;
    QFile dump(qEnvironmentVariable(kDumpVariable));
    if (!dump.open(QIODevice::WriteOnly))
        return 4;
    dump.write(dumpLog(recorder.form).join(QLatin1Char('\n')).toUtf8());
    dump.close();
    std::printf("ready\n");
    std::fflush(stdout);
    // Recording goes on until the parent kills this process.
    return QApplication::exec();
}

} // namespace

class TestForm1Journal : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void aKilledLogComesBackOnYes_data();
    void aKilledLogComesBackOnYes();
    void noSavesTheRowsAsCsv();
    void aLiveJournalIsNotOffered();
    void aJournalThatCannotBeWrittenLeavesTheLogInMemory_data();
    void aJournalThatCannotBeWrittenLeavesTheLogInMemory();

private:
    // Starts a recording window in a child process; its log is in `childDump` once it has written kRows rows.
    bool startChild(const QString &kind);
    void killChild();
    // A new window on the same state folder, asked its question now.
    std::unique_ptr<TForm1> restart(bool answer);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_state;
    std::unique_ptr<QProcess> m_child;
    QStringList m_childDump;
    QStringList m_questions;
    QString m_mount; // a small tmpfs mounted for a test
};

void TestForm1Journal::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_state = m_dir->filePath(QStringLiteral("state/vorlant"));
    m_questions.clear();
}

void TestForm1Journal::cleanup()
{
    killChild();
    if (!m_mount.isEmpty())
        QProcess::execute(QStringLiteral("umount"), {m_mount});
    m_mount.clear();
    m_dir.reset();
}

bool TestForm1Journal::startChild(const QString &kind)
{
    m_child = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kChildVariable), kind);
    env.insert(QLatin1String(kStateVariable), m_state);
    const QString dump = m_dir->filePath(QStringLiteral("child.txt"));
    env.insert(QLatin1String(kDumpVariable), dump);
    // The child is killed, so its own temporary folders are never removed: keep them in ours.
    const QString childTemp = m_dir->filePath(QStringLiteral("tmp"));
    if (!QDir().mkpath(childTemp))
        return false;
    env.insert(QStringLiteral("TMPDIR"), childTemp);
    m_child->setProcessEnvironment(env);
    m_child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_child->start(QCoreApplication::applicationFilePath(), {});
    if (!m_child->waitForStarted())
        return false;
    // Building the window and 50 frames under the sanitizers take a while on a busy machine.
    QElapsedTimer clock;
    clock.start();
    while (!m_child->canReadLine()) {
        if (m_child->state() != QProcess::Running || clock.elapsed() > 100000)
            return false;
        m_child->waitForReadyRead(1000);
    }
    if (m_child->readLine().trimmed() != "ready")
        return false;
    QFile file(dump);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_childDump = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    return true;
}

void TestForm1Journal::killChild()
{
    if (m_child && m_child->state() != QProcess::NotRunning) {
        m_child->kill(); // SIGKILL: no handler of the window runs
        m_child->waitForFinished();
    }
    m_child.reset();
}

std::unique_ptr<TForm1> TestForm1Journal::restart(bool answer)
{
    auto form = std::make_unique<TForm1>(optionsFor(m_state));
    form->journalController->setAsker([this, answer](QWidget *, const QString &, const QString &question) {
        m_questions << question;
        return answer;
    });
    form->offerLogRestore();
    return form;
}

void TestForm1Journal::aKilledLogComesBackOnYes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("single part") << QStringLiteral("single");
    QTest::newRow("multi part, rows rewritten") << QStringLiteral("multi");
}

void TestForm1Journal::aKilledLogComesBackOnYes()
{
    QFETCH(QString, kind);
    QVERIFY(startChild(kind));
    killChild();
    // Both verdicts are in the log, so the colours are put to the test.
    QVERIFY(m_childDump.filter(QStringLiteral(" mark 1")).size() > 0);
    QVERIFY(m_childDump.filter(QStringLiteral(" mark 2")).size() > 0);

    DongleRig rig; // collects the message boxes
    std::unique_ptr<TForm1> form = restart(true);
    QCOMPARE(m_questions.size(), 1);
    const int rows = kind == QLatin1String("multi") ? 3 : kRows;
    QVERIFY2(m_questions.constFirst().contains(QString::number(rows)), qPrintable(m_questions.constFirst()));
    QVERIFY(m_questions.constFirst().contains(QStringLiteral("ended unexpectedly"))
            || m_questions.constFirst().contains(QStringLiteral("прервалась")));
    const QStringList restored = dumpLog(*form);
    QCOMPARE(restored.size(), m_childDump.size());
    for (int i = 0; i < restored.size(); ++i)
        QCOMPARE(restored.at(i), m_childDump.at(i));
    QVERIFY(rig.messages().isEmpty());
    QCOMPARE(form->multiLogPrepared, kind == QLatin1String("multi"));

    // Recording goes on into the same journal: another crash keeps both parts.
    const QStringList journals = files::journalPaths(m_state + QStringLiteral("/journal"));
    QCOMPARE(journals.size(), 1);
    if (kind == QLatin1String("single")) {
        form->SE1->setValue(60);
        form->appendLogRow();
        QCOMPARE(form->nextLogRow, 61);
    }
    const QStringList before = dumpLog(*form);
    form.reset(); // not closed: as after a crash
    std::unique_ptr<TForm1> again = restart(true);
    QCOMPARE(files::journalPaths(m_state + QStringLiteral("/journal")), journals);
    QCOMPARE(dumpLog(*again), before);
}

void TestForm1Journal::noSavesTheRowsAsCsv()
{
    QVERIFY(startChild(QStringLiteral("single")));
    killChild();
    DongleRig rig;
    std::unique_ptr<TForm1> form = restart(false);
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(form->logModel->reading(0), nullptr);
    // The journal is gone, its rows are in the CSV the message names.
    QVERIFY(files::journalPaths(m_state + QStringLiteral("/journal")).isEmpty());
    const QStringList csvs = QDir(m_state + QStringLiteral("/recovered")).entryList({QStringLiteral("*.csv")});
    QCOMPARE(csvs.size(), 1);
    const QString path = m_state + QStringLiteral("/recovered/") + csvs.constFirst();
    QCOMPARE(rig.messages().size(), 1);
    QVERIFY2(rig.messages().constFirst().text.contains(path), qPrintable(rig.messages().constFirst().text));
    QFile csv(path);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + kRows + 1); // header, rows, nothing after the last line end
    QCOMPARE(lines.constFirst() + '\n', csvHeaderLine());
    for (int r = 1; r <= kRows; ++r) {
        const QString expected = m_childDump.filter(QStringLiteral("%1 reading: ").arg(r)).constFirst();
        QCOMPARE(QString::fromUtf8(lines.at(r).trimmed()), expected.mid(expected.indexOf(QLatin1String(": ")) + 2));
    }
    // Asked once: nothing is offered at the next start.
    form.reset();
    restart(true);
    QCOMPARE(m_questions.size(), 1);
}

void TestForm1Journal::aLiveJournalIsNotOffered()
{
    QVERIFY(startChild(QStringLiteral("single")));
    Recorder second(m_state);
    second.form.journalController->setAsker([this](QWidget *, const QString &, const QString &question) {
        m_questions << question;
        return true;
    });
    second.form.offerLogRestore();
    QVERIFY(m_questions.isEmpty());
    QVERIFY(second.linkUp());
    QVERIFY(second.recordSingle(0, 3));
    // Each program writes its own.
    QCOMPARE(files::journalPaths(m_state + QStringLiteral("/journal")).size(), 2);
    QCOMPARE(second.form.logModel->reading(3), nullptr);
    QVERIFY(second.form.logModel->reading(2));
}

void TestForm1Journal::aJournalThatCannotBeWrittenLeavesTheLogInMemory_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("folder cannot be made") << false;
    QTest::newRow("disk full") << true;
}

void TestForm1Journal::aJournalThatCannotBeWrittenLeavesTheLogInMemory()
{
    QFETCH(bool, fullDisk);
    if (fullDisk) {
        // Two pages of tmpfs: the journal fills them after a few rows.
        m_mount = m_dir->filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(m_mount));
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                        QStringLiteral("-o"), QStringLiteral("size=8k"),
                                                        QStringLiteral("tmpfs"), m_mount})
            != 0) {
            m_mount.clear();
            QSKIP("mounting a small tmpfs needs root");
        }
        m_state = m_mount + QStringLiteral("/vorlant");
    } else {
        // A file where the folder should be.
        QFile blocker(m_dir->filePath(QStringLiteral("state")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    Recorder recorder(m_state);
    QVERIFY(recorder.linkUp());
    QVERIFY(recorder.recordSingle(0, kRows));
    const QStringList warnings =
        recorder.form.Memo1->toPlainText().split(QLatin1Char('\n')).filter(QStringLiteral("journal"), Qt::CaseInsensitive);
    QCOMPARE(warnings.size(), 1);
    // Every row is in the log all the same, and recording still runs.
    QVERIFY(recorder.form.SP1->isChecked());
    QVERIFY(recorder.form.logModel->reading(kRows - 1));
    QCOMPARE(recorder.form.nextLogRow, kRows + 1);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildVariable))
        return runChild(qEnvironmentVariable(kChildVariable));
    TestForm1Journal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1_journal.moc"
