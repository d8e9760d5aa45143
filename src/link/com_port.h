#pragma once

// The serial port component. Settings are kept in the component and given
// to the device when it opens (queue sizes, then line settings, then
// time-outs) and again whenever they change while it is open. Reads and
// writes block the caller under the time-outs; received bytes are announced
// through OnRxChar on the thread that owns the component (the UI thread),
// never more than one notice at a time. Every failure goes to OnException
// when it is assigned; otherwise it is thrown as EComPort.
//
// Linux mapping worth knowing:
// - Port "ttyACM0" means /dev/ttyACM0; a name with "/" is used as it is.
// - The queue sizes have no driver counterpart. They are the chunk sizes of
//   the component's own transfers (read and write calls, OnRxBuf) and
//   InputSize sets the 80%-full mark; "applying" them checks the device.
// - A read with no total time-out gives up waiting for its first byte after
//   comport::kFirstByteLimitMs (300 ms) and returns 0 bytes.
// - Devices without modem lines (pseudo-terminals) read all lines as off.
// - Only received data and hang-ups can be waited for; the other events of
//   the classic mask have no source here, so they have no handlers.
//
// With ReceivesBlocks on, the event thread itself reads: it takes bytes off
// the device as they arrive and cuts them into blocks at the read interval
// (a block ends when more than ReadInterval ms pass after its last byte).
// OnRxChar then announces finished blocks, with Count the bytes waiting;
// TakeBlocks() hands them over with the time their last byte arrived, and
// Read/ReadStr/ClearBuffer/InputCount work on the same bytes under the same
// time-outs. The owner never waits inside a read for the pause to come.
//
// All calls belong on the owner's thread, and every handler runs there: the
// event thread only posts notices. An event thread that ends by itself
// (anything but a close or a hang-up) is reported as error 21, "WaitForEvent
// method failed", with the errno that ended it; the port then hears nothing
// more until it is closed and opened again.

#include "link/com_errors.h"
#include "link/com_receive_queue.h"
#include "link/com_types.h"

#include <QByteArray>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>
#include <vector>

class ComNoticeTarget;
class TComThread;

class TCustomComPort
{
public:
    using TNotifyEvent = std::function<void(TCustomComPort *Sender)>;
    using TRxCharEvent = std::function<void(TCustomComPort *Sender, int Count)>;
    using TRxBufEvent = std::function<void(TCustomComPort *Sender, const QByteArray &Buffer)>;
    using TComSignalEvent = std::function<void(TCustomComPort *Sender, bool OnOff)>;
    using TComExceptionEvent = std::function<void(TCustomComPort *Sender, TComExceptions TComException,
                                                  const QString &ComportMessage, qint64 WinError,
                                                  const QString &WinMessage)>;

    TCustomComPort();
    // Closes the port first (with its events, as Close does).
    virtual ~TCustomComPort();
    TCustomComPort(const TCustomComPort &) = delete;
    TCustomComPort &operator=(const TCustomComPort &) = delete;

