// The log copied into a spreadsheet: the button's handler and the binding of
// the export controller.

#include "app/form1.h"

#include "app/vorlant_application.h"
#include "export/export_controller.h"
#include "journal/journal_controller.h"
#include "log/log_controller.h"
#include "export/spreadsheet_export.h"
#include "panel/handler_edge.h"

#include <QPushButton>

void TForm1::bindExport()
{
    exporter = new ExportController(Button4, this, options.exportFolder, this);
    connect(Button4, &QPushButton::clicked, this, panel::atEdge(this, &TForm1::Button4Click));
    connect(exporter, &ExportController::writeFailed, this, [this](const QString &message) {
        // Nothing reached the spreadsheet.
        nextLogRow = 0;
        VorlantApplication::showException(message);
    });
    connect(exporter, &ExportController::openFailed, this, [](const QString &message) {
        VorlantApplication::showException(message);
    });
}

void TForm1::Button4Click()
{
    logController->stopRecording();
    journalController->journal()->sync();
    // The controller disables Button4 until the workbook is out.
    if (logController->multiPart())
        nextLogRow = lineCount + 1;
    exporter->start(logSheetTexts(*logModel, nextLogRow));
}
