// The dongle is driven with bare ASCII commands, no line end: "AT+CONNL" asks
// for a link to the meter, "AT" is answered "OK" by an idle dongle and drops a
// live link ("OK+LOST"). Its replies and the meter's 18-byte frames share the
// port; dongle_reply.h tells one read from another.

#include "link/dongle_link.h"

#include "link/com_errors.h"
#include "link/com_port.h"
#include "link/dongle_reply.h"
#include "link/port_finder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <chrono>
#include <exception>
#include <thread>

namespace {

const QString kAttention = QStringLiteral("AT");
const QString kConnect = QStringLiteral("AT+CONNL");

// The probe's pauses block on purpose and process nothing: the port's notices
// wait in the queue and find the bytes already read.
void probePause()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(DongleLink::kProbePauseMs));
}

} // namespace

DongleLink::DongleLink(TCustomComPort &port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    m_port.SetReceivesBlocks(true);
}

void DongleLink::bindPortEvents()
{
    m_port.OnAfterOpen = [this](TCustomComPort *) { portOpened(); };
    m_port.OnBeforeClose = [this](TCustomComPort *) { portClosing(); };
    m_port.OnRxChar = [this](TCustomComPort *, int) { readPort(); };
    m_port.OnException = [this](TCustomComPort *, TComExceptions kind, const QString &, qint64 systemError,
                                const QString &) { portFailed(kind, systemError); };
}

bool DongleLink::dongleFound() const
{
    if (!m_fixedPort.isEmpty())
        return m_fixedPortFound;
    return m_finder && m_finder->found() == 1;
}

bool DongleLink::searchPort(QString *portName)
{
    if (!m_fixedPort.isEmpty()) {
        // A named device counts as plugged in while its path exists.
        m_fixedPortFound = QFileInfo::exists(m_fixedPort);
        if (!m_fixedPortFound)
            return false;
        *portName = m_fixedPort;
        return true;
    }
    if (!m_finder || !m_finder->search())
        return false;
    *portName = m_finder->portName();
    return true;
}

bool DongleLink::findAndOpenDongle()
{
    QString portName;
    if (!searchPort(&portName))
        return false;
    // Open already (or closed on purpose by the probe): leave the port alone.
    if (m_portReady)
        return true;
    m_port.SetConnected(false);
    m_port.SetPort(portName);
    m_port.SetBaudRate(StrToBaudRate(QStringLiteral("57600")));
    m_port.SetFlowControl(StrToFlowControl(QStringLiteral("Hardware")));
    m_port.SetConnected(true);
    emit dongleOpened();
    m_portReady = true;
    return true;
}

DongleLink::ProbeResult DongleLink::probe()
{
    if (!findAndOpenDongle())
        return ProbeResult::NoDongle;
    QCoreApplication::processEvents();

    // The first answer is thrown away with anything left from an earlier run
    // (an "OK+LOST" of a link that was still up).
    m_port.WriteStr(kAttention);
    probePause();
    m_port.ClearBuffer(true, true);
    m_port.WriteStr(kAttention);
    probePause();
    // Bounded by the port: a read that gets no first byte gives up.
    QString answer;
    m_port.ReadStr(answer, kProbeReplyBytes);
    if (answer.contains(QLatin1String("OK")))
        return ProbeResult::Answered;
    m_port.SetConnected(false);
    return ProbeResult::Silent;
}

void DongleLink::press()
{
    if (m_offer == Offer::Connect)
        requestLink();
    else
        releaseLink();
}

bool DongleLink::requestLink()
{
    setOffer(Offer::Pending);
    if (!findAndOpenDongle()) {
        // Nothing was asked, so the control keeps offering what it does.
        setOffer(Offer::Connect);
        return false;
    }
    m_port.WriteStr(kConnect);
    return true;
}

void DongleLink::releaseLink()
{
    setOffer(Offer::Pending);
    m_port.WriteStr(kAttention);
}

bool DongleLink::supervise(bool autoConnect)
{
    if (!findAndOpenDongle()) {
        if (m_port.Connected()) {
            m_port.SetConnected(false);
            // Gone without a closing notice: the next search opens the port
            // under whatever name the dongle has when it returns.
            m_portReady = false;
        }
        return false;
    }
    if (!m_port.Connected())
        m_port.SetConnected(true);
    if (autoConnect && m_offer == Offer::Connect)
        m_port.WriteStr(kConnect);
    return true;
}

void DongleLink::watchPort()
{
    if (!m_port.Connected()) {
        emit portWatchWanted(false);
        return;
    }
    // A device that has gone answers with an error, which portFailed() sees.
    m_port.InputCount();
}

void DongleLink::shutDown()
{
    m_closing = true;
    try {
        m_port.Close();
    } catch (...) {
        // Closed either way; the program is ending.
        reportFailure(&m_closeFailureReported, QStringLiteral("closing the port"));
    }
}

void DongleLink::portOpened()
{
    emit portWatchWanted(true);
}

void DongleLink::portClosing()
{
    m_meterConnected = false;
    m_portReady = false;
    // Also runs while the front end is torn down: nothing here may fail the close.
    try {
        if (m_port.Connected())
            m_port.WriteStr(kAttention);
        emit portClosed();
        endLink();
    } catch (...) {
        reportFailure(&m_closeFailureReported, QStringLiteral("ending the link as the port closed"));
    }
}

