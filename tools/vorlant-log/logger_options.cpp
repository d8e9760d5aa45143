#include "logger_options.h"

#include "option_table.h"
#include "reference_value.h"

#include "sorting/bin_plan_file.h"
#include "profiles/profile_file.h"
#include "publish/mqtt_client.h"
#include "remote/scpi_server.h"
#include "protocol/meter_tables.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QSysInfo>

#include <cmath>
#include <limits>

namespace vorlantlog {

namespace {

// An item of a list of words, compared without regard to case.
std::optional<int> wordItem(const QString &text, std::initializer_list<std::initializer_list<const char *>> items)
{
    int index = 0;
    for (const auto &words : items) {
        for (const char *word : words) {
            if (text.trimmed().compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
                return index;
        }
        ++index;
    }
    return std::nullopt;
}

// A parameter's list item by the meter's letter for its code (item = code), or 0 for auto.
std::optional<int> parameterItem(const QString &text, int items, std::optional<QString> (*letterOf)(int))
{
    if (wordItem(text, {{"auto", "a"}}))
        return 0;
    for (int code = 1; code < items; ++code) {
        const std::optional<QString> letter = letterOf(code);
        if (letter && text.trimmed().compare(*letter, Qt::CaseInsensitive) == 0)
            return code;
    }
    return std::nullopt;
}

std::optional<double> plainNumber(const QString &text)
{
    return profiles::readDecimal(QString(text).replace(QLatin1Char(','), QLatin1Char('.')), QLatin1Char('.'));
}

std::optional<int> levelItem(const QString &text)
{
    if (const auto item = wordItem(text, {{"auto", "a"}}))
        return 0;
    QString volts = text.trimmed();
    if (volts.endsWith(QLatin1Char('V'), Qt::CaseInsensitive))
        volts.chop(1);
    const std::optional<double> v = plainNumber(volts);
    return v ? protocol::levelItemOfVolts(*v) : std::nullopt;
}

std::optional<int> intervalItem(const QString &text)
{
    QString seconds = text.trimmed();
    if (seconds.endsWith(QLatin1Char('s'), Qt::CaseInsensitive))
        seconds.chop(1);
    const std::optional<double> v = plainNumber(seconds);
    return v ? protocol::intervalItemOfSeconds(*v) : std::nullopt;
}

std::optional<protocol::MeterMode> modeOf(const QString &text)
{
    switch (wordItem(text, {{"RLC", "RLCD"}, {"RD"}, {"U"}}).value_or(-1)) {
    case 0:
        return protocol::MeterMode::Rlcd;
    case 1:
        return protocol::MeterMode::Rd;
    case 2:
        return protocol::MeterMode::U;
    default:
        return std::nullopt;
    }
}

QString profileProblemText(const profiles::ProfileProblem &problem, int line)
{
    using P = profiles::ProfileProblem;
    const QString path = problem.path;
    switch (problem.kind) {
    case P::None:
        return {};
    case P::CannotOpen:
        return QStringLiteral("cannot read the profile %1: %2").arg(path, problem.systemMessage);
    case P::NotRegularFile:
        return QStringLiteral("the profile %1 is not a regular file").arg(path);
    case P::TooLarge:
        return QStringLiteral("%1 is too large to be a profile").arg(path);
    case P::TooShort:
        return QStringLiteral("%1 is too short to be a profile").arg(path);
    case P::NegativeCount:
        return QStringLiteral("the profile %1 is damaged: its line count is %2").arg(path).arg(problem.storedCount);
    case P::CountBeyondEnd:
    case P::NoSuchLine:
        break;
    case P::WriteFailed:
        return QStringLiteral("the profile %1 cannot be used: %2").arg(path, problem.systemMessage);
    }
    return QStringLiteral("the profile %1 has no line %2").arg(path).arg(line);
}

struct Parser
{
    QCommandLineParser parser;
    QString error;

    QString value(const char *name) const { return parser.value(QLatin1String(name)); }
    bool isSet(const char *name) const { return parser.isSet(QLatin1String(name)); }

    // Sets `target` to the item `text` names, or records why not.
    template <class T, class F>
    void choose(const char *name, std::optional<T> &target, F itemOf, const QString &choices)
    {
        if (!error.isEmpty() || !isSet(name))
            return;
        const QString text = value(name);
        if (const auto item = itemOf(text))
            target = *item;
        else
            error = QStringLiteral("--%1 %2: choose %3").arg(QLatin1String(name), text, choices);
    }
};

// One side of the reference from --nominal/--tol (or the secondary's), over
// what a profile line put there. `quantityOfItem` is what --primary or
// --secondary names; `canWait`: a main nominal value of no known kind takes
// it from the first reading.
bool applyReference(Parser &p, profiles::ReferenceSide &side, bool secondary,
                    std::optional<profiles::Quantity> quantityOfItem, bool fromProfile, bool canWait,
                    bool *waits)
{
    const char *nominalName = secondary ? "secondary-nominal" : "nominal";
    const char *toleranceName = secondary ? "secondary-tol" : "tol";
    const bool hasNominal = p.isSet(nominalName);
    const bool hasTolerance = p.isSet(toleranceName);
    if (!hasNominal && !hasTolerance)
        return true;
    if (hasNominal && !hasTolerance && !fromProfile) {
        p.error = QStringLiteral("--%1 needs --%2 (a percentage, \"<\" or \">\")")
                      .arg(QLatin1String(nominalName), QLatin1String(toleranceName));
        return false;
    }
    if (hasTolerance) {
        const std::optional<ToleranceSetting> tolerance = parseTolerance(p.value(toleranceName), &p.error);
        if (!tolerance)
            return false;
        side.on = !tolerance->off;
        side.rule = tolerance->rule;
        if (!hasNominal && !fromProfile && side.on) {
            p.error = QStringLiteral("--%1 needs --%2")
                          .arg(QLatin1String(toleranceName), QLatin1String(nominalName));
            return false;
        }
    }
    if (!hasNominal)
        return true;
    const std::optional<Nominal> nominal = parseNominal(p.value(nominalName), secondary, &p.error);
    if (!nominal)
        return false;
    std::optional<profiles::Quantity> quantity = nominal->quantity;
    if (quantity && quantityOfItem && *quantity != *quantityOfItem) {
        p.error = QStringLiteral("--%1 %2 does not fit --%3")
                      .arg(QLatin1String(nominalName), p.value(nominalName),
                           QLatin1String(secondary ? "secondary" : "primary"));
        return false;
    }
    if (!quantity)
        quantity = quantityOfItem;
    if (!quantity && fromProfile && side.problem != profiles::ReferenceProblem::UnknownKind)
        quantity = side.quantity;
    side.nominal = nominal->value;
    side.problem = profiles::ReferenceProblem::None;
    if (quantity) {
        side.quantity = *quantity;
        return true;
    }
    if (canWait) {
        // Not judged until the first reading names the quantity.
        side.problem = profiles::ReferenceProblem::UnknownKind;
        *waits = true;
        return true;
    }
    p.error = secondary ? QStringLiteral("--secondary-nominal needs --secondary R, Q or D (or an ohm unit)")
                        : QStringLiteral("--nominal needs a unit (100nF, 10uH, 4.7kohm) or --primary R, C or L");
    return false;
}

QString readMqttOptions(const Parser &p, LoggerOptions *o)
{
    if (!p.isSet("mqtt")) {
        for (const char *name : {"station", "topic-prefix", "mqtt-password-file", "mqtt-ca", "spool-max"}) {
            if (p.isSet(name))
                return QStringLiteral("--%1 needs --mqtt URL").arg(QLatin1String(name));
        }
        return {};
    }
    o->mqtt = p.value("mqtt");
    QString error;
    const std::optional<publish::MqttAddress> address = publish::parseMqttAddress(o->mqtt, &error);
    if (!address)
        return error;
    if (p.isSet("mqtt-ca") && !address->tls)
        return QStringLiteral("--mqtt-ca needs an mqtts:// address");
    o->station = p.isSet("station") ? p.value("station") : QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    // The name is a topic level and a file name: nothing that means more in either.
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]{0,63}$"));
    if (!name.match(o->station).hasMatch())
        return QStringLiteral("--station %1: give 1 to 64 letters, digits, \".\", \"-\" or \"_\"").arg(o->station);
    o->topicPrefix = p.isSet("topic-prefix") ? p.value("topic-prefix") : QStringLiteral("vorlant/") + o->station;
    if (o->topicPrefix.isEmpty() || o->topicPrefix.contains(QLatin1Char('+')) || o->topicPrefix.contains(QLatin1Char('#'))
        || o->topicPrefix.endsWith(QLatin1Char('/')))
        return QStringLiteral("--topic-prefix %1: give a topic without \"+\", \"#\" or a \"/\" at the end")
            .arg(o->topicPrefix);
    o->mqttPasswordFile = p.value("mqtt-password-file");
    o->mqttCa = p.value("mqtt-ca");
    if (p.isSet("spool-max")) {
        bool ok = false;
        const qulonglong n = p.value("spool-max").toULongLong(&ok);
        if (!ok || n == 0)
            return QStringLiteral("--spool-max %1: give a whole number above 0").arg(p.value("spool-max"));
        o->spoolMax = n;
    }
    return {};
}

} // namespace

std::optional<int> frequencyItem(const QString &text)
{
    if (wordItem(text, {{"auto", "a"}}))
        return 0;
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]+)?)\\s*(k?)\\s*(?:Hz)?\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const double hertz = match.captured(1).toDouble() * (match.captured(2).isEmpty() ? 1.0 : 1000.0);
    return protocol::frequencyCodeOf(hertz);
}

