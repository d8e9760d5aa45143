// The dongle link: finding and opening the dongle's port, the probe at the
// first showing, the connect button and the automatic connection, and every
// read from the port (dongle replies and meter frames).

#include "app/dongle_reply.h"
#include "app/form1.h"
#include "app/message_box.h"

#include "link/com_errors.h"
#include "link/com_port.h"
#include "link/port_finder.h"
#include "panel/panel_field.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <thread>

namespace {

// The dongle's link commands: ASCII, no line end.
const QString kAttention = QStringLiteral("AT"); // answered "OK"; drops a live link ("OK+LOST")
const QString kConnect = QStringLiteral("AT+CONNL");

constexpr int kProbeReplyBytes = 40;
constexpr int kReadBytes = 1000;

// The probe's pauses. They block on purpose and process nothing: the port's
// notices wait in the queue and find the bytes already read.
void probePause()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

} // namespace

bool TForm1::findAndOpenDongle()
{
    if (!portFinder || !portFinder->search())
        return false;
    // Open already (or closed on purpose by the probe): leave the port alone.
    if (portReady)
        return true;
    ComPort->SetConnected(false);
    ComPort->SetPort(portFinder->portName());
    ComPort->SetBaudRate(StrToBaudRate(QStringLiteral("57600")));
    ComPort->SetFlowControl(StrToFlowControl(QStringLiteral("Hardware")));
    ComPort->SetConnected(true);
    P5->setEnabled(true);
    portReady = true;
    return true;
}

void TForm1::probeDongle()
{
    if (!findAndOpenDongle())
        return;
    QCoreApplication::processEvents();

    // The first answer is thrown away with anything left from an earlier run
    // (an "OK+LOST" of a link that was still up).
    ComPort->WriteStr(kAttention);
    probePause();
    ComPort->ClearBuffer(true, true);
    ComPort->WriteStr(kAttention);
    probePause();
    // Bounded by the port: a read that gets no first byte gives up.
    QString answer;
    ComPort->ReadStr(answer, kProbeReplyBytes);
    if (answer.contains(QLatin1String("OK")))
        return;

    const QString portName = ComPort->Port();
    ComPort->SetConnected(false);
    app::showMessage(this, QStringLiteral("Test"), QStringLiteral("No modem responding on ") + portName);
}

void TForm1::B2Click()
{
    B2->setEnabled(false);
    colourDisplay(false);
    const QString connectCaption = lexicons.Dlang_connect.GetItem(0);
    if (B2->text() == connectCaption) {
        B2->setText(QStringLiteral(" "));
        if (findAndOpenDongle())
            ComPort->WriteStr(kConnect);
        else
            // No dongle: nothing was asked, so the button keeps saying what
            // it does. The port's opening enables it again.
            B2->setText(connectCaption);
    } else {
        B2->setText(QStringLiteral(" "));
        ComPort->WriteStr(kAttention);
    }
}

void TForm1::CheckBox_connect_autoClick()
{
    const bool checked = CheckBox_connect_auto->isChecked();
    B2->setEnabled(!checked);
    storeAutoConnect(checked);
}

void TForm1::T2Timer()
{
    if (!CheckBox_connect_auto->isChecked())
        B2->setEnabled(true);
    T2->stop();
}

void TForm1::T3Timer()
{
    if (!findAndOpenDongle()) {
        if (ComPort->Connected()) {
            ComPort->SetConnected(false);
            // Gone without a closing notice: the next search opens the port
            // under whatever name the dongle has when it returns.
            portReady = false;
        }
        return;
    }
    if (!ComPort->Connected())
        ComPort->SetConnected(true);
    if (CheckBox_connect_auto->isChecked()) {
        B2->setEnabled(false);
        if (B2->text() == lexicons.Dlang_connect.GetItem(0))
            ComPort->WriteStr(kConnect);
    }
}

void TForm1::ComPortAfterOpen(TCustomComPort *)
{
    B2->setEnabled(true);
    enableTimer(portWatch);
}

void TForm1::ComPortBeforeClose(TCustomComPort *)
{
    meterConnected = false;
    portReady = false;
    // Also runs while the window is torn down: nothing here may fail the close.
    try {
        if (ComPort->Connected())
            ComPort->WriteStr(kAttention);
        B2->setEnabled(false);
        showLinkEnded();
    } catch (...) {
    }
}

