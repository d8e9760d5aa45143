// The front panel's window definition: one row per control, in creation order
// (later rows lie above earlier ones). Columns: member, parent, left, top,
// width, height, character height (0 = inherited), alignment, design states,
// design text (list items separated by \n).
#include "panel/control_table.h"
#include "panel/front_panel.h"
#include "panel/panel_field.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

#include <iterator>
#include <span>

namespace panel {

namespace {

#define ROW(member, parent, x, y, w, h, font, align, flags, text)                                          \
    ControlRow<FrontPanelControls>                                                                         \
    {                                                                                                      \
        {#member, #parent, QRect(x, y, w, h), font, align, flags, text},                                   \
            &createMember<&FrontPanelControls::member>                                                     \
    }

constexpr Qt::Alignment kNone = {};
constexpr unsigned kField = 0;
// The big value labels would grow with their text and cover the fields the
// user clicks; instead they reach to the display's right edge from the start
// and let the pointer through.
constexpr unsigned kAutoSized = kNoMouse;
constexpr unsigned kMenu = kHidden;
// The menu captions are a little smaller than the window's text so they fit.
constexpr int kMenuCaption = 14;

const ControlRow<FrontPanelControls> kRows[] = {
    ROW(P5, Panel4, 0, 0, 601, 192, 0, kNone, kFlat, ""),

    ROW(JvPanel1, P5, 0, 0, 601, 41, 0, kNone, 0, ""),
    ROW(SP4, JvPanel1, 7, 5, 114, 28, 0, kNone, kToggle | kDown, "Яркость"),
    ROW(SP3, JvPanel1, 127, 5, 114, 28, 0, kNone, kToggle, "Захват"),
    ROW(SP2, JvPanel1, 246, 5, 114, 28, 0, kNone, kToggle, "Звук"),
    ROW(SBe1, JvPanel1, 366, 5, 114, 28, 0, kNone, 0, "По умолчанию"),
    ROW(LangCombo1, JvPanel1, 487, 6, 114, 26, 0, kNone, 0, ""),

    ROW(JvPanel3, P5, 0, 41, 601, 151, 0, kNone, 0, ""),

    ROW(Panel_RLCD, JvPanel3, 6, 0, 584, 140, 27, kNone, kFlat | kDisplay, ""),
    ROW(L_Level_RLC, Panel_RLCD, 25, 2, 129, 26, 27, kRight, kField, ""),
    ROW(L_freq_RLC, Panel_RLCD, 222, 2, 109, 26, 27, kRight, kField, ""),
    ROW(L_Sec_RLC, Panel_RLCD, 24, 34, 30, 42, 40, kRight, kField, ""),
    ROW(L_RQD_avto, Panel_RLCD, 56, 35, 16, 18, 19, kCentre, kField, "A"),
    ROW(L_SER_PER, Panel_RLCD, 58, 55, 16, 22, 19, kLeft, kField, ""),
    ROW(L_sec_n, Panel_RLCD, 82, 34, 263, 42, 40, kLeft, kField, ""),
    ROW(L_prim_n, Panel_RLCD, 60, 70, 524, 73, 60, kLeft, kAutoSized, ""),
    ROW(L_Prim_RLC, Panel_RLCD, 5, 78, 34, 57, 60, kLeft, kField, ""),
    ROW(L_RLC_avto, Panel_RLCD, 41, 82, 13, 25, 19, kTopLeft, kField, ""),
    ROW(L_SER_PER1, Panel_RLCD, 41, 113, 14, 20, 19, kCentre, kField, ""),
    ROW(L_righ1, Panel_RLCD, 405, 4, 166, 33, 27, kLeft, kField, ""),
    ROW(L_righ2, Panel_RLCD, 405, 36, 166, 33, 27, kLeft, kField, ""),
    ROW(L_righ3, Panel_RLCD, 405, 67, 166, 33, 27, kLeft, kField, ""),
    ROW(L_righ4, Panel_RLCD, 405, 98, 166, 33, 27, kLeft, kField, ""),

    ROW(Panel_RD, JvPanel3, 6, 0, 584, 140, 27, kNone, kFlat | kDisplay | kHidden, ""),
    ROW(Im_Diod, Panel_RD, 1, 0, 60, 80, 0, kCentre, kField, ""),
    ROW(RD_V, Panel_RD, 80, 5, 85, 26, 27, kLeft, kField, ""),
    ROW(RD_J1, Panel_RD, 209, 0, 166, 33, 27, kLeft, kField, ""),
    ROW(J_prim, Panel_RD, 56, 34, 30, 42, 40, kRight, kField, ""),
    // Its height is given as a cell height of 30, about 25 pixels of character.
    ROW(Joo, Panel_RD, 87, 55, 16, 22, 25, kLeft, kField, ""),
    ROW(RD_J, Panel_RD, 105, 34, 263, 42, 40, kLeft, kField, ""),
    ROW(RD_Prim, Panel_RD, 60, 70, 524, 73, 60, kLeft, kAutoSized, ""),
    ROW(RD_prim_R, Panel_RD, 5, 78, 40, 57, 60, kLeft, kField, ""),
    ROW(RD_Auto, Panel_RD, 41, 82, 14, 20, 19, kCentre, kField, ""),

    ROW(Panel_U, JvPanel3, 6, 0, 584, 140, 27, kNone, kFlat | kDisplay | kHidden, ""),
    ROW(U_vrm, Panel_U, 105, 0, 263, 40, 40, kLeft, kField, ""),
    ROW(U_pp, Panel_U, 105, 40, 263, 40, 40, kLeft, kField, ""),
    ROW(U_Prim, Panel_U, 90, 70, 494, 73, 60, kLeft, kAutoSized, ""),

    // Menus: a one-pixel bevel around a caption line and a list box.
    ROW(P_prim_RLC, JvPanel3, 40, 34, 143, 117, 0, kNone, kMenu, ""),
    ROW(SText_prim_RLC, P_prim_RLC, 1, 1, 141, 20, kMenuCaption, kLeft, 0, " Основной параметр"),
    ROW(ListBox_prim_RLC, P_prim_RLC, 1, 21, 141, 95, 0, kNone, kMenu,
        "Автовыбор\nR сопротивление\nC емкость\nL индуктивность\nZ импеданс"),

    ROW(P_sec_RLC, JvPanel3, 85, 49, 193, 102, 0, kNone, kMenu, ""),
    ROW(SText_sec_RLC, P_sec_RLC, 1, 1, 191, 18, kMenuCaption, kLeft, 0, "Дополнительный параметр"),
    ROW(ListBox_sec_RLC, P_sec_RLC, 1, 19, 191, 82, 0, kNone, kMenu,
        "Автовыбор\nR сопротивление\nQ добротность\nD тангенс угла потерь"),

    ROW(P_ser_per, JvPanel3, 70, 73, 149, 78, 0, kNone, kMenu, ""),
    ROW(SText_ser_per, P_ser_per, 1, 1, 147, 18, kMenuCaption, kLeft, 0, "Схема замещения"),
    ROW(ListBox_ser_per, P_ser_per, 1, 19, 147, 58, 0, kNone, kMenu,
        "Автовыбор\np-параллельная\ns- последовательная"),

    ROW(P_level_RLC, JvPanel3, 146, 30, 179, 108, 0, kNone, kMenu, ""),
    ROW(SText_level_RLC, P_level_RLC, 1, 1, 177, 21, kMenuCaption, kLeft, 0, " Уровень тестового сигнала"),
    ROW(ListBox_Level_RLC, P_level_RLC, 1, 22, 177, 85, 0, kNone, kMenu,
        "Автовыбор\n 1.0Вскз\n 0.5Вскз\n 0.1Вскз"),

    ROW(P_freq_RLC, JvPanel3, 330, 1, 179, 150, 0, kNone, kMenu, ""),
    ROW(SText_freq_RLC, P_freq_RLC, 1, 1, 177, 22, kMenuCaption, kLeft, 0, " Частота тестового сигнала"),
    ROW(ListBox_freq_RLC, P_freq_RLC, 1, 23, 177, 126, 0, kNone, kMenu,
        "Автовыбор\n100 Гц\n120 Гц\n1кГц\n10кГц\n100кГц\n20кГц\n30кГц\n40кГц\n50кГц\n60кГц\n70кГц\n80кГц\n"
        "90кГц\n150кГц"),
};

#undef ROW

} // namespace

std::span<const ControlRow<FrontPanelControls>> frontPanelRows()
{
    return kRows;
}

} // namespace panel
