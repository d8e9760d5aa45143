#pragma once

#include "protocol/meter_settings.h"

#include <QByteArray>

namespace publish {

// The meter's RLCD settings as one compact JSON object, in units, for the
// retained settings topic:
//   {"frequency_hz":1000,"frequency_auto":false,"level_v":1,"level_auto":false,"primary":"C",...}
QByteArray settingsJson(const protocol::MeterSettings &settings);

} // namespace publish
