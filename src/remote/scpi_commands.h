#pragma once

// The command table: which headers the server knows (in the usual notation,
// upper case the short form, brackets around optional nodes) and what each
// does against the meter. The session runs messages through it.

#include "remote/meter_access.h"
#include "remote/scpi_parser.h"
#include "remote/scpi_status.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <vector>

namespace remote {

// This program's version, as packaged.
QString scpiProgramVersion();

struct ScpiIdentity
{
    QString maker = QStringLiteral("Vorlant");
    QString model = QStringLiteral("LCR meter");
    QString version = scpiProgramVersion();
};

// What a command may touch.
struct CommandContext
{
    MeterAccess &meter;
    ScpiStatus &status;
    const ScpiIdentity &identity;
    int &timeoutMs;        // READ? and MEASure? wait this long for a fresh reading
    QByteArrayList &answers;
};

enum class Outcome {
    Done,
    Failed,       // an error was queued; the message goes on
    AwaitReading, // answer with the next fresh reading (fetchAnswer)
};

using CommandHandler = Outcome (*)(CommandContext &, const ScpiCommand &);

struct CommandEntry
{
    const char *pattern;  // "[SENSe:]FUNCtion:IMPedance[:TYPE]", "*IDN"
    CommandHandler set;   // null: no setting form
    CommandHandler query; // null: no query form
    const char *parameter; // the setting form's parameter, for the help ("<type>")
    const char *help;
};

struct CommandHelp
{
    QString synopsis; // "[SOURce:]FREQuency[:CW] <frequency>|AUTO|MIN|MAX, [SOURce:]FREQuency[:CW]?"
    QString help; // {frequencies} and {levels} stand for the meter's choices
};

// The entry whose header the command names, tried below `prefix` (the path
// of the message's previous command) and then from the root; null when none.
// A matching header without the form asked for (a query of a setting-only
// command) counts as unknown.
const CommandEntry *findCommand(const ScpiCommand &command, const QStringList &prefix);

// Whether the client's mnemonics name the pattern's header.
bool headerMatches(const char *pattern, const QStringList &nodes);

// Every command of the table, for the man pages.
std::vector<CommandHelp> commandHelp();

// "<primary>,<secondary>,<status>" of the latest reading: status 0 valid,
// 1 over range, 2 no reading (the values then read 9.91E+37).
QByteArray fetchAnswer(const MeterAccess &meter);

// +1.00000E-07
QByteArray formatNr3(double value);

} // namespace remote
