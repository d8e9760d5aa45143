#pragma once

// What the logger sends to set the meter up once the link is up.

#include "logger_options.h"

#include "protocol/meter_command.h"
#include "protocol/unit_texts.h"

#include <vector>

namespace vorlantlog {

// The settings record to send: a profile line's record, or else the settings
// the meter reported last (its defaults before any report), with each choice
// applied by the window's selection rules, and the automatic frequency's code
// pinned as every settings command carries it.
protocol::MeterSettings requestedSettings(const LoggerOptions &options, const protocol::MeterSettings &reported,
                                          const protocol::UnitTexts &texts);

// The commands in the order they go out: the mode first, so that the
// settings reach the meter in the mode they belong to. Empty when nothing
// was asked for. `brightnessOn` is the meter's brightness as last reported:
// every command carries it, and the logger leaves it as it is.
std::vector<protocol::MeterCommand> setupCommands(const LoggerOptions &options,
                                                  const protocol::MeterSettings &reported, bool brightnessOn,
                                                  const protocol::UnitTexts &texts);

} // namespace vorlantlog
