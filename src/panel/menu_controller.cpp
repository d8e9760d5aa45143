#include "panel/menu_controller.h"

#include "panel/front_panel.h"
#include "panel/panel_field.h"

#include <QEvent>
#include <QFrame>
#include <QListWidget>

namespace panel {

MenuController::MenuController(const FrontPanelControls &c, QObject *parent)
    : QObject(parent)
    , m_prim{c.P_prim_RLC, c.ListBox_prim_RLC}
    , m_sec{c.P_sec_RLC, c.ListBox_sec_RLC}
    , m_serPer{c.P_ser_per, c.ListBox_ser_per}
    , m_level{c.P_level_RLC, c.ListBox_Level_RLC}
    , m_freq{c.P_freq_RLC, c.ListBox_freq_RLC}
    , m_Panel_RLCD(c.Panel_RLCD)
    , m_Panel_RD(c.Panel_RD)
    , m_Panel_U(c.Panel_U)
{
    // The small "A" beside the primary letter is too small a target on its
    // own; it stands for the letter in look and action.
    bindHover(c.L_Prim_RLC, c.L_Prim_RLC);
    bindHover(c.L_RLC_avto, c.L_Prim_RLC);
    bindHover(c.L_Sec_RLC, c.L_Sec_RLC);
    bindHover(c.L_SER_PER, c.L_SER_PER);
    bindHover(c.L_SER_PER1, c.L_SER_PER1);
    bindHover(c.L_Level_RLC, c.L_Level_RLC);
    bindHover(c.L_freq_RLC, c.L_freq_RLC);
    // Highlighted like the others, although they open nothing.
    bindHover(c.RD_prim_R, c.RD_prim_R);
    bindHover(c.RD_V, c.RD_V);

    bindClick(c.L_Prim_RLC, &MenuController::L_Prim_RLCClick);
    bindClick(c.L_RLC_avto, &MenuController::L_Prim_RLCClick);
    bindClick(c.L_Sec_RLC, &MenuController::L_Sec_RLCClick);
    bindClick(c.L_SER_PER, &MenuController::L_SER_PERClick);
    bindClick(c.L_SER_PER1, &MenuController::L_SER_PERClick);
    bindClick(c.L_Level_RLC, &MenuController::L_Level_RLCClick);
    bindClick(c.L_freq_RLC, &MenuController::L_freq_RLCClick);

    for (QObject *watched : {static_cast<QObject *>(m_prim.list), static_cast<QObject *>(m_sec.list),
                             static_cast<QObject *>(m_serPer.list), static_cast<QObject *>(m_level.list),
                             static_cast<QObject *>(m_freq.list), static_cast<QObject *>(m_Panel_RLCD),
                             static_cast<QObject *>(m_Panel_RD), static_cast<QObject *>(m_Panel_U)})
        watched->installEventFilter(this);
}

void MenuController::bindHover(PanelField *pointedAt, PanelField *highlighted)
{
    connect(pointedAt, &PanelField::entered, highlighted, [highlighted] { highlighted->setRaised(true); });
    connect(pointedAt, &PanelField::left, highlighted, [highlighted] { highlighted->setRaised(false); });
}

void MenuController::bindClick(PanelField *field, void (MenuController::*open)())
{
    connect(field, &PanelField::clicked, this, open);
}

void MenuController::L_Prim_RLCClick()
{
    openMenu(m_prim);
}

void MenuController::L_Sec_RLCClick()
{
    openMenu(m_sec);
}

void MenuController::L_SER_PERClick()
{
    openMenu(m_serPer);
}

void MenuController::L_Level_RLCClick()
{
    openMenu(m_level);
}

void MenuController::L_freq_RLCClick()
{
    openMenu(m_freq);
}

void MenuController::openMenu(const Menu &menu)
{
    menu.list->setVisible(true);
    menu.panel->setVisible(true);
    emit framesHeld();
}

void MenuController::closeAllMenus()
{
    for (const Menu *menu : {&m_prim, &m_serPer, &m_sec, &m_level, &m_freq}) {
        menu->panel->setVisible(false);
        menu->list->setVisible(false);
    }
    emit framesReleased();
}

bool MenuController::isAnyMenuOpen() const
{
    for (const Menu *menu : {&m_prim, &m_serPer, &m_sec, &m_level, &m_freq}) {
        if (!menu->panel->isHidden())
            return true;
    }
    return false;
}

void MenuController::ListBox_freq_RLCMouseEnter()
{
    m_displayArmed = true;
}

void MenuController::Panel_RLCDMouseEnter()
{
    if (!m_displayArmed)
        return;
    m_displayArmed = false;
    closeAllMenus();
}

bool MenuController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Leave) {
        if (watched == m_prim.list || watched == m_sec.list || watched == m_serPer.list || watched == m_level.list)
            closeAllMenus();
    } else if (type == QEvent::Enter) {
        if (watched == m_freq.list)
            ListBox_freq_RLCMouseEnter();
        else if (watched == m_Panel_RLCD)
            Panel_RLCDMouseEnter();
        else if (watched == m_Panel_RD || watched == m_Panel_U)
            closeAllMenus();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace panel
