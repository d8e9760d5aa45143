#pragma once

#include <QList>
#include <QPixmap>
#include <QSize>

namespace panel {

// The pictures of the resistance-and-diode display, by their index in the
// picture list: black on the display's light blue, 60 x 80 pixels.
enum RdPicture {
    kDiodeUp = 0,   // triangle pointing up, bar above it
    kDiodeDown = 1, // triangle pointing down, bar below it
    kResistor = 2,  // upright rectangle with a lead at each end
};

inline constexpr QSize kRdPictureSize(60, 80);

QPixmap drawRdPicture(RdPicture picture);
// All three, in index order.
QList<QPixmap> makeRdPictures();

} // namespace panel
