// Settings, opening and closing of the serial port component; the transfers
// and the receive notices are in com_port_io.cpp.

#include "link/com_port.h"

#include "link/com_device.h"
#include "link/com_notice_target.h"
#include "link/com_thread.h"
#include "link/com_timeouts.h"

#include <QFileInfo>
#include <QScopeGuard>


TCustomComPort::TCustomComPort()
    : noticeTarget_(new ComNoticeTarget(this))
{
}

TCustomComPort::~TCustomComPort()
{
    try {
        Close();
    } catch (...) {
        // A handler or an unheard failure must not escape a destructor;
        // Close leaves the port shut down either way.
    }
    if (noticeTarget_->delivering()) {
        // Destroyed from inside its own receive handler: the target is still
        // on the call stack and removes itself once that handler returns.
        noticeTarget_->detach();
    } else {
        delete noticeTarget_;
    }
}

// --- settings ------------------------------------------------------------

void TCustomComPort::SetPort(const QString &value)
{
    if (value == port_)
        return;
    if (!open_) {
        port_ = value;
        return;
    }
    Close();
    port_ = value;
    Open();
}

template <typename T>
void TCustomComPort::changeLineSetting(T &field, const T &value)
{
    if (field == value)
        return;
    field = value;
    if (open_ && updateCount_ == 0)
        applyLineSettings();
}

void TCustomComPort::SetBaudRate(TBaudRate value)
{
    changeLineSetting(baudRate_, value);
}

void TCustomComPort::SetCustomBaudRate(int value)
{
    changeLineSetting(customBaudRate_, value);
}

void TCustomComPort::SetDataBits(TDataBits value)
{
    changeLineSetting(dataBits_, value);
}

void TCustomComPort::SetStopBits(TStopBits value)
{
    changeLineSetting(stopBits_, value);
}

void TCustomComPort::SetParity(const TComParity &value)
{
    changeLineSetting(parity_, value);
}

void TCustomComPort::SetFlowControl(const TComFlowControl &value)
{
    changeLineSetting(flowControl_, value);
}

void TCustomComPort::SetFlowControl(TFlowControl value)
{
    TComFlowControl flow = flowControl_;
    flow.SetFlowControl(value);
    SetFlowControl(flow);
}

void TCustomComPort::SetDiscardNull(bool value)
{
    changeLineSetting(discardNull_, value);
}

void TCustomComPort::SetEventChar(quint8 value)
{
    changeLineSetting(eventChar_, value);
}

void TCustomComPort::SetTimeouts(const TComTimeouts &value)
{
    if (value == timeouts_)
        return;
    timeouts_ = value;
    if (open_ && updateCount_ == 0)
        applyTimeouts();
}

void TCustomComPort::SetBuffer(const TComBuffer &value)
{
    const auto even = [](int size) { return size < 0 ? 0 : size & ~1; };
    const TComBuffer stored{even(value.InputSize), even(value.OutputSize)};
    if (stored == buffer_)
        return;
    buffer_ = stored;
    if (open_ && updateCount_ == 0)
        applyBuffer();
}

void TCustomComPort::SetEvents(TComEvents value)
{
    events_ = value;
}

void TCustomComPort::SetSyncMethod(TSyncMethod value)
{
    if (value == syncMethod_)
        return;
    if (open_) {
        raise(14, 0);
        return;
    }
    syncMethod_ = value;
}

void TCustomComPort::SetEventThreadPriority(QThread::Priority value)
{
    if (value == eventThreadPriority_)
        return;
    if (open_) {
        raise(14, 0);
        return;
    }
    eventThreadPriority_ = value;
}

void TCustomComPort::SetReceivesBlocks(bool value)
{
    if (value == receivesBlocks_)
        return;
    if (open_) {
        raise(14, 0);
        return;
    }
    receivesBlocks_ = value;
}

void TCustomComPort::SetConnected(bool value)
{
    if (value == open_)
        return;
    if (value)
        Open();
    else
        Close();
}

void TCustomComPort::BeginUpdate()
{
    ++updateCount_;
}

void TCustomComPort::EndUpdate()
{
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0 && open_)
        applyAll();
}

// --- applying ------------------------------------------------------------

