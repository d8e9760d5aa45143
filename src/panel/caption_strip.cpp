#include "panel/caption_strip.h"

#include "panel/panel_colours.h"

namespace panel {

CaptionStrip::CaptionStrip(QWidget *parent)
    : QLabel(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAlignment(Qt::AlignCenter);
    QPalette strip = palette();
    strip.setColor(QPalette::Window, displayColour());
    setPalette(strip);
    setAutoFillBackground(true);
}

} // namespace panel
