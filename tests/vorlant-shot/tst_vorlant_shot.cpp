// The unattended picture run: the built vorlant-shot against the built meter
// simulator, as `make run` uses them without a display.

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString binary(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

} // namespace

class TestVorlantShot : public QObject
{
    Q_OBJECT

private slots:
    void picturesTheFirstReading_data();
    void picturesTheFirstReading();
    void noReadingIsAFailure();
    void badArguments();

private:
    // Runs the tool from the program's folder with the finder pointed at `port`.
    int runShot(const QString &port, const QStringList &args, QByteArray *errors);

    QTemporaryDir m_dir;
};

int TestVorlantShot::runShot(const QString &port, const QStringList &args, QByteArray *errors)
{
    QProcess shot;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PORTVANE_PORT"), port);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    shot.setProcessEnvironment(env);
    shot.setWorkingDirectory(QCoreApplication::applicationDirPath());
    shot.start(binary("vorlant-shot"),
               QStringList{QStringLiteral("--settings-folder"), m_dir.filePath(QStringLiteral("settings"))} + args);
    if (!shot.waitForFinished(90000)) {
        shot.kill();
        shot.waitForFinished();
        return -1;
    }
    *errors = shot.readAllStandardError();
    return shot.exitStatus() == QProcess::NormalExit ? shot.exitCode() : -1;
}

void TestVorlantShot::picturesTheFirstReading_data()
{
    QTest::addColumn<QStringList>("modeArgs");
    QTest::addColumn<QString>("part");
    QTest::newRow("first reading") << QStringList() << QStringLiteral("R=4.7k");
    QTest::newRow("U pressed") << QStringList{QStringLiteral("--mode"), QStringLiteral("u")}
                               << QStringLiteral("U=3.3");
}

void TestVorlantShot::picturesTheFirstReading()
{
    QFETCH(QStringList, modeArgs);
    QFETCH(QString, part);
    QVERIFY(m_dir.isValid());
    const QString link = m_dir.filePath(QStringLiteral("dongle"));
    const QString picture = m_dir.filePath(QStringLiteral("window.png"));
    QFile::remove(picture);

    QProcess sim;
    sim.start(binary("meter-sim"), {QStringLiteral("--link"), link, QStringLiteral("--part"), part});
    QVERIFY(sim.waitForStarted());
    // The device's path comes once the link is in place.
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 5000);

    QByteArray errors;
    const int status = runShot(link, QStringList{QStringLiteral("--deadline"), QStringLiteral("30")} + modeArgs
                                         + QStringList{picture},
                               &errors);
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));

    QVERIFY2(status == 0, errors.constData());
    const QImage image(picture);
    QVERIFY(!image.isNull());
    // The whole window: its client area, widened if a frame needs it.
    const QSize size = image.size() / image.devicePixelRatio();
    QVERIFY2(size.width() >= 1014 && size.height() >= 636, qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
}

void TestVorlantShot::noReadingIsAFailure()
{
    const QString picture = m_dir.filePath(QStringLiteral("none.png"));
    QByteArray errors;
    QCOMPARE(runShot(m_dir.filePath(QStringLiteral("no-dongle")), {QStringLiteral("--deadline"), QStringLiteral("1"),
                                                                    picture},
                     &errors),
             1);
    QVERIFY2(errors.contains("no reading within 1 s"), errors.constData());
    QVERIFY(!QFile::exists(picture));
}

void TestVorlantShot::badArguments()
{
    QByteArray errors;
    QCOMPARE(runShot(QString(), {QStringLiteral("--mode"), QStringLiteral("X"), QStringLiteral("a.png")}, &errors), 2);
    QCOMPARE(runShot(QString(), {}, &errors), 2);
}

QTEST_GUILESS_MAIN(TestVorlantShot)
#include "tst_vorlant_shot.moc"
