#pragma once

#include <QIcon>

namespace panel {

// Small pictures of the tool-row buttons; the disabled look is derived by the
// icon itself.
QIcon brightnessIcon(); // SP4
QIcon captureIcon();    // SP3
QIcon soundIcon();      // SP2
// The window's own icon: a small LCR meter with its blue display.
QIcon meterIcon();

} // namespace panel
