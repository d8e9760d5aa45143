#include "panel/front_panel.h"

#include "panel/button_pictures.h"
#include "panel/control_table.h"
#include "panel/panel_field.h"
#include "panel/rd_pictures.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

#include <span>

namespace panel {

std::span<const ControlRow<FrontPanelControls>> frontPanelRows();

namespace {

void setLineHeight(QListWidget *list, int height)
{
    list->setUniformItemSizes(true);
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSizeHint(QSize(0, height));
}

} // namespace

void buildFrontPanel(FrontPanelControls &controls, QWidget *host)
{
    buildControls(controls, host, frontPanelRows());

    const std::pair<QListWidget *, int> lineHeights[] = {
        {controls.ListBox_prim_RLC, 18}, {controls.ListBox_sec_RLC, 18}, {controls.ListBox_ser_per, 18},
        {controls.ListBox_Level_RLC, 20}, {controls.ListBox_freq_RLC, 20},
    };
    for (auto [list, height] : lineHeights) {
        setLineHeight(list, height);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    controls.ListBox_freq_RLC->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    controls.SP4->setIcon(brightnessIcon());
    controls.SP3->setIcon(captureIcon());
    controls.SP2->setIcon(soundIcon());

    controls.ImList1 = makeRdPictures();
    controls.Im_Diod->setScaledContents(true);
}

} // namespace panel
