#pragma once

// One SCPI message (the text of one line, its LF or CR LF taken off) split
// into commands. A pure function: no state, no meter, no clients.
//
//   :FREQ 10kHz;VOLT 0.5;*IDN?;FUNC:IMP? 
//   -> FREQ [10000 HZ], VOLT [0.5], *IDN?, FUNC:IMP?
//
// Commands are separated by ';' outside quotes. A header is an optional ':'
// and mnemonics separated by ':', or '*' and a word (a common command); a
// '?' ends a query. Whitespace separates the header from its parameters,
// ',' the parameters from each other. A parameter is a number with an
// optional SI prefix and unit ("10k", "1E4", "0.5 V", "10kHz", "500mV"),
// character data ("AUTO", "cpd"; kept upper case) or a quoted string.
// Mnemonics are kept upper case as written: which long or short form they
// are, and which nodes were left out, is the command table's business.
//
// The message must be UTF-8 without control characters (tab aside). The
// first unit that cannot be read ends the parse: the commands before it
// stand, the rest of the message is dropped, and the error says why.

#include "remote/scpi_status.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

namespace remote {

struct ScpiParameter
{
    enum class Kind { Number, Word, String };

    Kind kind = Kind::Word;
    double number = 0.0; // Number: with the prefix applied (10k -> 10000)
    QString unit;        // Number: the unit after the prefix, upper case ("HZ", "V", "S"), or empty
    QString text;        // Word: upper case; String: the text without quotes; Number: as written

    bool operator==(const ScpiParameter &) const = default;
};

struct ScpiCommand
{
    bool common = false;   // *IDN?
    bool absolute = false; // began with ':'
    bool query = false;
    QStringList nodes;     // upper case; a common command has one, with its '*'
    std::vector<ScpiParameter> parameters;

    bool operator==(const ScpiCommand &) const = default;
};

struct ScpiMessage
{
    std::vector<ScpiCommand> commands; // those before the first unit that could not be read
    ScpiError error = ScpiError::None;
    QString detail;

    bool operator==(const ScpiMessage &) const = default;
};

ScpiMessage parseScpiMessage(QByteArrayView line);

// The SI prefixes and units a number may carry: "KHZ" -> 1000, "HZ";
// "MV" -> 0.001, "V"; "MHZ" is megahertz. False for anything else.
bool splitScpiSuffix(const QString &upperSuffix, double *multiplier, QString *unit);

} // namespace remote
