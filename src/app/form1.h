#pragma once

#include "i18n/window_lexicons.h"
#include "panel/front_panel.h"

#include <QWidget>

class LogTableModel;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;

namespace panel {
class CaptionStrip;
class DropDown;
class SpinEdit;
}

// The main window. Every control is a public member named as the control (and
// with that objectName); the front panel's controls come from
// panel::FrontPanelControls. The constructor builds the window in its design
// state; start-up steps, handlers and timers' work are added on top of it.
class TForm1 : public QWidget, public panel::FrontPanelControls
{
    Q_OBJECT

public:
    static constexpr int kClientWidth = 1014;
    static constexpr int kClientHeight = 636;
    static constexpr int kLogRowHeight = 24;
    static constexpr int kLogColumnWidths[10] = {68, 133, 131, 128, 50, 83, 73, 100, 109, 107};

    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Top band.
    QFrame *Panel_top = nullptr;
    QFrame *Panel3 = nullptr;
    QFrame *Panel6 = nullptr;
    QPushButton *Button2 = nullptr; // RLCD mode
    QPushButton *Button1 = nullptr; // RD mode
    QPushButton *Button3 = nullptr; // U mode
    QFrame *Panel1 = nullptr;
    panel::DropDown *CBox10 = nullptr; // part mode
    panel::CaptionStrip *JvP8 = nullptr; // profile caption
    QFrame *Panel5 = nullptr;
    QToolButton *SB1 = nullptr; // create profile
    QToolButton *SB2 = nullptr; // open profile
    QToolButton *SB3 = nullptr; // save profile as
    QToolButton *SB4 = nullptr; // profile editing, two-state
    QFrame *Panel4 = nullptr;   // holds the front panel P5
    QFrame *P_connect = nullptr;
    QToolButton *B2 = nullptr; // connect
    QCheckBox *CheckBox_connect_auto = nullptr;
    QPlainTextEdit *Memo1 = nullptr;

    // Lower part: line editor, logging controls and the log.
    QFrame *Panel9 = nullptr;
    QFrame *JvPanel2 = nullptr;
    QFrame *Panel7 = nullptr;
    panel::CaptionStrip *JvP1 = nullptr;
    panel::DropDown *CBox2 = nullptr;  // primary kind
    QLineEdit *E2 = nullptr;     // primary nominal value
    panel::DropDown *CBox1 = nullptr;  // primary unit, R
    panel::DropDown *CBox3 = nullptr;  // primary unit, L
    panel::DropDown *CBox4 = nullptr;  // primary unit, C
    panel::DropDown *CBox5 = nullptr;  // primary tolerance
    panel::DropDown *CBox11 = nullptr; // secondary kind
    QLineEdit *E11 = nullptr;    // secondary nominal value
    panel::DropDown *CBox31 = nullptr; // secondary unit, R only
    panel::DropDown *CBox51 = nullptr; // secondary tolerance
    panel::DropDown *CBox6 = nullptr;  // line name
    panel::SpinEdit *SE2 = nullptr;     // line navigator
    QPushButton *BB1 = nullptr;  // record line
    QPushButton *BB2 = nullptr;
    QPushButton *Button_Add = nullptr;
    QPushButton *Button_DEL = nullptr;
    QFrame *Panel13 = nullptr;
    panel::CaptionStrip *JvP11 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    panel::SpinEdit *SE1 = nullptr; // start position
    QLabel *Label3 = nullptr;
    QLabel *Label9 = nullptr;
    panel::DropDown *CB1 = nullptr;   // recording interval
    QToolButton *SP1 = nullptr; // start/stop recording, two-state
    QToolButton *B5 = nullptr;  // clear
    QPushButton *Button4 = nullptr; // copy to a spreadsheet
    QFrame *Panel10 = nullptr;
    QTableView *SG = nullptr; // the log

    // Non-visual parts.
    QTimer *T2 = nullptr;
    QTimer *T3 = nullptr;
    QTimer *T4 = nullptr;
    QTimer *Timer_TX = nullptr;
    LogTableModel *logModel = nullptr; // the texts SG shows
    i18n::WindowLexicons lexicons;

private:
    void applyWindowDesign();
    void buildLogGrid();
    void createTimers();
};
