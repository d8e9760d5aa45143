#include "option_table.h"

#include "export/reading_columns.h"
#include "protocol/meter_tables.h"
#include "remote/scpi_commands.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <vector>

namespace vorlantlog {

namespace {

constexpr const char *kLink = "Link";
constexpr const char *kSetup = "Meter set-up (sent once linked; a setting left out stays as it is)";
constexpr const char *kTolerance = "Tolerance (judged as the window judges, RLC readings only)";
constexpr const char *kSorting = "Bin sorting";
constexpr const char *kOutput = "Output";
constexpr const char *kStopping = "Stopping (without either, it runs until SIGINT or SIGTERM)";
constexpr const char *kRemote = "Remote control";
constexpr const char *kOther = "Other";
constexpr const char *kMqtt = "Publishing to an MQTT broker (each reading is also written to the output)";

constexpr std::array kOptions = {
    OptionInfo{kLink, "port", 0, "PATH",
               "Use the dongle at PATH (a name without \"/\" means /dev/NAME) instead of asking the port finder, "
               "which looks for the dongle's USB description (or takes the device named by PORTVANE_PORT)."},
    OptionInfo{kLink, "reconnect", 0, nullptr,
               "Wait for a missing dongle, and when the link is refused or lost, report it and link again "
               "instead of ending. Lines already written stay as they are; readings of the time without a "
               "link are not logged."},
    OptionInfo{kSetup, "mode", 0, "MODE", "Measuring mode: RLC, RD or U."},
    OptionInfo{kSetup, "freq", 0, "F",
               "Test frequency in hertz, k for kilohertz: {frequencies}, or auto."},
    OptionInfo{kSetup, "level", 0, "V", "Test level in volts rms: {levels}, or auto."},
    OptionInfo{kSetup, "primary", 0, "P", "Main parameter: {primaries}, or auto."},
    OptionInfo{kSetup, "secondary", 0, "S", "Secondary parameter: {secondaries}, or auto."},
    OptionInfo{kSetup, "circuit", 0, "C", "Equivalent circuit: series, parallel, or auto."},
    OptionInfo{kSetup, "interval", 0, "S", "The meter's interval between readings in seconds: {intervals}."},
    OptionInfo{kSetup, "profile", 0, "FILE",
               "Take the meter settings, nominal values and tolerances from a line of a tolerance profile "
               "(.hex1). Options given beside it override the line's values."},
    OptionInfo{kSetup, "line", 0, "K", "The profile line to use (default 1)."},
    OptionInfo{kTolerance, "nominal", 0, "VALUE",
               "Nominal value of the main parameter with an SI prefix and an optional unit: 100n, 4.7k, "
               "10uH, 100nF. The unit, or else --primary, says whether it is R, L or C; without either, the "
               "main parameter of the first reading logged says it (a reading of Z ends the run with status 2)."},
    OptionInfo{kTolerance, "tol", 0, "TOL",
               "Tolerance of the main parameter: a percentage (5%), \"<\" (the reading must not exceed the "
               "nominal value), \">\" (it must not fall below it), or off."},
    OptionInfo{kTolerance, "secondary-nominal", 0, "VALUE",
               "Nominal value of the secondary parameter: a resistance with an SI prefix, or a plain number "
               "for Q and D. --secondary, or the unit, says which."},
    OptionInfo{kTolerance, "secondary-tol", 0, "TOL", "Tolerance of the secondary parameter, as for --tol."},
    OptionInfo{kTolerance, "fail-on-reject", 0, nullptr, "End with status 7 when any reading was rejected."},
    OptionInfo{kSorting, "bins", 0, "FILE",
               "Sort every reading by the sorting plan in FILE (JSON, \"vorlant-bins/1\") into BIN1 to BIN9, AUX "
               "(the main value is in a bin, the secondary limit fails) or OUT (no bin holds it, or the meter "
               "measures another parameter or mode), write it in the bin column, and report the count per bin on "
               "standard error at the end. A plan that takes its nominal value from the profile line uses "
               "--profile's line."},
    OptionInfo{kSorting, "fail-on-out", 0, nullptr, "End with status 10 when any reading went to OUT."},
    OptionInfo{kOutput, "output", 'o', "FILE",
               "Write the readings to FILE (created, or emptied) instead of standard output. Every line is "
               "handed to the system as soon as it is complete."},
    OptionInfo{kOutput, "append", 0, nullptr,
               "Add to the end of the --output file; the CSV header goes only into an empty file."},
    OptionInfo{kOutput, "format", 0, "FORMAT",
               "csv (the default: a header line, then one line per reading) or jsonl (one JSON object per "
               "line, with the CSV's column names as keys and a value left out when it is empty)."},
    OptionInfo{kStopping, "count", 'n', "N", "Stop after N readings."},
    OptionInfo{kStopping, "duration", 0, "S",
               "Stop S seconds (a decimal number) after the first reading was logged. Until a reading comes "
               "the run goes on, and ends only by --count, a failure, SIGINT or SIGTERM."},
    OptionInfo{kMqtt, "mqtt", 0, "URL",
               "Publish every reading to the broker at mqtt://[user@]host[:port] (port 1883) or "
               "mqtts://[user@]host[:port] (TLS, port 8883): topic PREFIX/reading, QoS 1, the JSON lines' object "
               "with \"station\" and \"seq\" added. PREFIX/status is \"online\" while the station runs and "
               "\"offline\" after it (retained; the broker's last will after a crash), PREFIX/settings the meter's "
               "settings (retained). A reading stays in the spool until the broker acknowledged it; a lost broker "
               "never stops the output, and is tried again after 1 s, then less often, up to every 30 s."},
    OptionInfo{kMqtt, "station", 0, "NAME",
               "The station's name in the readings, the topics and the spool (default: the host name); letters, "
               "digits, \".\", \"-\" and \"_\"."},
    OptionInfo{kMqtt, "topic-prefix", 0, "PREFIX", "The topics' common start (default vorlant/NAME)."},
    OptionInfo{kMqtt, "mqtt-password-file", 0, "FILE",
               "Read the broker password from the first line of FILE. Without it the password comes from the "
               "environment variable VORLANT_MQTT_PASSWORD, never from the command line."},
    OptionInfo{kMqtt, "mqtt-ca", 0, "FILE",
               "With mqtts: trust the broker's certificate when this CA (PEM) signed it, instead of the "
               "system's authorities."},
    OptionInfo{kMqtt, "spool-max", 0, "N",
               "Keep at most N readings the broker has not acknowledged (default 1000000) in "
               "$XDG_STATE_HOME/vorlant/spool/ (files NAME.*.spool); past that the oldest are dropped, counted and reported. "
               "Sequence numbers go on across runs; a spool left by an earlier run is sent first."},
    OptionInfo{kRemote, "serve", 0, "[HOST:]PORT",
               "Answer SCPI commands on a TCP socket (port 5025 by custom; 0 picks a free one), on 127.0.0.1 "
               "unless a HOST is given, so that lab scripts (PyVISA, a shell's socat) can set the meter up and "
               "read it while this program keeps the dongle. The address is reported on standard error as "
               "\"SCPI: listening on HOST:PORT\"; a port that cannot be opened ends the run with status 2. "
               "See SCPI COMMANDS."},
    OptionInfo{kOther, "verbose", 'v', nullptr, "Report the link's progress on standard error."},
    OptionInfo{kOther, "help", 'h', nullptr, "Show this help and end."},
};

constexpr std::array kExitStatuses = {
    ExitStatusInfo{ExitStatus::Ok, "The requested readings were logged, or the run was ended by SIGINT or SIGTERM."},
    ExitStatusInfo{ExitStatus::Internal, "An unexpected failure."},
    ExitStatusInfo{ExitStatus::BadArguments, "Bad arguments, or a profile that cannot be used."},
    ExitStatusInfo{ExitStatus::NoDongle, "No dongle found."},
    ExitStatusInfo{ExitStatus::NoAnswer, "The dongle did not answer."},
    ExitStatusInfo{ExitStatus::LinkFailed,
                   "The link to the meter was refused, not made within 15 seconds, or lost (without --reconnect)."},
    ExitStatusInfo{ExitStatus::OutputNotWritable, "The output cannot be written (with --mqtt: nor the spool)."},
    ExitStatusInfo{ExitStatus::Rejected, "Some readings were rejected (with --fail-on-reject)."},
    ExitStatusInfo{ExitStatus::BrokerRefused,
                   "The MQTT broker refused the user name or password (with --mqtt; not tried again)."},
    ExitStatusInfo{ExitStatus::BrokerTls,
                   "TLS to the MQTT broker failed before any session: not a TLS port, or a certificate the CA did "
                   "not sign (with --mqtt mqtts://)."},
    ExitStatusInfo{ExitStatus::SortedOut, "Some readings went to OUT (with --fail-on-out)."},
};

constexpr int kHelpWidth = 79;
constexpr int kHelpIndent = 26;

QString optionSynopsis(const OptionInfo &option)
{
    QString text = QStringLiteral("  ");
    if (option.shortName)
        text += QStringLiteral("-%1, ").arg(QLatin1Char(option.shortName));
    text += QStringLiteral("--") + QLatin1String(option.name);
    if (option.valueName)
        text += QLatin1Char(' ') + QLatin1String(option.valueName);
    return text;
}

// Words of `text` in lines of at most `width` characters after `indent` blanks.
QStringList wrapped(const QString &text, int indent, int width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            lines.append(line);
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

// Roff escapes: a backslash, and a line start that roff would read as a request.
QString roff(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    out.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

constexpr const char *kSummary =
    "Logs the readings of a Vorlant LCR meter without a window: it finds the meter's Bluetooth dongle, links "
    "to the meter, sets the meter up from the command line and writes one line per reading, as plain SI "
    "numbers with a decimal point whatever the locale. On exit, also on SIGINT and SIGTERM, it ends the "
    "link (\"AT\").";

} // namespace

std::span<const OptionInfo> optionTable()
{
    return kOptions;
}

std::span<const ExitStatusInfo> exitStatusTable()
{
    return kExitStatuses;
}

QString frequencyChoices()
{
    std::vector<std::int32_t> hertz;
    for (int code = protocol::kFirstFrequencyCode; code <= protocol::kLastFrequencyCode; ++code)
        hertz.push_back(protocol::frequencyForCode(code));
    std::sort(hertz.begin(), hertz.end());
    QStringList names;
    for (std::int32_t hz : hertz)
        names << (hz >= 1000 ? QString::number(hz / 1000) + QLatin1Char('k') : QString::number(hz));
    return names.join(QStringLiteral(", "));
}

QString levelChoices()
{
    QStringList names;
    // Item 0 is the automatic choice.
    for (std::size_t item = 1; item < protocol::kLevelCodeOfItem.size(); ++item)
        names << QString::number(protocol::levelVolts(protocol::kLevelCodeOfItem[item]).value_or(0.0));
    return names.join(QStringLiteral(", "));
}

QString intervalChoices()
{
    QStringList names;
    for (std::uint8_t code : protocol::kIntervalCodeOfIndex)
        names << QString::number(protocol::intervalSeconds(code).value_or(0.0));
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

namespace {

// Item 0 of the parameter lists is the automatic choice; from 1 on the item is the code.
QString parameterChoices(int items, std::optional<QString> (*letterOf)(int))
{
    QStringList letters;
    for (int code = 1; code < items; ++code)
        letters << letterOf(code).value_or(QString());
    return letters.join(QStringLiteral(", "));
}

} // namespace

QString primaryChoices()
{
    return parameterChoices(protocol::kPrimaryItems, protocol::primaryLetter);
}

QString secondaryChoices()
{
    return parameterChoices(protocol::kSecondaryItems, protocol::secondaryLetter);
}

QString helpOf(const OptionInfo &option)
{
    return QString::fromLatin1(option.help)
        .replace(QStringLiteral("{frequencies}"), frequencyChoices())
        .replace(QStringLiteral("{levels}"), levelChoices())
        .replace(QStringLiteral("{intervals}"), intervalChoices())
        .replace(QStringLiteral("{primaries}"), primaryChoices())
        .replace(QStringLiteral("{secondaries}"), secondaryChoices());
}

QString helpText()
{
    QString text = QStringLiteral("Usage: vorlant-log [OPTION]...\n");
    for (const QString &line : wrapped(QLatin1String(kSummary), 0, kHelpWidth))
        text += line + QLatin1Char('\n');

    const char *group = nullptr;
    for (const OptionInfo &option : kOptions) {
        if (group != option.group) {
            group = option.group;
            text += QLatin1Char('\n') + QLatin1String(group) + QStringLiteral(":\n");
        }
        QString head = optionSynopsis(option);
        const QStringList lines = wrapped(helpOf(option), kHelpIndent, kHelpWidth);
        if (head.size() + 2 > kHelpIndent) {
            text += head + QLatin1Char('\n');
            head.clear();
        }
        for (int i = 0; i < lines.size(); ++i) {
            const QString lead = i == 0 ? head : QString();
            text += lead.leftJustified(kHelpIndent, QLatin1Char(' ')) + lines.at(i) + QLatin1Char('\n');
        }
    }

    text += QStringLiteral("\nExit status:\n");
    for (const ExitStatusInfo &status : kExitStatuses) {
        const QStringList lines = wrapped(QLatin1String(status.meaning), 6, kHelpWidth);
        for (int i = 0; i < lines.size(); ++i) {
            const QString lead = i == 0 ? QStringLiteral("  %1").arg(code(status.status)) : QString();
            text += lead.leftJustified(6, QLatin1Char(' ')) + lines.at(i) + QLatin1Char('\n');
        }
    }
    text += QStringLiteral("\nEvery failure is one line on standard error. See vorlant-log(1) for the columns.\n");
    return text;
}

namespace {

// The commands --serve answers, from the server's own table.
QStringList scpiManSection()
{
    QStringList page;
    page << QStringLiteral(".SH SCPI COMMANDS")
         << roff(QStringLiteral(
                "One message per line (LF or CR LF); commands separated by \";\"; long or short forms in any "
                "case; numbers with SI prefixes and units (10kHz, 1E4, 500mV) or MIN and MAX. Each message that "
                "holds queries gets one answer line, its answers separated by \";\". An error goes into the "
                "client's error queue (20 entries), read by SYSTem:ERRor?. At most 4 clients; a line longer "
                "than 4096 bytes gives -223, input that is not UTF-8 text -102, and a client that leaves more "
                "than 64 KiB of answers unread is closed. Lines that arrive while READ? waits run after it, in "
                "order (more than 16 KiB of them give up the waiting query with -410); a query left without its "
                "line end is dropped after the time-out with -420."));
    for (const remote::CommandHelp &command : remote::commandHelp())
        page << QStringLiteral(".TP") << QStringLiteral("\\fB%1\\fR").arg(roff(command.synopsis))
             << roff(QString(command.help)
                         .replace(QLatin1String("{frequencies}"), frequencyChoices())
                         .replace(QLatin1String("{levels}"), levelChoices()));
    return page;
}

} // namespace

QByteArray manPage()
{
    QStringList page;
    page << QStringLiteral(".\\\" Written by vorlant-log-man from the option table; do not edit by hand.")
         << QStringLiteral(".TH VORLANT\\-LOG 1 \"\" \"Vorlant\" \"User Commands\"")
         << QStringLiteral(".SH NAME")
         << QStringLiteral("vorlant\\-log \\- log the readings of a Vorlant LCR meter without a window")
         << QStringLiteral(".SH SYNOPSIS")
         << QStringLiteral(".B vorlant\\-log")
         << QStringLiteral("[\\fIOPTION\\fR]...")
         << QStringLiteral(".SH DESCRIPTION") << roff(QLatin1String(kSummary))
         << QStringLiteral(".PP")
         << roff(QStringLiteral(
                "The settings given are sent as one settings command a second after the link comes up (and "
                "again after every new link); readings that arrive before the meter has had a second to take "
                "them are not logged."));

    page << QStringLiteral(".SH OPTIONS");
    const char *group = nullptr;
    for (const OptionInfo &option : kOptions) {
        if (group != option.group) {
            group = option.group;
            page << QStringLiteral(".SS ") + roff(QLatin1String(group));
        }
        QString head;
        if (option.shortName)
            head += QStringLiteral("\\fB\\-%1\\fR, ").arg(QLatin1Char(option.shortName));
        head += QStringLiteral("\\fB\\-\\-%1\\fR").arg(roff(QLatin1String(option.name)));
        if (option.valueName)
            head += QStringLiteral(" \\fI%1\\fR").arg(QLatin1String(option.valueName));
        page << QStringLiteral(".TP") << head << roff(helpOf(option));
    }

    page << QStringLiteral(".SH OUTPUT")
         << roff(QStringLiteral(
                "CSV is UTF-8 text with lines ending in CR LF; a text holding a comma or a quote is quoted. "
                "Numbers are written in their shortest exact form with a point (4.7e-08, 4700). A value a "
                "reading does not have is an empty cell (in JSON lines: a missing key). The columns, in this "
                "order:"));
    for (const ReadingColumn &column : readingColumns())
        page << QStringLiteral(".TP") << QStringLiteral("\\fB%1\\fR").arg(roff(QLatin1String(column.name)))
             << roff(QLatin1String(column.meaning));
    page << QStringLiteral(".PP")
         << roff(QStringLiteral("Each line is handed to the system as soon as it is complete, so a crash or a "
                                "pulled plug loses at most the line being written."));

    page << QStringLiteral(".SH EXIT STATUS");
    for (const ExitStatusInfo &status : kExitStatuses)
        page << QStringLiteral(".TP") << QStringLiteral("\\fB%1\\fR").arg(code(status.status))
             << roff(QLatin1String(status.meaning));
    page << QStringLiteral(".PP") << roff(QStringLiteral("Every failure is reported in one line on standard error."));

    page << QStringLiteral(".SH SIGNALS")
         << roff(QStringLiteral("SIGINT, SIGTERM and SIGHUP end the run: the link is ended with \"AT\", the output "
                                "is complete up to the last reading, and the status is that of a finished run."));
    page << QStringLiteral(".SH ENVIRONMENT") << QStringLiteral(".TP") << QStringLiteral("\\fBPORTVANE_PORT\\fR")
         << roff(QStringLiteral("Read by the port finder: a device to report as the dongle's port, for "
                                "simulators and test rigs."));
    page << QStringLiteral(".SH EXAMPLES")
         << roff(QStringLiteral("100 readings of a 100 nF capacitor at 1 kHz, judged at 5 percent:"))
         << QStringLiteral(".PP") << QStringLiteral(".nf") << QStringLiteral(".RS")
         << roff(QStringLiteral("vorlant-log --freq 1k --primary C --secondary D --nominal 100n --tol 5% \\"))
         << roff(QStringLiteral("    --count 100 --output caps.csv"))
         << QStringLiteral(".RE") << QStringLiteral(".fi") << QStringLiteral(".PP")
         << roff(QStringLiteral("A stand that runs unattended and keeps going when the dongle is replugged:"))
         << QStringLiteral(".PP") << QStringLiteral(".nf") << QStringLiteral(".RS")
         << roff(QStringLiteral("vorlant-log --profile stand.hex1 --line 3 --reconnect --format jsonl \\"))
         << roff(QStringLiteral("    --append --output stand.jsonl"))
         << QStringLiteral(".RE") << QStringLiteral(".fi");
    page << scpiManSection();
    page << QStringLiteral(".SH SEE ALSO") << QStringLiteral("\\fBgnuplot\\fR(1), \\fBvorlant\\fR(1)");
    return (page.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

} // namespace vorlantlog
