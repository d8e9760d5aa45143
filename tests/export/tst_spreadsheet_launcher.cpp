#include "export/spreadsheet_launcher.h"

#include "stand_in_path.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

class TestSpreadsheetLauncher : public QObject
{
    Q_OBJECT

private slots:
    void theWorkbookReachesTheApplication_data();
    void theWorkbookReachesTheApplication();
    void nothingToOpenItWith_data();
    void nothingToOpenItWith();
    void theApplicationOutlivesTheLauncher();
};

static const QString kFile = QStringLiteral("/tmp/vorlant-export-abc/Журнал Ω.xlsx");

void TestSpreadsheetLauncher::theWorkbookReachesTheApplication_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("started");
    QTest::addColumn<QStringList>("arguments");

    const QStringList untitled{QStringLiteral("--calc"), QStringLiteral("-n"), kFile};
    QTest::newRow("office and xdg-open: office, untitled")
        << QStringList{QStringLiteral("libreoffice"), QStringLiteral("xdg-open")} << QStringLiteral("libreoffice")
        << untitled;
    QTest::newRow("office only") << QStringList{QStringLiteral("libreoffice")} << QStringLiteral("libreoffice")
                                 << untitled;
    QTest::newRow("xdg-open only") << QStringList{QStringLiteral("xdg-open")} << QStringLiteral("xdg-open")
                                   << QStringList{kFile};
}

void TestSpreadsheetLauncher::theWorkbookReachesTheApplication()
{
    QFETCH(QStringList, present);
    QFETCH(QString, started);
    QFETCH(QStringList, arguments);

    StandInPath path;
    for (const QString &name : present)
        path.add(name);

    SpreadsheetLauncher launcher;
    QSignalSpy failures(&launcher, &SpreadsheetLauncher::failed);
    QVERIFY(launcher.open(kFile));
    QTRY_COMPARE(path.args(started), arguments);
    // Its clean end is no failure.
    QTRY_VERIFY(launcher.findChildren<QProcess *>().isEmpty());
    QCOMPARE(failures.size(), 0);
    for (const QString &name : present)
        if (name != started)
            QVERIFY(!QFile::exists(path.argsFile(name)));
}

void TestSpreadsheetLauncher::nothingToOpenItWith_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("openReturns");
    QTest::addColumn<QString>("reason");

    QTest::newRow("nothing on PATH") << QString() << 0 << false << QStringLiteral("Программа для электронных таблиц не найдена (в PATH нет ни libreoffice, ни xdg-open).");
    QTest::newRow("office cannot start") << QStringLiteral("libreoffice") << -1 << false
                                         << QStringLiteral("Не удалось запустить программу libreoffice: ");
    // xdg-open's "no application knows this kind of file".
    QTest::newRow("xdg-open finds no handler") << QStringLiteral("xdg-open") << 3 << true
                                               << QStringLiteral("Программа xdg-open завершилась с кодом 3.");
}

void TestSpreadsheetLauncher::nothingToOpenItWith()
{
    QFETCH(QString, program);
    QFETCH(int, exitCode);
    QFETCH(bool, openReturns);
    QFETCH(QString, reason);

    StandInPath path;
    if (!program.isEmpty())
        path.add(program, exitCode);

    SpreadsheetLauncher launcher;
    QSignalSpy failures(&launcher, &SpreadsheetLauncher::failed);
    QCOMPARE(launcher.open(kFile), openReturns);
    QTRY_COMPARE(failures.size(), 1);
    QCOMPARE(failures.at(0).at(0).toString(), kFile);
    const QString message = describeExportProblem(failures.at(0).at(1).value<ExportProblem>(), exportMessages());
    const QString opening = QStringLiteral("Журнал скопирован в книгу, но ни одна программа для электронных таблиц "
                                           "не смогла её открыть. ");
    QVERIFY2(message.startsWith(opening + reason), qPrintable(message));
    QVERIFY2(message.endsWith(QStringLiteral("\n\nКнига сохранена здесь:\n") + kFile), qPrintable(message));
}

void TestSpreadsheetLauncher::theApplicationOutlivesTheLauncher()
{
    StandInPath path;
    // Stays up like a spreadsheet session, writing to its output meanwhile.
    path.addScript(QStringLiteral("libreoffice"),
                   "echo $$ > \"$0.pid.new\"; /bin/mv \"$0.pid.new\" \"$0.pid\"\n"
                   "echo output; echo errors >&2; exec /bin/sleep 60\n");
    const QString pidFile = path.filePath(QStringLiteral("libreoffice.pid"));
    {
        SpreadsheetLauncher launcher;
        QVERIFY(launcher.open(kFile));
        QTRY_VERIFY(QFile::exists(pidFile));
    }
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const pid_t pid = file.readAll().trimmed().toInt();
    QVERIFY(pid > 0);
    // Still running after its launcher has gone.
    QCOMPARE(::kill(pid, 0), 0);
    ::kill(pid, SIGTERM);
}

QTEST_GUILESS_MAIN(TestSpreadsheetLauncher)
#include "tst_spreadsheet_launcher.moc"
