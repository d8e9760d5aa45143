#include "remote/scpi_commands.h"

#include "profiles/tolerance_check.h"
#include "protocol/meter_tables.h"
#include "protocol/rlc_values.h"
#include "protocol/settings_selection.h"
#include "vorlant_version.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>

namespace remote {

namespace {

constexpr double kNotANumber = 9.91e37; // the customary "no value"
constexpr std::uint8_t kStatusValid = 0;
constexpr std::uint8_t kStatusOverRange = 1;
constexpr std::uint8_t kStatusNoReading = 2;
constexpr double kShortestTimeoutS = 0.001;
constexpr double kLongestTimeoutS = 3600.0;

// --- parameter checks -------------------------------------------------------

bool noParameters(CommandContext &c, const ScpiCommand &cmd)
{
    if (cmd.parameters.empty())
        return true;
    c.status.push(ScpiError::ParameterNotAllowed);
    return false;
}

const ScpiParameter *oneParameter(CommandContext &c, const ScpiCommand &cmd)
{
    if (cmd.parameters.empty()) {
        c.status.push(ScpiError::MissingParameter);
        return nullptr;
    }
    if (cmd.parameters.size() > 1) {
        c.status.push(ScpiError::ParameterNotAllowed);
        return nullptr;
    }
    return &cmd.parameters.front();
}

// A numeric parameter in `unit` (or none), or one of the words MIN and MAX.
// AUTO gives nullopt with *isAuto set when `autoAllowed`.
std::optional<double> numericValue(CommandContext &c, const ScpiParameter &p, const char *unit, double min, double max,
                                   bool autoAllowed, bool *isAuto)
{
    switch (p.kind) {
    case ScpiParameter::Kind::Number:
        if (!p.unit.isEmpty() && p.unit != QLatin1String(unit)) {
            c.status.push(ScpiError::InvalidSuffix, p.unit);
            return std::nullopt;
        }
        return p.number;
    case ScpiParameter::Kind::Word:
        if (p.text == QLatin1String("MIN") || p.text == QLatin1String("MINIMUM"))
            return min;
        if (p.text == QLatin1String("MAX") || p.text == QLatin1String("MAXIMUM"))
            return max;
        if (autoAllowed && p.text == QLatin1String("AUTO")) {
            *isAuto = true;
            return std::nullopt;
        }
        c.status.push(ScpiError::IllegalParameterValue, p.text);
        return std::nullopt;
    case ScpiParameter::Kind::String:
        break;
    }
    c.status.push(ScpiError::DataType);
    return std::nullopt;
}

bool requireLink(CommandContext &c)
{
    if (c.meter.meterLinked())
        return true;
    c.status.push(ScpiError::Execution, QStringLiteral("No meter linked"));
    return false;
}

Outcome sendSettings(CommandContext &c, const protocol::MeterSettings &settings)
{
    if (!requireLink(c))
        return Outcome::Failed;
    if (!c.meter.sendSettings(settings)) {
        c.status.push(ScpiError::Execution, QStringLiteral("No meter linked"));
        return Outcome::Failed;
    }
    return Outcome::Done;
}

QByteArray nr1(int value)
{
    return QByteArray::number(value);
}

// --- common commands --------------------------------------------------------

Outcome idnQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    const QString version = c.identity.version.isEmpty() ? QStringLiteral("0") : c.identity.version;
    c.answers.append(QStringList{c.identity.maker, c.identity.model, c.meter.dongleId(), version}
                         .join(QLatin1Char(','))
                         .toUtf8());
    return Outcome::Done;
}

Outcome rst(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    return sendSettings(c, protocol::MeterSettings::defaults());
}

Outcome cls(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.status.clear();
    return Outcome::Done;
}

Outcome esrQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append(nr1(c.status.takeEvents()));
    return Outcome::Done;
}

Outcome ese(CommandContext &c, const ScpiCommand &cmd)
{
    const ScpiParameter *p = oneParameter(c, cmd);
    if (!p)
        return Outcome::Failed;
    bool isAuto = false;
    const std::optional<double> v = numericValue(c, *p, "", 0, 255, false, &isAuto);
    if (!v)
        return Outcome::Failed;
    if (!(*v >= 0.0 && *v <= 255.0) || std::floor(*v) != *v) {
        c.status.push(ScpiError::DataOutOfRange);
        return Outcome::Failed;
    }
    c.status.setEventEnable(std::uint8_t(*v));
    return Outcome::Done;
}

