// vorlant-shot: the program's window, run unattended until it shows a reading,
// then pictured. Started from the folder that holds lang/, like the program.
//
//   vorlant-shot [--mode RLCD|RD|U] [--deadline SECONDS] [--settings-folder DIR]
//                [--bins PLAN [--rows N]] PICTURE.png
//
// Exit status 0 when the picture was saved, 1 when no reading came in time or
// the picture could not be written, 2 for bad arguments. Message boxes go to
// standard error, so nothing waits for a click.

#include "picture_run.h"

#include "app/form1.h"
#include "app/lang_check.h"
#include "app/message_box.h"
#include "app/vorlant_application.h"
#include "version/version_option.h"

#include <QCommandLineParser>
#include <QDir>

#include <cstdio>
#include <optional>

namespace {

std::optional<protocol::MeterMode> modeNamed(const QString &name, bool *ok)
{
    *ok = true;
    const QString upper = name.toUpper();
    if (upper.isEmpty())
        return std::nullopt;
    if (upper == QLatin1String("RLCD"))
        return protocol::MeterMode::Rlcd;
    if (upper == QLatin1String("RD"))
        return protocol::MeterMode::Rd;
    if (upper == QLatin1String("U"))
        return protocol::MeterMode::U;
    *ok = false;
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (answerVersion("vorlant-shot", argc, argv))
        return 0;
    VorlantApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs the Vorlant window until it shows a reading and saves a "
                                                    "picture of it."));
    parser.addHelpOption();
    const QCommandLineOption modeOption(QStringLiteral("mode"),
                                        QStringLiteral("Press this mode button once linked and picture the first "
                                                       "reading of that mode: RLCD, RD or U."),
                                        QStringLiteral("MODE"));
    const QCommandLineOption deadlineOption(QStringLiteral("deadline"),
                                            QStringLiteral("Give up after SECONDS (default 60)."),
                                            QStringLiteral("SECONDS"), QStringLiteral("60"));
    const QCommandLineOption settingsOption(QStringLiteral("settings-folder"),
                                            QStringLiteral("Keep the settings file in DIR instead of the shared "
                                                           "folder."),
                                            QStringLiteral("DIR"));
    const QCommandLineOption binsOption(QStringLiteral("bins"),
                                        QStringLiteral("Sort the readings by the plan in FILE, record --rows rows "
                                                       "and picture the window with the Sorting window beside it."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("Rows to sort (default 40)."),
                                        QStringLiteral("N"), QStringLiteral("40"));
    parser.addOptions({modeOption, deadlineOption, settingsOption, binsOption, rowsOption});
    parser.addPositionalArgument(QStringLiteral("picture"), QStringLiteral("PNG file to write."));
    parser.process(app);

    bool modeOk = false;
    const std::optional<protocol::MeterMode> mode = modeNamed(parser.value(modeOption), &modeOk);
    bool deadlineOk = false;
    const double deadlineSeconds = parser.value(deadlineOption).toDouble(&deadlineOk);
    if (parser.positionalArguments().size() != 1 || !modeOk || !deadlineOk || deadlineSeconds <= 0
        || deadlineSeconds > 3600) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }

    if (!langFilePresent(QDir::currentPath())) {
        std::fprintf(stderr, "vorlant-shot: Lang file is missing (start it from the folder that holds lang/)\n");
        return 1;
    }
    app::setMessageShower([](QWidget *, const QString &caption, const QString &text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    });

    int status = 1;
    {
        Form1Options options = Form1Options::forThisProgram();
        // A picture run keeps no journal and asks no question about one.
        options.stateFolder.clear();
        if (parser.isSet(settingsOption))
            options.settingsFolder = parser.value(settingsOption);
        TForm1 Form1(options);
        PictureRun run(Form1, parser.positionalArguments().constFirst(), mode, int(deadlineSeconds * 1000));
        if (parser.isSet(binsOption))
            run.sortInto(parser.value(binsOption), std::max(1, parser.value(rowsOption).toInt()));
        Form1.show();
        app.exec();
        status = run.exitCode();
    }
    return status;
}
