#include "app/form1.h"
#include "app/lang_check.h"
#include "app/screenshot_run.h"
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
        const auto screenshot = ScreenshotRun::fromEnvironment(Form1);
        Form1.show();
        status = app.exec();
        if (screenshot)
            status = screenshot->exitCode();
        // Form1 goes here: its port closes ("AT" to a present dongle).
    }
    return status;
}