Outcome eseQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append(nr1(c.status.eventEnable()));
    return Outcome::Done;
}

Outcome stbQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append(nr1(c.status.statusByte()));
    return Outcome::Done;
}

// Commands run one after the other, so every operation is complete when the next begins.
Outcome opc(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.status.setOperationComplete();
    return Outcome::Done;
}

Outcome opcQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append("1");
    return Outcome::Done;
}

Outcome wai(CommandContext &c, const ScpiCommand &cmd)
{
    return noParameters(c, cmd) ? Outcome::Done : Outcome::Failed;
}

// The only part the server can test is the link: 0 with a meter linked, 1 without.
Outcome tstQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append(c.meter.meterLinked() ? "0" : "1");
    return Outcome::Done;
}

// --- SYSTem -----------------------------------------------------------------

Outcome errorQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append(c.status.next().toAnswer());
    return Outcome::Done;
}

Outcome errorCountQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append(nr1(c.status.count()));
    return Outcome::Done;
}

Outcome versionQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append("1999.0");
    return Outcome::Done;
}

Outcome timeout(CommandContext &c, const ScpiCommand &cmd)
{
    const ScpiParameter *p = oneParameter(c, cmd);
    if (!p)
        return Outcome::Failed;
    bool isAuto = false;
    const std::optional<double> s = numericValue(c, *p, "S", kShortestTimeoutS, kLongestTimeoutS, false, &isAuto);
    if (!s)
        return Outcome::Failed;
    if (!(*s >= kShortestTimeoutS && *s <= kLongestTimeoutS)) {
        c.status.push(ScpiError::DataOutOfRange);
        return Outcome::Failed;
    }
    c.timeoutMs = int(std::lround(*s * 1000.0));
    return Outcome::Done;
}

Outcome timeoutQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append(formatNr3(c.timeoutMs / 1000.0));
    return Outcome::Done;
}

// --- the measurement --------------------------------------------------------

// The impedance types a lab script names: main parameter, secondary and circuit.
struct ImpedanceType
{
    const char *name;
    int primaryItem;   // 1 R, 2 C, 3 L, 4 Z
    int secondaryItem; // 1 R, 2 Q, 3 D
    int circuitItem;   // 1 parallel, 2 series
};

constexpr std::array<ImpedanceType, 12> kImpedanceTypes{{
    {"CPD", 2, 3, 1}, {"CSD", 2, 3, 2}, {"CPQ", 2, 2, 1}, {"CSQ", 2, 2, 2}, {"CPRP", 2, 1, 1}, {"CSRS", 2, 1, 2},
    {"LPQ", 3, 2, 1}, {"LSQ", 3, 2, 2}, {"LPD", 3, 3, 1}, {"LSD", 3, 3, 2}, {"LPRP", 3, 1, 1}, {"LSRS", 3, 1, 2},
}};
// Known to lab scripts, but the meter cannot measure them (no reactance,
// and no phase angle among the secondary parameters one can choose).
constexpr std::array<const char *, 2> kUnmeasurableTypes{"RX", "ZTD"};

Outcome function(CommandContext &c, const ScpiCommand &cmd)
{
    const ScpiParameter *p = oneParameter(c, cmd);
    if (!p)
        return Outcome::Failed;
    if (p->kind != ScpiParameter::Kind::Word) {
        c.status.push(ScpiError::DataType);
        return Outcome::Failed;
    }
    for (const ImpedanceType &t : kImpedanceTypes) {
        if (p->text != QLatin1String(t.name))
            continue;
        protocol::MeterSettings s = c.meter.settings();
        protocol::choosePrimary(s, t.primaryItem);
        protocol::chooseSecondary(s, t.secondaryItem);
        protocol::chooseCircuit(s, t.circuitItem);
        return sendSettings(c, s);
    }
    bool known = false;
    for (const char *name : kUnmeasurableTypes)
        known = known || p->text == QLatin1String(name);
    c.status.push(ScpiError::IllegalParameterValue,
                  known ? QStringLiteral("%1 not measurable").arg(p->text) : p->text);
    return Outcome::Failed;
}

