#pragma once

// The rules of the link to the meter through the dongle, for every front end
// (the window, a headless logger): finding and opening the dongle's port, the
// probe, the connect request and its release, the supervision tick, the
// meaning of every read from the port, and the link's state.
//
// The front end owns the port, the port finder and the timers; this class
// owns the state and decides. It touches no control: what the front end shows
// or does in answer comes out as signals, emitted synchronously from the call
// that caused them, in the order the rules give.
//
// Driving it:
// - the port's events go to portOpened(), portClosing(), readPort() and
//   portFailed() (bindPortEvents() assigns them when the front end has
//   nothing of its own to add);
// - the connect control calls press() (or requestLink()/releaseLink());
// - the front end runs a supervision timer (kSupervisionMs) while
//   supervisionWanted(true) holds and calls supervise() on each tick, a port
//   watch timer (kPortWatchMs) calling watchPort() while portWatchWanted(true)
//   holds, and starts its one-shot timers on buttonPauseWanted() and
//   settingsDelayWanted() (bindLinkTimers() in link_timers.h does that
//   wiring, the timeouts stay the front end's);
// - on exit it calls shutDown(), which writes "AT" to a present dongle.
//
// The port must end a read at a pause of more than 10 ms between bytes
// (read interval 10 ms), so that one read holds one reply or one frame. The
// link has the port's event thread do that reading (ReceivesBlocks): the
// front end's thread takes finished blocks, never waits in a read, and a
// reading keeps the time it arrived even when the front end was busy.

#include "link/com_types.h"
#include "link/frame_hold.h"
#include "protocol/meter_frame.h"

#include <QObject>
#include <QString>

struct TRxBlock;

class PortFinder;
class TCustomComPort;

class DongleLink : public QObject
{
    Q_OBJECT

public:
    // What a press of the connect control does. Connect asks for a link;
    // Pending (a press was made, the answer is awaited) and Disconnect write
    // "AT", which drops a live link and is answered "OK" by an idle dongle.
    enum class Offer { Connect, Pending, Disconnect };
    Q_ENUM(Offer)

    // The status lines of the link; the front end words them (the window
    // from its lexicon Dlang_connect).
    enum class Status {
        Connecting,   // the dongle accepted the request
        NoConnection, // no meter answered
        Connected,
        Disconnected, // the link was lost, or the port closed
        Ok,           // the idle dongle answered "AT"
    };
    Q_ENUM(Status)

    enum class ProbeResult {
        NoDongle, // the search found no port; nothing was written
        Answered, // "OK" came back; the port stays open
        Silent,   // no "OK": the port was closed again
    };
    Q_ENUM(ProbeResult)

    static constexpr int kProbeReplyBytes = 40;
    static constexpr int kProbePauseMs = 200;
    // Intervals of the front end's timers.
    static constexpr int kButtonPauseMs = 2000;   // one-shot: the connect control comes back
    static constexpr int kSupervisionMs = 2500;   // periodic: supervise()
    static constexpr int kSettingsDelayMs = 1000; // one-shot: the settings go to the meter
    static constexpr int kPortWatchMs = 1000;     // periodic: watchPort()

    // The port must outlive this object, and be closed when it is made: the
    // link turns its ReceivesBlocks on.
    explicit DongleLink(TCustomComPort &port, QObject *parent = nullptr);

    // Where the search looks: the port finder (may be null: nothing is found),
    // or, when a fixed port is set, that device path whenever it exists.
    void setPortFinder(PortFinder *finder) { m_finder = finder; }
    void setFixedPort(const QString &path) { m_fixedPort = path; }

    // Assigns the port's OnAfterOpen, OnBeforeClose, OnRxChar and OnException
    // to the handlers below.
    void bindPortEvents();

    // --- state ---------------------------------------------------------------
    // The dongle reported a live link to the meter.
    const bool &meterConnected() const { return m_meterConnected; }
    // The search opened the port on the dongle; the search leaves the port
    // alone while set. Cleared when the port closes on a present dongle.
    const bool &portReady() const { return m_portReady; }
    // The last search found the dongle's port; commands go out only then.
    // With a finder this is its record's "found" as its last call left it,
    // whoever made that call.
    bool dongleFound() const;
    Offer offer() const { return m_offer; }
    // When the frame being handed over by frameReceived arrived at the port
    // (wall clock, milliseconds since the epoch, UTC).
    qint64 frameArrivalMs() const { return m_frameArrivalMs; }
    // Received blocks thrown away: neither a reply nor whole frames, cleared
    // with the queues after one, or pushed out of the port's queue unread.
    quint64 droppedBlocks() const;

