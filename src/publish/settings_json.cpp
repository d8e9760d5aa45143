#include "publish/settings_json.h"

#include "protocol/meter_tables.h"
#include "protocol/rlc_values.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace publish {

namespace {

// The parameter's name as the CSV writes it; `none` for code 0, null for a code the meter does not use.
QJsonValue nameOf(int code, std::optional<protocol::RlcParameter> (*parameterOf)(int), const char *none)
{
    if (code == 0)
        return QLatin1String(none);
    const std::optional<protocol::RlcParameter> parameter = parameterOf(code);
    return parameter ? QJsonValue(protocol::parameterName(*parameter)) : QJsonValue();
}

QJsonValue number(const std::optional<double> &value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

} // namespace

QByteArray settingsJson(const protocol::MeterSettings &s)
{
    QJsonObject o;
    o.insert(QLatin1String("frequency_hz"), protocol::frequencyForCode(s.freqCode));
    o.insert(QLatin1String("frequency_auto"), s.freqAuto != 0);
    o.insert(QLatin1String("level_v"), number(protocol::levelVolts(s.levelCode)));
    o.insert(QLatin1String("level_auto"), s.levelAuto != 0);
    o.insert(QLatin1String("primary"), nameOf(s.primaryCode, protocol::primaryParameter, ""));
    o.insert(QLatin1String("primary_auto"), s.primaryAuto != 0);
    o.insert(QLatin1String("secondary"), nameOf(s.secondaryCode, protocol::secondaryParameter, "none"));
    o.insert(QLatin1String("secondary_auto"), s.secondaryAuto != 0);
    o.insert(QLatin1String("circuit"), protocol::circuitName(protocol::measuredCircuit(s)));
    o.insert(QLatin1String("circuit_auto"), s.circuitAuto != 0);
    o.insert(QLatin1String("interval_s"), number(protocol::intervalSeconds(s.intervalCode)));
    o.insert(QLatin1String("capture"), s.capture != 0);
    o.insert(QLatin1String("negative_sign"), s.negativeSign != 0);
    o.insert(QLatin1String("sound"), s.sound != 0);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace publish
