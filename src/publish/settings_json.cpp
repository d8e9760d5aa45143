#include "publish/settings_json.h"

#include "protocol/meter_tables.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace publish {

namespace {

QJsonValue nameOf(int code, std::initializer_list<const char *> names)
{
    return code >= 0 && code < int(names.size()) ? QJsonValue(QLatin1String(names.begin()[code])) : QJsonValue();
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
    o.insert(QLatin1String("primary"), nameOf(s.primaryCode, {"", "R", "C", "L", "Z"}));
    o.insert(QLatin1String("primary_auto"), s.primaryAuto != 0);
    o.insert(QLatin1String("secondary"), nameOf(s.secondaryCode, {"none", "R", "Q", "D", "theta"}));
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