    // The settings hold-off: reads drop frames while its holdFrames is 1.
    // The front end holds and releases it by its rules; the link ends a
    // stale hold when the link comes up.
    FrameHold &frameHold() { return m_frameHold; }
    const FrameHold &frameHold() const { return m_frameHold; }

    // --- operations ------------------------------------------------------------
    // Searches for the dongle's port; the first time it is found, opens the
    // port on it at 57600 baud with hardware flow control (dongleOpened()).
    bool findAndOpenDongle();
    // Once, when the front end starts: search, two "AT" 200 ms apart (the
    // first answer is thrown away with whatever an earlier run left), and a
    // look for "OK" in the answer to the second. Blocks for the pauses.
    ProbeResult probe();
    // The connect control: Connect requests a link (when the dongle's port
    // is found; otherwise nothing changes), the others write "AT".
    void press();
    // Asks for a link; false (and nothing written) when no dongle was found.
    bool requestLink();
    // Writes "AT": drops a live link.
    void releaseLink();
    // Supervision tick: keeps the port open while the dongle is there and
    // closed while it is not; with autoConnect, requests a link whenever the
    // offer is Connect. True when the dongle's port was found.
    bool supervise(bool autoConnect);
    // Port watch tick: asks the device, so one that has gone reports an error.
    void watchPort();
    // The front end is ending: closes the port ("AT" to a present dongle);
    // port failures from here on are ignored.
    void shutDown();

    // --- the port's events -------------------------------------------------------
    void portOpened();
    // The port is closing with the device present.
    void portClosing();
    // Received blocks are waiting: each one in turn, judged by its whole text.
    void readPort();
    void portFailed(TComExceptions kind, qint64 systemError);

    // The probe's complaint when no "OK" came back.
    static QString silentDongleText(const QString &portName);
    // How many received blocks were thrown away, for the link's status.
    static QString droppedBlocksText(quint64 count);

signals:
    // The search opened the port on the dongle's device.
    void dongleOpened();
    // "OK+CONNL": the dongle works on the request.
    void connecting();
    // The attempt ended without a link.
    void attemptEnded();
    void linkUp();
    // "OK+LOST", or the dongle vanished while linked.
    void linkDown();
    // The port closed on a present dongle; any link is gone.
    void portClosed();
    void statusMessage(DongleLink::Status status);
    void offerChanged(DongleLink::Offer offer);
    // A reading while frames are not held (a read of several whole frames
    // gives one signal each, in order). Its decoding is the front end's; a
    // handler that throws only loses this frame, and the first such failure
    // is reported on stderr.
    void frameReceived(const protocol::MeterFrame &frame);
    // droppedBlocks() has grown.
    void blocksDropped(quint64 total);

    // Timer decisions.
    void buttonPauseWanted();                 // start the one-shot kButtonPauseMs timer
    void supervisionWanted(bool running);     // run or stop the supervision timer
    void settingsDelayWanted();               // start the one-shot kSettingsDelayMs timer
    void portWatchWanted(bool running);       // run or stop the port watch timer

private:
    bool searchPort(QString *portName);
    void setOffer(Offer offer);
    void endAttempt();
    void bringUp();
    void bringDown();
    void endLink();
    void dongleGone();
    void takeBlock(const TRxBlock &block);
    void handOver(const protocol::MeterFrame &frame);
    // Says once on stderr that `what` failed; the link goes on.
    void reportFailure(bool *reported, const QString &what);

    TCustomComPort &m_port;
    FrameHold m_frameHold;
    PortFinder *m_finder = nullptr;
    QString m_fixedPort;
    bool m_meterConnected = false;
    bool m_portReady = false;
    bool m_fixedPortFound = false;
    Offer m_offer = Offer::Connect;
    bool m_closing = false;
    bool m_gonePending = false;
    int m_portErrors = 0; // failures the port reported so far
    qint64 m_frameArrivalMs = 0;
    quint64 m_discarded = 0;   // blocks this link threw away
    quint64 m_droppedSeen = 0; // droppedBlocks() when last announced
    bool m_frameFailureReported = false;
    bool m_closeFailureReported = false;
};
