#include "export/spreadsheet_launcher.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QList>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

namespace {

// Openers that outlived their launcher. Kept reachable on purpose and never
// destroyed: destroying a QProcess kills its process, which may be the user's
// spreadsheet session itself.
QList<QProcess *> &releasedOpeners()
{
    // Never destroyed either, so the openers stay reachable to the very end.
    static auto *openers = new QList<QProcess *>;
    return *openers;
}

} // namespace

SpreadsheetLauncher::SpreadsheetLauncher(QObject *parent)
    : QObject(parent)
{
}

SpreadsheetLauncher::~SpreadsheetLauncher()
{
    const QList<QProcess *> openers = findChildren<QProcess *>(Qt::FindDirectChildrenOnly);
    for (QProcess *opener : openers) {
        if (opener->state() == QProcess::NotRunning)
            continue;
        opener->disconnect(this);
        opener->setParent(nullptr);
        releasedOpeners().append(opener);
    }
}

SpreadsheetLauncher::Opener SpreadsheetLauncher::openerFor(const QString &file)
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (!office.isEmpty())
        return {office, {QStringLiteral("--calc"), QStringLiteral("-n"), file}};
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty())
        return {xdgOpen, {file}};
    return {};
}

bool SpreadsheetLauncher::open(const QString &file)
{
    const Opener opener = openerFor(file);
    if (opener.program.isEmpty()) {
        report(file, ExportItem::NoApplication);
        return false;
    }

    auto *process = new QProcess(this);
    process->setProgram(opener.program);
    process->setArguments(opener.arguments);
    // No pipes and none of ours: an application that writes much must never
    // stall on a pipe nobody reads, and one that outlives the program must not
    // hold the program's output open for whoever reads it.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());

    const QString name = QFileInfo(opener.program).fileName();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    connect(process, &QProcess::finished, this, [this, process, file, name, clock](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (clock->elapsed() >= kStartWindow.count())
            return;
        if (status == QProcess::CrashExit)
            report(file, ExportItem::Crashed, {name});
        else if (code != 0)
            report(file, ExportItem::ExitCode, {name, QString::number(code)});
    });

    process->start();
    if (!process->waitForStarted()) {
        const QString why = process->errorString();
        delete process;
        report(file, ExportItem::NotStarted, {name, why});
        return false;
    }
    return true;
}

void SpreadsheetLauncher::report(const QString &file, ExportItem why, const QStringList &arguments)
{
    emit failed(file, {ExportItem::NotOpened, file, why, arguments});
}
