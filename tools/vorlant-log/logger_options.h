#pragma once

#include "sorting/bin_plan.h"
#include "profiles/reference.h"
#include "protocol/meter_frame.h"
#include "protocol/meter_settings.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace vorlantlog {

enum class OutputFormat { Csv, Jsonl };

// Settings chosen on the command line, as items of the window's selection
// lists (so the window's selection rules apply them): frequency 0 automatic,
// 1..14 the frequency code; level 0 automatic, 1.0, 0.5, 0.1 V; primary 0
// automatic, R, C, L, Z; secondary 0 automatic, R, Q, D; circuit 0 automatic,
// parallel, series; interval 0.5, 1, 2 s.
struct SelectionChoices
{
    std::optional<int> frequency;
    std::optional<int> level;
    std::optional<int> primary;
    std::optional<int> secondary;
    std::optional<int> circuit;
    std::optional<int> interval;

    bool any() const { return frequency || level || primary || secondary || circuit || interval; }
};

struct LoggerOptions
{
    QString port; // a device path; empty: the port finder
    bool reconnect = false;

    std::optional<protocol::MeterMode> mode;
    SelectionChoices choices;
    std::optional<protocol::MeterSettings> profileSettings; // the whole record of a profile line

    profiles::Reference reference; // both tolerances off unless given
    // A main nominal value without a unit: the first RLC reading's main
    // parameter says whether it is R, C or L.
    bool primaryKindFromReading = false;
    bool failOnReject = false;

    std::optional<profiles::BinPlan> binPlan; // --bins, checked
    bool failOnOut = false;

    QString outputPath; // empty: standard output
    bool append = false;
    OutputFormat format = OutputFormat::Csv;

    std::optional<std::int64_t> count;
    std::optional<double> durationSeconds;
    bool verbose = false;

    // Publishing; off while `mqtt` is empty. The password is read at start.
    QString mqtt;
    QString station;
    QString topicPrefix;
    QString mqttPasswordFile;
    QString mqttCa;
    std::uint64_t spoolMax = 1000000;
    QString serve; // --serve [HOST:]PORT: the SCPI server's address; empty: none

    // Whether the meter gets a settings command once linked.
    bool sendsSettings() const { return profileSettings || choices.any(); }
    bool judges() const { return reference.judges(); }
};

enum class ParseOutcome { Run, Help, Error };

// Parses the command line (args[0] is the program), reading a profile when
// one is named. On Help, `message` holds the help text; on Error, what was
// wrong, in one line.
ParseOutcome parseLoggerOptions(const QStringList &args, LoggerOptions *options, QString *message);

// Frequency list item of a text such as "10k", "120", "1kHz", "auto".
std::optional<int> frequencyItem(const QString &text);

} // namespace vorlantlog
