#include "vorlant_version.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class TestProgramVersion : public QObject
{
    Q_OBJECT

private slots:
    void headerNamesTheChangelogsVersion();
    void programAnswersVersion_data();
    void programAnswersVersion();
};

void TestProgramVersion::headerNamesTheChangelogsVersion()
{
    QFile changelog(qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/packaging/changelog"));
    QVERIFY2(changelog.open(QIODevice::ReadOnly), qPrintable(changelog.fileName()));
    const QString head = QString::fromUtf8(changelog.readLine());
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^vorlant \\(([^)]+)\\)")).match(head);
    QVERIFY2(match.hasMatch(), qPrintable(head));
    QCOMPARE(QLatin1String(kProgramVersion), match.captured(1));
}

void TestProgramVersion::programAnswersVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    for (const char *program : {"vorlant", "vorlant-shot", "vorlant-log", "meter-sim", "portvane-find"})
        QTest::newRow(program) << QString::fromLatin1(program) << QStringList{QStringLiteral("--version")};
    // Among other arguments it still wins, before they are looked at.
    QTest::newRow("vorlant, after a bad option")
        << QStringLiteral("vorlant") << QStringList{QStringLiteral("--colour"), QStringLiteral("--version")};
    QTest::newRow("vorlant-log, after a bad option")
        << QStringLiteral("vorlant-log") << QStringList{QStringLiteral("--colour"), QStringLiteral("--version")};
    QTest::newRow("meter-sim, after a bad option")
        << QStringLiteral("meter-sim") << QStringList{QStringLiteral("--colour"), QStringLiteral("--version")};
}

void TestProgramVersion::programAnswersVersion()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);

    // No display at all: the window programs answer before any application object.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());

    QProcess process;
    process.setProcessEnvironment(environment);
    // Not from the folder with lang/: the answer needs nothing beside the program.
    process.setWorkingDirectory(QStringLiteral("/"));
    process.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + program, arguments);
    QVERIFY2(process.waitForFinished(30000), qPrintable(program));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()),
             program + QLatin1Char(' ') + QLatin1String(kProgramVersion) + QLatin1Char('\n'));
    QCOMPARE(process.readAllStandardError(), QByteArray());
}

QTEST_GUILESS_MAIN(TestProgramVersion)
#include "tst_program_version.moc"
