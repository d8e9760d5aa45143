#include "panel/drop_down.h"

namespace panel {

DropDown::DropDown(QWidget *parent)
    : QComboBox(parent)
{
}

void DropDown::showPopup()
{
    // Listeners may refill the items; the list then opens with the new ones.
    emit droppedDown();
    QComboBox::showPopup();
}

} // namespace panel
