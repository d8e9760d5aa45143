#pragma once

#include "export/export_messages.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QProcess;

// Shows a written workbook in the desktop's spreadsheet application.
// LibreOffice, when it is on PATH, opens it as a new untitled document
// ("--calc -n FILE"), so the user saves it wherever they like; otherwise the
// desktop's handler for the file is asked through xdg-open.
class SpreadsheetLauncher : public QObject
{
    Q_OBJECT

public:
    // How the workbook will be opened; an empty program when nothing can open it.
    struct Opener
    {
        QString program; // full path
        QStringList arguments;
    };

    // An opener that ends with an error within this time after its start did
    // not open the workbook; a later end is the application's own business.
    static constexpr std::chrono::milliseconds kStartWindow{15000};

    explicit SpreadsheetLauncher(QObject *parent = nullptr);
    // Openers still running are left running: closing the program must not
    // close the user's spreadsheet.
    ~SpreadsheetLauncher() override;

    // Looks the programs up on the PATH in effect now.
    static Opener openerFor(const QString &file);

    // Starts the opener for file. Returns false, after emitting failed, when
    // no opener is on PATH or it cannot be started; a start that ends in an
    // error later emits failed then.
    bool open(const QString &file);

signals:
    // Nothing shows the workbook at file (problem: NotOpened, naming the
    // file and saying it is kept), so the caller must keep it.
    void failed(const QString &file, const ExportProblem &problem);

private:
    void report(const QString &file, ExportItem why, const QStringList &arguments = {});
};
