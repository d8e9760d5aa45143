// The dongle link as the window shows it. The rules (search, probe, requests,
// the meaning of every read, the link's state) are DongleLink's; here they are
// bound to the connect button B2, the auto option, Memo1, the reading fields
// and the timers.

#include "app/form1.h"
#include "app/link_status_text.h"
#include "app/message_box.h"
#include "app/scpi_front.h"

#include "link/com_port.h"
#include "link/dongle_link.h"
#include "link/link_timers.h"
#include "link/port_finder.h"
#include "panel/handler_edge.h"
#include "panel/panel_field.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

void TForm1::bindLink()
{
    DongleLink *link = dongleLink.get();
    connect(link, &DongleLink::dongleOpened, this, [this] { P5->setEnabled(true); });
    connect(link, &DongleLink::connecting, this, &TForm1::linkConnecting);
    connect(link, &DongleLink::attemptEnded, this, &TForm1::linkAttemptEnded);
    connect(link, &DongleLink::linkUp, this, &TForm1::linkUp);
    connect(link, &DongleLink::linkDown, this, &TForm1::linkDown);
    connect(link, &DongleLink::portClosed, this, &TForm1::linkPortClosed);
    connect(link, &DongleLink::statusMessage, this, [this](DongleLink::Status status) {
        Memo1->appendPlainText(app::linkStatusText(status, lexicons.Dlang_connect));
    });
    connect(link, &DongleLink::offerChanged, this, &TForm1::showConnectOffer);
    connect(link, &DongleLink::frameReceived, this, [this, link](const protocol::MeterFrame &frame) {
        // A row made from this frame carries the time it reached the port,
        // however long it waited for the window.
        frameArrivalMs = link->frameArrivalMs();
        const auto done = qScopeGuard([this] { frameArrivalMs.reset(); });
        dispatchFrame(frame);
    });
    // Said where the link's state is, without taking room on the window.
    connect(link, &DongleLink::blocksDropped, this, &TForm1::showDroppedBlocks);

    // T2 gives the button back, T3 supervises, T4 sends the settings after the link came up.
    bindLinkTimers(*link, {T2, T3, T4, portWatch});
}

bool TForm1::findAndOpenDongle()
{
    return dongleLink->findAndOpenDongle();
}

void TForm1::probeDongle()
{
    if (dongleLink->probe() == DongleLink::ProbeResult::Silent)
        app::showMessage(this, QStringLiteral("Test"), DongleLink::silentDongleText(ComPort->Port()));
}

void TForm1::B2Click()
{
    B2->setEnabled(false);
    colourDisplay(false);
    dongleLink->press();
}

void TForm1::CheckBox_connect_autoClick()
{
    // The box keeps its new state; a settings file that cannot take it goes
    // to the error box, as any failure of a click does.
    if (const app::SettingsWriteProblem problem = takeAutoConnect())
        panel::reportFailure(problem.text());
}

app::SettingsWriteProblem TForm1::takeAutoConnect()
{
    const bool checked = CheckBox_connect_auto->isChecked();
    B2->setEnabled(!checked);
    return storeAutoConnect(checked);
}

void TForm1::T2Timer()
{
    if (!CheckBox_connect_auto->isChecked())
        B2->setEnabled(true);
    T2->stop();
}

void TForm1::T3Timer()
{
    const bool autoConnect = CheckBox_connect_auto->isChecked();
    // With the option on, the button stays taken while requests go out by themselves.
    if (dongleLink->supervise(autoConnect) && autoConnect)
        B2->setEnabled(false);
}

void TForm1::portWatchTimer()
{
    dongleLink->watchPort();
}

void TForm1::ComPortAfterOpen(TCustomComPort *)
{
    B2->setEnabled(true);
    dongleLink->portOpened();
}

void TForm1::ComPortBeforeClose(TCustomComPort *)
{
    dongleLink->portClosing();
}

void TForm1::ComPortException(TCustomComPort *, TComExceptions TComException, const QString &, qint64 WinError,
                              const QString &)
{
    L_righ4->clear();
    dongleLink->portFailed(TComException, WinError);
}

void TForm1::ComPortRxChar(TCustomComPort *, int)
{
    dongleLink->readPort();
}

void TForm1::showConnectOffer(DongleLink::Offer offer)
{
    switch (offer) {
    case DongleLink::Offer::Connect:
        B2->setText(lexicons.Dlang_connect.GetItem(0));
        break;
    case DongleLink::Offer::Pending:
        B2->setText(QStringLiteral(" "));
        break;
    case DongleLink::Offer::Disconnect:
        B2->setText(lexicons.Dlang_connect.GetItem(1));
        break;
    }
}

void TForm1::linkConnecting()
{
    B2->setEnabled(false);
    SP1->setEnabled(false);
}

void TForm1::linkAttemptEnded()
{
    SP1->setEnabled(false);
}

void TForm1::linkUp()
{
    SP1->setEnabled(true);
    SB4->setChecked(false);
    Button_Add->setEnabled(false);
    Button_DEL->setEnabled(false);
}

void TForm1::linkDown()
{
    scpiFront->meter().takeLinkLoss();
    SB4->setChecked(true);
    SP1->setEnabled(false);
    blankReadings();
    Button_Add->setEnabled(true);
    Button_DEL->setEnabled(true);
}

void TForm1::linkPortClosed()
{
    scpiFront->meter().takeLinkLoss();
    B2->setEnabled(false);
    SP1->setEnabled(false);
    blankReadings();
}

void TForm1::blankReadings()
{
    // Every display's values: a reading kept from before the link ended
    // would look live. Captions and the settings shown stay.
    for (QLabel *field : {static_cast<QLabel *>(L_prim_n), static_cast<QLabel *>(L_sec_n),
                          static_cast<QLabel *>(L_righ1), static_cast<QLabel *>(L_righ2),
                          static_cast<QLabel *>(L_righ3), static_cast<QLabel *>(L_righ4),
                          static_cast<QLabel *>(RD_Prim), static_cast<QLabel *>(RD_J),
                          static_cast<QLabel *>(RD_J1), static_cast<QLabel *>(U_Prim),
                          static_cast<QLabel *>(U_vrm), static_cast<QLabel *>(U_pp)})
        field->clear();
}

void TForm1::showDroppedBlocks(quint64 total)
{
    if (total > 0)
        Memo1->setToolTip(lexicons.D1.GetItem(kDroppedBlocksItem).arg(total));
}
