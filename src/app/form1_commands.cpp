// Settings commands to the meter and the hold-off that keeps stale frames
// from overwriting a fresh choice.

#include "app/form1.h"

#include "link/com_port.h"
#include "link/dongle_link.h"
#include "protocol/meter_command.h"

#include <QTimer>
#include <QToolButton>

void TForm1::applyDefaultSettings()
{
    meterSettings = protocol::MeterSettings::defaults();
    rlcReading.frequencyHz = protocol::frequencyForCode(meterSettings.freqCode);
    showSettingIndicators();
    showCircuitIndicators();
}

void TForm1::sendCommand(const protocol::MeterCommand &command)
{
    commandBuffer = command.bytes();
    // Several quick commands: the hold-off ends one interval after the first.
    frameHold.commandSent();
    // Only while the last search found the dongle's port.
    if (dongleLink->dongleFound())
        ComPort->Write(commandBuffer.data(), static_cast<int>(commandBuffer.size()));
}

void TForm1::sendSettingsCommand()
{
    // Without a link nothing goes out; the hold ends when the link comes up.
    if (!meterConnected)
        return;
    // The record follows what the command says while the frequency is automatic.
    meterSettings.pinAutoFrequency();
    sendCommand(protocol::MeterCommand::settings(meterSettings, SP4->isChecked()));
}

void TForm1::T4Timer()
{
    T4->stop();
    frameHold.hold(FrameHold::Reason::LinkSettings);
    sendSettingsCommand();
}

void TForm1::Timer_TXTimer()
{
    Timer_TX->stop();
    frameHold.releaseDue();
}
