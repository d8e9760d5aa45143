#pragma once

// The command line's one description: the options, the exit statuses and the
// output's columns. --help and the man page are both written from it, so
// they cannot disagree.

#include "exit_status.h"

#include <QByteArray>
#include <QString>

#include <span>

namespace vorlantlog {

struct OptionInfo
{
    const char *group;     // heading the option is listed under
    const char *name;      // long name, without the dashes
    char shortName;        // 0 for none
    const char *valueName; // nullptr for a switch
    const char *help;      // plain sentences; {frequencies}, {levels} and {intervals} name the meter's choices
};

struct ExitStatusInfo
{
    ExitStatus status;
    const char *meaning;
};

std::span<const OptionInfo> optionTable();
std::span<const ExitStatusInfo> exitStatusTable();

// The meter's choices as the options take them, from the meter's tables:
// "100, 120, 1k, ..., 150k", "1, 0.5, 0.1" and "0.5, 1 or 2".
QString frequencyChoices();
QString levelChoices();
QString intervalChoices();
// The parameter letters --primary and --secondary take besides auto: "R, C, L, Z", "R, Q, D".
QString primaryChoices();
QString secondaryChoices();
// An option's help with the choices filled in.
QString helpOf(const OptionInfo &option);

// The text of --help.
QString helpText();
// The man page (roff), docs/vorlant-log.1.
QByteArray manPage();

} // namespace vorlantlog
