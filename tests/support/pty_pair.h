#pragma once

// A pseudo-terminal standing in for the dongle's serial device. The test
// plays the device on the master side; the port opens the slave, either by
// its /dev/pts path or through a symlink in a temporary folder (unplugging
// closes the master and removes the link, as a vanished USB device does).

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isOpen() const { return master_ >= 0; }
    QString slavePath() const { return slavePath_; }
    // A symlink to the slave inside a temporary folder; made on first use.
    QString linkPath();

    // Writes everything from the device side; false if it could not.
    bool send(const QByteArray &bytes);
    // Collects what the port sent until `count` bytes are in or `timeoutMs`
    // passes (monotonic clock).
    QByteArray receive(int count, int timeoutMs = 2000);
    // What the port sent and is waiting now.
    QByteArray receiveWaiting();

    // The device goes away: master closed (the slave hangs up) and link removed.
    void unplug();
    void closeMaster();
    void removeLink();

    // Line settings of the slave as the driver holds them.
    struct Line {
        unsigned baud = 0;
        bool crtscts = false;
        bool twoStopBits = false;
        bool xonXoff = false;
    };
    Line line() const;

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
    QTemporaryDir dir_;
    QString link_;
};
