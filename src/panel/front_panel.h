#pragma once

#include <QList>
#include <QPixmap>

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QToolButton;
class QWidget;

namespace panel {

class PanelField;

// Every control of the front panel P5: the tool row, the three display panels
// and the five selection menus, each under the name the rest of the program
// uses for it. The main window inherits this, so the controls are its members.
struct FrontPanelControls
{
    QFrame *P5 = nullptr;

    // Tool row.
    QFrame *JvPanel1 = nullptr;
    QToolButton *SP4 = nullptr; // brightness, two-state
    QToolButton *SP3 = nullptr; // capture, two-state
    QToolButton *SP2 = nullptr; // sound, two-state
    QToolButton *SBe1 = nullptr; // default settings
    QComboBox *LangCombo1 = nullptr;

    // Display area.
    QFrame *JvPanel3 = nullptr;

    QFrame *Panel_RLCD = nullptr;
    PanelField *L_Level_RLC = nullptr;
    PanelField *L_freq_RLC = nullptr;
    PanelField *L_Sec_RLC = nullptr;
    PanelField *L_RQD_avto = nullptr;
    PanelField *L_SER_PER = nullptr;
    PanelField *L_sec_n = nullptr;
    QLabel *L_prim_n = nullptr;
    PanelField *L_Prim_RLC = nullptr;
    PanelField *L_RLC_avto = nullptr;
    PanelField *L_SER_PER1 = nullptr;
    PanelField *L_righ1 = nullptr;
    PanelField *L_righ2 = nullptr;
    PanelField *L_righ3 = nullptr;
    PanelField *L_righ4 = nullptr;

    QFrame *Panel_RD = nullptr;
    QLabel *Im_Diod = nullptr;
    PanelField *RD_V = nullptr;
    PanelField *RD_J1 = nullptr;
    PanelField *J_prim = nullptr;
    PanelField *Joo = nullptr;
    PanelField *RD_J = nullptr;
    QLabel *RD_Prim = nullptr;
    PanelField *RD_prim_R = nullptr;
    PanelField *RD_Auto = nullptr;

    QFrame *Panel_U = nullptr;
    PanelField *U_vrm = nullptr;
    PanelField *U_pp = nullptr;
    QLabel *U_Prim = nullptr;

    // Selection menus: a panel with a caption line over a list box.
    QFrame *P_prim_RLC = nullptr;
    QLabel *SText_prim_RLC = nullptr;
    QListWidget *ListBox_prim_RLC = nullptr;
    QFrame *P_sec_RLC = nullptr;
    QLabel *SText_sec_RLC = nullptr;
    QListWidget *ListBox_sec_RLC = nullptr;
    QFrame *P_ser_per = nullptr;
    QLabel *SText_ser_per = nullptr;
    QListWidget *ListBox_ser_per = nullptr;
    QFrame *P_level_RLC = nullptr;
    QLabel *SText_level_RLC = nullptr;
    QListWidget *ListBox_Level_RLC = nullptr;
    QFrame *P_freq_RLC = nullptr;
    QLabel *SText_freq_RLC = nullptr;
    QListWidget *ListBox_freq_RLC = nullptr;

    // Pictures shown by Im_Diod, indexed by RdPicture.
    QList<QPixmap> ImList1;
};

// Builds P5 and everything on it inside `host` (the window's Panel4), in the
// design state: RLCD display shown, RD and U displays and all menus hidden.
void buildFrontPanel(FrontPanelControls &controls, QWidget *host);

} // namespace panel