    // --- settings -------------------------------------------------------
    QString Port() const { return port_; }
    // A different name while open closes and reopens on the new one.
    void SetPort(const QString &value);
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate value);
    int CustomBaudRate() const { return customBaudRate_; }
    void SetCustomBaudRate(int value);
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits value);
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value);
    TComParity Parity() const { return parity_; }
    void SetParity(const TComParity &value);
    TComFlowControl FlowControl() const { return flowControl_; }
    void SetFlowControl(const TComFlowControl &value);
    // The preset shortcut; fcCustom changes nothing.
    void SetFlowControl(TFlowControl value);
    TComTimeouts Timeouts() const { return timeouts_; }
    void SetTimeouts(const TComTimeouts &value);
    TComBuffer Buffer() const { return buffer_; }
    // Odd sizes are stored one lower, negative ones as 0.
    void SetBuffer(const TComBuffer &value);
    TComEvents Events() const { return events_; }
    // Takes effect at the next Open.
    void SetEvents(TComEvents value);
    TSyncMethod SyncMethod() const { return syncMethod_; }
    // Refused with error 14 while open.
    void SetSyncMethod(TSyncMethod value);
    bool TriggersOnRxChar() const { return triggersOnRxChar_; }
    void SetTriggersOnRxChar(bool value) { triggersOnRxChar_ = value; }
    QThread::Priority EventThreadPriority() const { return eventThreadPriority_; }
    // Refused with error 14 while open.
    void SetEventThreadPriority(QThread::Priority value);
    // NUL bytes are dropped from what reads return.
    bool DiscardNull() const { return discardNull_; }
    void SetDiscardNull(bool value);
    // Stored for compatibility; the driver offers no event-character wake-up.
    quint8 EventChar() const { return eventChar_; }
    void SetEventChar(quint8 value);

    // The event thread reads the device into blocks (see above).
    bool ReceivesBlocks() const { return receivesBlocks_; }
    // Refused with error 14 while open.
    void SetReceivesBlocks(bool value);

    bool Connected() const { return open_; }
    // true opens, false closes; the current value does nothing.
    void SetConnected(bool value);

    // --- operations -----------------------------------------------------
    void Open();
    void Close();
    void BeginUpdate();
    void EndUpdate();

    // Reads up to Count bytes; byte b becomes character U+00b.
    int ReadStr(QString &Str, int Count);
    int Read(void *Buf, int Count);
    // Writes the low 8 bits of each character; returns the bytes written.
    int WriteStr(const QString &Str);
    int Write(const void *Buf, int Count);
    void ClearBuffer(bool Input, bool Output);
    int InputCount();
    int OutputCount();
    // The blocks finished so far, oldest first (NUL bytes dropped under
    // DiscardNull); none unless ReceivesBlocks is on and the port open.
    std::vector<TRxBlock> TakeBlocks();
    // Blocks the port threw away because they were not taken in time, since
    // it was made.
    quint64 DroppedBlocks() const;

    // --- events -----------------------------------------------------------
    TNotifyEvent OnBeforeOpen;
    TNotifyEvent OnAfterOpen;
    TNotifyEvent OnBeforeClose;
    TNotifyEvent OnAfterClose;
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnRx80Full;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    TComExceptionEvent OnException;

private:
    friend class ComNoticeTarget;

    void applyBuffer();
    void applyLineSettings();
    void applyTimeouts();
    void applyAll();
    template <typename T>
    void changeLineSetting(T &field, const T &value);
    void announceLines(bool off);
    bool devicePresent();
    void startThread();
    void stopThread();
    void shutDown();
    void dropHandle();
    // Runs OnRxChar (or OnRxBuf); true when the 80%-full mark was reached.
    bool handleRxNotice(quint64 generation);
    void raiseRx80Full(quint64 generation);
    void finishRxNotice(quint64 generation);
    // Reports an event thread that ended without being asked (error 21).
    void eventThreadFailed(quint64 generation, int err);
    int readBytes(unsigned char *buf, int count);
    long takeSome(unsigned char *buf, std::size_t count);
    // 0 once input may be there or the time is up; -errno on failure.
    int waitForInput(int timeoutMs);
    // True while the event thread reads this opening's bytes into queue_.
    bool readsBlocks() const { return blockThread_; }
    int writeBytes(const unsigned char *buf, int count);
    // Reports code through OnException, or throws EComPort when unassigned.
    void raise(int code, qint64 winError);

    QString port_ = QStringLiteral("COM1");
    TBaudRate baudRate_ = br9600;
    int customBaudRate_ = 9600;
    TDataBits dataBits_ = dbEight;
    TStopBits stopBits_ = sbOneStopBit;
    TComParity parity_;
    TComFlowControl flowControl_;
    TComTimeouts timeouts_;
    TComBuffer buffer_;
    TComEvents events_ = kAllComEvents;
    TSyncMethod syncMethod_ = smThreadSync;
    bool triggersOnRxChar_ = true;
    QThread::Priority eventThreadPriority_ = QThread::NormalPriority;
    bool discardNull_ = false;
    quint8 eventChar_ = 0;
    bool receivesBlocks_ = false;

    // What the device works with: the settings as last applied.
    TComTimeouts activeTimeouts_;
    TComBuffer activeBuffer_;
    TComEvents activeEvents_;

    bool open_ = false;
    int fd_ = -1;
    int updateCount_ = 0;
    // Tells notices of an earlier opening from current ones.
    quint64 generation_ = 0;
    std::unique_ptr<TComThread> thread_;
    bool blockThread_ = false;
    std::shared_ptr<ComReceiveQueue> queue_ = std::make_shared<ComReceiveQueue>();
    ComNoticeTarget *noticeTarget_ = nullptr;
};

class TComPort : public TCustomComPort
{
public:
    TComPort() = default;
};
