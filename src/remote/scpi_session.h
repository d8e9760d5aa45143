#pragma once

// One client's conversation: it runs each message through the command table
// in order and gives one answer line per message that holds queries, the
// answers separated by ';'. READ? and MEASure? wait for a fresh reading
// without blocking anyone: the rest of their message runs when it came,
// when the time-out passed (-230) or when the link went (-200).

#include "remote/scpi_commands.h"
#include "remote/scpi_status.h"

#include <QByteArrayList>
#include <QObject>
#include <QTimer>

#include <vector>

namespace remote {

class ScpiSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultTimeoutMs = 5000;

    ScpiSession(MeterAccess &meter, const ScpiIdentity &identity, QObject *parent = nullptr);

    // Runs one message (a line without its LF or CR LF). A query still
    // waiting for its reading is given up first (-410): its answer would
    // arrive after this message's and be taken for theirs.
    void execute(QByteArrayView line);
    // An error found outside the message (a line too long, a query left unterminated).
    void report(ScpiError error, const QString &detail = {});

    bool waiting() const { return m_waiting; }
    const ScpiStatus &status() const { return m_status; }
    int timeoutMs() const { return m_timeoutMs; }

signals:
    // One answer line, its LF included.
    void answerReady(const QByteArray &line);
    // The message has run to its end (its answer, if any, came before).
    void messageDone();
    // An error went into the queue (for a front end's verbose report).
    void errorQueued(int code, const QString &text);

private:
    void run();
    void resume();
    void onReading();
    void onLinkLost();
    void onTimeout();
    void push(ScpiError error, const QString &detail = {});

    MeterAccess &m_meter;
    const ScpiIdentity &m_identity;
    ScpiStatus m_status;
    int m_timeoutMs = kDefaultTimeoutMs;

    // The message being run.
    std::vector<ScpiCommand> m_commands;
    std::size_t m_next = 0;
    QStringList m_prefix;
    QByteArrayList m_answers;
    ScpiError m_trailingError = ScpiError::None; // the unreadable rest, queued after the commands ran
    QString m_trailingDetail;

    bool m_waiting = false;
    QTimer m_timer;
};

} // namespace remote
