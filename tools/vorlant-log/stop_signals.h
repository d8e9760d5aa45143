#pragma once

#include <QObject>

class QSocketNotifier;

namespace vorlantlog {

// SIGINT, SIGTERM and SIGHUP as a Qt signal. The handler only writes the
// signal's number into a pipe (the one thing it may safely do); the event
// loop reads it and emits stopRequested(), so the link is ended with the
// program's ordinary code. SIGPIPE is ignored: a closed output is an error
// the writer reports, not a reason to die without ending the link.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // False (with the system's words) when the pipe or a handler could not be set up.
    bool install(QString *error);

signals:
    void stopRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vorlantlog