// The meter's own combination, named like the types above (CPD, LSRS, ZSD ...).
Outcome functionQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    const protocol::MeterSettings s = c.meter.settings();
    const QString circuit = protocol::circuitLetter(protocol::measuredCircuit(s));
    QString name = protocol::primaryLetter(s.primaryCode).value_or(QStringLiteral("C"));
    if (s.primaryCode == 4 && s.secondaryCode == 4) {
        c.answers.append("ZTD");
        return Outcome::Done;
    }
    name += circuit;
    switch (s.secondaryCode) {
    case 1: name += QStringLiteral("R") + circuit; break;
    case 2: name += QStringLiteral("Q"); break;
    case 3: name += QStringLiteral("D"); break;
    case 4: name += QStringLiteral("TD"); break;
    default: break;
    }
    c.answers.append(name.toLatin1());
    return Outcome::Done;
}

Outcome frequency(CommandContext &c, const ScpiCommand &cmd)
{
    const ScpiParameter *p = oneParameter(c, cmd);
    if (!p)
        return Outcome::Failed;
    bool isAuto = false;
    const double lowest = protocol::frequencyForCode(1);
    const double highest = protocol::frequencyForCode(protocol::kLastFrequencyCode);
    const std::optional<double> hz = numericValue(c, *p, "HZ", lowest, highest, true, &isAuto);
    if (!hz && !isAuto)
        return Outcome::Failed;
    int item = 0; // automatic
    if (hz) {
        // Frequencies are whole hertz; a value between the meter's is refused, never rounded to one.
        const std::optional<int> code =
            std::isfinite(*hz) && std::abs(*hz - std::round(*hz)) < 1e-6 ? protocol::frequencyCodeOf(std::round(*hz))
                                                                        : std::nullopt;
        if (!code) {
            c.status.push(ScpiError::DataOutOfRange, QStringLiteral("the meter has no such frequency"));
            return Outcome::Failed;
        }
        item = *code;
    }
    protocol::MeterSettings s = c.meter.settings();
    protocol::chooseFrequency(s, item, protocol::UnitTexts::design());
    return sendSettings(c, s);
}

Outcome frequencyQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    protocol::MeterSettings s = c.meter.settings();
    s.pinAutoFrequency();
    c.answers.append(formatNr3(protocol::frequencyForCode(s.freqCode)));
    return Outcome::Done;
}

Outcome voltage(CommandContext &c, const ScpiCommand &cmd)
{
    const ScpiParameter *p = oneParameter(c, cmd);
    if (!p)
        return Outcome::Failed;
    bool isAuto = false;
    const std::optional<double> volts = numericValue(c, *p, "V", 0.1, 1.0, true, &isAuto);
    if (!volts && !isAuto)
        return Outcome::Failed;
    int item = 0; // automatic
    if (volts) {
        // Millivolts are the finest step; anything between the meter's levels is refused.
        const double mv = *volts * 1000.0;
        const std::optional<int> level = std::isfinite(mv) && std::abs(mv - std::round(mv)) < 1e-6
                                             ? protocol::levelItemOfVolts(std::round(mv) / 1000.0)
                                             : std::nullopt;
        if (!level) {
            c.status.push(ScpiError::DataOutOfRange, QStringLiteral("the meter has no such level"));
            return Outcome::Failed;
        }
        item = *level;
    }
    protocol::MeterSettings s = c.meter.settings();
    protocol::chooseLevel(s, item, protocol::UnitTexts::design());
    return sendSettings(c, s);
}

Outcome voltageQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    const std::optional<double> volts = protocol::levelVolts(c.meter.settings().levelCode);
    c.answers.append(formatNr3(volts.value_or(kNotANumber)));
    return Outcome::Done;
}

Outcome fetchQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    c.answers.append(fetchAnswer(c.meter));
    return Outcome::Done;
}

Outcome readQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd) || !requireLink(c))
        return Outcome::Failed;
    return Outcome::AwaitReading;
}

