#include "app/form1_options.h"

#include "log/log_journal_file.h"

#include <QCoreApplication>

#ifndef VORLANT_SETTINGS_PARENT
#error "VORLANT_SETTINGS_PARENT names the parent of the shared settings folder"
#endif

Form1Options Form1Options::forThisProgram()
{
    Form1Options options;
    options.settingsFolder = QStringLiteral(VORLANT_SETTINGS_PARENT "/RLC_Data");
    options.languageFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/lang");
    options.stateFolder = logbook::journal::stateFolder();
    return options;
}
