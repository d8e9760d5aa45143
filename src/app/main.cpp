#include "app/form1.h"
#include "app/lang_check.h"
#include "app/vorlant_application.h"

#include <QDir>

int main(int argc, char *argv[])
{
    VorlantApplication app(argc, argv);

    // The check looks below the current directory, not beside the program.
    if (!langFilePresent(QDir::currentPath()))
        return reportLangFileMissing();

    int status = 0;
    {
        TForm1 Form1(Form1Options::forThisProgram());
        Form1.show();
        status = app.exec();
        // Form1 goes here: its port closes ("AT" to a present dongle).
    }
    return status;
}
