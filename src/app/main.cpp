#include "app/form1.h"
#include "app/lang_check.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    // The check looks below the current directory, not beside the program.
    if (!langFilePresent(QDir::currentPath()))
        return reportLangFileMissing();

    TForm1 Form1;
    Form1.show();
    return app.exec();
}
