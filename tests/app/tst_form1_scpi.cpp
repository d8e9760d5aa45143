// vorlant --serve: a PyVISA script drives the meter simulator through the
// window, offscreen; the window says in Memo1 that it listens and who came and went.

#include "app/form1.h"
#include "app/scpi_front.h"

#include "link/com_port.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

QString builtProgram(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

} // namespace

class TestForm1Scpi : public QObject
{
    Q_OBJECT

private slots:
    void pyvisaDrivesTheMeterThroughTheWindow();
    void addressInUseIsSaid();
};

void TestForm1Scpi::pyvisaDrivesTheMeterThroughTheWindow()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("dongle"));
    QProcess sim;
    sim.start(builtProgram("meter-sim"), {QStringLiteral("--link"), link, QStringLiteral("--verbose"),
                                          QStringLiteral("--part"), QStringLiteral("C=100n,ESR=0.2"),
                                          QStringLiteral("--frame-gap-ms"), QStringLiteral("50")});
    QVERIFY(sim.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(link), 10000);
    qputenv("PORTVANE_PORT", link.toLocal8Bit());

    Form1Options options;
    options.scpiAddress = QStringLiteral("0");
    TForm1 form(options);
    form.show();
    QVERIFY(form.scpiFront->listening());
    const QString address = form.scpiFront->address();
    QVERIFY(address.startsWith(QLatin1String("127.0.0.1:")));
    QVERIFY(form.Memo1->toPlainText().contains(form.scpiFront->Dscpi.GetItem(ScpiFront::Listening).arg(address)));

    QByteArray simLog;
    auto simCount = [&](const QByteArray &text) { return (simLog += sim.readAllStandardError()).count(text); };
    auto simSaid = [&](const QByteArray &text) { return simCount(text) > 0; };
    // The probe at the first showing ("AT" twice) is over before the link is asked for.
    QTRY_VERIFY_WITH_TIMEOUT(simCount("tx OK\n") >= 2, 20000);
    QTRY_VERIFY(form.B2->isEnabled());
    form.B2->click();
    QTRY_VERIFY2_WITH_TIMEOUT(form.meterConnected, simLog.constData(), 20000);
    // The window's own settings command after the link came up, before the script's.
    QTRY_VERIFY_WITH_TIMEOUT(simSaid("settings:"), 10000);
    simLog.clear();

    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral("/usr/bin/python3"),
                 {qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/tests/vorlant-log/scpi_pyvisa.py"),
                  address.section(QLatin1Char(':'), 1)});
    QVERIFY2(script.waitForStarted(10000), "python3-pyvisa-py is installed by scripts/setup-deps");
    QTRY_VERIFY_WITH_TIMEOUT(script.state() == QProcess::NotRunning, 120000);
    const QByteArray said = script.readAll();
    QVERIFY2(script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0, said.constData());
    QCOMPARE(said.count("ok READ?"), 20);

    // The script's three settings reached the meter, the last one carrying all three.
    QTRY_VERIFY_WITH_TIMEOUT(simSaid("rx 01 44 B2 22 0A  settings"), 10000);
    QCOMPARE(simLog.count("settings:"), 3);

    const QString memo = form.Memo1->toPlainText();
    const QString arrived = form.scpiFront->Dscpi.GetItem(ScpiFront::Arrived).arg(QStringLiteral("127.0.0.1:"));
    QVERIFY2(memo.contains(arrived.left(arrived.indexOf(QLatin1String("127.0.0.1:")) + 10)), qPrintable(memo));
    const QString leftText = form.scpiFront->Dscpi.GetItem(ScpiFront::Left);
    QTRY_VERIFY(form.Memo1->toPlainText().contains(leftText.left(leftText.indexOf(QLatin1String("%1")))));

    if (const QString shot = qEnvironmentVariable("VORLANT_SCPI_SHOT"); !shot.isEmpty())
        form.grab().save(shot);

    form.ComPort->Close();
    sim.terminate();
    sim.waitForFinished(5000);
}

void TestForm1Scpi::addressInUseIsSaid()
{
    Form1Options first;
    first.scpiAddress = QStringLiteral("0");
    TForm1 one(first);
    Form1Options second;
    second.scpiAddress = one.scpiFront->address();
    TForm1 two(second);
    const QString cannot = two.scpiFront->Dscpi.GetItem(ScpiFront::CannotListen).arg(second.scpiAddress, QString());
    QVERIFY2(two.Memo1->toPlainText().startsWith(cannot), qPrintable(two.Memo1->toPlainText()));
    // Without the option nothing listens.
    TForm1 none;
    QVERIFY(!none.scpiFront->listening());
}

QTEST_MAIN(TestForm1Scpi)
#include "tst_form1_scpi.moc"
