#include "panel/menu_controller.h"

#include "panel/front_panel.h"
#include "panel/handler_edge.h"
#include "panel/panel_field.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>

#include <functional>

namespace panel {

namespace {

// Hands every event of the application to a function, and lets it go on.
class EventTap : public QObject
{
public:
    EventTap(QObject *parent, std::function<void(QEvent *)> tap)
        : QObject(parent)
        , m_tap(std::move(tap))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        m_tap(event);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QEvent *)> m_tap;
};

} // namespace

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
    m_outsideWatch = new EventTap(this, [this](QEvent *event) { outsideEvent(event); });
    m_openingFields = {c.L_Prim_RLC, c.L_RLC_avto, c.L_Sec_RLC, c.L_SER_PER, c.L_SER_PER1, c.L_Level_RLC,
                       c.L_freq_RLC};

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
    connect(field, &PanelField::clicked, this, atEdge(this, open));
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
    watchOutside(true);
    emit framesHeld();
}

void MenuController::closeAllMenus()
{
    for (const Menu *menu : {&m_prim, &m_serPer, &m_sec, &m_level, &m_freq}) {
        menu->panel->setVisible(false);
        menu->list->setVisible(false);
    }
    watchOutside(false);
    emit framesReleased();
}

void MenuController::watchOutside(bool on)
{
    QCoreApplication *application = QCoreApplication::instance();
    if (on == m_watchingOutside || !application)
        return;
    m_watchingOutside = on;
    if (on)
        application->installEventFilter(m_outsideWatch);
    else
        application->removeEventFilter(m_outsideWatch);
}

void MenuController::outsideEvent(QEvent *event)
{
    const QEvent::Type type = event->type();
    // A press travels up from the widget under the pointer to its parents;
    // judged by its screen position, every stop answers alike.
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        if (!isOverOpenMenuOrField(static_cast<QMouseEvent *>(event)->globalPosition()))
            closeAllMenus();
    } else if (type == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        closeAllMenus();
    }
}

bool MenuController::isOverOpenMenuOrField(const QPointF &globalPosition) const
{
    const QPoint point = globalPosition.toPoint();
    const auto covers = [point](const QWidget *widget) {
        return widget->isVisible() && QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()).contains(point);
    };
    for (const Menu *menu : {&m_prim, &m_serPer, &m_sec, &m_level, &m_freq}) {
        if (covers(menu->panel))
            return true;
    }
    for (const QWidget *field : m_openingFields) {
        if (covers(field))
            return true;
    }
    return false;
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
