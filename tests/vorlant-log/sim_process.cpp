#include "sim_process.h"

#include "logger_run.h"

#include <QCoreApplication>
#include <QFile>
#include <QDeadlineTimer>
#include <QProcessEnvironment>

QString programPath(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool SimProcess::start(const QString &link, const QStringList &args)
{
    m_process.start(programPath("meter-sim"), QStringList{QStringLiteral("--link"), link, QStringLiteral("--verbose")}
                                                  + args);
    if (!m_process.waitForStarted(10000))
        return false;
    // The device's path is printed once the link is in place.
    QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return true;
}

QByteArray SimProcess::log()
{
    m_log += m_process.readAllStandardError();
    return m_log;
}

bool SimProcess::waitForLog(const QByteArray &text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!log().contains(text)) {
        if (deadline.hasExpired())
            return false;
        m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 100)));
    }
    return true;
}

void startLogger(QProcess &process, const QStringList &args)
{
    process.start(programPath("vorlant-log"), args);
}

LoggerResult runLogger(const QStringList &args, const QStringList &environment, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.start(programPath("vorlant-log"), args);
    LoggerResult result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.status = process.exitCode();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

LoggerResult runLoggerHere(QStringList args, const QString &outputPath)
{
    LoggerResult result;
    vorlantlog::RunEnvironment environment;
    environment.report = [&result](const QString &line) {
        result.err += "vorlant-log: " + line.toLocal8Bit() + '\n';
    };
    environment.printHelp = [&result](const QByteArray &text) { result.out += text; };
    environment.stopOnSignals = false;
    vorlantlog::MeterLogger::Timing &quick = environment.timing;
    quick.settingsDelayMs /= 10;
    quick.commandGapMs /= 10;
    quick.portWatchMs /= 10;
    quick.supervisionMs /= 10;
    QString output = outputPath;
    if (const qsizetype at = args.indexOf(QStringLiteral("--output")); at >= 0 && at + 1 < args.size())
        output = args.at(at + 1);
    else
        args << QStringLiteral("--output") << outputPath;
    result.status = vorlantlog::runLogger(QStringList{QStringLiteral("vorlant-log")} + args, environment);
    QFile file(output);
    if (file.open(QIODevice::ReadOnly))
        result.out += file.readAll();
    return result;
}
