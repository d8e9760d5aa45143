#include "mqtt_setup.h"

#include "files/locked_append_file.h"

#include <QFile>

namespace vorlantlog {

std::optional<publish::PublisherOptions> publisherOptions(const LoggerOptions &options, QString *error)
{
    publish::PublisherOptions out;
    const std::optional<publish::MqttAddress> address = publish::parseMqttAddress(options.mqtt, error);
    if (!address)
        return std::nullopt;
    out.session.address = *address;
    out.session.caFile = options.mqttCa;
    if (!options.mqttPasswordFile.isEmpty()) {
        QFile file(options.mqttPasswordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read the password file %1: %2")
                         .arg(options.mqttPasswordFile, file.errorString());
            return std::nullopt;
        }
        QByteArray line = file.readLine(4096);
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        out.session.password = line;
    } else if (qEnvironmentVariableIsSet("VORLANT_MQTT_PASSWORD")) {
        out.session.password = qgetenv("VORLANT_MQTT_PASSWORD");
    }
    if (out.session.password && address->user.isEmpty()) {
        *error = QStringLiteral("a password needs a user name in the address: %1://USER@%2")
                     .arg(address->tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"), address->host);
        return std::nullopt;
    }
    out.station = options.station;
    out.topicPrefix = options.topicPrefix;
    out.spoolFolder = files::stateFolder() + QStringLiteral("/spool");
    out.spoolMax = options.spoolMax;
    return out;
}

} // namespace vorlantlog
