#pragma once

#include <QList>
#include <QObject>
#include <QPointF>

class QFrame;
class QListWidget;
class QWidget;

namespace panel {

struct FrontPanelControls;
class PanelField;

// The pointer side of the front panel: the raised look of the fields under the
// pointer, opening a selection menu on a click on its field, and closing every
// menu again when the pointer moves away.
//
// Closing rules:
// - leaving the list of the primary, secondary, circuit or level menu closes all;
// - the frequency menu has a scroll bar, so leaving its list must not close it:
//   entering that list arms the display panel Panel_RLCD instead, and the next
//   time the pointer enters Panel_RLCD all menus close and it disarms;
// - Panel_RLCD is armed from the start;
// - entering Panel_RD or Panel_U closes all, every time;
// - while a menu is open, Escape, or a press of a mouse button anywhere in the
//   program outside the open menus, closes all: a menu opened by a click into
//   which the pointer never moved would otherwise stay open, and the frames
//   stay held. A press on a field that opens a menu opens that one beside the
//   others instead.
//
// The window keeps frames from overwriting the display while a menu is open:
// it holds them on framesHeld() and lets them through on framesReleased().
class MenuController : public QObject
{
    Q_OBJECT

public:
    // The controls must outlive the controller (the window owns both).
    explicit MenuController(const FrontPanelControls &controls, QObject *parent = nullptr);

    // Opening handlers of the five fields (and their companions L_RLC_avto and
    // L_SER_PER1): the list, then its menu panel, become visible. Menus already
    // open stay open.
    void L_Prim_RLCClick();
    void L_Sec_RLCClick();
    void L_SER_PERClick();
    void L_Level_RLCClick();
    void L_freq_RLCClick();

    // Hides every menu panel and list box and releases the frames.
    void closeAllMenus();

    bool isAnyMenuOpen() const;
    // Whether the next entry of the pointer into Panel_RLCD closes the menus.
    bool isDisplayArmed() const { return m_displayArmed; }

signals:
    void framesHeld();
    void framesReleased();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Menu
    {
        QFrame *panel;
        QListWidget *list;
    };

    void bindHover(PanelField *pointedAt, PanelField *highlighted);
    void bindClick(PanelField *field, void (MenuController::*open)());
    void openMenu(const Menu &menu);
    // Application-wide: Escape and presses outside the menus, while one is open.
    void watchOutside(bool on);
    void outsideEvent(QEvent *event);
    bool isOverOpenMenuOrField(const QPointF &globalPosition) const;
    void ListBox_freq_RLCMouseEnter();
    void Panel_RLCDMouseEnter();

    Menu m_prim;
    Menu m_sec;
    Menu m_serPer;
    Menu m_level;
    Menu m_freq;
    QWidget *m_Panel_RLCD;
    QWidget *m_Panel_RD;
    QWidget *m_Panel_U;
    QList<QWidget *> m_openingFields;
    bool m_displayArmed = true;
    QObject *m_outsideWatch = nullptr;
    bool m_watchingOutside = false;
};

} // namespace panel