Outcome comparatorQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    const std::optional<reading::Reading> &r = c.meter.latestReading();
    c.answers.append(nr1(r ? r->verdictCode() : profiles::kNotJudged));
    return Outcome::Done;
}

Outcome binQuery(CommandContext &c, const ScpiCommand &cmd)
{
    if (!noParameters(c, cmd))
        return Outcome::Failed;
    const std::optional<reading::Reading> &r = c.meter.latestReading();
    c.answers.append(nr1(r && r->bin ? int(*r->bin) : -1));
    return Outcome::Done;
}

constexpr CommandEntry kCommands[] = {
    {"*IDN", nullptr, idnQuery, nullptr, "Maker, model, the dongle's id (0 while none is known) and the program's version."},
    {"*RST", rst, nullptr, nullptr, "Sends the meter its default settings."},
    {"*CLS", cls, nullptr, nullptr, "Empties the error queue and the event status register."},
    {"*ESR", nullptr, esrQuery, nullptr, "The event status register, cleared by reading: 1 operation complete, "
                                         "4 query error, 8 device error, 16 execution error, 32 command error."},
    {"*ESE", ese, eseQuery, "<0..255>", "The event status enable mask."},
    {"*STB", nullptr, stbQuery, nullptr, "The status byte: 4 an error is queued, 32 an enabled event occurred, "
                                         "64 either."},
    {"*OPC", opc, opcQuery, nullptr, "Commands run one after the other: *OPC sets the operation-complete event, "
                                     "*OPC? answers 1."},
    {"*WAI", wai, nullptr, nullptr, "Does nothing: every command is complete before the next one runs."},
    {"*TST", nullptr, tstQuery, nullptr, "0 while a meter is linked, 1 otherwise."},
    {"SYSTem:ERRor[:NEXT]", nullptr, errorQuery, nullptr,
     "The oldest entry of the client's error queue, as <code>,\"<text>\"; 0,\"No error\" when it is empty."},
    {"SYSTem:ERRor:COUNt", nullptr, errorCountQuery, nullptr, "The number of queued errors."},
    {"SYSTem:VERSion", nullptr, versionQuery, nullptr, "1999.0"},
    {"SYSTem:TIMeout", timeout, timeoutQuery, "<seconds>",
     "How long READ? and MEASure? wait for a fresh reading (default 5 s) before giving -230."},
    {"[SENSe:]FUNCtion:IMPedance[:TYPE]", function, functionQuery, "<type>",
     "Main parameter, secondary parameter and circuit at once: CPD, CSD, CPQ, CSQ, CPRP, CSRS, LPQ, LSQ, LPD, "
     "LSD, LPRP or LSRS; RX and ZTD give -224 (the meter cannot measure them)."},
    {"[SOURce:]FREQuency[:CW]", frequency, frequencyQuery, "<frequency>|AUTO",
     "Test frequency in hertz: {frequencies}; any other gives -222."},
    {"[SOURce:]VOLTage[:LEVel]", voltage, voltageQuery, "<level>|AUTO",
     "Test level in volts rms: {levels}; any other gives -222."},
    {"FETCh[:IMPedance]", nullptr, fetchQuery, nullptr,
     "The latest reading: <primary>,<secondary>,<status> in SI units; status 0 valid, 1 over range, 2 no "
     "reading yet (the values then read +9.91000E+37)."},
    {"READ[:IMPedance]", nullptr, readQuery, nullptr,
     "The next reading taken after the command, as FETCh? gives it; -230 after the time-out, -200 without a "
     "meter."},
    {"MEASure[:IMPedance]", nullptr, readQuery, nullptr, "As READ?."},
    {"CALCulate:COMParator[:RESult]", nullptr, comparatorQuery, nullptr,
     "The tolerance verdict on the latest reading: 0 pass, 1 main parameter rejected, 2 secondary, 3 both, "
     "20 not judged."},
    {"CALCulate:COMParator:BIN", nullptr, binQuery, nullptr,
     "The sorting plan's bin for the latest reading: 1 to 9 for BIN1 to BIN9, 10 AUX, 0 OUT; -1 while no plan is "
     "in use or no reading has come."},
};

