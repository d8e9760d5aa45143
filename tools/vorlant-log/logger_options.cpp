#include "logger_options.h"

#include "option_table.h"
#include "reference_value.h"

#include "profiles/line_editor.h"
#include "profiles/profile_file.h"
#include "profiles/reference_units.h"
#include "protocol/settings_indicators.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace vorlantlog {

namespace {

constexpr int kFrequencyCodes = 14; // codes 1..14 of the frequency table

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
    if (!v)
        return std::nullopt;
    if (*v == 1.0)
        return 1;
    if (*v == 0.5)
        return 2;
    if (*v == 0.1)
        return 3;
    return std::nullopt;
}

std::optional<int> intervalItem(const QString &text)
{
    QString seconds = text.trimmed();
    if (seconds.endsWith(QLatin1Char('s'), Qt::CaseInsensitive))
        seconds.chop(1);
    const std::optional<double> v = plainNumber(seconds);
    if (!v)
        return std::nullopt;
    // CB1's items: 0.5 s, 1 s, 2 s.
    const double kSeconds[] = {0.5, 1.0, 2.0};
    for (int i = 0; i < 3; ++i) {
        if (*v == kSeconds[i])
            return i;
    }
    return std::nullopt;
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

// The reference kind a main-parameter item judges: R, L or C; none for automatic and Z.
std::optional<int> primaryKindOfItem(int item)
{
    switch (item) {
    case 1:
        return profiles::kPrimaryR;
    case 2:
        return profiles::kPrimaryC;
    case 3:
        return profiles::kPrimaryL;
    default:
        return std::nullopt;
    }
}

std::optional<int> secondaryKindOfItem(int item)
{
    switch (item) {
    case 1:
        return profiles::kSecondaryR;
    case 2:
        return profiles::kSecondaryQ;
    case 3:
        return profiles::kSecondaryD;
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
    void choose(const char *name, std::optional<T> &target, F itemOf, const char *choices)
    {
        if (!error.isEmpty() || !isSet(name))
            return;
        const QString text = value(name);
        if (const auto item = itemOf(text))
            target = *item;
        else
            error = QStringLiteral("--%1 %2: choose %3").arg(QLatin1String(name), text, QLatin1String(choices));
    }
};

// The reference entry of one side from --nominal/--tol (or the secondary's),
// over what a profile line put there.
bool applyReference(Parser &p, profiles::ReferenceEntry &entry, bool secondary, std::optional<int> kindOfItem,
                    bool fromProfile)
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
        entry.toleranceOff = tolerance->off;
        entry.tolerance = tolerance->text;
        if (!hasNominal && !fromProfile && !entry.toleranceOff) {
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
    std::optional<int> kind = nominal->kind;
    if (kind && kindOfItem && *kind != *kindOfItem) {
        p.error = QStringLiteral("--%1 %2 does not fit --%3")
                      .arg(QLatin1String(nominalName), p.value(nominalName),
                           QLatin1String(secondary ? "secondary" : "primary"));
        return false;
    }
    if (!kind)
        kind = kindOfItem;
    if (!kind && fromProfile)
        kind = entry.kind;
    if (!kind) {
        p.error = secondary ? QStringLiteral("--secondary-nominal needs --secondary R, Q or D (or an ohm unit)")
                            : QStringLiteral("--nominal needs a unit (100nF, 10uH, 4.7kohm) or --primary R, C or L");
        return false;
    }
    setNominal(entry, *kind, *nominal, secondary);
    return true;
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
    for (int code = 1; code <= kFrequencyCodes; ++code) {
        if (double(protocol::frequencyForCode(code)) == hertz)
            return code;
    }
    return std::nullopt;
}

ParseOutcome parseLoggerOptions(const QStringList &args, LoggerOptions *options, QString *message)
{
    Parser p;
    p.parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionInfo &info : optionTable()) {
        QStringList names{QLatin1String(info.name)};
        if (info.shortName)
            names.prepend(QString(QLatin1Char(info.shortName)));
        QCommandLineOption option(names, QLatin1String(info.help));
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
    p.choose("freq", o.choices.frequency, frequencyItem,
             "100, 120, 1k, 10k, 20k, 30k, 40k, 50k, 60k, 75k, 80k, 90k, 100k, 150k or auto");
    p.choose("level", o.choices.level, levelItem, "1, 0.5, 0.1 or auto");
    p.choose("primary", o.choices.primary,
             [](const QString &t) { return wordItem(t, {{"auto", "a"}, {"R"}, {"C"}, {"L"}, {"Z"}}); },
             "R, C, L, Z or auto");
    p.choose("secondary", o.choices.secondary,
             [](const QString &t) { return wordItem(t, {{"auto", "a"}, {"R"}, {"Q"}, {"D"}}); }, "R, Q, D or auto");
    p.choose("circuit", o.choices.circuit,
             [](const QString &t) { return wordItem(t, {{"auto", "a"}, {"parallel", "p"}, {"series", "s"}}); },
             "series, parallel or auto");
    p.choose("interval", o.choices.interval, intervalItem, "0.5, 1 or 2 (seconds)");
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
    if (p.error.isEmpty() && o.append && o.outputPath.isEmpty())
        p.error = QStringLiteral("--append needs --output FILE");

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
                o.reference = profiles::editorFromLine(profileLine).reference;
                usePointSeparator(o.reference.primary);
                usePointSeparator(o.reference.secondary);
                fromProfile = true;
            }
        }
    }

    if (p.error.isEmpty()) {
        const std::optional<int> primaryKind =
            o.choices.primary ? primaryKindOfItem(*o.choices.primary) : std::optional<int>();
        const std::optional<int> secondaryKind =
            o.choices.secondary ? secondaryKindOfItem(*o.choices.secondary) : std::optional<int>();
        if (applyReference(p, o.reference.primary, false, primaryKind, fromProfile))
            applyReference(p, o.reference.secondary, true, secondaryKind, fromProfile);
    }
    if (p.error.isEmpty() && o.failOnReject && !o.judges())
        p.error = QStringLiteral("--fail-on-reject needs a tolerance (--nominal and --tol, or a profile line)");

    if (!p.error.isEmpty()) {
        *message = p.error;
        return ParseOutcome::Error;
    }
    *options = o;
    return ParseOutcome::Run;
}

} // namespace vorlantlog