void TForm1::ComPortException(TCustomComPort *, TComExceptions TComException, const QString &, qint64 WinError,
                              const QString &)
{
    ++comErrors_;
    L_righ4->clear();
    // A port whose device vanished, or that could not be opened at all, is
    // given up after the failing call has returned; supervision reopens it.
    const bool unusable = comport::isDeviceGoneError(static_cast<int>(WinError)) || TComException == CE_OpenFailed;
    if (unusable && !closing_ && !gonePending_) {
        gonePending_ = true;
        QTimer::singleShot(0, this, &TForm1::dongleGone);
    }
}

void TForm1::portWatchTimer()
{
    if (!ComPort->Connected()) {
        portWatch->stop();
        return;
    }
    // A device that has gone answers with an error, which ComPortException sees.
    ComPort->InputCount();
}

void TForm1::dongleGone()
{
    gonePending_ = false;
    if (closing_)
        return;
    ComPort->SetConnected(false);
    portReady = false;
    // A link that was up ended with the device; the port closed without a
    // notice, so end it here as a lost link does.
    if (meterConnected)
        linkDown();
}

void TForm1::ComPortRxChar(TCustomComPort *, int)
{
    const int errorsBefore = comErrors_;
    QString t;
    ComPort->ReadStr(t, kReadBytes);
    if (comErrors_ != errorsBefore)
        return;

    switch (classifyDongleRead(t, holdFrames == 1)) {
    case DongleRead::Connecting:
        meterConnected = false;
        B2->setEnabled(false);
        SP1->setEnabled(false);
        Memo1->appendPlainText(lexicons.Dlang_connect.GetItem(2));
        break;
    case DongleRead::AttemptEnded:
        linkAttemptEnded();
        break;
    case DongleRead::NoConnection:
        linkAttemptEnded();
        Memo1->appendPlainText(QStringLiteral("NN ") + lexicons.Dlang_connect.GetItem(3));
        break;
    case DongleRead::LinkUp:
        linkUp();
        break;
    case DongleRead::LinkLost:
        linkDown();
        break;
    case DongleRead::Ok:
        Memo1->appendPlainText(QStringLiteral("OK"));
        // The answer to a press on the blank button: the dongle is idle, so
        // the button offers to connect again instead of staying dead.
        if (B2->text() == QLatin1String(" ")) {
            B2->setText(lexicons.Dlang_connect.GetItem(0));
            enableTimer(T2);
        }
        break;
    case DongleRead::Garbage:
        ComPort->ClearBuffer(true, true);
        break;
    case DongleRead::HeldFrame:
        break;
    case DongleRead::Frame:
        // A frame that fails to decode is dropped; the next read goes on.
        try {
            if (const auto frame = protocol::MeterFrame::fromBytes(t.toLatin1()))
                dispatchFrame(*frame);
        } catch (...) {
        }
        break;
    }
}

void TForm1::linkAttemptEnded()
{
    meterConnected = false;
    SP1->setEnabled(false);
    enableTimer(T2);
}

void TForm1::linkUp()
{
    meterConnected = true;
    SP1->setEnabled(true);
    enableTimer(T2);
    T3->stop();
    B2->setText(lexicons.Dlang_connect.GetItem(1));
    Memo1->appendPlainText(lexicons.Dlang_connect.GetItem(4));
    SB4->setChecked(false);
    Button_Add->setEnabled(false);
    Button_DEL->setEnabled(false);
    // The meter gets the settings a second later.
    enableTimer(T4);
}

void TForm1::linkDown()
{
    meterConnected = false;
    SB4->setChecked(true);
    showLinkEnded();
    Button_Add->setEnabled(true);
    Button_DEL->setEnabled(true);
}

void TForm1::showLinkEnded()
{
    SP1->setEnabled(false);
    enableTimer(T2);
    B2->setText(lexicons.Dlang_connect.GetItem(0));
    Memo1->appendPlainText(lexicons.Dlang_connect.GetItem(5));
    enableTimer(T3);
    blankReadings();
}

void TForm1::blankReadings()
{
    for (QLabel *field : {static_cast<QLabel *>(L_prim_n), static_cast<QLabel *>(L_sec_n),
                          static_cast<QLabel *>(L_righ1), static_cast<QLabel *>(L_righ2),
                          static_cast<QLabel *>(L_righ3), static_cast<QLabel *>(L_righ4)})
        field->clear();
}
