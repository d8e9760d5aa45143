// The front panel as the meter's remote control: a choice in a selection menu,
// a press on the sound, capture, brightness or defaults button, or a new
// recording interval changes the settings record and sends it; the mode
// buttons switch the meter's measuring mode.
//
// Every settings handler holds frames first, so that a frame still carrying
// the old setting cannot overwrite the choice before the meter has it (the
// command's timer ends the hold). Only the user's own clicks reach these
// handlers: the signals bound are the "clicked"/"activated" kind, which
// setting a control from code does not raise.

#include "app/form1.h"

#include "panel/drop_down.h"
#include "panel/handler_edge.h"
#include "panel/menu_controller.h"
#include "panel/panel_field.h"
#include "protocol/meter_command.h"
#include "protocol/settings_selection.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

// Hide events of a drop-down's list, which closes with or without a choice.
class PopupClosedWatch : public QObject
{
public:
    PopupClosedWatch(QObject *watched, std::function<void()> closed)
        : QObject(watched)
        , m_closed(std::move(closed))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_closed();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_closed;
};

void writeCaptions(TForm1 &f, const protocol::SelectionCaptions &captions)
{
    panel::setTextIfGiven(f.L_freq_RLC, captions.L_freq_RLC);
    panel::setTextIfGiven(f.L_Level_RLC, captions.L_Level_RLC);
    panel::setTextIfGiven(f.L_Prim_RLC, captions.L_Prim_RLC);
    panel::setTextIfGiven(f.L_RLC_avto, captions.L_RLC_avto);
    panel::setTextIfGiven(f.L_Sec_RLC, captions.L_Sec_RLC);
    panel::setTextIfGiven(f.L_RQD_avto, captions.L_RQD_avto);
    panel::setTextIfGiven(f.L_SER_PER, captions.L_SER_PER);
    panel::setTextIfGiven(f.L_SER_PER1, captions.L_SER_PER1);
}

// A list's choice: hold, write its captions, send. No captions: the index is
// not an item of the list and nothing changed.
void applyChoice(TForm1 &f, const std::optional<protocol::SelectionCaptions> &captions)
{
    f.frameHold.hold(FrameHold::Reason::SettingChange);
    if (!captions)
        return;
    writeCaptions(f, *captions);
    f.sendSettingsCommand();
}

} // namespace

void TForm1::bindRemoteHandlers()
{
    using ListHandler = void (TForm1::*)(int);
    const std::pair<QListWidget *, ListHandler> lists[] = {
        {ListBox_freq_RLC, &TForm1::ListBox_freq_RLCClick},
        {ListBox_prim_RLC, &TForm1::ListBox_prim_RLCClick},
        {ListBox_sec_RLC, &TForm1::ListBox_sec_RLCClick},
        {ListBox_ser_per, &TForm1::ListBox_ser_perClick},
        {ListBox_Level_RLC, &TForm1::ListBox_Level_RLCClick},
    };
    for (auto [list, handler] : lists) {
        // The menus follow the pointer; a keyboard would move the selection
        // without choosing anything.
        list->setFocusPolicy(Qt::NoFocus);
        connect(list, &QListWidget::itemClicked, this, panel::atEdge([this, list, handler](QListWidgetItem *item) {
                    (this->*handler)(list->row(item));
                }));
    }

    connect(SP2, &QToolButton::clicked, this, panel::atEdge(this, &TForm1::SP2Click));
    connect(SP3, &QToolButton::clicked, this, panel::atEdge(this, &TForm1::SP3Click));
    connect(SP4, &QToolButton::clicked, this, panel::atEdge(this, &TForm1::SP4Click));
    connect(SBe1, &QToolButton::clicked, this, panel::atEdge(this, &TForm1::SBe1Click));
    connect(CB1, &QComboBox::activated, this, panel::atEdge(this, &TForm1::CB1Click));
    connect(CB1, &panel::DropDown::droppedDown, this, panel::atEdge(this, &TForm1::CB1DropDown));
    // Dropping the box down holds frames; if the list closes without a
    // choice no command follows to end the hold, and the display would stay
    // frozen (and recording with it). The command's timer ends it instead.
    QAbstractItemView *intervals = CB1->view();
    intervals->installEventFilter(new PopupClosedWatch(intervals, [hold = QPointer<FrameHold>(&frameHold)] {
        if (hold)
            hold->scheduleRelease();
    }));

    connect(Button2, &QPushButton::clicked, this, panel::atEdge(this, &TForm1::Button2Click));
    connect(Button1, &QPushButton::clicked, this, panel::atEdge(this, &TForm1::Button1Click));
    connect(Button3, &QPushButton::clicked, this, panel::atEdge(this, &TForm1::Button3Click));
}

void TForm1::ListBox_freq_RLCClick(int index)
{
    applyChoice(*this, protocol::chooseFrequency(meterSettings, index, lexicons.unitTexts()));
}

void TForm1::ListBox_prim_RLCClick(int index)
{
    applyChoice(*this, protocol::choosePrimary(meterSettings, index));
}

void TForm1::ListBox_sec_RLCClick(int index)
{
    applyChoice(*this, protocol::chooseSecondary(meterSettings, index));
}

void TForm1::ListBox_ser_perClick(int index)
{
    applyChoice(*this, protocol::chooseCircuit(meterSettings, index));
}

void TForm1::ListBox_Level_RLCClick(int index)
{
    applyChoice(*this, protocol::chooseLevel(meterSettings, index, lexicons.unitTexts()));
}

void TForm1::SP2Click()
{
    frameHold.hold(FrameHold::Reason::SettingChange);
    protocol::chooseSound(meterSettings, SP2->isChecked());
    sendSettingsCommand();
}

void TForm1::SP3Click()
{
    frameHold.hold(FrameHold::Reason::SettingChange);
    const std::optional<bool> recording = protocol::chooseCapture(meterSettings, SP3->isChecked(), SB4->isChecked());
    if (recording)
        SP1->setEnabled(*recording);
    sendSettingsCommand();
}

void TForm1::SP4Click()
{
    // The record has no brightness field: the command reads the button.
    frameHold.hold(FrameHold::Reason::SettingChange);
    sendSettingsCommand();
}

void TForm1::SBe1Click()
{
    frameHold.hold(FrameHold::Reason::SettingChange);
    applyDefaultSettings();
    sendSettingsCommand();
}

void TForm1::CB1Click(int index)
{
    frameHold.hold(FrameHold::Reason::SettingChange);
    if (protocol::chooseInterval(meterSettings, index))
        sendSettingsCommand();
}

void TForm1::CB1DropDown()
{
    frameHold.hold(FrameHold::Reason::MenuOpen);
}

void TForm1::sendModeCommand(protocol::MeterMode mode)
{
    // The user leaves the display for another one: its menus close now, not
    // only when the meter's first frame in the new mode switches the display.
    if (menus->isAnyMenuOpen())
        menus->closeAllMenus();
    sendCommand(protocol::MeterCommand::mode(mode, SP4->isChecked()));
}

void TForm1::Button2Click()
{
    sendModeCommand(protocol::MeterMode::Rlcd);
}

void TForm1::Button1Click()
{
    sendModeCommand(protocol::MeterMode::Rd);
}

void TForm1::Button3Click()
{
    sendModeCommand(protocol::MeterMode::U);
}
