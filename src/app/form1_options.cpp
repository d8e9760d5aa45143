#include "app/form1_options.h"

#include "files/locked_append_file.h"
#include "remote/scpi_server.h"

#include <QCoreApplication>

#ifndef VORLANT_SETTINGS_PARENT
#error "VORLANT_SETTINGS_PARENT names the parent of the shared settings folder"
#endif

Form1Options Form1Options::forThisProgram()
{
    Form1Options options;
    options.settingsFolder = QStringLiteral(VORLANT_SETTINGS_PARENT "/RLC_Data");
    options.languageFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/lang");
    options.stateFolder = files::stateFolder();
    return options;
}

bool Form1Options::takeArguments(const QStringList &args, QString *error)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        QString value;
        if (arg == QLatin1String("--serve") && i + 1 < args.size())
            value = args.at(++i);
        else if (arg.startsWith(QLatin1String("--serve=")))
            value = arg.mid(8);
        else {
            *error = QStringLiteral("unknown option \"%1\" (the window takes --serve [HOST:]PORT)").arg(arg);
            return false;
        }
        QHostAddress host;
        quint16 port = 0;
        QString why;
        if (!remote::ScpiServer::parseAddress(value, &host, &port, &why)) {
            *error = QStringLiteral("--serve %1: %2").arg(value, why);
            return false;
        }
        scpiAddress = value;
    }
    return true;
}
