// The main window's definition outside the front panel: one row per control,
// in creation order (later rows lie above earlier siblings). Columns: member,
// parent, left, top, width, height, character height (0 = inherited),
// alignment, design states, design text (list items separated by \n).
#include "app/form1.h"
#include "panel/caption_strip.h"
#include "panel/control_table.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

#include <span>

using namespace panel;

namespace {

#define ROW(member, parent, x, y, w, h, font, align, flags, text)                                          \
    ControlRow<TForm1>                                                                                     \
    {                                                                                                      \
        {#member, #parent, QRect(x, y, w, h), font, align, flags, text}, &createMember<&TForm1::member>    \
    }

constexpr Qt::Alignment kNone = {};
constexpr const char *kTolerances = "выкл.\n0,2%\n0,3%\n0,5%\n1%\n2%\n3%\n5%\n10%\n20%\n>\n<";
constexpr const char *kOhms = "Ом\nкОм\nМОм";

const ControlRow<TForm1> kRows[] = {
    ROW(Panel_top, Form1, 0, 0, 1014, 192, 0, kNone, kFlat, ""),

    ROW(Panel3, Panel_top, 0, 0, 209, 192, 0, kNone, 0, ""),
    ROW(Panel6, Panel3, 0, 0, 209, 35, 0, kNone, 0, ""),
    ROW(Button2, Panel6, 8, 5, 60, 28, 0, kNone, 0, "RLCD"),
    ROW(Button1, Panel6, 75, 5, 60, 28, 0, kNone, 0, "RD"),
    ROW(Button3, Panel6, 143, 5, 60, 28, 0, kNone, 0, "U"),
    ROW(Panel1, Panel3, 0, 35, 209, 157, 0, kNone, 0, ""),
    ROW(CBox10, Panel1, 4, 4, 201, 25, 0, kNone, 0, "Измерение 1 детали\nМульти"),
    ROW(JvP8, Panel1, 0, 33, 209, 22, 0, kNone, 0, "Профиль"),
    ROW(Panel5, Panel1, 0, 56, 209, 101, 0, kNone, kFlat, ""),
    ROW(SB1, Panel5, 6, 2, 197, 23, 0, kNone, 0, "Создать"),
    ROW(SB2, Panel5, 6, 27, 197, 23, 0, kNone, 0, "Открыть"),
    // Enabled once a profile has been opened.
    ROW(SB3, Panel5, 6, 52, 197, 23, 0, kNone, kDisabled, "Сохранить как"),
    ROW(SB4, Panel5, 6, 77, 197, 23, 0, kNone, kToggle | kDown, "Изменение профиля"),

    // The front panel P5 is built into Panel4 afterwards.
    ROW(Panel4, Panel_top, 209, 0, 784, 192, 0, kNone, 0, ""),
    ROW(P_connect, Panel_top, 851, 1, 161, 35, 0, kNone, 0, ""),
    ROW(B2, P_connect, 3, 3, 98, 29, 0, kNone, 0, "Подключить"),
    ROW(CheckBox_connect_auto, P_connect, 104, 7, 55, 21, 0, kNone, kToggle, "Авто"),
    ROW(Memo1, Form1, 805, 39, 211, 140, 0, kNone, 0, ""),

    ROW(Panel9, Form1, 0, 192, 1014, 444, 0, kNone, kFlat, ""),
    ROW(JvPanel2, Panel9, 0, 0, 1014, 88, 0, kNone, 0, ""),

    // Line editor: primary and secondary reference on the left, the line's
    // name, number and buttons on the right.
    ROW(Panel7, JvPanel2, 0, 0, 458, 88, 0, kNone, 0, ""),
    ROW(JvP1, Panel7, 0, 0, 458, 19, 0, kNone, 0, "Данные эталона"),
    ROW(CBox2, Panel7, 4, 20, 46, 22, 0, kNone, 0, "R\nL\nC"),
    ROW(E2, Panel7, 52, 20, 74, 22, 0, kNone, 0, "10000"),
    ROW(CBox1, Panel7, 128, 20, 80, 22, 0, kNone, 0, kOhms),
    ROW(CBox3, Panel7, 128, 20, 80, 22, 0, kNone, kHidden, "мкГн\nмГн\nГн"),
    ROW(CBox4, Panel7, 128, 20, 80, 22, 0, kNone, kHidden, "рФ\nнФ\nмкФ"),
    ROW(CBox5, Panel7, 210, 20, 82, 22, 0, kNone, kEditable, kTolerances),
    ROW(CBox11, Panel7, 4, 42, 46, 22, 0, kNone, 0, "R\nQ\nD"),
    ROW(E11, Panel7, 52, 42, 74, 22, 0, kNone, 0, "10000"),
    ROW(CBox31, Panel7, 128, 42, 80, 22, 0, kNone, 0, kOhms),
    ROW(CBox51, Panel7, 210, 42, 82, 22, 0, kNone, kEditable, kTolerances),
    ROW(BB2, Panel7, 4, 64, 120, 22, 0, kNone, kHidden, ""),
    ROW(CBox6, Panel7, 298, 20, 96, 22, 0, kNone, kEditable, "R1"),
    ROW(SE2, Panel7, 396, 20, 58, 22, 0, kNone, 0, ""),
    ROW(BB1, Panel7, 298, 42, 156, 22, 0, kNone, 0, "Запись"),
    ROW(Button_Add, Panel7, 298, 64, 78, 22, 0, kNone, kDisabled, "Добавить"),
    ROW(Button_DEL, Panel7, 378, 64, 76, 22, 0, kNone, kDisabled, "Удалить"),

    // Logging controls.
    ROW(Panel13, JvPanel2, 458, 0, 556, 88, 0, kNone, 0, ""),
    ROW(JvP11, Panel13, 0, 0, 556, 19, 0, kNone, 0, "Запись данных"),
    ROW(Label1, Panel13, 8, 22, 90, 18, 0, kNone, 0, "Начальная"),
    ROW(Label2, Panel13, 8, 40, 90, 18, 0, kNone, 0, "позиция"),
    ROW(SE1, Panel13, 8, 60, 90, 24, 0, kNone, 0, ""),
    ROW(Label3, Panel13, 106, 22, 80, 18, 0, kNone, 0, "Интервал"),
    ROW(Label9, Panel13, 106, 40, 80, 18, 0, kNone, 0, "записи"),
    ROW(CB1, Panel13, 106, 60, 80, 24, 0, kNone, 0, "0.5с\n1с\n2с"),
    ROW(SP1, Panel13, 196, 24, 110, 58, 0, kNone, kToggle | kDisabled, "Пуск"),
    ROW(B5, Panel13, 314, 24, 110, 58, 0, kNone, 0, "Очистка"),
    ROW(Button4, Panel13, 432, 24, 116, 58, 0, kNone, 0, "В файл EXCEL"),

    ROW(Panel10, Panel9, 0, 88, 1014, 356, 0, kNone, kFlat, ""),
    ROW(SG, Panel10, 0, 0, 1014, 356, 0, kNone, 0, ""),
};

#undef ROW

} // namespace

std::span<const ControlRow<TForm1>> form1Rows()
{
    return kRows;
}
