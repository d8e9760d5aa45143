#pragma once

#include "i18n/designed_lexicon.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

// The spreadsheet export's texts for the user: a lexicon of the main window
// ("Form1.DExport" in a language file), so they follow the language in effect
// once the engine is attached to it. Items:
//   0 progress label          1 no private folder    2 workbook not written
//   3 out of memory           4 no worksheet         5 workbook not opened
//   6 no application on PATH  7 application crashed  8 exit code
//   9 application not started
enum class ExportItem {
    None = -1,
    Copying = 0,
    NoFolder = 1,
    NotWritten = 2,
    OutOfMemory = 3,
    NoWorksheet = 4,
    NotOpened = 5,
    NoApplication = 6,
    Crashed = 7,
    ExitCode = 8,
    NotStarted = 9,
};

i18n::TDesignedLexicon exportMessages();

// What went wrong, without its words: the rules report this, the window
// words it when it shows it, in the language then in effect.
struct ExportProblem
{
    ExportItem item = ExportItem::None; // NoFolder, NotWritten or NotOpened
    QString path;                       // the file (or folder) the sentence names
    ExportItem reason = ExportItem::None;
    // The reason's arguments; with no reason item, the first is the reason
    // itself (a system's or library's own text).
    QStringList reasonArguments;
};

QString describeExportProblem(const ExportProblem &problem, const i18n::TDesignedLexicon &messages);

Q_DECLARE_METATYPE(ExportProblem)
