#pragma once

#include "export/export_messages.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <chrono>

// Where exported workbooks are written: one private folder per run (mode 0700,
// random name, made on first use) below a parent such as the system's
// temporary folder, so no other user can read, replace or predict the file.
//
// A new workbook removes the ones exported before it, so files do not pile up.
// At the end of the run the folder goes too, unless a workbook was handed out
// within the last keepAfterExport: a spreadsheet application that is still
// starting must find the file the program gave it, even when the program is
// closed right after an export. Such a folder is left to the system's cleaning
// of temporary files.
class SpreadsheetFiles
{
public:
    static constexpr std::chrono::milliseconds kDefaultKeepAfterExport{60000};

    explicit SpreadsheetFiles(QString parentFolder = {}, // empty: the system's temporary folder
                              std::chrono::milliseconds keepAfterExport = kDefaultKeepAfterExport);
    ~SpreadsheetFiles();

    SpreadsheetFiles(const SpreadsheetFiles &) = delete;
    SpreadsheetFiles &operator=(const SpreadsheetFiles &) = delete;

    // A path for the next workbook, inside the private folder; the workbooks
    // exported before are removed. Empty, with *problem set, when the folder
    // cannot be made.
    QString nextFile(ExportProblem *problem);

    // Marks a finished workbook read-only: an application that opens it in
    // place then asks where to save instead of saving into this folder, which
    // does not last.
    static void seal(const QString &file);

    // Removes a workbook that failed half-way, if it lies in the private folder.
    void discard(const QString &file);

    // Exempts a workbook from removal: no application showed it, so the user
    // was told where it lies. The folder then stays at the end of the run.
    void keep(const QString &file);

    // The private folder; empty before the first workbook.
    QString folder() const { return folder_; }

private:
    void removeWorkbooks();

    QString parent_;
    std::chrono::milliseconds keepAfterExport_;
    QString folder_;
    QStringList kept_;
    QElapsedTimer sinceExport_;
    int serial_ = 0;
};
