#pragma once

#include <QString>
#include <QStringList>

namespace i18n {
class LexiconTranslator;
}

// What the window takes from the machine: where the settings file lives, which
// port-finder library to load and where the language files are. The program
// fills it for the installed layout; tests fill it with temporary folders.
// A default-constructed value touches nothing on disk: no settings folder and
// no language folder.
struct Form1Options
{
    QString settingsFolder; // folder of the settings file "1.dat"; empty: none is read or written
    QString finderLibrary = QStringLiteral("libportvane.so");
    QString languageFolder; // folder of the *.lng files; empty: no language files
    QString exportFolder;   // where exported workbooks get their private folder; empty: the system's temporary folder
    QString stateFolder;    // the log's journals and recovered logs (journal/, recovered/); empty: no journal
    // Attached to the window's lexicons before anything else is built, so a
    // test sees every look-up; none: the lexicons give their design texts
    // until the language engine is attached.
    i18n::LexiconTranslator *lexiconTranslator = nullptr;
    // --serve [HOST:]PORT: the SCPI server's address; empty: none.
    QString scpiAddress;

    // The running program's options: the shared settings folder and the
    // "lang" folder beside the executable.
    static Form1Options forThisProgram();

    // Takes the window's command line options (args[0] is the program) into
    // these; false with the reason in `error` for one it does not know.
    bool takeArguments(const QStringList &args, QString *error);
};
