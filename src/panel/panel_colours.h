#pragma once

#include <QColor>

namespace panel {

// The meter display's light blue (the colour of an active caption's gradient).
inline QColor displayColour() { return QColor(185, 209, 234); }
// The display while the last reading failed its tolerance check.
inline QColor rejectColour() { return QColor(255, 0, 0); }
// Background of the window and its buttons.
inline QColor buttonFaceColour() { return QColor(240, 240, 240); }

} // namespace panel