void DongleLink::portFailed(TComExceptions kind, qint64 systemError)
{
    ++m_portErrors;
    // A port whose device vanished, that could not be opened at all, or whose
    // event thread died is given up after the failing call has returned;
    // supervision reopens it.
    if (comport::isPortLost(kind, systemError) && !m_closing && !m_gonePending) {
        m_gonePending = true;
        QTimer::singleShot(0, this, &DongleLink::dongleGone);
    }
}

void DongleLink::dongleGone()
{
    m_gonePending = false;
    if (m_closing)
        return;
    m_port.SetConnected(false);
    m_portReady = false;
    // A link that was up ended with the device; the port closed without a
    // notice, so end it here as a lost link does.
    if (m_meterConnected)
        bringDown();
}

void DongleLink::readPort()
{
    // Taken at once: a block cleared with the queues below is one that came
    // in after these, as a read would have found it.
    for (const TRxBlock &block : m_port.TakeBlocks()) {
        if (!m_port.Connected())
            break; // closed by a handler: the rest went with the port's queues
        takeBlock(block);
    }
    if (const quint64 dropped = droppedBlocks(); dropped != m_droppedSeen) {
        m_droppedSeen = dropped;
        emit blocksDropped(dropped);
    }
}

void DongleLink::takeBlock(const TRxBlock &block)
{
    const QString t = QString::fromLatin1(block.Data);
    switch (classifyDongleRead(t, m_frameHold.holdFrames() == 1)) {
    case DongleRead::Connecting:
        m_meterConnected = false;
        emit connecting();
        emit statusMessage(Status::Connecting);
        break;
    case DongleRead::AttemptEnded:
        endAttempt();
        break;
    case DongleRead::NoConnection:
        endAttempt();
        emit statusMessage(Status::NoConnection);
        break;
    case DongleRead::LinkUp:
        bringUp();
        break;
    case DongleRead::LinkUpThenFrames:
        bringUp();
        // The readings as if they had come on their own, under the hold the link now has.
        if (m_port.Connected())
            takeBlock({block.Data.mid(qsizetype(sizeof kLinkUpReply) - 1), block.Arrived, block.ArrivedMs});
        break;
    case DongleRead::LinkLost:
        bringDown();
        break;
    case DongleRead::Ok:
        emit statusMessage(Status::Ok);
        // The answer to a press on the pending control: the dongle is idle,
        // so the control offers to connect again instead of staying dead.
        if (m_offer == Offer::Pending) {
            setOffer(Offer::Connect);
            emit buttonPauseWanted();
        }
        break;
    case DongleRead::Garbage: {
        const quint64 waiting = m_port.TakeBlocks().size();
        m_discarded += 1 + waiting;
        m_port.ClearBuffer(true, true);
        break;
    }
    case DongleRead::HeldFrame:
        break;
    case DongleRead::Frame:
        m_frameArrivalMs = block.ArrivedMs;
        for (const protocol::MeterFrame &frame : framesOfRead(block.Data))
            handOver(frame);
        break;
    }
}

void DongleLink::handOver(const protocol::MeterFrame &frame)
{
    // What the front end does with a reading (decoding, the log, the
    // judgement) must not stop the next one from coming.
    try {
        emit frameReceived(frame);
    } catch (const std::exception &e) {
        reportFailure(&m_frameFailureReported,
                      QStringLiteral("handling a received frame (%1)").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        reportFailure(&m_frameFailureReported, QStringLiteral("handling a received frame"));
    }
}

void DongleLink::reportFailure(bool *reported, const QString &what)
{
    // Once: a failure that repeats with every reading would flood the log.
    if (*reported)
        return;
    *reported = true;
    qWarning("%s failed; going on", qPrintable(what));
}

quint64 DongleLink::droppedBlocks() const
{
    return m_discarded + m_port.DroppedBlocks();
}

void DongleLink::setOffer(Offer offer)
{
    if (offer == m_offer)
        return;
    m_offer = offer;
    emit offerChanged(offer);
}

void DongleLink::endAttempt()
{
    m_meterConnected = false;
    emit attemptEnded();
    emit buttonPauseWanted();
}

void DongleLink::bringUp()
{
    m_meterConnected = true;
    m_frameHold.linkUp();
    emit linkUp();
    emit buttonPauseWanted();
    emit supervisionWanted(false);
    setOffer(Offer::Disconnect);
    emit statusMessage(Status::Connected);
    // The meter gets the settings a second later.
    emit settingsDelayWanted();
}

void DongleLink::bringDown()
{
    m_meterConnected = false;
    emit linkDown();
    endLink();
}

void DongleLink::endLink()
{
    emit buttonPauseWanted();
    setOffer(Offer::Connect);
    emit statusMessage(Status::Disconnected);
    emit supervisionWanted(true);
}

QString DongleLink::silentDongleText(const QString &portName)
{
    return QStringLiteral("No modem responding on ") + portName;
}

QString DongleLink::droppedBlocksText(quint64 count)
{
    return QStringLiteral("Received blocks dropped (neither a dongle reply nor whole readings): %1").arg(count);
}
