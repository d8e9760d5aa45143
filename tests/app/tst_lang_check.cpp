#include "app/lang_check.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestLangCheck : public QObject
{
    Q_OBJECT

private slots:
    void checksBelowTheGivenDirectory_data();
    void checksBelowTheGivenDirectory();
    void programWithoutLangFileEndsWithFailure();
};

void TestLangCheck::checksBelowTheGivenDirectory_data()
{
    QTest::addColumn<QString>("layout"); // what lies in the directory
    QTest::addColumn<bool>("present");

    QTest::newRow("empty directory") << "" << false;
    QTest::newRow("lang without the file") << "lang/" << false;
    QTest::newRow("the file") << "lang/eng.lng" << true;
    QTest::newRow("another language only") << "lang/deu.lng" << false;
    QTest::newRow("name in capitals") << "lang/ENG.LNG" << false;
    QTest::newRow("a directory of that name") << "lang/eng.lng/" << false;
    QTest::newRow("file beside lang, not in it") << "eng.lng" << false;
    QTest::newRow("dangling link") << "lang/eng.lng->missing" << false;
    QTest::newRow("link to a file") << "lang/eng.lng->real.lng" << true;
}

void TestLangCheck::checksBelowTheGivenDirectory()
{
    QFETCH(QString, layout);
    QFETCH(bool, present);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDir root(dir.path());
    if (!layout.isEmpty()) {
        QString path = layout;
        QString target;
        if (const qsizetype arrow = layout.indexOf(QLatin1String("->")); arrow >= 0) {
            path = layout.left(arrow);
            target = layout.mid(arrow + 2);
        }
        QVERIFY(root.mkpath(QFileInfo(root.filePath(path)).path()));
        if (path.endsWith(QLatin1Char('/'))) {
            QVERIFY(root.mkpath(path));
        } else if (!target.isEmpty()) {
            if (target != QLatin1String("missing")) {
                QFile real(root.filePath(QLatin1String("lang/") + target));
                QVERIFY(real.open(QIODevice::WriteOnly));
            }
            QVERIFY(QFile::link(target, root.filePath(path)));
        } else {
            QFile file(root.filePath(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    QCOMPARE(langCheckPathFor(dir.path()), dir.path() + QStringLiteral("/lang/eng.lng"));
    QCOMPARE(langFilePresent(dir.path()), present);
}

void TestLangCheck::programWithoutLangFileEndsWithFailure()
{
    // Started from a directory without lang/ while lang/ does lie beside the
    // program: the check looks below the current directory only.
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/vorlant");
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
    QVERIFY(QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/lang/eng.lng")).isFile());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    QProcess process;
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(program, {});
    QVERIFY(process.waitForStarted(30000));

    // The message comes before any window; then a termination request closes
    // the modal box and the program reports failure.
    QByteArray errors;
    const QDeadlineTimer deadline(30000);
    while (!errors.contains("Lang file is missing") && !deadline.hasExpired()
           && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        errors += process.readAllStandardError();
    }
    errors += process.readAllStandardError();
    QVERIFY2(errors.contains("Lang file is missing"), errors.constData());

    if (process.state() == QProcess::Running)
        process.terminate();
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestLangCheck)
#include "tst_lang_check.moc"