ParseOutcome parseLoggerOptions(const QStringList &args, LoggerOptions *options, QString *message)
{
    Parser p;
    p.parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionInfo &info : optionTable()) {
        QStringList names{QLatin1String(info.name)};
        if (info.shortName)
            names.prepend(QString(QLatin1Char(info.shortName)));
        // No description: the help page is written from the option table, not by the parser.
        QCommandLineOption option(names);
        if (info.valueName)
            option.setValueName(QLatin1String(info.valueName));
        p.parser.addOption(option);
    }
    if (!p.parser.parse(args)) {
        *message = p.parser.errorText();
        return ParseOutcome::Error;
    }
    if (p.isSet("help")) {
        *message = helpText();
        return ParseOutcome::Help;
    }
    if (!p.parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument \"%1\"").arg(p.parser.positionalArguments().constFirst());
        return ParseOutcome::Error;
    }
    // An option given twice would silently lose one of its values.
    for (const OptionInfo &info : optionTable()) {
        if (info.valueName && p.parser.values(QLatin1String(info.name)).size() > 1) {
            *message = QStringLiteral("--%1 given more than once").arg(QLatin1String(info.name));
            return ParseOutcome::Error;
        }
    }

    LoggerOptions o;
    if (p.isSet("port")) {
        o.port = p.value("port");
        if (o.port.isEmpty())
            p.error = QStringLiteral("--port needs a device");
        else if (!o.port.contains(QLatin1Char('/')))
            o.port.prepend(QStringLiteral("/dev/"));
    }
    o.reconnect = p.isSet("reconnect");
    o.failOnReject = p.isSet("fail-on-reject");
    o.verbose = p.isSet("verbose");
    o.append = p.isSet("append");

    p.choose("mode", o.mode, modeOf, "RLC, RD or U");
    p.choose("freq", o.choices.frequency, frequencyItem, frequencyChoices() + QStringLiteral(" or auto"));
    p.choose("level", o.choices.level, levelItem, levelChoices() + QStringLiteral(" or auto"));
    p.choose("primary", o.choices.primary,
             [](const QString &t) { return parameterItem(t, protocol::kPrimaryItems, protocol::primaryLetter); },
             primaryChoices() + QStringLiteral(" or auto"));
    p.choose("secondary", o.choices.secondary,
             [](const QString &t) { return parameterItem(t, protocol::kSecondaryItems, protocol::secondaryLetter); },
             secondaryChoices() + QStringLiteral(" or auto"));
    p.choose("circuit", o.choices.circuit,
             [](const QString &t) { return wordItem(t, {{"auto", "a"}, {"parallel", "p"}, {"series", "s"}}); },
             "series, parallel or auto");
    p.choose("interval", o.choices.interval, intervalItem, intervalChoices() + QStringLiteral(" (seconds)"));
    std::optional<OutputFormat> format;
    p.choose("format", format, [](const QString &t) -> std::optional<OutputFormat> {
        switch (wordItem(t, {{"csv"}, {"jsonl", "json"}}).value_or(-1)) {
        case 0:
            return OutputFormat::Csv;
        case 1:
            return OutputFormat::Jsonl;
        default:
            return std::nullopt;
        }
    }, "csv or jsonl");
    o.format = format.value_or(OutputFormat::Csv);

    if (p.error.isEmpty() && p.isSet("count")) {
        bool ok = false;
        const qlonglong n = p.value("count").toLongLong(&ok);
        if (ok && n > 0)
            o.count = n;
        else
            p.error = QStringLiteral("--count %1: give a whole number above 0").arg(p.value("count"));
    }
    if (p.error.isEmpty() && p.isSet("duration")) {
        const std::optional<double> seconds = plainNumber(p.value("duration"));
        // Longer than a year is a typing error; timers do not reach much further.
        if (seconds && *seconds > 0.0 && *seconds <= 366.0 * 86400.0)
            o.durationSeconds = *seconds;
        else
            p.error = QStringLiteral("--duration %1: give seconds above 0").arg(p.value("duration"));
    }
    if (p.error.isEmpty() && p.isSet("output")) {
        o.outputPath = p.value("output");
        if (o.outputPath.isEmpty())
            p.error = QStringLiteral("--output needs a file name");
        else if (o.outputPath == QLatin1String("-"))
            o.outputPath.clear();
    }
    if (p.error.isEmpty() && p.isSet("serve")) {
        QHostAddress host;
        quint16 port = 0;
        QString why;
        if (remote::ScpiServer::parseAddress(p.value("serve"), &host, &port, &why))
            o.serve = p.value("serve");
        else
            p.error = QStringLiteral("--serve %1: %2").arg(p.value("serve"), why);
    }
    if (p.error.isEmpty() && o.append && o.outputPath.isEmpty())
        p.error = QStringLiteral("--append needs --output FILE");

    if (p.error.isEmpty())
        p.error = readMqttOptions(p, &o);

    // The profile line first: options given beside it override its values.
    bool fromProfile = false;
    if (p.error.isEmpty() && p.isSet("line") && !p.isSet("profile"))
        p.error = QStringLiteral("--line needs --profile FILE");
    if (p.error.isEmpty() && p.isSet("profile")) {
        int line = 1;
        if (p.isSet("line")) {
            bool ok = false;
            line = p.value("line").toInt(&ok);
            if (!ok || line < 1)
                p.error = QStringLiteral("--line %1: give a line number from 1").arg(p.value("line"));
        }
        if (p.error.isEmpty()) {
            const QString path = p.value("profile");
            const profiles::ProfileRead read = profiles::readProfile(path, profiles::ProfileAccess::ReadOnly);
            if (!read.contents)
                p.error = profileProblemText(read.problem, line);
            else if (line > read.contents->lineCount)
                p.error = QStringLiteral("the profile %1 has %2 line(s), no line %3")
                              .arg(path)
                              .arg(read.contents->lineCount)
                              .arg(line);
            else {
                const profiles::ProfileLine profileLine = read.contents->line(line);
                o.profileSettings = profileLine.settingsSnapshot;
                o.reference = profileReference(profileLine);
                fromProfile = true;
            }
        }
    }

    if (p.error.isEmpty()) {
        const std::optional<profiles::Quantity> primaryQuantity =
            o.choices.primary ? profiles::quantityOfPrimaryCode(*o.choices.primary) : std::nullopt;
        const std::optional<profiles::Quantity> secondaryQuantity =
            o.choices.secondary ? profiles::quantityOfSecondaryCode(*o.choices.secondary) : std::nullopt;
        // Without a unit the meter's own main parameter says what the value is,
        // unless it measures Z (asked for) or no RLC reading will come.
        const bool readingCanTell = o.choices.primary.value_or(0) == 0
                                    && o.mode.value_or(protocol::MeterMode::Rlcd) == protocol::MeterMode::Rlcd;
        if (applyReference(p, o.reference.primary, false, primaryQuantity, fromProfile, readingCanTell,
                           &o.primaryKindFromReading))
            applyReference(p, o.reference.secondary, true, secondaryQuantity, fromProfile, false,
                           &o.primaryKindFromReading);
    }
    if (p.error.isEmpty() && o.failOnReject && !o.judges())
        p.error = QStringLiteral("--fail-on-reject needs a tolerance (--nominal and --tol, or a profile line)");
    o.failOnOut = p.isSet("fail-on-out");
    if (p.error.isEmpty() && p.isSet("bins")) {
        profiles::BinPlanProblem problem;
        o.binPlan = profiles::readBinPlanFile(p.value("bins"), &problem);
        if (!o.binPlan)
            p.error = QStringLiteral("--bins %1: %2").arg(p.value("bins"), profiles::binPlanProblemText(problem));
    }
    if (p.error.isEmpty() && o.failOnOut && !o.binPlan)
        p.error = QStringLiteral("--fail-on-out needs --bins FILE");

    if (!p.error.isEmpty()) {
        *message = p.error;
        return ParseOutcome::Error;
    }
    *options = o;
    return ParseOutcome::Run;
}

} // namespace vorlantlog