// The driver has no queue sizes to take; the sizes steer the component's own
// transfers, so applying them means checking that the device answers.
void TCustomComPort::applyBuffer()
{
    if (const int rc = comport::checkTerminal(fd_); rc != 0) {
        raise(9, -rc);
        return;
    }
    activeBuffer_ = buffer_;
}

void TCustomComPort::applyLineSettings()
{
    comport::LineSettings s;
    s.baudRate = BaudRateToInt(baudRate_, customBaudRate_);
    s.dataBits = dataBits_;
    s.stopBits = stopBits_;
    s.parity = parity_;
    s.flow = flowControl_;
    if (const int rc = comport::applyLineSettings(fd_, s); rc != 0)
        raise(7, -rc);
}

// The time-outs are kept by the component (reads and writes wait with poll);
// the device only has to be there.
void TCustomComPort::applyTimeouts()
{
    if (const int rc = comport::checkTerminal(fd_); rc != 0) {
        raise(8, -rc);
        return;
    }
    activeTimeouts_ = timeouts_;
    if (thread_ && blockThread_)
        thread_->SetBlockGap(comport::blockGapMs(activeTimeouts_));
}

void TCustomComPort::applyAll()
{
    applyBuffer();
    applyLineSettings();
    applyTimeouts();
}

// --- open and close ------------------------------------------------------

void TCustomComPort::Open()
{
    if (open_)
        return;
    if (OnBeforeOpen)
        OnBeforeOpen(this);
    if (open_)
        return; // the handler opened it already
    const int fd = comport::openDevice(comport::devicePath(port_));
    if (fd < 0)
        raise(1, -fd); // heard: carry on without a device, every call reports
    fd_ = fd < 0 ? -1 : fd;
    open_ = true;
    ++generation_;
    try {
        applyAll();
    } catch (...) {
        dropHandle();
        open_ = false;
        throw;
    }
    // A fresh start, as a driver gives on opening: bytes the device queued
    // while nobody had it open belong to no one.
    if (fd_ >= 0)
        comport::flushQueues(fd_, true, true);
    startThread();
    if (OnAfterOpen)
        OnAfterOpen(this);
    announceLines(false);
}

void TCustomComPort::announceLines(bool off)
{
    comport::ModemLines lines;
    if (!off) {
        if (const int rc = comport::readModemLines(fd_, &lines); rc != 0)
            raise(11, -rc);
    }
    if (OnCTSChange)
        OnCTSChange(this, lines.cts);
    if (OnDSRChange)
        OnDSRChange(this, lines.dsr);
    if (OnRLSDChange)
        OnRLSDChange(this, lines.rlsd);
}

// The device is there when its handle has not hung up and its name still
// leads somewhere (an unplugged dongle loses both). Without a handle, the
// name is opened again as Open does, and that handle serves the close.
bool TCustomComPort::devicePresent()
{
    const QString path = comport::devicePath(port_);
    if (fd_ >= 0)
        return !comport::isHungUp(fd_) && QFileInfo::exists(path);
    const int fd = comport::openDevice(path);
    if (fd < 0)
        return false;
    fd_ = fd;
    return true;
}

void TCustomComPort::Close()
{
    if (!open_)
        return;
    if (!devicePresent()) {
        shutDown();
        return;
    }
    // Whatever a handler or an unheard failure throws, the port ends closed.
    auto finish = qScopeGuard([this] { shutDown(); });
    announceLines(true);
    if (OnBeforeClose)
        OnBeforeClose(this);
    stopThread();
    if (fd_ >= 0) {
        if (const int rc = comport::flushQueues(fd_, true, true); rc != 0)
            raise(5, -rc);
    }
    finish.dismiss();
    shutDown();
    if (OnAfterClose)
        OnAfterClose(this);
}

void TCustomComPort::shutDown()
{
    stopThread();
    dropHandle();
    open_ = false;
}

void TCustomComPort::dropHandle()
{
    comport::closeDevice(fd_);
    fd_ = -1;
}

void TCustomComPort::raise(int code, qint64 winError)
{
    if (OnException) {
        const QString winMessage = winError > 0 ? comport::systemErrorText(static_cast<int>(winError)) : QString();
        OnException(this, static_cast<TComExceptions>(code - 1), ComErrorMessage(code), winError, winMessage);
        return;
    }
    throw EComPort(code, winError);
}
