#include "export/spreadsheet_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <utility>

namespace {

const QString kWorkbookSuffix = QStringLiteral(".xlsx");

} // namespace

SpreadsheetFiles::SpreadsheetFiles(QString parentFolder, std::chrono::milliseconds keepAfterExport)
    : parent_(parentFolder.isEmpty() ? QDir::tempPath() : std::move(parentFolder))
    , keepAfterExport_(keepAfterExport)
{
}

SpreadsheetFiles::~SpreadsheetFiles()
{
    if (folder_.isEmpty())
        return;
    if (sinceExport_.isValid() && sinceExport_.elapsed() < keepAfterExport_.count())
        return;
    removeWorkbooks();
    // Fails, as it should, while a kept workbook is inside.
    QDir().rmdir(folder_);
}

QString SpreadsheetFiles::nextFile(ExportProblem *problem)
{
    if (folder_.isEmpty()) {
        // mkdtemp: a fresh name, created with mode 0700.
        QTemporaryDir dir(parent_ + QStringLiteral("/vorlant-export-XXXXXX"));
        if (!dir.isValid()) {
            if (problem)
                *problem = {ExportItem::NoFolder, parent_, ExportItem::None, {dir.errorString()}};
            return {};
        }
        dir.setAutoRemove(false);
        folder_ = dir.path();
    }
    removeWorkbooks();
    sinceExport_.start();
    // The name shows in the title of an application that opens the file in
    // place; the serial keeps two exports within one second apart.
    ++serial_;
    return folder_ + QStringLiteral("/vorlant-log-%1-%2%3")
                         .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
                         .arg(serial_)
                         .arg(kWorkbookSuffix);
}

void SpreadsheetFiles::seal(const QString &file)
{
    QFile::setPermissions(file, QFileDevice::ReadOwner);
}

void SpreadsheetFiles::discard(const QString &file)
{
    if (!folder_.isEmpty() && QFileInfo(file).absolutePath() == QFileInfo(folder_).absoluteFilePath())
        QFile::remove(file);
}

void SpreadsheetFiles::keep(const QString &file)
{
    if (!kept_.contains(file))
        kept_.append(file);
}

void SpreadsheetFiles::removeWorkbooks()
{
    // Only our own kind of file: the folder is private, but nothing else is ours to delete.
    const QDir dir(folder_);
    const QStringList names = dir.entryList({QStringLiteral("*") + kWorkbookSuffix}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QString file = dir.filePath(name);
        if (!kept_.contains(file))
            QFile::remove(file);
    }
}
