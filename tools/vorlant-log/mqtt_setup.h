#pragma once

#include "logger_options.h"

#include "publish/reading_publisher.h"

#include <QString>

#include <optional>

namespace vorlantlog {

// The publisher's settings from the command line: the address, the station,
// the topics, the spool's folder and bound, and the password from
// --mqtt-password-file or VORLANT_MQTT_PASSWORD (nullopt with `error` set
// when the file cannot be read or a password has no user to go with).
std::optional<publish::PublisherOptions> publisherOptions(const LoggerOptions &options, QString *error);

} // namespace vorlantlog
