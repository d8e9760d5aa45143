#include "app/form1.h"
#include "app/lang_check.h"
#include "app/vorlant_application.h"
#include "version/version_option.h"

#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (answerVersion("vorlant", argc, argv))
        return 0;
    VorlantApplication app(argc, argv);

    // The check looks below the current directory, not beside the program.
    if (!langFilePresent(QDir::currentPath()))
        return reportLangFileMissing();

    Form1Options options = Form1Options::forThisProgram();
    QString error;
    if (!options.takeArguments(QCoreApplication::arguments(), &error)) {
        std::fprintf(stderr, "vorlant: %s\n", qPrintable(error));
        return 2;
    }

    int status = 0;
    {
        TForm1 Form1(std::move(options));
        Form1.show();
        status = app.exec();
        // Form1 goes here: its port closes ("AT" to a present dongle).
    }
    return status;
}