struct PatternNode
{
    QString longForm;  // upper case
    QString shortForm; // the pattern's capitals
    bool optional = false;
};

std::vector<PatternNode> patternNodes(const char *pattern)
{
    std::vector<PatternNode> nodes;
    bool optional = false;
    QString current;
    auto flush = [&] {
        if (current.isEmpty())
            return;
        PatternNode node;
        node.longForm = current.toUpper();
        for (QChar ch : current)
            if (!ch.isLower())
                node.shortForm += ch;
        node.optional = optional;
        nodes.push_back(node);
        current.clear();
    };
    for (const char *p = pattern; *p; ++p) {
        const char ch = *p;
        if (ch == '[') {
            flush();
            optional = true;
        } else if (ch == ']') {
            flush();
            optional = false;
        } else if (ch == ':') {
            flush();
        } else {
            current += QLatin1Char(ch);
        }
    }
    flush();
    return nodes;
}

bool matchFrom(const std::vector<PatternNode> &pattern, std::size_t pi, const QStringList &nodes, qsizetype ni)
{
    if (pi == pattern.size())
        return ni == nodes.size();
    const PatternNode &p = pattern[pi];
    if (p.optional && matchFrom(pattern, pi + 1, nodes, ni))
        return true;
    if (ni < nodes.size() && (nodes[ni] == p.longForm || nodes[ni] == p.shortForm))
        return matchFrom(pattern, pi + 1, nodes, ni + 1);
    return false;
}

const CommandEntry *findEntry(const ScpiCommand &command, const QStringList &nodes)
{
    // Read once: every command of every client is looked up here.
    static const std::vector<std::vector<PatternNode>> patterns = [] {
        std::vector<std::vector<PatternNode>> all;
        for (const CommandEntry &entry : kCommands)
            all.push_back(patternNodes(entry.pattern));
        return all;
    }();
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        const CommandEntry &entry = kCommands[i];
        if (!matchFrom(patterns[i], 0, nodes, 0))
            continue;
        if (command.query ? entry.query != nullptr : entry.set != nullptr)
            return &entry;
    }
    return nullptr;
}

} // namespace

QString scpiProgramVersion()
{
    return QLatin1String(kProgramVersion);
}

bool headerMatches(const char *pattern, const QStringList &nodes)
{
    return matchFrom(patternNodes(pattern), 0, nodes, 0);
}

const CommandEntry *findCommand(const ScpiCommand &command, const QStringList &prefix)
{
    if (!command.common && !command.absolute && !prefix.isEmpty())
        if (const CommandEntry *entry = findEntry(command, prefix + command.nodes))
            return entry;
    return findEntry(command, command.nodes);
}

std::vector<CommandHelp> commandHelp()
{
    std::vector<CommandHelp> out;
    for (const CommandEntry &entry : kCommands) {
        const QString name = QLatin1String(entry.pattern);
        QStringList forms;
        if (entry.set)
            forms << (entry.parameter ? name + QLatin1Char(' ') + QLatin1String(entry.parameter) : name);
        if (entry.query)
            forms << name + QLatin1Char('?');
        out.push_back({forms.join(QStringLiteral(", ")), QLatin1String(entry.help)});
    }
    return out;
}

QByteArray fetchAnswer(const MeterAccess &meter)
{
    double primary = kNotANumber;
    double secondary = kNotANumber;
    std::uint8_t status = kStatusNoReading;
    if (const std::optional<reading::Reading> &r = meter.latestReading()) {
        const auto p = r->primary();
        const auto s = r->secondary();
        if (p) {
            primary = p->value;
            status = protocol::overRange(*p) || (s && !std::isfinite(s->value)) ? kStatusOverRange : kStatusValid;
            if (status == kStatusOverRange)
                primary = kNotANumber;
        }
        if (s && std::isfinite(s->value))
            secondary = s->value;
    }
    return formatNr3(primary) + ',' + formatNr3(secondary) + ',' + QByteArray::number(status);
}

QByteArray formatNr3(double value)
{
    if (!std::isfinite(value))
        value = kNotANumber;
    char text[32];
    std::snprintf(text, sizeof text, "%+.5E", value);
    return QByteArray(text);
}

} // namespace remote
