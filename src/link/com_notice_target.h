#pragma once

// Receiver of the event thread's queued receive notices on the port's own
// thread. It lives exactly as long as the port: deleting it drops notices
// still queued, so none reaches a closed or destroyed port. Notices carry
// the opening they belong to; one of an earlier opening does nothing.

#include <QObject>

class TCustomComPort;

class ComNoticeTarget : public QObject
{
public:
    explicit ComNoticeTarget(TCustomComPort *port) : port_(port) {}

    // Runs one notice: the receive handling, then (whatever it threw) the
    // release of the event thread's next notice.
    void deliver(quint64 generation);
    // The event thread of that opening ended by itself with errno err.
    void threadFailed(quint64 generation, int err);

    bool delivering() const { return depth_ > 0; }
    // The port is being destroyed inside deliver(): forget it and go when
    // deliver() unwinds.
    void detach() { port_ = nullptr; }

private:
    TCustomComPort *port_;
    int depth_ = 0;
};
